#include <random>

#include <QBuffer>
#include <QTemporaryDir>

#include "diff/stepdiff.h"
#include "diff/treediff.h"
#include "support/modes.h"
#include "support/recordinghost.h"
#include "testutil.h"
#include "text/cp932.h"
#include "text/linereader.h"

namespace {

StepText lines(std::initializer_list<const char*> texts)
{
    StepText out;
    for (const char* t : texts)
        out.append(QString::fromUtf8(t));
    return out;
}

void expectInvariants(const StepDelta& d, qsizetype oldSize, qsizetype newSize)
{
    EXPECT_EQ(d.unchanged + d.changed + d.deleted, oldSize);
    EXPECT_EQ(d.unchanged + d.changed + d.added, newSize);
    EXPECT_GE(d.unchanged, 0);
}

// The fixed-format COBOL of the sample mode: sequence columns masked, "*" in column 7 a comment.
ModeDefinition cobolMode()
{
    ModeDefinition m = BareMode();
    m.MaskColumns = QStringLiteral("1-6,73-");
    m.CommentSolo = QStringLiteral("[*/]");
    m.CommentColumn = 7;
    m.CommentLength = 1;
    m.TABtoSpace = 1;
    return m;
}

// Counts `text` as a CP932 file under `mode`, every line handed to `sink`.
FileCountResult countInto(const ModeDefinition& mode, const QString& text, LineSink& sink)
{
    QByteArray data = Cp932::encode(text);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    LineReader reader(buffer);
    RecordingHost host;
    FileCountResult result;
    CountProgress progress;
    CountFile(CountRules(mode, AreaCount(mode)), reader, host, result, progress,
              SourceEncoding::Cp932, &sink);
    return result;
}

QStringList stepsOf(const ModeDefinition& mode, const QString& text)
{
    StepCollector steps;
    countInto(mode, text, steps);
    return steps.steps().lines();
}

} // namespace

TEST(StepDiff, ChangesAddsAndDeletesPerHunk)
{
    const StepText base = lines({"a", "b", "c", "d", "e"});
    struct Case {
        StepText newSteps;
        qint64 added, changed, deleted;
    } cases[] = {
        {lines({"a", "b", "C", "d", "e"}), 0, 1, 0},           // one changed line
        {lines({"a", "b", "x", "y", "c", "d", "e"}), 2, 0, 0}, // an inserted block
        {lines({"a", "e"}), 0, 0, 3},                          // a deleted block
        {lines({"a", "1", "2", "3", "4", "5", "e"}), 2, 3, 0}, // 3 old, 5 new: 3 + 2
        {lines({"x", "b", "c", "d", "y", "z"}), 1, 2, 0},      // two hunks
        {lines({}), 0, 0, 5},                                  // all gone
        {base, 0, 0, 0},                                       // the same
    };
    for (const Case& c : cases) {
        const StepDelta d = DiffSteps(base, c.newSteps);
        EXPECT_EQ(d.added, c.added) << c.newSteps.text.constData();
        EXPECT_EQ(d.changed, c.changed) << c.newSteps.text.constData();
        EXPECT_EQ(d.deleted, c.deleted) << c.newSteps.text.constData();
        expectInvariants(d, base.count, c.newSteps.count);
    }
    const StepDelta fromNothing = DiffSteps(StepText{}, base);
    EXPECT_EQ(fromNothing.added, 5);
    ASSERT_EQ(fromNothing.hunks.size(), size_t(1));
    EXPECT_EQ(fromNothing.hunks[0].newStart, 0);
    EXPECT_EQ(fromNothing.hunks[0].newCount, 5);
}

TEST(StepDiff, HunksLocateTheStepsOnBothSides)
{
    const StepDelta d = DiffSteps(lines({"a", "b", "c", "d"}), lines({"a", "B", "c", "d", "e"}));
    ASSERT_EQ(d.hunks.size(), size_t(2));
    EXPECT_EQ(d.hunks[0].oldStart, 1);
    EXPECT_EQ(d.hunks[0].oldCount, 1);
    EXPECT_EQ(d.hunks[0].newStart, 1);
    EXPECT_EQ(d.hunks[0].newCount, 1);
    EXPECT_EQ(d.hunks[1].oldStart, 4);
    EXPECT_EQ(d.hunks[1].oldCount, 0);
    EXPECT_EQ(d.hunks[1].newStart, 4);
    EXPECT_EQ(d.hunks[1].newCount, 1);
}

