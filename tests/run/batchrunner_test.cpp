#include "run/batchrunner.h"

#include <algorithm>
#include <thread>

#include <unistd.h>

#include <QDir>

#include "support/recordinghost.h"
#include "support/outputs.h"
#include "testutil.h"
#include "text/linereader.h"
#include "text/sourceencoding.h"

using testutil::readBytes;
using testutil::u8;
using testutil::writeBytes;

namespace {

class BatchRunnerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_src = AddSep(m_dir.filePath(QStringLiteral("src")));
        m_out = AddSep(m_dir.filePath(QStringLiteral("out")));
        QDir().mkpath(m_src);
        QDir().mkpath(m_out);
        writeBytes(m_src + QStringLiteral("A.CBL"), "       MOVE A TO B.\r\n      * c\r\n");
        writeBytes(m_src + QStringLiteral("B.CBL"), "       PERFORM X.\r\n\r\n");
        writeBytes(m_src + QStringLiteral("C.CBL"), "       CALL 'Y'.\r\n");
        m_mode.StartWord[1] = QStringLiteral("*");
        m_mode.ModeName = QStringLiteral("TEST");
        m_mode.CommentSolo = QStringLiteral("[*]");
        m_mode.CommentColumn = 7;
        m_mode.CommentLength = 1;
        m_settings.outDir = m_out;
        m_settings.programFolder = m_dir.path(); // no templates there
        m_settings.locale = QLocale(QLocale::Japanese, QLocale::Japan);
        m_settings.clock = [] { return QDateTime(QDate(2026, 12, 6), QTime(15, 30, 5)); };
        m_request.ProcessMode = 1;
    }
    static QString AddSep(const QString& p) { return p + u'/'; }

    std::vector<BatchFile> files(const QStringList& names) const
    {
        std::vector<BatchFile> f;
        for (const QString& n : names)
            f.push_back({m_src, n});
        return f;
    }
    void run(const QStringList& names)
    {
        BatchRunner runner(m_request, m_outputs, m_host);
        runner.run(files(names), m_mode, m_settings);
        m_outcomes = runner.outcomes();
    }

    QTemporaryDir m_dir;
    QString m_src;
    QString m_out;
    ModeDefinition m_mode;
    BatchSettings m_settings;
    RunRequest m_request;
    OutputList m_outputs;
    RecordingHost m_host;
    std::vector<FileOutcome> m_outcomes;
};

} // namespace

TEST_F(BatchRunnerTest, PerFileReportsAndAFailedFileInTheMiddle)
{
    run({QStringLiteral("A.CBL"), QStringLiteral("GONE.CBL"), QStringLiteral("C.CBL")});
    EXPECT_EQ(EntryTexts(m_outputs), (QStringList{QStringLiteral("(1) A_CBL_QVX.txt"),
                                                  QStringLiteral("(2) C_CBL_QVX.txt")}));
    EXPECT_EQ(m_request.OutputPaths[2], m_out + QStringLiteral("C_CBL_QVX.txt"));
    EXPECT_TRUE(QFileInfo::exists(m_out + QStringLiteral("A_CBL_QVX.txt")));
    ASSERT_EQ(m_host.errors.size(), 1);
    EXPECT_EQ(m_host.errors[0], u8("予期せぬエラーが発生しました  処理を中止します\r\n( ") + m_src +
                                    QStringLiteral("GONE.CBL: no such file )"));
    EXPECT_EQ(m_outcomes[1].state, FileOutcome::State::Failed);
    EXPECT_EQ(m_outcomes[0].result.FileTotals[TT_TOTAL], 2);
    EXPECT_EQ(m_host.files,
              (QStringList{QStringLiteral("1 / 3 A.CBL"), QStringLiteral("2 / 3 GONE.CBL"),
                           QStringLiteral("3 / 3 C.CBL")}));
    EXPECT_FALSE(m_request.Cancelled);

    // A second run continues the numbering after a separator.
    run({QStringLiteral("B.CBL")});
    EXPECT_EQ(EntryTexts(m_outputs).mid(2),
              (QStringList{QString(50, u'-'), QStringLiteral("(3) B_CBL_QVX.txt")}));
}

