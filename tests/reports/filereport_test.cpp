#include "reports/filereport.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>

#include "reports/templates.h"
#include "testutil.h"
#include "text/cp932.h"

using testutil::u8;

namespace {

const QDateTime kNow(QDate(2024, 3, 1), QTime(10, 20, 30));

// A run of mode COBOL with a pickup keyword, blank lines counted, two areas and two words.
struct ReportRun {
    QTemporaryDir dir;
    ReportJob job;
    FileCountResult result;

    ReportRun()
    {
        QDir(dir.path()).mkpath(QStringLiteral("out"));
        job = {dir.path(),
               {},
               2,
               dir.filePath(QStringLiteral("out/")),
               QLocale(QLocale::Japanese, QLocale::Japan)};
        job.mode.ModeName = QStringLiteral("COBOL");
        job.mode.PickupStart = QStringLiteral("*EXEC SQL*");
        job.mode.WordCount = QStringLiteral("CALL*;<B>&*");
        // In storage order; the totals are derived before reporting, as the batch runner does.
        result.AreaCounts[1].values = {0, 10, 2, 0, 0, 0, 1};
        result.AreaCounts[2].values = {0, 20, 5, 0, 4, 1, 3};
        ComputeDerivedTotals(result, job.areaCount);
        result.Words = QStringList{QStringLiteral("CALL*"), QStringLiteral("<B>&*")};
        result.WordCounts = {3, 0};
    }
    ReportFile source(const QString& name)
    {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        EXPECT_TRUE(f.resize(1234567));
        EXPECT_TRUE(f.setFileTime(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5)),
                                  QFileDevice::FileModificationTime));
        return {0, dir.path() + u'/', name};
    }
    QByteArray output(const QString& name) const { return testutil::readBytes(job.outDir + name); }
    // The expected normal text of `name`, before CP932 and with LF line ends.
    QString normalText(const QString& name) const
    {
        return u8(R"(DATA [outputdate]: 2024/03/01 10:20:30
FILE PATH [filepath] : {dir}/
FILE NAME [filename]: {name}
FILE DATA [filedate]: 2020/01/02 3:04:05
FILE SIZE [filesize]: 1,234,567 byte


TOTAL
 全行数                      [TT_TOTAL]       :46
 有効 行数                    [TT_VALIDTOTAL] :34
 コメント 行数                [TT_COMTOTAL]   :8
 ピックアップ外 行数         [TT_AREATOTAL]   :41
 ピックアップ外 有効 行数     [TT_AREA]       :30
 ピックアップ外 コメント 行数 [TT_AREACOM]    :7
 ピックアップ 行数           [TT_PICKUPTOTAL] :5
 ピックアップ 有効 行数       [TT_PICKUP]     :4
 ピックアップ コメント 行数   [TT_PICKUPCOM]  :1
 空行数                      [TT_NULLLINE]    :4

AREA-1
 全行数                      [A1_TOTAL]       :13
 有効 行数                    [A1_VALIDTOTAL] :10
 コメント 行数                [A1_COMTOTAL]   :2
 ピックアップ外 行数         [A1_AREATOTAL]   :13
 ピックアップ外 有効 行数     [A1_AREA]       :10
 ピックアップ外 コメント 行数 [A1_AREACOM]    :2
 ピックアップ 行数           [A1_PICKUPTOTAL] :0
 ピックアップ 有効 行数       [A1_PICKUP]     :0
 ピックアップ コメント 行数   [A1_PICKUPCOM]  :0
 空行数                      [A1_NULLLINE]    :1

AREA-2
 全行数                      [A2_TOTAL]       :33
 有効 行数                    [A2_VALIDTOTAL] :24
 コメント 行数                [A2_COMTOTAL]   :6
 ピックアップ外 行数         [A2_AREATOTAL]   :28
 ピックアップ外 有効 行数     [A2_AREA]       :20
 ピックアップ外 コメント 行数 [A2_AREACOM]    :5
 ピックアップ 行数           [A2_PICKUPTOTAL] :5
 ピックアップ 有効 行数       [A2_PICKUP]     :4
 ピックアップ コメント 行数   [A2_PICKUPCOM]  :1
 空行数                      [A2_NULLLINE]    :3

[worddata]
CALL* = 3
<B>&* = 0
)")
            .replace(QStringLiteral("{dir}"), dir.path())
            .replace(QStringLiteral("{name}"), name);
    }
};