TEST(StepDiff, UnchangedStepsAreALongestCommonSubsequence)
{
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        std::uniform_int_distribution<int> length(0, 30);
        std::uniform_int_distribution<int> letter(0, 3);
        QStringList a, b;
        for (int i = length(random); i > 0; --i)
            a << QString(QChar(u'a' + letter(random)));
        for (int i = length(random); i > 0; --i)
            b << QString(QChar(u'a' + letter(random)));
        // Longest common subsequence by dynamic programming.
        std::vector<std::vector<int>> lcs(size_t(a.size()) + 1,
                                          std::vector<int>(size_t(b.size()) + 1));
        for (qsizetype i = a.size() - 1; i >= 0; --i) {
            for (qsizetype j = b.size() - 1; j >= 0; --j) {
                lcs[i][j] =
                    a[i] == b[j] ? lcs[i + 1][j + 1] + 1 : std::max(lcs[i + 1][j], lcs[i][j + 1]);
            }
        }
        const StepDelta d = DiffSteps(StepText::fromLines(a), StepText::fromLines(b));
        ASSERT_EQ(d.unchanged, lcs[0][0])
            << a.join(u"").toStdString() << " / " << b.join(u"").toStdString();
        expectInvariants(d, a.size(), b.size());
    }
}

TEST(StepDiff, StepsLeaveOutCommentsBlanksSequenceColumnsAndTrailingBlanks)
{
    const auto card = [](const char* sequence, const char* text, const char* tag) {
        return (QLatin1StringView(sequence) + QLatin1StringView(text)).leftJustified(72) +
               QLatin1StringView(tag) + QStringLiteral("\r\n");
    };
    const QString before = card("000100", " IDENTIFICATION DIVISION.", "OLD00001") +
                           card("000200", "* a comment", "") + QStringLiteral("\r\n") +
                           QStringLiteral("000300     MOVE A TO B.   \r\n");
    const QString after = card("000110", " IDENTIFICATION DIVISION.", "NEW00001") +
                          card("000210", "* the comment, reworded", "") +
                          QStringLiteral("000310     MOVE A TO B.\r\n");
    const QStringList oldSteps = stepsOf(cobolMode(), before);
    EXPECT_EQ(oldSteps, (QStringList{QStringLiteral("       IDENTIFICATION DIVISION."),
                                     QStringLiteral("           MOVE A TO B.")}));
    const StepDelta d =
        DiffSteps(StepText::fromLines(oldSteps), StepText::fromLines(stepsOf(cobolMode(), after)));
    EXPECT_TRUE(d.hunks.empty());
    EXPECT_EQ(d.unchanged, 2);
}

TEST(StepDiff, TenThousandShuffledLinesStayMinimal)
{
    QStringList a;
    for (int i = 0; i < 10000; ++i)
        a << QStringLiteral("       MOVE %1 TO X.").arg(i);
    QStringList b = a;
    std::shuffle(b.begin(), b.end(), std::mt19937(1));
    const StepDelta d = DiffSteps(StepText::fromLines(a), StepText::fromLines(b));
    expectInvariants(d, a.size(), b.size());
    EXPECT_EQ(d.added, d.deleted);
    EXPECT_GT(d.unchanged, 100); // a shuffle keeps an increasing run of about 2 * sqrt(n)
}

namespace {

struct Trees {
    QTemporaryDir dir;
    QString oldRoot = dir.filePath(QStringLiteral("old"));
    QString newRoot = dir.filePath(QStringLiteral("new"));
    std::vector<QByteArray> oldFiles;
    std::vector<QByteArray> newFiles;

    void add(bool old, const char* name, const QByteArray& content)
    {
        const QString root = old ? oldRoot : newRoot;
        QDir().mkpath(root);
        testutil::writeBytes(root + u'/' + QLatin1StringView(name), content);
        (old ? oldFiles : newFiles).push_back(QFile::encodeName(root) + '/' + name);
    }

    TreeDiff diff(int jobs = 1)
    {
        RecordingHost host;
        const ModeDefinition mode = cobolMode();
        return DiffTrees(CountRules(mode, AreaCount(mode)), FolderTree(oldRoot, oldFiles),
                         FolderTree(newRoot, newFiles), {jobs, true}, host);
    }
};

} // namespace