TEST_F(BatchRunnerTest, JoinedRunListsTheCsvOnce)
{
    m_settings.outputType = OutputType::Joined;
    run({QStringLiteral("A.CBL"), QStringLiteral("B.CBL"), QStringLiteral("C.CBL")});
    EXPECT_EQ(EntryTexts(m_outputs), QStringList{QStringLiteral("(1) QVX12061530.csv (3 Files)")});
    const QByteArray csv = readBytes(m_out + QStringLiteral("QVX12061530.csv"));
    EXPECT_EQ(csv.count("\r\n"), 4); // header and three rows
    EXPECT_TRUE(csv.contains(",\"A.CBL\","));
}

TEST_F(BatchRunnerTest, JoinedRunsInOneMinuteEachKeepTheirOwnCsv)
{
    m_settings.outputType = OutputType::Joined;
    run({QStringLiteral("A.CBL"), QStringLiteral("B.CBL")});
    run({QStringLiteral("C.CBL")});
    EXPECT_EQ(EntryTexts(m_outputs),
              (QStringList{QStringLiteral("(1) QVX12061530.csv (2 Files)"), QString(50, u'-'),
                           QStringLiteral("(2) QVX12061530_2.csv (1 Files)")}));
    EXPECT_EQ(m_request.OutputPaths[2], m_out + QStringLiteral("QVX12061530_2.csv"));
    const QByteArray first = readBytes(m_out + QStringLiteral("QVX12061530.csv"));
    const QByteArray second = readBytes(m_out + QStringLiteral("QVX12061530_2.csv"));
    EXPECT_EQ(first.count("\r\n"), 3);
    EXPECT_TRUE(first.contains(",\"B.CBL\","));
    EXPECT_EQ(second.count("\r\n"), 2);
    EXPECT_TRUE(second.contains(",\"C.CBL\","));
}

TEST_F(BatchRunnerTest, CsvThatCannotBeWrittenLeavesNoEmptyCsvBehind)
{
    m_settings.outputType = OutputType::Joined;
    {
        const testutil::FileSizeLimit full(8); // the header does not fit, as on a full disk
        run({QStringLiteral("A.CBL")});
    }
    EXPECT_EQ(m_outcomes[0].state, FileOutcome::State::Failed);
    EXPECT_TRUE(m_outcomes[0].error.startsWith(m_out + QStringLiteral("QVX12061530.csv")))
        << m_outcomes[0].error.toStdString();
    EXPECT_TRUE(EntryTexts(m_outputs).isEmpty());
    EXPECT_TRUE(QDir(m_out).entryList(QDir::Files | QDir::Hidden).isEmpty());

    m_settings.outDir = m_dir.filePath(QStringLiteral("missing/"));
    run({QStringLiteral("A.CBL")});
    EXPECT_TRUE(
        m_outcomes[0].error.startsWith(m_settings.outDir + QStringLiteral("QVX12061530.csv: ")))
        << m_outcomes[0].error.toStdString();
}

TEST_F(BatchRunnerTest, TemplateMissingBesideTheSettingsIsTakenFromTheShareFolder)
{
    const QString share = m_dir.filePath(QStringLiteral("share"));
    QDir().mkpath(share);
    writeBytes(share + QStringLiteral("/TESTqvx.csv"),
               "SHARED,<WC@filename>\r\nrow,<WC@filename>\r\n");
    m_settings.shareFolder = share;
    m_settings.outputType = OutputType::Joined;
    run({QStringLiteral("A.CBL")});
    EXPECT_EQ(readBytes(m_out + QStringLiteral("QVX12061530.csv")),
              QByteArray("SHARED,<WC@filename>\r\nrow,A.CBL\r\n"));

    // One beside the settings comes first.
    writeBytes(m_dir.filePath(QStringLiteral("TESTqvx.csv")), "OWN\r\nown,<WC@filename>\r\n");
    run({QStringLiteral("B.CBL")});
    EXPECT_EQ(readBytes(m_out + QStringLiteral("QVX12061530_2.csv")),
              QByteArray("OWN\r\nown,B.CBL\r\n"));
}

// Thousands of runs in one minute, from two threads at once as from two processes: every run
// gets a CSV of its own.
TEST(SummaryCsvName, ManyClaimsInOneMinuteNeverShareAName)
{
    QTemporaryDir dir;
    const QString out = dir.path() + u'/';
    const QDateTime start(QDate(2026, 12, 6), QTime(15, 30, 5));
    constexpr int kPerThread = 5000;
    QStringList names[2];
    auto claim = [&](QStringList& into) {
        for (int i = 0; i < kPerThread; ++i) {
            QString error;
            into << ClaimSummaryCsvName(out, start, &error);
            if (into.back().isEmpty())
                ADD_FAILURE() << error.toStdString();
        }
    };
    std::thread other(claim, std::ref(names[1]));
    claim(names[0]);
    other.join();
    QStringList all = names[0] + names[1];
    all.sort();
    all.removeDuplicates();
    ASSERT_EQ(all.size(), 2 * kPerThread);
    EXPECT_TRUE(all.contains(QStringLiteral("QVX12061530.csv")));
    EXPECT_TRUE(all.contains(QStringLiteral("QVX12061530_%1.csv").arg(2 * kPerThread)));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2 * kPerThread);
}

