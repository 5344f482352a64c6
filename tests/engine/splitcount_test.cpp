// Counting a file in byte ranges on several threads against counting it whole: the same
// counters, word counts, encoding, progress, outcome and errors.

#include "engine/splitcount.h"

#include <random>

#include "support/modes.h"
#include "support/recordinghost.h"
#include "testutil.h"
#include "text/cp932.h"
#include "text/linereader.h"

using testutil::u8;

namespace {

struct Counted {
    FileCountResult result;
    CountOutcome outcome = CountOutcome::Completed;
    double processedBytes = 0;
    QString error;
    QStringList messages;
    int ranges = 0;
    bool operator==(const Counted& o) const
    {
        return result == o.result && outcome == o.outcome && processedBytes == o.processedBytes &&
               error == o.error && messages == o.messages;
    }
};

void PrintTo(const Counted& c, std::ostream* os)
{
    *os << "lines " << c.result.AreaCounts[1][TT_AREA] << '/' << c.result.AreaCounts[1][TT_AREACOM]
        << '/' << c.result.AreaCounts[1][TT_NULLLINE] << ", encoding " << int(c.result.Encoding)
        << ", bytes " << c.processedBytes << ", error " << c.error.toStdString();
}

// threads 0: counted whole by CountFile.
Counted count(const ModeDefinition& mode, const QString& path, int threads, RecordingHost host = {})
{
    const CountRules rules(mode, AreaCount(mode));
    Counted c;
    CountProgress progress{100, 0}; // bytes of earlier files
    try {
        c.outcome = threads == 0 ? CountFile(rules, path, host, c.result, progress)
                                 : CountFileSplit(rules, path, host, c.result, progress, threads,
                                                  -1, &c.ranges);
    } catch (const CountError& e) {
        c.error = e.message();
    }
    c.processedBytes = progress.processedBytes;
    c.messages = host.messages;
    return c;
}

// Lines that classify differently: blanks, comment marks in column 7, TABs, keywords, Japanese.
const char* const kPieces[] = {"       ", "*",        "/",        "\t",      "  ",
                               "PERFORM", "call",     "x",        "000100",  "顧客",
                               "ｶﾅ",      "ＥＸＥＣ", "END-EXEC", "EXEC SQL"};
const char* const kEnds[] = {"\n", "\r\n", "\r", "\r\n\n", "\r\r\n", "\n\r"};

QByteArray randomFile(std::mt19937& random, bool utf8)
{
    auto below = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    QByteArray file = utf8 && below(2) ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    for (int lines = below(300); lines > 0; --lines) {
        QString line;
        for (int n = below(3) == 0 ? 0 : below(8); n > 0; --n)
            line += u8(kPieces[below(int(std::size(kPieces)))]);
        file += utf8 ? line.toUtf8() : Cp932::encode(line);
        if (lines > 1 || below(2))
            file += kEnds[below(3) == 0 ? below(int(std::size(kEnds))) : 1];
    }
    return file;
}

ModeDefinition columnMode(const char* encoding = "")
{
    ModeDefinition m = BareMode();
    m.TABtoSpace = 1;
    m.CommentSolo = QStringLiteral("[*/]");
    m.CommentColumn = 7;
    m.CommentLength = 1;
    m.WordCount = QStringLiteral("*PERFORM*,*顧客*,*EXEC SQL*");
    m.MaskColumns = QStringLiteral("1-6");
    m.Encoding = u8(encoding);
    return m;
}

} // namespace

TEST(CountFileSplit, RandomFilesCountAsWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.cbl"));
    std::mt19937 random(7);
    int split = 0;
    for (int round = 0; round < 40; ++round) {
        testutil::writeBytes(path, randomFile(random, round % 2));
        ModeDefinition m = columnMode(round % 5 == 0 ? "euc-jp" : "");
        m.NullLineMode = qint16(round % 3);
        m.BinaryComp = qint16(round % 4 == 0);
        if (round % 3 == 0) {
            m.CommentColumn = 0;
            m.CommentSolo = QStringLiteral("[*/]*");
            m.MaskColumns.clear();
        }
        const Counted whole = count(m, path, 0);
        for (int threads : {2, 3, 8}) {
            const Counted c = count(m, path, threads);
            EXPECT_EQ(c, whole) << "round " << round << ", " << threads << " threads";
            split += c.ranges > 1;
        }
    }
    EXPECT_GT(split, 80);
}

TEST(CountFileSplit, SplitsAtEveryKindOfLineEnd)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.cbl"));
    const ModeDefinition m = columnMode();
    for (const QByteArray& text :
         {QByteArray(""), QByteArray("\n"), QByteArray("x"), QByteArray("\xEF\xBB\xBF\n\nx"),
          QByteArray("a\r\n\r\n\n\rb\r\r\nc\n\r\n*\r\n"), QByteArray("\r\n\r\n\r\n\r\n"),
          QByteArray("\x8c\xda\x8b\x71\r\n\x8c\xda\r\n      *\r\n\t\nPERFORM")}) {
        testutil::writeBytes(path, text);
        const Counted whole = count(m, path, 0);
        for (int threads = 2; threads <= 12; ++threads)
            EXPECT_EQ(count(m, path, threads), whole) << text.toStdString() << threads;
    }
    EXPECT_EQ(count(m, path, 3).ranges, 3);
}

