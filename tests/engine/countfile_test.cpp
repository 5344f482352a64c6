#include "engine/countfile.h"

#include <sys/stat.h>

#include <QBuffer>

#include "support/recordinghost.h"
#include "support/modes.h"
#include "testutil.h"
#include "text/cp932.h"
#include "text/linereader.h"

using testutil::u8;

namespace {

struct Counted {
    FileCountResult result;
    CountOutcome outcome = CountOutcome::Completed;
    double processedBytes = 0;
};

Counted countBytes(const ModeDefinition& mode, const QByteArray& bytes, RunHost& host)
{
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    LineReader reader(buffer, 7); // a tiny block exercises lines across block ends
    Counted c;
    CountProgress progress;
    c.outcome = CountFile(CountRules(mode, AreaCount(mode)), reader, host, c.result, progress);
    c.processedBytes = progress.processedBytes;
    ComputeDerivedTotals(c.result, AreaCount(mode));
    return c;
}

Counted countText(const ModeDefinition& mode, const QString& text)
{
    RecordingHost host;
    return countBytes(mode, Cp932::encode(text), host);
}

// Counters of one area (or the totals) as {AREA, AREACOM, PICKUP, PICKUPCOM, NULLLINE}.
std::array<qint32, 5> perLine(const CounterSet& s)
{
    return {s[TT_AREA], s[TT_AREACOM], s[TT_PICKUP], s[TT_PICKUPCOM], s[TT_NULLLINE]};
}
using Five = std::array<qint32, 5>;

ModeDefinition workedExampleMode()
{
    ModeDefinition m = BareMode();
    m.StartWord[2] = QStringLiteral("int main*");
    m.CommentStart = QStringLiteral("/[*]*");
    m.CommentEnd = QStringLiteral("*[*]/*");
    m.CommentStartIsValid = 0;
    m.CommentSolo = QStringLiteral("//*");
    m.WordCount = QStringLiteral("*printf*");
    return m;
}

const QString kWorkedExample =
    QStringLiteral("#include <stdio.h>\r\n\r\n/* header\r\n   more */\r\n"
                   "int main(void)\r\n{\r\n    // say hi\r\n"
                   "    printf(msg);\r\n}\r\n");

} // namespace

TEST(CountFile, WorkedExample)
{
    const Counted c = countText(workedExampleMode(), kWorkedExample);
    const CounterSet& a1 = c.result.AreaCounts[1];
    const CounterSet& a2 = c.result.AreaCounts[2];
    EXPECT_EQ(perLine(a1), (Five{1, 2, 0, 0, 1}));
    EXPECT_EQ(a1[TT_AREATOTAL], 4);
    EXPECT_EQ(a1[TT_VALIDTOTAL], 1);
    EXPECT_EQ(a1[TT_COMTOTAL], 2);
    EXPECT_EQ(a1[TT_TOTAL], 4);
    EXPECT_EQ(perLine(a2), (Five{4, 1, 0, 0, 0}));
    EXPECT_EQ(a2[TT_AREATOTAL], 5);
    EXPECT_EQ(a2[TT_TOTAL], 5);
    const CounterSet& t = c.result.FileTotals;
    EXPECT_EQ(perLine(t), (Five{5, 3, 0, 0, 1}));
    EXPECT_EQ(t[TT_TOTAL], 9);
    EXPECT_EQ(t[TT_AREATOTAL], 9);
    EXPECT_EQ(t[TT_VALIDTOTAL], 5);
    EXPECT_EQ(t[TT_COMTOTAL], 3);
    EXPECT_EQ(t[TT_PICKUPTOTAL], 0);
    EXPECT_EQ(c.result.Words, QStringList{QStringLiteral("*printf*")});
    EXPECT_EQ(c.result.WordCounts, std::vector<qint32>{1});

    ModeDefinition tuned = workedExampleMode();
    tuned.Tuning[2] = -1;
    const Counted d = countText(tuned, kWorkedExample);
    EXPECT_EQ(d.result.AreaCounts[1][TT_AREA], 2);
    EXPECT_EQ(d.result.AreaCounts[1][TT_TOTAL], 5);
    EXPECT_EQ(d.result.AreaCounts[2][TT_AREA], 3);
    EXPECT_EQ(d.result.AreaCounts[2][TT_TOTAL], 4);
    EXPECT_EQ(d.result.FileTotals, c.result.FileTotals);
}