TEST(TreeDiff, PairsFilesByPathAndContainsFailures)
{
    Trees t;
    t.add(true, "gone.cbl", "       A.\n       B.\n");
    t.add(false, "new.cbl", "       C.\n");
    t.add(true, "same.cbl", "       A.\r\n       B.\r\n");
    t.add(false, "same.cbl", "       A.\n       B.\n"); // line ends are not steps
    t.add(true, "edit.cbl", "       A.\n       B.\n       C.\n");
    t.add(false, "edit.cbl", "       A.\n       X.\n       Y.\n       C.\n");
    t.add(true, "bin.cbl", "       A.\n");
    t.add(false, "bin.cbl",
          QByteArray("\x7F"
                     "ELF\0\0\0",
                     7));

    for (int jobs : {1, 3}) {
        const TreeDiff d = t.diff(jobs);
        ASSERT_EQ(d.files.size(), size_t(5));
        EXPECT_EQ(d.files[0].path, QByteArray("bin.cbl"));
        EXPECT_EQ(d.files[0].status, DiffStatus::Failed);
        EXPECT_TRUE(d.files[0].error.endsWith(QStringLiteral("bin.cbl: binary file, not counted")))
            << d.files[0].error.toStdString();
        EXPECT_EQ(d.files[1].status, DiffStatus::Modified);
        EXPECT_EQ(d.files[1].delta.changed, 1);
        EXPECT_EQ(d.files[1].delta.added, 1);
        EXPECT_EQ(d.files[1].newStepTexts.count, 4);
        EXPECT_EQ(d.files[1].newStepTexts.lines().at(2), QStringLiteral("       Y."));
        EXPECT_EQ(d.files[2].status, DiffStatus::Deleted);
        EXPECT_EQ(d.files[2].delta.deleted, 2);
        EXPECT_EQ(d.files[3].status, DiffStatus::Added);
        EXPECT_EQ(d.files[3].delta.added, 1);
        EXPECT_EQ(d.files[4].status, DiffStatus::Unchanged);
        EXPECT_EQ(d.totals.files, 5);
        EXPECT_EQ(d.totals.failedFiles, 1);
        EXPECT_EQ(d.totals.oldSteps, 2 + 3 + 2);
        EXPECT_EQ(d.totals.newSteps, 1 + 4 + 2);
        EXPECT_EQ(d.totals.unchanged + d.totals.changed + d.totals.deleted, d.totals.oldSteps);
        EXPECT_EQ(d.totals.unchanged + d.totals.changed + d.totals.added, d.totals.newSteps);
    }
}

namespace {

// The steps as the general path gives them: a sink that takes UTF-16 lines only.
class Utf16Steps final : public LineSink {
public:
    void line(int, Counter counter, QStringView text) override
    {
        if (counter == TT_AREA || counter == TT_PICKUP)
            steps << ComparisonText(text).toString();
    }
    QStringList steps;
};

} // namespace

TEST(StepDiff, AsciiLinesGiveTheSameStepsOnTheFastPath)
{
    std::mt19937 random(11);
    const char* const pieces[] = {"000100",       " ",       "  ", "\t",   "*",    "/",
                                  "MOVE A TO B.", "PERFORM", "x",  "顧客", "  \t", "END-EXEC",
                                  "EXEC SQL",     "12345678"};
    std::uniform_int_distribution<size_t> piece(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> count(0, 14);
    for (int round = 0; round < 200; ++round) {
        ModeDefinition mode = cobolMode();
        mode.TABtoSpace = qint16(round % 2);
        mode.MaskColumns = round % 3 == 0 ? QString() : QStringLiteral("1-6,20-22,40-");
        mode.BinaryComp = qint16(round % 5 == 0);
        mode.PickupStart = QStringLiteral("EXEC SQL*");
        mode.PickupEnd = QStringLiteral("*END-EXEC*");
        QString text;
        for (int l = 0; l < 30; ++l) {
            for (int p = count(random); p > 0; --p)
                text += QString::fromUtf8(pieces[piece(random)]);
            text += QStringLiteral("\r\n");
        }
        StepCollector fast;
        Utf16Steps general;
        ASSERT_EQ(countInto(mode, text, fast), countInto(mode, text, general))
            << text.toStdString();
        ASSERT_EQ(fast.steps().lines(), general.steps) << text.toStdString();
    }
}