QByteArray crlf(QString text)
{
    return Cp932::encode(text.replace(u'\n', QStringLiteral("\r\n")));
}

} // namespace

TEST(FileReport, LabelsAreFortySevenBytesEndingInAColon)
{
    for (int c = 0; c < CounterCount; ++c) {
        for (int area = 0; area <= 3; ++area) {
            const QByteArray bytes = Cp932::encode(CounterLabel(Counter(c), area));
            EXPECT_EQ(bytes.size(), 47) << c << ' ' << area;
            EXPECT_EQ(bytes.indexOf(':'), 46) << c << ' ' << area;
        }
    }
    EXPECT_EQ(CounterLabel(TT_TOTAL, 2), u8(" 全行数                      [A2_TOTAL]       :"));
}

TEST(FileReport, FixedTextReport)
{
    ReportRun run;
    const WriteOutcome outcome =
        WriteFileReport(run.job, run.source(QStringLiteral("A.B.CBL")), run.result, kNow);
    EXPECT_TRUE(outcome.ok) << outcome.error.toStdString();
    ASSERT_EQ(outcome.name, QStringLiteral("A_B_CBL_QVX.txt"));
    EXPECT_EQ(run.output(outcome.name),
              crlf(run.normalText(QStringLiteral("A.B.CBL")) + QStringLiteral("\n\n\n")));
}

TEST(FileReport, DeviceGetsTheBytesOfTheReportFile)
{
    ReportRun run;
    const ReportFile file = run.source(QStringLiteral("PROG.CBL"));
    QBuffer buffer;
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    ASSERT_TRUE(WriteFileReport(buffer, run.job, file, run.result, kNow));
    const WriteOutcome outcome = WriteFileReport(run.job, file, run.result, kNow);
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(buffer.data(), run.output(outcome.name));
}

TEST(FileReport, HtmlTemplateEscapesEveryValue)
{
    ReportRun run;
    testutil::writeBytes(run.dir.filePath(QStringLiteral("COBOLqvx.html")),
                         "<P><WC@filename>x</WC@filename> <WC@filesize> <WC@A2_TOTAL> "
                         "<WC@A3_TOTAL></P>\r\n<WC@worddata>\r\n<PRE><WC@normaltext></PRE>");
    const QString name = QStringLiteral("<script>x.cbl");
    const WriteOutcome outcome = WriteFileReport(run.job, run.source(name), run.result, kNow);
    ASSERT_EQ(outcome.name, QStringLiteral("<script>x_cbl_QVX.html"));
    EXPECT_EQ(
        run.output(outcome.name),
        Cp932::encode(QStringLiteral("<P>&lt;script&gt;x.cbl 1,234,567 33 <WC@A3_TOTAL></P>\r\n"
                                     "<TABLE BORDER=1><TR><TD NOWRAP>CALL*</TD><TD>3</TD></TR>\r\n"
                                     "<TR><TD NOWRAP>&lt;B&gt;&amp;*</TD><TD>0</TD></TR>\r\n"
                                     "</TABLE>\r\n<PRE>")) +
            crlf(run.normalText(name).toHtmlEscaped()) + "</PRE>\r\n");
}

TEST(FileReport, EmptyOrUnusableTemplateGivesTheTextReport)
{
    ReportRun run;
    const QString templatePath = run.dir.filePath(QStringLiteral("COBOLqvx.html"));
    testutil::writeBytes(templatePath, QByteArray());
    const ReportFile file = run.source(QStringLiteral("PROG.CBL"));
    WriteOutcome outcome = WriteFileReport(run.job, file, run.result, kNow);
    ASSERT_EQ(outcome.name, QStringLiteral("PROG_CBL_QVX.txt"));
    EXPECT_EQ(
        run.output(outcome.name),
        crlf(QStringLiteral("* QUORVIX ERROR / COBOLqvx.html FILE SIZE ZERO OR OVER (32KB)\n\n") +
             run.normalText(file.name) + QStringLiteral("\n\n\n")));

    // The HTML report cannot be written: the text report, without a failure text.
    testutil::writeBytes(templatePath, "<WC@fileno>");
    ASSERT_TRUE(QDir(run.job.outDir).mkdir(QStringLiteral("PROG_CBL_QVX.html")));
    outcome = WriteFileReport(run.job, file, run.result, kNow);
    EXPECT_TRUE(outcome.ok);
    ASSERT_EQ(outcome.name, QStringLiteral("PROG_CBL_QVX.txt"));
    EXPECT_EQ(run.output(outcome.name), crlf(run.normalText(file.name) + QStringLiteral("\n\n\n")));
}