TEST(CountFileSplit, CountsWholeWhenLinesDependOnEarlierLines)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.cbl"));
    testutil::writeBytes(path, "/*\nPERFORM\n*/\nEXEC SQL\nx\nEND-EXEC\nPROCEDURE\ny\n");
    ModeDefinition plain = BareMode();
    plain.WordCount = QStringLiteral("*PERFORM*");
    ModeDefinition pickup = plain;
    pickup.PickupStart = QStringLiteral("EXEC SQL*");
    pickup.PickupEnd = QStringLiteral("END-EXEC*");
    ModeDefinition block = plain;
    block.CommentStart = QStringLiteral("/[*]*");
    block.CommentEnd = QStringLiteral("*[*]/*");
    ModeDefinition areas = plain;
    areas.StartWord[2] = QStringLiteral("PROCEDURE*");
    ModeDefinition utf16 = plain;
    utf16.Encoding = QStringLiteral("utf-16le");
    for (const ModeDefinition& m : {pickup, block, areas, utf16}) {
        const Counted c = count(m, path, 4);
        EXPECT_EQ(c, count(m, path, 0));
        EXPECT_EQ(c.ranges, 1);
    }
    const Counted blockCount = count(block, path, 4);
    EXPECT_EQ(blockCount.result.AreaCounts[1][TT_AREACOM], 3);
    EXPECT_EQ(blockCount.result.WordCounts, std::vector<qint32>{0});
    EXPECT_EQ(count(plain, path, 4).ranges, 4);
}

TEST(CountFileSplit, StopEndsEveryRangeOnce)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.cbl"));
    testutil::writeBytes(path, QByteArray("           PERFORM X.\r\n").repeated(400000));
    const QStringList stopped{u8("処理が中断されました！")};
    RecordingHost before; // the stop was asked for before the file
    before.stopAfterYields = 0;
    before.yields = 1;
    const Counted c = count(columnMode(), path, 4, before);
    EXPECT_EQ(c.outcome, CountOutcome::Cancelled);
    EXPECT_EQ(c.messages, stopped);
    EXPECT_EQ(c, count(columnMode(), path, 0, before));
    EXPECT_EQ(c.processedBytes, 100) << "a range went on after the stop";

    RecordingHost during;
    during.stopAfterYields = 3;
    const Counted d = count(columnMode(), path, 4, during);
    EXPECT_EQ(d.outcome, CountOutcome::Cancelled);
    EXPECT_EQ(d.messages, stopped);
    EXPECT_LT(d.processedBytes, count(columnMode(), path, 0).processedBytes);
}

TEST(CountFileSplit, FailedRangesReportAsTheWholeCount)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.cbl"));
    // Line 200001 is too long, in a range that starts after line 1.
    testutil::writeBytes(path, QByteArray("line\n").repeated(200000) +
                                   QByteArray(LineReader::kMaxLineLength + 1, 'x') + "\nend");
    const Counted whole = count(columnMode(), path, 0);
    EXPECT_TRUE(whole.error.contains(QStringLiteral("line 200001 is longer")))
        << whole.error.toStdString();
    EXPECT_EQ(count(columnMode(), path, 40), whole);

    testutil::writeBytes(path, "a\nb\nc\nd\n");
    ModeDefinition masks = columnMode();
    masks.MaskColumns = QStringLiteral("0-");
    ModeDefinition negative = columnMode();
    negative.CommentColumn = -1;
    for (const ModeDefinition& m : {masks, negative}) {
        const Counted c = count(m, path, 3);
        EXPECT_FALSE(c.error.isEmpty());
        EXPECT_EQ(c, count(m, path, 0));
    }
    const QString missing = dir.filePath(QStringLiteral("missing.cbl"));
    EXPECT_EQ(count(columnMode(), missing, 2).error, missing + QStringLiteral(": no such file"));
}

TEST(CountFileSplit, SumsFailAsACounterPassingItsLimit)
{
    FileCountResult total;
    total.WordCounts = {2'147'483'646};
    total.AreaCounts[1][TT_AREA] = 2'147'483'000;
    FileCountResult part;
    part.WordCounts = {1};
    part.AreaCounts[1][TT_AREA] = 647;
    AddCounts(total, part);
    EXPECT_EQ(total.AreaCounts[1][TT_AREA], 2'147'483'647);
    EXPECT_EQ(total.WordCounts[0], 2'147'483'647);
    part.AreaCounts[1][TT_AREA] = 0;
    try {
        AddCounts(total, part);
        ADD_FAILURE() << "no error";
    } catch (const CountError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("a line counter passed 2,147,483,647"));
    }
}