TEST(CountFile, BlankLines)
{
    ModeDefinition m = BareMode();
    EXPECT_EQ(perLine(countText(m, QStringLiteral("a\n\n   \n\t\nb")).result.FileTotals),
              (Five{3, 0, 0, 0, 2}));
    m.TABtoSpace = 1;
    EXPECT_EQ(perLine(countText(m, QStringLiteral("a\n\n   \n\t\nb")).result.FileTotals),
              (Five{2, 0, 0, 0, 3}));
    m.NullLineMode = 1; // blank lines are comments; the next line is valid again
    EXPECT_EQ(perLine(countText(m, QStringLiteral("a\n\nb\n")).result.FileTotals),
              (Five{2, 1, 0, 0, 0}));
    m.NullLineMode = 2;
    EXPECT_EQ(perLine(countText(m, QStringLiteral("a\n\nb\n")).result.FileTotals),
              (Five{3, 0, 0, 0, 0}));

    // A blank line inside a comment block.
    m.CommentStart = QStringLiteral("/[*]*");
    m.CommentEnd = QStringLiteral("*[*]/");
    const QString block = QStringLiteral("/*\n\n*/\n");
    m.NullLineMode = 0;
    EXPECT_EQ(perLine(countText(m, block).result.FileTotals), (Five{0, 2, 0, 0, 1}));
    m.NullLineMode = 1;
    EXPECT_EQ(perLine(countText(m, block).result.FileTotals), (Five{0, 3, 0, 0, 0}));
    m.NullLineMode = 2;
    EXPECT_EQ(perLine(countText(m, block).result.FileTotals), (Five{0, 3, 0, 0, 0}));
}

TEST(CountFile, AreaBoundaries)
{
    ModeDefinition m = BareMode();
    m.StartWord[2] = QStringLiteral("KEY*");
    m.StartAfter[2] = 1;
    Counted c = countText(m, QStringLiteral("a\nKEY\nKEY\nKEY\nb\nc\n"));
    EXPECT_EQ(c.result.AreaCounts[1][TT_AREA], 4);
    EXPECT_EQ(c.result.AreaCounts[2][TT_AREA], 2);

    // Both keywords on one line: AREA-2 only; AREA-3's keyword counts from the next line.
    m.StartAfter[2] = 0;
    m.StartWord[3] = QStringLiteral("*THREE*");
    c = countText(m, QStringLiteral("a\nKEY THREE\nb\nTHREE\nc\n"));
    EXPECT_EQ(c.result.AreaCounts[1][TT_AREA], 1);
    EXPECT_EQ(c.result.AreaCounts[2][TT_AREA], 2);
    EXPECT_EQ(c.result.AreaCounts[3][TT_AREA], 2);

    // Only StartWord[3]: the empty StartWord[2] matches the first blank line.
    m.StartWord[2].clear();
    c = countText(m, QStringLiteral("a\nTHREE\n\nb\nTHREE\nc\n"));
    EXPECT_EQ(perLine(c.result.AreaCounts[1]), (Five{2, 0, 0, 0, 0}));
    EXPECT_EQ(perLine(c.result.AreaCounts[2]), (Five{1, 0, 0, 0, 1}));
    EXPECT_EQ(perLine(c.result.AreaCounts[3]), (Five{2, 0, 0, 0, 0}));
}

