#include "reports/summarycsv.h"

#include <QBuffer>
#include <QDir>

#include "testutil.h"
#include "text/cp932.h"

using testutil::u8;

namespace {

// A run in a temp folder: templates at its top, sources in src/, output in out/.
struct CsvRun {
    QTemporaryDir dir;
    ReportJob job;
    QString src = dir.filePath(QStringLiteral("src/"));

    explicit CsvRun(int areaCount = 1)
    {
        QDir(dir.path()).mkpath(QStringLiteral("src"));
        QDir(dir.path()).mkpath(QStringLiteral("out"));
        job = {dir.path(),
               {},
               areaCount,
               dir.filePath(QStringLiteral("out/")),
               QLocale(QLocale::Japanese, QLocale::Japan)};
        job.mode.ModeName = QStringLiteral("COBOL");
        job.mode.NullLineMode = 1;
    }
    WriteOutcome row(int index, const QString& name, const QByteArray* bytes = nullptr)
    {
        if (bytes) {
            testutil::writeBytes(src + name, *bytes);
            QFile f(src + name);
            EXPECT_TRUE(f.open(QIODevice::ReadWrite));
            EXPECT_TRUE(f.setFileTime(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5)),
                                      QFileDevice::FileModificationTime));
        }
        FileCountResult result;
        result.AreaCounts[1][TT_AREA] = 3;
        result.AreaCounts[1][TT_AREACOM] = 2;
        result.AreaCounts[1][TT_NULLLINE] = 1;
        ComputeDerivedTotals(result, ReportAreaCount(job));
        return AppendSummaryCsvRow(job, QStringLiteral("Q.csv"), {index, src, name}, result,
                                   QDateTime(QDate(2024, 3, 1), QTime(10, 20, 30)));
    }
    QByteArray csv() const { return testutil::readBytes(job.outDir + QStringLiteral("Q.csv")); }
    QByteArray expected(QString text) const
    {
        return Cp932::encode(text.replace(QStringLiteral("{src}"), src));
    }
};

const QByteArray kAbc("abc");

const QString kFixedHeader =
    u8("No,DATA,FILE PATH,FILE NAME,FILE DATA,FILE SIZE,全行数,有効 行数,コメント 行数,#\r\n");

} // namespace

TEST(SummaryCsv, NameFromTheRunStart)
{
    EXPECT_EQ(SummaryCsvName(QDateTime(QDate(2023, 12, 5), QTime(12, 35, 59))),
              QStringLiteral("QVX12051235.csv"));
}

TEST(SummaryCsv, FixedLayoutWithNineFields)
{
    CsvRun run;
    ASSERT_TRUE(WriteSummaryCsvHeader(run.job, QStringLiteral("Q.csv")).ok);
    const QByteArray empty;
    EXPECT_TRUE(run.row(0, u8("a \"q\",#.cbl"), &empty).ok);
    EXPECT_TRUE(run.row(1, u8("文書😀.cbl")).ok); // vanished; not all of it fits CP932
    EXPECT_EQ(run.csv(),
              run.expected(kFixedHeader +
                           u8("1,2024/03/01 10:20:30,\"{src}\",\"a \"\"q\"\",#.cbl\","
                              "2020/01/02 3:04:05,0,6,3,2,#\r\n"
                              "2,2024/03/01 10:20:30,\"{src}\",\"文書?.cbl\",,0,6,3,2,#\r\n")));
}

TEST(SummaryCsv, DeviceGetsTheHeaderLine)
{
    CsvRun run;
    QBuffer buffer;
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    ASSERT_TRUE(WriteSummaryCsvHeader(buffer, run.job));
    EXPECT_EQ(buffer.data(), run.expected(kFixedHeader));
}

TEST(SummaryCsv, AllGroupsGiveFortySixFields)
{
    CsvRun run(3);
    run.job.mode.PickupStart = QStringLiteral("*EXEC*");
    run.job.mode.NullLineMode = 0;
    ASSERT_TRUE(WriteSummaryCsvHeader(run.job, QStringLiteral("Q.csv")).ok);
    ASSERT_TRUE(run.row(0, QStringLiteral("A.CBL"), &kAbc).ok);
    const QStringList lines = Cp932::decode(run.csv()).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 3);
    const QStringList header = lines[0].split(u',');
    ASSERT_EQ(header.size(), 47);
    EXPECT_EQ(header[16], u8("(A1)全行数"));
    EXPECT_EQ(header[45] + header[46], u8("(A3)空行数#"));
    const QString counters = QStringLiteral("6,3,2,6,3,2,0,0,0,1,");
    EXPECT_TRUE(lines[1].endsWith(counters + counters + QStringLiteral("0,").repeated(20) + u'#'));
}

