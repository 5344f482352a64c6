// quorvix-cli keyword-test: what it answers agrees with what counting does with the same line.

#include <QTemporaryDir>

#include "support/cli.h"
#include "testutil.h"

using testutil::u8;

using clitest::Result;
using clitest::runCli;

namespace {

Result keywordTest(const QStringList& modeArgs, const QString& line)
{
    return runCli(QStringList{QStringLiteral("keyword-test")} + modeArgs + QStringList{line});
}

const QStringList kSampleCobol{QStringLiteral("--mode"), QStringLiteral("1"),
                               QStringLiteral("--home"), QStringLiteral(QUORVIX_SAMPLES)};

} // namespace

// The sample COBOL mode marks a comment by a "*" in column 7: a line pasted from a real source,
// with its six leading spaces, hits the solo keyword as counting would count it.
TEST(CliKeywordTestCommand, SoloColumnCutFromTheWholeLine)
{
    const Result r = keywordTest(kSampleCobol, u8("      * コメント"));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, u8("以下のキーワードにヒットしました\n"
                        "[COMMENT]【単独キーワード】に該当します \n"));

    const Result code = keywordTest(kSampleCobol, QStringLiteral("       CALL 'SUB'."));
    ASSERT_EQ(code.exitCode, 0) << code.err.toStdString();
    EXPECT_EQ(code.out, u8("以下のキーワードにヒットしました\n"
                           "[WORDCOUNT]【*CALL*】に該当します \n"));
}

TEST(CliKeywordTestCommand, EmptyLineIsAUsageError)
{
    const Result r = keywordTest(kSampleCobol, QString());
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.startsWith(
        QStringLiteral("quorvix-cli keyword-test: the line to test is empty\nusage:")))
        << r.err.toStdString();

    // A line of blanks is a line: the blank-line hit.
    const Result blank = keywordTest(kSampleCobol, QStringLiteral("   "));
    ASSERT_EQ(blank.exitCode, 0) << blank.err.toStdString();
    EXPECT_EQ(blank.out, u8("以下のキーワードにヒットしました\n"
                            "[COMMENT]【空行カウント】に該当します \n"));
}

// A hand-edited BinaryComp of 2 compares case-sensitively in counting; the test agrees.
TEST(CliKeywordTestCommand, BinaryCompOtherThanZeroOrOneFollowsCounting)
{
    const QTemporaryDir dir;
    const QString mode = dir.filePath(QStringLiteral("wqvx.ini"));
    const QString source = dir.filePath(QStringLiteral("w.cbl"));
    testutil::writeBytes(mode, "[Def]\r\nModeName=W\r\nBinaryComp=2\r\nWordCount=*PERFORM*\r\n");
    testutil::writeBytes(source, "perform x\r\nPERFORM Y\r\n");
    const QStringList modeFile{QStringLiteral("--mode-file"), mode};

    const Result count = runCli({QStringLiteral("count"), QStringLiteral("--mode-file"), mode,
                                 QStringLiteral("--json"), source});
    ASSERT_EQ(count.exitCode, 0) << count.err.toStdString();
    EXPECT_TRUE(count.out.contains(QStringLiteral("{\"pattern\": \"*PERFORM*\", \"count\": 1}")))
        << count.out.toStdString();

    const Result lower = keywordTest(modeFile, QStringLiteral("perform x"));
    ASSERT_EQ(lower.exitCode, 0) << lower.err.toStdString();
    EXPECT_EQ(lower.out, u8("入力された文字列にヒットするキーワードはありません\n"));
    const Result upper = keywordTest(modeFile, QStringLiteral("PERFORM Y"));
    ASSERT_EQ(upper.exitCode, 0) << upper.err.toStdString();
    EXPECT_EQ(upper.out, u8("以下のキーワードにヒットしました\n"
                            "[WORDCOUNT]【*PERFORM*】に該当します \n"));
}
