#include "diff/diffreport.h"
#include "testutil.h"
#include "text/cp932.h"

namespace {

TreeDiff oneModifiedFile()
{
    TreeDiff diff;
    FileDiff f;
    f.path = "src/\x95\x5C.cbl"; // a CP932 name, not UTF-8
    f.status = DiffStatus::Modified;
    f.oldStepTexts = StepText::fromLines({QStringLiteral("IF A < B"), QStringLiteral("same")});
    f.newStepTexts =
        StepText::fromLines({QStringLiteral("IF A > B & \"顧客\" 😀"), QStringLiteral("same")});
    f.delta = DiffSteps(f.oldStepTexts, f.newStepTexts);
    f.oldSteps = 2;
    f.newSteps = 2;
    diff.files.push_back(f);
    diff.totals.files = 1;
    diff.totals.modifiedFiles = 1;
    diff.totals.changed = 1;
    diff.totals.unchanged = 1;
    diff.totals.oldSteps = 2;
    diff.totals.newSteps = 2;
    return diff;
}

} // namespace

TEST(DiffReport, HtmlShowsTheChangedStepsEscapedInCp932)
{
    const QByteArray page =
        DiffHtml(oneModifiedFile(), {QStringLiteral("COBOL"), QStringLiteral("/old"),
                                     QStringLiteral("/new"), QDateTime()});
    const QString text = Cp932::decode(page);
    EXPECT_TRUE(page.contains("<meta charset=\"Shift_JIS\">"));
    EXPECT_TRUE(text.contains(QStringLiteral("IF A &lt; B\r\n")));
    // Text CP932 has no code for becomes a character reference; the rest stays CP932.
    EXPECT_TRUE(text.contains(QStringLiteral("IF A &gt; B &amp; &quot;顧客&quot; &#128512;\r\n")))
        << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("same\r\n")));
}

TEST(DiffReport, CsvHasAHeaderARowPerFileAndATotal)
{
    const QString csv = Cp932::decode(DiffCsv(oneModifiedFile()));
    const QStringList rows = csv.split(QStringLiteral("\r\n"));
    ASSERT_EQ(rows.size(), 4); // header, file, total, and the empty rest after the last CR LF
    EXPECT_EQ(
        rows[0],
        QStringLiteral("status,added,changed,deleted,unchanged,old_steps,new_steps,path,error"));
    // CP932 has no U+FFFD: a name's byte that is not UTF-8 shows as "?", as in the count CSV.
    EXPECT_EQ(rows[1], QStringLiteral("modified,0,1,0,1,2,2,\"src/?\\.cbl\","));
    EXPECT_EQ(rows[2], QStringLiteral("total,0,1,0,1,2,2,\"1 file\","));
}