TEST(SummaryCsvName, TakesTheNextNumberAfterAnyFileAtTheName)
{
    QTemporaryDir dir;
    const QString out = dir.path() + u'/';
    const QDateTime start(QDate(2026, 1, 2), QTime(3, 4));
    writeBytes(out + QStringLiteral("QVX01020304.csv"), "kept");
    ASSERT_EQ(
        ::symlink("/nonexistent", QFile::encodeName(out + QStringLiteral("QVX01020304_2.csv"))), 0);
    QString error;
    EXPECT_EQ(ClaimSummaryCsvName(out, start, &error), QStringLiteral("QVX01020304_3.csv"));
    EXPECT_EQ(readBytes(out + QStringLiteral("QVX01020304.csv")), QByteArray("kept"));
    EXPECT_TRUE(ClaimSummaryCsvName(out + QStringLiteral("gone/"), start, &error).isEmpty());
    EXPECT_TRUE(error.startsWith(out + QStringLiteral("gone/QVX01020304.csv: ")))
        << error.toStdString();
}

TEST_F(BatchRunnerTest, StopEndsTheBatchWithoutReportingTheCurrentFile)
{
    QByteArray big;
    for (int i = 0; i < 100; ++i)
        big += "       MOVE A TO B.\r\n";
    writeBytes(m_src + QStringLiteral("B.CBL"), big);
    m_host.stopAfterYields = 1 + 3 + 10; // the batch's yield, A's lines and end, 10 of B's lines
    run({QStringLiteral("A.CBL"), QStringLiteral("B.CBL"), QStringLiteral("C.CBL")});
    EXPECT_EQ(EntryTexts(m_outputs), QStringList{QStringLiteral("(1) A_CBL_QVX.txt")});
    EXPECT_EQ(m_outcomes[1].state, FileOutcome::State::Stopped);
    EXPECT_EQ(m_outcomes[2].state, FileOutcome::State::NotRun);
    EXPECT_EQ(m_host.messages, QStringList{u8("処理が中断されました！")});
    EXPECT_FALSE(QFileInfo::exists(m_out + QStringLiteral("B_CBL_QVX.txt")));
    EXPECT_FALSE(m_request.Cancelled);
}

