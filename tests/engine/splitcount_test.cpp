// Counting a file in byte ranges on several threads against counting it whole: the same
// counters, word counts, encoding, progress, outcome and errors.

#include "engine/splitcount.h"

#include <random>
#include <tuple>

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
    int ranges = 0; // not compared
    bool operator==(const Counted& o) const
    {
        return std::tie(result, outcome, processedBytes, error, messages) ==
               std::tie(o.result, o.outcome, o.processedBytes, o.error, o.messages);
    }
};

void PrintTo(const Counted& c, std::ostream* os)
{
    *os << "AREA " << c.result.AreaCounts[1][TT_AREA] << ", bytes " << c.processedBytes << ", "
        << c.error.toStdString();
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

TEST(CountFileSplit, CountsAsWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.cbl"));
    // Edge cases first (a BOM, CR LF runs, CP932 text, no last line end), then random files.
    const std::vector<QByteArray> fixed{"",
                                        "\n",
                                        "x",
                                        "\xEF\xBB\xBF\n\nx",
                                        "a\r\n\r\n\n\rb\r\r\nc\n\r\n*\r\n",
                                        "\r\n\r\n\r\n\r\n",
                                        "\x8c\xda\x8b\x71\r\n\x8c\xda\r\n      *\r\n\t\nPERFORM"};
    std::mt19937 random(7);
    int split = 0;
    for (int round = 0; round < 50; ++round) {
        const size_t k = size_t(round);
        testutil::writeBytes(path, k < fixed.size() ? fixed[k] : randomFile(random, round % 2));
        ModeDefinition m = columnMode(round % 5 == 4 ? "euc-jp" : "");
        m.NullLineMode = qint16(round % 3);
        m.BinaryComp = qint16(round % 4 == 0);
        if (round % 3 == 0) {
            m.CommentColumn = 0;
            m.CommentSolo = QStringLiteral("[*/]*");
            m.MaskColumns.clear();
        }
        const Counted whole = count(m, path, 0);
        for (int threads : {2, 3, 5, 12}) {
            const Counted c = count(m, path, threads);
            EXPECT_EQ(c, whole) << "round " << round << ", " << threads << " threads";
            split += c.ranges > 1;
        }
    }
    EXPECT_GT(split, 150);
}

TEST(CountFileSplit, CountsWholeWhenLinesDependOnEarlierLines)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.cbl"));
    testutil::writeBytes(path, "/*\nPERFORM\n*/\nEXEC SQL\nx\nEND-EXEC\nPROCEDURE\ny\n");
    ModeDefinition plain = BareMode();
    plain.WordCount = QStringLiteral("*PERFORM*");
    ModeDefinition pickup = plain, block = plain, areas = plain, utf16 = plain;
    pickup.PickupStart = QStringLiteral("EXEC SQL*");
    block.CommentStart = QStringLiteral("/[*]*");
    block.CommentEnd = QStringLiteral("*[*]/*");
    areas.StartWord[2] = QStringLiteral("PROCEDURE*");
    utf16.Encoding = QStringLiteral("utf-16le");
    for (const ModeDefinition& m : {pickup, block, areas, utf16}) {
        const Counted c = count(m, path, 4);
        EXPECT_EQ(c, count(m, path, 0));
        EXPECT_EQ(c.ranges, 1);
    }
    EXPECT_EQ(count(block, path, 4).result.AreaCounts[1][TT_AREACOM], 3);
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

    // Every range fails as it starts.
    testutil::writeBytes(path, "a\nb\nc\nd\n");
    ModeDefinition masks = columnMode();
    masks.MaskColumns = QStringLiteral("0-");
    EXPECT_EQ(count(masks, path, 3), count(masks, path, 0));
    EXPECT_EQ(count(masks, path, 0).error, path + QStringLiteral(": invalid mask columns: 0-"));
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
    part.AreaCounts[1][TT_AREA] = 0;
    try {
        AddCounts(total, part); // the word count passes the limit
        ADD_FAILURE() << "no error";
    } catch (const CountError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("a line counter passed 2,147,483,647"));
    }
}