TEST(CountFile, TuningMovesWholeAmountsWithinOneCounter)
{
    ModeDefinition m = BareMode();
    m.StartWord[2] = QStringLiteral("NEVER");
    m.CommentSolo = QStringLiteral("[*]*");
    m.Tuning[2] = 3;
    // Area 2 never starts; tuning applies anyway.
    Counted c = countText(m, QStringLiteral("a\nb\n*1\n*2\n*3\n*4\n*5\n"));
    EXPECT_EQ(perLine(c.result.AreaCounts[1]), (Five{2, 2, 0, 0, 0}));
    EXPECT_EQ(perLine(c.result.AreaCounts[2]), (Five{0, 3, 0, 0, 0}));
    c = countText(m, QStringLiteral("a\nb\n*1\n*2\n\n\n\n"));
    EXPECT_EQ(perLine(c.result.AreaCounts[1]), (Five{2, 2, 0, 0, 3}));
    EXPECT_EQ(perLine(c.result.AreaCounts[2]), (Five{0, 0, 0, 0, 0}));
}

TEST(CountFile, PickupRegions)
{
    ModeDefinition m = BareMode();
    m.PickupStart = QStringLiteral("EXEC SQL*");
    m.PickupEnd = QStringLiteral("*END-EXEC*");
    QString text;
    for (int i = 1; i <= 25; ++i)
        text += i == 10 ? QStringLiteral("EXEC SQL\n")
                        : (i == 20 ? QStringLiteral("END-EXEC.\n") : QStringLiteral("x\n"));
    EXPECT_EQ(perLine(countText(m, text).result.FileTotals), (Five{16, 0, 9, 0, 0}));
    m.PickupToPickup = 1;
    EXPECT_EQ(perLine(countText(m, text).result.FileTotals), (Five{14, 0, 11, 0, 0}));

    // An end line outside a region counts as pickup with PickupToPickup 1.
    EXPECT_EQ(perLine(countText(m, QStringLiteral("a\nEND-EXEC\nb\n")).result.FileTotals),
              (Five{2, 0, 1, 0, 0}));
    // Without an end keyword a region runs to the end; comments inside count as pickup comments.
    m.PickupEnd.clear();
    m.CommentSolo = QStringLiteral("--*");
    EXPECT_EQ(
        perLine(countText(m, QStringLiteral("a\nEXEC SQL\n-- c\nEND-EXEC\n")).result.FileTotals),
        (Five{1, 0, 2, 1, 0}));
}

TEST(CountFile, CommentBlocksAndSoloLines)
{
    ModeDefinition m = BareMode();
    m.CommentStart = QStringLiteral("*/[*]*");
    m.CommentEnd = QStringLiteral("*[*]/*");
    m.CommentStartIsValid = 1;
    // Leading-asterisk rule: code before "/*" keeps the line valid, the block still opens.
    Counted c = countText(m, QStringLiteral("x = 1; /* note\ninside\n*/\n  /* note */\ny\n"));
    EXPECT_EQ(perLine(c.result.FileTotals), (Five{2, 3, 0, 0, 0}));
    m.CommentStartIsValid = 0;
    c = countText(m, QStringLiteral("x = 1; /* note\ninside\n*/\n"));
    EXPECT_EQ(perLine(c.result.FileTotals), (Five{0, 3, 0, 0, 0}));

    // An end keyword outside a block does nothing; without an end keyword a block never ends.
    c = countText(m, QStringLiteral("a */\nb\n"));
    EXPECT_EQ(perLine(c.result.FileTotals), (Five{2, 0, 0, 0, 0}));
    m.CommentEnd.clear();
    c = countText(m, QStringLiteral("a\n/*\nb */\nc\n"));
    EXPECT_EQ(perLine(c.result.FileTotals), (Five{1, 3, 0, 0, 0}));

    // Fixed-format COBOL: "*" or "/" in column 7; a double-byte character counts as one column.
    ModeDefinition cobol = BareMode();
    cobol.CommentSolo = QStringLiteral("[*/]");
    cobol.CommentColumn = 7;
    cobol.CommentLength = 1;
    cobol.WordCount = QStringLiteral("*MOVE*");
    c = countText(cobol,
                  u8("000100* コメント MOVE\n漢字漢字漢字*x\n      /\n       MOVE A TO B.\nab\n"));
    EXPECT_EQ(perLine(c.result.FileTotals), (Five{2, 3, 0, 0, 0}));
    EXPECT_EQ(c.result.WordCounts, std::vector<qint32>{1});
}