TEST_F(BatchRunnerTest, FileThatExhaustsMemoryFailsAloneAndTheRunGoesOn)
{
    // A line past the reader's limit is never held, and memory running out is contained too.
    QFile huge(m_src + QStringLiteral("HUGE.CBL"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    // Text where the encoding is chosen, then a hole: NUL bytes there are no binary file.
    ASSERT_EQ(huge.write(QByteArray(kEncodingSampleSize, 'x')), kEncodingSampleSize);
    ASSERT_TRUE(huge.resize(LineReader::kMaxLineLength + 1));
    huge.close();
    m_host.badAllocAtYield = 1 + 3 + 1 + 2; // the batch's, A's lines and end, HUGE's, B's second
    run({QStringLiteral("A.CBL"), QStringLiteral("HUGE.CBL"), QStringLiteral("B.CBL"),
         QStringLiteral("C.CBL")});
    EXPECT_EQ(EntryTexts(m_outputs), (QStringList{QStringLiteral("(1) A_CBL_QVX.txt"),
                                                  QStringLiteral("(2) C_CBL_QVX.txt")}));
    ASSERT_EQ(m_host.errors.size(), 2);
    EXPECT_TRUE(m_host.errors[0].contains(m_src + QStringLiteral("HUGE.CBL: line 1 is longer "
                                                                 "than 16 MiB")))
        << m_host.errors[0].toStdString();
    EXPECT_TRUE(m_host.errors[1].contains(m_src + QStringLiteral("B.CBL: not enough memory")))
        << m_host.errors[1].toStdString();
}

TEST_F(BatchRunnerTest, ReportsThatWouldShareANameAreNotOverwritten)
{
    const QString other = m_dir.filePath(QStringLiteral("other/"));
    QDir().mkpath(other);
    writeBytes(other + QStringLiteral("A.CBL"), "       STOP RUN.\r\n");
    writeBytes(m_src + QStringLiteral("X.Y.CBL"), "       STOP RUN.\r\n");
    writeBytes(m_src + QStringLiteral("X_Y.CBL"), "       STOP RUN.\r\n");
    BatchRunner runner(m_request, m_outputs, m_host);
    runner.run({{m_src, QStringLiteral("A.CBL")},
                {other, QStringLiteral("A.CBL")},
                {m_src, QStringLiteral("X.Y.CBL")},
                {m_src, QStringLiteral("X_Y.CBL")}},
               m_mode, m_settings);
    EXPECT_EQ(EntryTexts(m_outputs), (QStringList{QStringLiteral("(1) A_CBL_QVX.txt"),
                                                  QStringLiteral("(2) X_Y_CBL_QVX.txt")}));
    EXPECT_TRUE(readBytes(m_out + QStringLiteral("A_CBL_QVX.txt")).contains(m_src.toUtf8()));
    ASSERT_EQ(m_host.errors.size(), 2);
    EXPECT_TRUE(m_host.errors[0].contains(other + QStringLiteral("A.CBL: not reported")));
    EXPECT_TRUE(m_host.errors[0].contains(QStringLiteral("the report of ") + m_src +
                                          QStringLiteral("A.CBL")));
    EXPECT_TRUE(m_host.errors[1].contains(QStringLiteral("the report of ") + m_src +
                                          QStringLiteral("X.Y.CBL")));
    EXPECT_EQ(runner.outcomes()[1].state, FileOutcome::State::Failed);
}

TEST_F(BatchRunnerTest, ParallelCountingGivesTheSameResultsInOrder)
{
    const QStringList names{QStringLiteral("A.CBL"), QStringLiteral("GONE.CBL"),
                            QStringLiteral("B.CBL"), QStringLiteral("C.CBL")};
    // Enough lines for the threads' progress to be told in steps as well as per file.
    writeBytes(m_src + QStringLiteral("B.CBL"),
               QByteArray("       PERFORM X.\r\n\r\n").repeated(30000));
    run(names);
    const auto sequential = m_outcomes;
    const QStringList sequentialEntries = EntryTexts(m_outputs);
    m_outputs.clear(m_request);
    m_settings.jobs = 2;
    run(names);
    EXPECT_EQ(EntryTexts(m_outputs), sequentialEntries);
    // Every line's bytes and 2 for its end; the threads may tell out of order.
    EXPECT_EQ(*std::max_element(m_host.progressCalls.begin(), m_host.progressCalls.end()),
              (19 + 2) + (9 + 2) + 30000 * (17 + 2 + 2) + (16 + 2));
    for (size_t i = 0; i < m_outcomes.size(); ++i) {
        SCOPED_TRACE(names[qsizetype(i)].toStdString());
        EXPECT_EQ(m_outcomes[i].state, sequential[i].state);
        EXPECT_EQ(m_outcomes[i].result, sequential[i].result);
    }
    EXPECT_EQ(m_host.errors.size(), 2);
}

TEST_F(BatchRunnerTest, ConversionListsEveryFileItProcessed)
{
    m_request.ProcessMode = ProcessModes::ToLf;
    const QString readOnly = m_src + QStringLiteral("B.CBL");
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
    writeBytes(m_src + QStringLiteral("C.CBL"), "x\ny\n");
    run({QStringLiteral("A.CBL"), QStringLiteral("B.CBL"), QStringLiteral("C.CBL")});
    EXPECT_EQ(EntryTexts(m_outputs),
              (QStringList{QStringLiteral("(1) A.CBL LF"), QStringLiteral("(2) C.CBL LF")}));
    EXPECT_EQ(readBytes(m_src + QStringLiteral("A.CBL")),
              QByteArray("       MOVE A TO B.\n      * c\n"));
    EXPECT_TRUE(m_outcomes[0].converted);
    EXPECT_FALSE(m_outcomes[2].converted);
    EXPECT_EQ(m_outcomes[1].state, FileOutcome::State::Failed);
    EXPECT_EQ(m_host.errors.size(), 1);
    EXPECT_EQ(m_request.OutputPaths[2], m_src + QStringLiteral("C.CBL"));
}
