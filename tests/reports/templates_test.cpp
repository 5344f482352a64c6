#include "reports/templates.h"

#include "reports/valueformats.h"
#include "testutil.h"

using testutil::u8;

namespace {

struct TagCase {
    const char* name;
    const char* text;
    const char* key;
    const char* value;
    const char* expected;
};

void PrintTo(const TagCase& c, std::ostream* os)
{
    *os << c.name;
}

class ReplaceTagTest : public testing::TestWithParam<TagCase> {};

} // namespace

TEST_P(ReplaceTagTest, ReplacesEveryTagOfItsKey)
{
    const TagCase& c = GetParam();
    EXPECT_EQ(ReplaceTag(u8(c.text), u8(c.key), u8(c.value)), u8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Templates, ReplaceTagTest,
    testing::Values(
        TagCase{"PairBecomesValue", "a<WC@TT_TOTAL>123</WC@TT_TOTAL>b", "TT_TOTAL", "9", "a9b"},
        TagCase{"OpeningAlone", "x<WC@TT_TOTAL>123", "TT_TOTAL", "9", "x9123"},
        TagCase{"TwoTags", "<WC@k>s</WC@k>-mid-<WC@k>t</WC@k>", "k", "9", "9-mid-9"},
        TagCase{"IgnoresCase", "<wc@tt_total>1</Wc@Tt_Total>.", "TT_TOTAL", "9", "9."},
        TagCase{"ForeignClose", "<WC@a>x</WC@b>y", "a", "F", "Fx</WC@b>y"},
        TagCase{"UnpairedClose", "F</WC@b>y", "b", "P", "F</WC@b>y"},
        TagCase{"AreaIsNotAreaTotal", "<WC@TT_AREATOTAL>5</WC@TT_AREATOTAL>", "TT_AREA", "9",
                "<WC@TT_AREATOTAL>5</WC@TT_AREATOTAL>"},
        TagCase{"LaterSectionCloses", "<WC@k>a<WC@k>b</WC@k>c", "k", "9", "9c"},
        TagCase{"ValueNotExpandedAgain", "<WC@k>|<WC@k>", "k", "<WC@k>", "<WC@k>|<WC@k>"},
        TagCase{"NoTag", "前 <WC@ 後", "k", "9", "前 <WC@ 後"}),
    [](const testing::TestParamInfo<TagCase>& tagCase) { return std::string(tagCase.param.name); });

TEST(Templates, ManyUnclosedMarksStayLinear)
{
    // Each opening mark would rescan the rest of the text if "no closing mark" were forgotten.
    const QString marks = QStringLiteral("<WC@k>").repeated(300000);
    EXPECT_EQ(ReplaceTag(marks, u"k", QStringLiteral("v")), QStringLiteral("v").repeated(300000));
    EXPECT_EQ(ReplaceTag(marks + QStringLiteral("</WC@k>!"), u"k", QStringLiteral("v")),
              QStringLiteral("v!"));
}

TEST(Templates, ExpandFillsKeysInOrderAndEscapesForHtml)
{
    FileCountResult result;
    result.AreaCounts[1][TT_AREA] = 4;
    result.AreaCounts[2][TT_AREA] = 6;
    ComputeDerivedTotals(result, 2);
    TemplateValues values;
    values.modeName = QStringLiteral("M&M");
    values.index = 4;
    values.fileName = QStringLiteral("<b>\"<WC@filesize>\".cbl");
    values.fileSize = QStringLiteral("1,234");
    values.wordData = QStringLiteral("<TABLE BORDER=1></TABLE>");
    const QString pattern =
        QStringLiteral("<WC@modename>|<WC@fileno>|<WC@filename>x</WC@filename>|"
                       "<WC@TT_TOTAL>|<WC@A2_TOTAL>|<WC@A3_TOTAL>|<WC@worddata>");
    // A file name holding a later key's tag is filled by that key's pass on the CSV route only.
    EXPECT_EQ(ExpandTemplate(pattern, values, result, 2, TemplateTarget::Csv),
              QStringLiteral("M&M|5|<b>\"1,234\".cbl|10|6|<WC@A3_TOTAL>|<TABLE BORDER=1></TABLE>"));
    EXPECT_EQ(ExpandTemplate(pattern, values, result, 2, TemplateTarget::Html),
              QStringLiteral("M&amp;M|5|&lt;b&gt;&quot;&lt;WC@filesize&gt;&quot;.cbl|10|6|"
                             "<WC@A3_TOTAL>|<TABLE BORDER=1></TABLE>"));
}

TEST(Templates, FoundBesideTheProgramAndDecodedFromCp932)
{
    QTemporaryDir dir;
    const QString html = dir.filePath(QStringLiteral("COBOLqvx.html"));
    EXPECT_EQ(TemplatePath(dir.path(), QStringLiteral("COBOL"), HtmlTemplateSuffix), html);
    EXPECT_FALSE(TemplatePresent(dir.path(), QStringLiteral("COBOL"), HtmlTemplateSuffix));
    EXPECT_EQ(LoadTemplate(html), QString());
    testutil::writeBytes(html, "\x95\x5c\r\n\x80");
    EXPECT_TRUE(TemplatePresent(dir.path(), QStringLiteral("COBOL"), HtmlTemplateSuffix));
    EXPECT_EQ(LoadTemplate(html), u8("表\r\n") + QChar(0xFFFD));
}

TEST(ValueFormats, SizesAndDateTimes)
{
    const QLocale ja(QLocale::Japanese, QLocale::Japan);
    const QLocale de(QLocale::German, QLocale::Germany);
    EXPECT_EQ(SizeTextPlain(0), QStringLiteral("0"));
    EXPECT_EQ(SizeTextGrouped(0, ja), QString());
    EXPECT_EQ(SizeTextPlain(1234567), QStringLiteral("1234567"));
    EXPECT_EQ(SizeTextGrouped(1234567, ja), QStringLiteral("1,234,567"));
    EXPECT_EQ(SizeTextGrouped(1234567, de), QStringLiteral("1.234.567"));

    const QDateTime morning(QDate(2002, 5, 12), QTime(9, 5, 7));
    const QDateTime midnight(QDate(2002, 5, 12), QTime(0, 0));
    EXPECT_EQ(DateTimeText(morning, ja), QStringLiteral("2002/05/12 9:05:07"));
    EXPECT_EQ(DateTimeText(midnight, ja), QStringLiteral("2002/05/12"));
    EXPECT_EQ(DateTimeText(QDateTime(), ja), QString());
    // Other locales: short date with a four-digit year, long time without the zone.
    EXPECT_EQ(DateTimeText(morning, QLocale(QLocale::English, QLocale::UnitedStates)),
              QStringLiteral("5/12/2002 9:05:07 AM"));
    EXPECT_EQ(DateTimeText(morning, de), QStringLiteral("12.05.2002 09:05:07"));
    EXPECT_EQ(DateTimeText(midnight, de), QStringLiteral("12.05.2002"));
}
