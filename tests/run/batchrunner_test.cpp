#include "run/batchrunner.h"

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
    run(names);
    const auto sequential = m_outcomes;
    const QStringList sequentialEntries = EntryTexts(m_outputs);
    m_outputs.clear(m_request);
    m_settings.jobs = 2;
    run(names);
    EXPECT_EQ(EntryTexts(m_outputs), sequentialEntries);
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