TEST(CountFile, WordsCountLinesNotOccurrences)
{
    ModeDefinition m = BareMode();
    m.WordCount = QStringLiteral("*PERFORM*,*perform*,,*CALL*");
    m.CommentSolo = QStringLiteral("[*]*");
    const Counted c = countText(m, QStringLiteral("PERFORM A PERFORM B\ncall x\n\n* PERFORM\n"));
    EXPECT_EQ(c.result.Words.size(), 4);
    EXPECT_EQ(c.result.WordCounts, (std::vector<qint32>{1, 1, 1, 1}));
    m.BinaryComp = 1;
    EXPECT_EQ(countText(m, QStringLiteral("PERFORM A\ncall x\n")).result.WordCounts,
              (std::vector<qint32>{1, 0, 0, 0}));
}

TEST(CountFile, LineEndsAndProcessedBytes)
{
    const ModeDefinition m = BareMode();
    struct Case {
        QByteArray bytes;
        qint32 lines;
    };
    for (const Case& k :
         {Case{"", 0}, Case{"a", 1}, Case{"a\r\nb\r\n", 2}, Case{"a\rb\r", 2}, Case{"a\nb\n", 2},
          Case{"a\r\n\nb\r", 3}, Case{"a\r", 1}, Case{"a\n\r\n", 2}}) {
        RecordingHost host;
        const Counted c = countBytes(m, k.bytes, host);
        EXPECT_EQ(c.result.FileTotals[TT_TOTAL], k.lines) << k.bytes.toStdString();
    }
    RecordingHost host;
    // Byte lengths in CP932: "あ" is 2 bytes; every line adds 2 for its end.
    EXPECT_EQ(countBytes(m, "\x82\xa0x\nyz", host).processedBytes, 3 + 2 + 2 + 2);
}

TEST(CountFile, StopsBeforeTheNextLineWithoutTuning)
{
    ModeDefinition m = BareMode();
    m.StartWord[2] = QStringLiteral("NEVER");
    m.Tuning[2] = 1;
    QByteArray text;
    for (int i = 0; i < 45; ++i)
        text += "line\n";
    RecordingHost host;
    host.stopAfterYields = 10;
    const Counted c = countBytes(m, text, host);
    EXPECT_EQ(c.outcome, CountOutcome::Cancelled);
    EXPECT_EQ(host.messages, QStringList{u8("処理が中断されました！")});
    EXPECT_EQ(c.result.AreaCounts[1][TT_AREA], 10);
    EXPECT_EQ(c.result.AreaCounts[2][TT_AREA], 0);

    RecordingHost full;
    countBytes(m, text, full);
    EXPECT_EQ(full.yields, 46); // once before every line and once before the end
    EXPECT_EQ(full.progressCalls, (std::vector<double>{20 * 6, 40 * 6}));
}