TEST(FileReport, VanishedSourceAndUnwritableFolder)
{
    ReportRun run;
    run.job.mode.WordCount.clear();
    const WriteOutcome outcome =
        WriteFileReport(run.job, {0, run.dir.path() + u'/', u8("gone 😀.cbl")}, run.result, kNow);
    ASSERT_TRUE(outcome.ok);
    const QString text = Cp932::decode(run.output(outcome.name));
    EXPECT_TRUE(text.contains(
        QStringLiteral("FILE NAME [filename]: gone ?.cbl\r\nFILE DATA [filedate]: \r\n"
                       "FILE SIZE [filesize]:  byte\r\n")));
    EXPECT_FALSE(text.contains(QStringLiteral("[worddata]")));

    run.job.outDir = run.dir.filePath(QStringLiteral("missing/"));
    const WriteOutcome failed = WriteFileReport(
        run.job, {0, run.dir.path() + u'/', QStringLiteral("PROG")}, run.result, kNow);
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.name, QStringLiteral("PROG_QVX.txt"));
    EXPECT_TRUE(failed.error.contains(QStringLiteral("PROG_QVX.txt")))
        << failed.error.toStdString();
}

TEST(FileReport, PlantedLinkAtTheReportNameIsRefused)
{
    ReportRun run;
    const QString victim = run.dir.filePath(QStringLiteral("victim"));
    testutil::writeBytes(victim, "precious");
    ASSERT_TRUE(QFile::link(victim, run.job.outDir + QStringLiteral("PROG_CBL_QVX.txt")));
    const WriteOutcome outcome =
        WriteFileReport(run.job, run.source(QStringLiteral("PROG.CBL")), run.result, kNow);
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(outcome.error.contains(QStringLiteral("symbolic link")))
        << outcome.error.toStdString();
    EXPECT_EQ(testutil::readBytes(victim), "precious");
}

TEST(FileReport, HtmlReportThatDoesNotFitGivesTheTextReport)
{
    ReportRun run;
    testutil::writeBytes(run.dir.filePath(QStringLiteral("COBOLqvx.html")),
                         QByteArray(6000, 'x') + "<WC@normaltext>");
    const ReportFile file = run.source(QStringLiteral("PROG.CBL"));
    WriteOutcome outcome;
    {
        const testutil::FileSizeLimit limit(4096);
        outcome = WriteFileReport(run.job, file, run.result, kNow);
    }
    EXPECT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.name, QStringLiteral("PROG_CBL_QVX.txt"));
    EXPECT_EQ(run.output(outcome.name), crlf(run.normalText(file.name) + QStringLiteral("\n\n\n")));
    EXPECT_FALSE(QFileInfo::exists(run.job.outDir + QStringLiteral("PROG_CBL_QVX.html")));
}

TEST(FileReport, TemplateThatExpandsPastTheLimitGivesTheTextReportWithTheFailureText)
{
    ReportRun run;
    // Each tag takes the whole text report (about 1.5 KiB): 30,000 of them pass the limit.
    testutil::writeBytes(run.dir.filePath(QStringLiteral("COBOLqvx.html")),
                         QByteArray("<WC@normaltext>").repeated(30000));
    const ReportFile file = run.source(QStringLiteral("PROG.CBL"));
    const WriteOutcome outcome = WriteFileReport(run.job, file, run.result, kNow);
    EXPECT_TRUE(outcome.ok);
    ASSERT_EQ(outcome.name, QStringLiteral("PROG_CBL_QVX.txt"));
    EXPECT_EQ(
        run.output(outcome.name),
        crlf(QStringLiteral("* QUORVIX ERROR / COBOLqvx.html FILE SIZE ZERO OR OVER (32KB)\n\n") +
             run.normalText(file.name) + QStringLiteral("\n\n\n")));
}
