// Writes a corpus of fixed-format COBOL programs in CP932 with CR LF line ends for the
// benchmarks: a DATA DIVISION, a PROCEDURE DIVISION, about 10% Japanese comment lines in
// column 7, EXEC SQL blocks, blank lines.
//
// usage: qvx-gencorpus OUTDIR TOTAL_MB [SEED] [FILES]

#include <cstdio>
#include <random>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include "text/cp932.h"

namespace {

const char16_t* const kJapanese[] = {
    u"顧客マスタを読み込み、残高を更新する",
    u"エラー時は処理を中止して戻る",
    u"日次バッチ：売上集計処理",
    u"ｶﾅ項目の編集（半角カナ）",
    u"ここから明細行のループ",
    u"消費税率の変更に対応 ２０１９年１０月",
};

const char* const kStatements[] = {
    "           MOVE WS-CUST-NO       TO OUT-CUST-NO.",
    "           ADD  WS-AMOUNT        TO WS-TOTAL.",
    "           PERFORM 2000-READ-MASTER THRU 2000-EXIT.",
    "           IF WS-STATUS NOT = '00'",
    "              DISPLAY 'READ ERROR ' WS-STATUS",
    "              GO TO 9000-ABEND",
    "           END-IF.",
    "           CALL 'DATECONV' USING WS-DATE WS-RESULT.",
    "           COMPUTE WS-TAX = WS-AMOUNT * WS-RATE / 100.",
    "           WRITE OUT-REC FROM WS-OUT-AREA.",
    "           EVALUATE TRUE",
    "              WHEN WS-KIND = 'A' PERFORM 3100-KIND-A",
    "              WHEN OTHER         PERFORM 3900-KIND-OTHER",
    "           END-EVALUATE.",
    "           INITIALIZE WS-WORK-AREA.",
};

const char* const kData[] = {
    "       01  WS-CUSTOMER-AREA.",
    "           05  WS-CUST-NO          PIC 9(08).",
    "           05  WS-CUST-NAME        PIC X(40).",
    "           05  WS-AMOUNT           PIC S9(11)V99 COMP-3.",
    "           05  WS-STATUS           PIC X(02) VALUE SPACE.",
    "           05  FILLER              PIC X(10).",
    "       77  WS-COUNTER              PIC 9(07) VALUE ZERO.",
};

class Writer {
public:
    explicit Writer(std::mt19937& rng)
        : m_rng(rng)
    {
    }

    void line(const QByteArray& text)
    {
        m_out += text;
        m_out += "\r\n";
    }
    void comment()
    {
        const QString text =
            QStringLiteral("      * ") + QString::fromUtf16(kJapanese[pick(std::size(kJapanese))]);
        line(Cp932::encode(text));
    }
    size_t pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(m_rng); }
    bool chance(int percent) { return int(pick(100)) < percent; }
    QByteArray& bytes() { return m_out; }

private:
    std::mt19937& m_rng;
    QByteArray m_out;
};

QByteArray program(std::mt19937& rng, int number, qsizetype targetBytes)
{
    Writer w(rng);
    w.line("       IDENTIFICATION DIVISION.");
    w.line("       PROGRAM-ID. PGM" + QByteArray::number(number).rightJustified(5, '0') + ".");
    w.comment();
    w.line("       ENVIRONMENT DIVISION.");
    w.line("       DATA DIVISION.");
    w.line("       WORKING-STORAGE SECTION.");
    while (w.bytes().size() < targetBytes * 3 / 10) {
        if (w.chance(10))
            w.comment();
        else if (w.chance(3))
            w.line("");
        else
            w.line(kData[w.pick(std::size(kData))]);
    }
    w.line("       PROCEDURE DIVISION.");
    int paragraph = 1000;
    while (w.bytes().size() < targetBytes) {
        if (w.chance(4)) {
            w.line("");
            w.line("       " + QByteArray::number(paragraph++) + "-PROC SECTION.");
        } else if (w.chance(10)) {
            w.comment();
        } else if (w.chance(4)) {
            w.line("           EXEC SQL");
            w.line("             SELECT CUST_NAME, BALANCE");
            w.line("               INTO :WS-CUST-NAME, :WS-AMOUNT");
            w.line("               FROM CUSTOMER");
            w.line("              WHERE CUST_NO = :WS-CUST-NO");
            w.line("           END-EXEC.");
        } else {
            w.line(kStatements[w.pick(std::size(kStatements))]);
        }
    }
    w.line("           STOP RUN.");
    return w.bytes();
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTDIR TOTAL_MB [SEED] [FILES]\n", argv[0]);
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    const double totalMb = std::atof(argv[2]);
    const unsigned seed = argc > 3 ? unsigned(std::atoi(argv[3])) : 1;
    const int files = argc > 4 ? std::max(1, std::atoi(argv[4])) : 100;
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "%s: cannot create the folder\n", argv[1]);
        return 1;
    }
    std::mt19937 rng(seed);
    const auto perFile = qsizetype(totalMb * 1024 * 1024 / files);
    for (int i = 0; i < files; ++i) {
        const QString path = outDir + QStringLiteral("/PGM%1.CBL").arg(i, 5, 10, QLatin1Char('0'));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            f.write(program(rng, i, perFile)) < 0) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(f.errorString()));
            return 1;
        }
    }
    return 0;
}