// A host that gives its stop flag is asked through it alone; set at the first progress (the
// end of the reader's block after line 20), it stops the count before the next line, whichever
// way the lines are counted.
TEST(CountFile, StopFlagStopsBeforeTheNextLine)
{
    class FlagHost final : public RunHost {
    public:
        void yield() override { ++calls; }
        bool cancelled() const override { return ++calls, flag.load(); }
        const std::atomic<bool>* stopFlag() const override { return &flag; }
        void progress(double processed, double) override
        {
            if (!flag.exchange(true))
                stoppedAt = processed;
        }
        mutable int calls = 0;
        std::atomic<bool> flag{false};
        double stoppedAt = 0;
    };
    ModeDefinition keyed = BareMode();
    keyed.WordCount = QStringLiteral("*CALL*");
    for (const ModeDefinition& m : {BareMode(), keyed}) {
        for (const QByteArray& line :
             {QByteArray("       MOVE A TO B.\r\n"), QByteArray("      * \x82\xa0\n"),
              QByteArray("       CALL 'X'.\n")}) {
            QByteArray data = line.repeated(45);
            QBuffer buffer(&data);
            buffer.open(QIODevice::ReadOnly);
            LineReader reader(buffer, 64);
            FlagHost host;
            FileCountResult result;
            CountProgress progress;
            EXPECT_EQ(CountFile(CountRules(m, AreaCount(m)), reader, host, result, progress),
                      CountOutcome::Cancelled);
            // Progress counts two bytes for each line's end.
            const qsizetype told = line.size() - (line.endsWith("\r\n") ? 2 : 1) + 2;
            const qint32 counted = result.AreaCounts[1][TT_AREA];
            EXPECT_EQ(counted, host.stoppedAt / double(told)) << line.data();
            EXPECT_GE(counted, 20);
            EXPECT_LT(counted, 45);
            EXPECT_EQ(host.calls, 0);
        }
    }
}

TEST(CountFile, ErrorsNameTheFileAndTheCause)
{
    RecordingHost host;
    FileCountResult result;
    CountProgress progress;
    ModeDefinition m = BareMode();
    m.WordCount = QStringLiteral("ok*,[z-a]");
    QTemporaryDir dir;
    const QString empty = dir.filePath(QStringLiteral("empty.cbl"));
    testutil::writeBytes(empty, "");
    auto errorOf = [&](const ModeDefinition& mode, const QString& path) {
        try {
            CountFile(CountRules(mode, AreaCount(mode)), path, host, result, progress);
        } catch (const CountError& e) {
            return e.message();
        }
        return QString();
    };
    EXPECT_EQ(errorOf(m, empty), empty + QStringLiteral(": invalid keyword pattern: [z-a]"));
    m.WordCount = u'*' + QString(KeywordPattern::kMaxLength, u'a');
    EXPECT_EQ(errorOf(m, empty), empty + QStringLiteral(": invalid keyword pattern: *") +
                                     QString(39, u'a') +
                                     QStringLiteral("... (4097 characters; at most 4096)"));

    m = BareMode();
    m.CommentSolo = QStringLiteral("*");
    m.CommentColumn = -1;
    EXPECT_EQ(errorOf(m, empty), QString()); // no line, no solo test
    testutil::writeBytes(empty, "x\n");
    EXPECT_TRUE(errorOf(m, empty).contains(QStringLiteral("negative")));

    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(errorOf(BareMode(), fifo), fifo + QStringLiteral(": not a regular file"));
    EXPECT_EQ(errorOf(BareMode(), dir.path()),
              dir.path() + QStringLiteral(": is a folder, not a file"));
    const QString missing = dir.filePath(QStringLiteral("missing.cbl"));
    EXPECT_EQ(errorOf(BareMode(), missing), missing + QStringLiteral(": no such file"));
}

TEST(DerivedTotals, OverflowLeavesTheTargetAndASecondCallChangesNothing)
{
    FileCountResult r;
    r.AreaCounts[1][TT_AREA] = 2'000'000'000;
    r.AreaCounts[1][TT_AREACOM] = 1;
    r.AreaCounts[2][TT_AREA] = 2'000'000'000;
    r.AreaCounts[2][TT_NULLLINE] = 5;
    ComputeDerivedTotals(r, 2);
    const FileCountResult once = r;
    EXPECT_EQ(r.AreaCounts[1][TT_TOTAL], 2'000'000'001);
    EXPECT_EQ(r.FileTotals[TT_AREA], 2'000'000'000); // the second area's addition is skipped
    EXPECT_EQ(r.FileTotals[TT_NULLLINE], 5);
    ComputeDerivedTotals(r, 2);
    EXPECT_EQ(r, once);
}