TEST(SummaryCsv, TemplateRoutes)
{
    const QString row1 = QStringLiteral(
        "1,2024/03/01 10:20:30,\"{src}\",\"A.CBL\",2020/01/02 3:04:05,3,6,3,2,#\r\n");
    const QString row2 = QStringLiteral(
        "2,2024/03/01 10:20:30,\"{src}\",\"B.CBL\",2020/01/02 3:04:05,3,6,3,2,#\r\n");
    const QString empty =
        QStringLiteral("* QUORVIX ERROR / COBOLqvx.csv FILE SIZE ZERO OR OVER (32KB)\r\n\r\n");
    const QString noLine =
        QStringLiteral("* QUORVIX ERROR / COBOLqvx.csv FILE 2LINE NOTHING OR ERROR\r\n\r\n");
    const std::pair<QByteArray, QString> cases[] = {
        {"H1,H2\r\n<WC@fileno>;<WC@filename>;<WC@filesize>;<WC@TT_TOTAL>;<WC@worddata>"
         "<WC@normaltext>.\r\nignored",
         QStringLiteral("H1,H2\r\n1;A.CBL;3;6;.\r\n2;B.CBL;3;6;.\r\n")},
        {"", empty + kFixedHeader + empty + row1 + empty + row2},
        {"H1\nL2\n", QStringLiteral("H1\nL2\n\r\n") + noLine + row1 + noLine + row2},
        {"H\r\n\r\nx", QStringLiteral("H\r\n") + noLine + row1 + noLine + row2},
        {"\r\n<WC@fileno>\r\n", noLine + kFixedHeader + QStringLiteral("1\r\n2\r\n")},
        {"\x80\x01\r\n", QStringLiteral("?\x01\r\n") + noLine + row1 + noLine + row2},
    };
    for (const auto& [bytes, expected] : cases) {
        SCOPED_TRACE(bytes.toStdString());
        CsvRun run;
        testutil::writeBytes(run.dir.filePath(QStringLiteral("COBOLqvx.csv")), bytes);
        ASSERT_TRUE(WriteSummaryCsvHeader(run.job, QStringLiteral("Q.csv")).ok);
        ASSERT_TRUE(run.row(0, QStringLiteral("A.CBL"), &kAbc).ok);
        ASSERT_TRUE(run.row(1, QStringLiteral("B.CBL"), &kAbc).ok);
        EXPECT_EQ(run.csv(), run.expected(expected));
    }
}

TEST(SummaryCsv, UnwritableOutputIsReported)
{
    CsvRun run;
    testutil::writeBytes(run.dir.filePath(QStringLiteral("plain")), "x");
    testutil::writeBytes(run.job.outDir + QStringLiteral("Q.csv"), "old\r\n");
    QFile::setPermissions(run.job.outDir + QStringLiteral("Q.csv"), QFileDevice::ReadOwner);
    for (const QString& outDir :
         {run.dir.filePath(QStringLiteral("missing/")), run.dir.filePath(QStringLiteral("plain/")),
          run.job.outDir, QString()}) {
        SCOPED_TRACE(outDir.toStdString());
        run.job.outDir = outDir;
        const WriteOutcome header = WriteSummaryCsvHeader(run.job, QStringLiteral("Q.csv"));
        EXPECT_FALSE(header.ok);
        EXPECT_TRUE(header.error.contains(QStringLiteral("Q.csv"))) << header.error.toStdString();
        const WriteOutcome row = run.row(0, QStringLiteral("A.CBL"), &kAbc);
        EXPECT_FALSE(row.ok);
        EXPECT_EQ(row.name, QStringLiteral("Q.csv"));
    }
    EXPECT_EQ(testutil::readBytes(run.dir.filePath(QStringLiteral("out/Q.csv"))), "old\r\n");
}

TEST(SummaryCsv, PlantedLinkIsRefused)
{
    CsvRun run;
    const QString victim = run.dir.filePath(QStringLiteral("victim"));
    testutil::writeBytes(victim, "precious");
    ASSERT_TRUE(QFile::link(victim, run.job.outDir + QStringLiteral("Q.csv")));
    const WriteOutcome header = WriteSummaryCsvHeader(run.job, QStringLiteral("Q.csv"));
    EXPECT_FALSE(header.ok);
    EXPECT_TRUE(header.error.contains(QStringLiteral("symbolic link")))
        << header.error.toStdString();
    const WriteOutcome row = run.row(0, QStringLiteral("A.CBL"), &kAbc);
    EXPECT_FALSE(row.ok);
    EXPECT_TRUE(row.error.contains(QStringLiteral("symbolic link"))) << row.error.toStdString();
    EXPECT_EQ(testutil::readBytes(victim), "precious");
}

TEST(SummaryCsv, TemplatedRowThatDoesNotFitLeavesOnlyTheFixedRow)
{
    CsvRun run;
    testutil::writeBytes(run.dir.filePath(QStringLiteral("COBOLqvx.csv")),
                         "H\r\n" + QByteArray(6000, 'x') + "<WC@fileno>\r\n");
    ASSERT_TRUE(WriteSummaryCsvHeader(run.job, QStringLiteral("Q.csv")).ok);
    {
        const testutil::FileSizeLimit limit(4096);
        EXPECT_TRUE(run.row(0, QStringLiteral("A.CBL"), &kAbc).ok);
    }
    EXPECT_EQ(run.csv(),
              run.expected(QStringLiteral("H\r\n1,2024/03/01 10:20:30,\"{src}\",\"A.CBL\","
                                          "2020/01/02 3:04:05,3,6,3,2,#\r\n")));
}
