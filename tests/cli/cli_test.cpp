#include <QProcess>

#include "testutil.h"

using testutil::u8;

namespace {

struct Result {
    int exitCode = -1;
    QString out;
    QString err;
};

Result runCli(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(QUORVIX_CLI), args);
    p.waitForFinished(30000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

TEST(CliModes, PrintsTheThreeSampleModes) {
    const Result r = runCli(
        {QStringLiteral("modes"), QStringLiteral("--home"), QStringLiteral(QUORVIX_SAMPLES)});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3 * 23);
    EXPECT_EQ(lines[0], QStringLiteral("[MODE-1]"));
    EXPECT_EQ(lines[1], QStringLiteral("ModeName=COBOL"));
    EXPECT_EQ(lines[21], QStringLiteral("WordCount=*PERFORM*,*CALL*,*COPY*,*EXEC SQL*"));
    EXPECT_EQ(lines[22], QStringLiteral("AreaCount=2"));
    EXPECT_EQ(lines[24], u8("ModeName=C・C++"));
}

TEST(CliModes, ImportWithoutDefPrintsTheDefaultMode) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("x.ini"));
    testutil::writeBytes(file, "[Other]\r\nModeName=X\r\n");
    const Result r = runCli({QStringLiteral("modes"), QStringLiteral("--import"), file});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("[Def]\nModeName=\nFileType=\nBinaryComp=0\nTABtoSpace=0\n"
                                    "2StartWord=\n2Tuning=0\n2StartAfter=0\n3StartWord=\n"
                                    "3Tuning=0\n3StartAfter=0\nPickupStart=\nPickupEnd=\n"
                                    "PickupToPickup=0\nCommentStart=\nCommentEnd=\n"
                                    "CommentStartIsValid=1\nCommentSolo=\nCommentColumn=0\n"
                                    "CommentLength=0\nNullLineMode=0\nWordCount=\n"
                                    "AreaCount=1\n"));
}

TEST(CliModes, ErrorsHaveTheirExitCodes) {
    const Result missing = runCli({QStringLiteral("modes"), QStringLiteral("--import"),
                                   QStringLiteral("/nonexistent/x.ini")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("/nonexistent/x.ini")));

    EXPECT_EQ(runCli({QStringLiteral("modes"), QStringLiteral("--bogus")}).exitCode, 2);
    EXPECT_EQ(runCli({QStringLiteral("modes"), QStringLiteral("--home")}).exitCode, 2);
    EXPECT_EQ(runCli({QStringLiteral("frobnicate")}).exitCode, 2);
    EXPECT_EQ(runCli({}).exitCode, 2);
    const Result help = runCli({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("modes")));
}
