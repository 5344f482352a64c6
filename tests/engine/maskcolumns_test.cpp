#include <QBuffer>

#include "engine/countfile.h"
#include "engine/modedefinition.h"
#include "support/modes.h"
#include "support/recordinghost.h"
#include "testutil.h"
#include "text/cp932.h"
#include "text/linereader.h"

namespace {

struct ParseCase {
    const char* text;
    std::optional<std::vector<MaskRange>> expected;
};

void PrintTo(const ParseCase& c, std::ostream* os)
{
    *os << '"' << c.text << '"';
}

class MaskColumnsParse : public testing::TestWithParam<ParseCase> {};

TEST_P(MaskColumnsParse, ReadsTheItems)
{
    EXPECT_EQ(ParseMaskColumns(QString::fromUtf8(GetParam().text)), GetParam().expected);
}

using Ranges = std::vector<MaskRange>;
constexpr std::nullopt_t kInvalid = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    , MaskColumnsParse,
    testing::Values(
        ParseCase{"", Ranges{}}, ParseCase{"   ", Ranges{}}, ParseCase{"7", Ranges{{7, 7}}},
        ParseCase{"1-6,73-", Ranges{{1, 6}, {73, 0}}},
        ParseCase{" 1-6 , 73- ", Ranges{{1, 6}, {73, 0}}}, ParseCase{" 1 - 6 ", Ranges{{1, 6}}},
        ParseCase{"3-3", Ranges{{3, 3}}}, ParseCase{"5-,1", Ranges{{5, 0}, {1, 1}}},
        ParseCase{"0", kInvalid}, ParseCase{"0-4", kInvalid}, ParseCase{"7-3", kInvalid},
        ParseCase{"a-b", kInvalid}, ParseCase{"1-6,,73-", kInvalid}, ParseCase{"1-6,", kInvalid},
        ParseCase{",1", kInvalid}, ParseCase{"-6", kInvalid}, ParseCase{"1-6-8", kInvalid},
        ParseCase{"1 2", kInvalid}, ParseCase{"1;2", kInvalid}, ParseCase{"\t1", kInvalid},
        ParseCase{"99999999999", kInvalid}, ParseCase{"１", kInvalid}));

FileCountResult countText(const ModeDefinition& mode, const QString& text)
{
    QByteArray data = Cp932::encode(text);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    LineReader reader(buffer);
    RecordingHost host;
    FileCountResult result;
    CountProgress progress;
    CountFile(CountRules(mode, AreaCount(mode)), reader, host, result, progress);
    return result;
}

ModeDefinition cobolMode()
{
    ModeDefinition m = BareMode();
    m.MaskColumns = QStringLiteral("1-6,73-");
    m.CommentSolo = QStringLiteral("[*/]");
    m.CommentColumn = 7;
    m.CommentLength = 1;
    m.WordCount = QStringLiteral("*CALL*");
    return m;
}

} // namespace

TEST(MaskColumns, ApplyBlanksInPlaceAndKeepsColumns)
{
    QString line = QStringLiteral("ABCDEFGHIJ");
    ApplyMaskColumns({{2, 3}, {9, 0}, {20, 30}}, reinterpret_cast<char16_t*>(line.data()),
                     line.size());
    EXPECT_EQ(line, QStringLiteral("A  DEFGH  "));
    QString shortLine = QStringLiteral("AB");
    ApplyMaskColumns({{1, 6}}, reinterpret_cast<char16_t*>(shortLine.data()), shortLine.size());
    EXPECT_EQ(shortLine, QStringLiteral("  "));
}

TEST(MaskColumns, SequenceNumbersAloneMakeABlankLine)
{
    const FileCountResult r = countText(cobolMode(), QStringLiteral("000100\r\n000200   \r\n"));
    EXPECT_EQ(r.AreaCounts[1][TT_NULLLINE], 2);
    EXPECT_EQ(r.AreaCounts[1][TT_AREA], 0);
}

TEST(MaskColumns, KeywordsInMaskedColumnsNeverHit)
{
    const QString line =
        QStringLiteral("000100     MOVE A TO B.") + QString(49, u' ') + QStringLiteral("CALLPROG");
    ASSERT_EQ(line.size(), 80);
    const FileCountResult r = countText(cobolMode(), line);
    EXPECT_EQ(r.AreaCounts[1][TT_AREA], 1);
    EXPECT_EQ(r.WordCounts, std::vector<qint32>{0});
    ModeDefinition unmasked = cobolMode();
    unmasked.MaskColumns.clear();
    EXPECT_EQ(countText(unmasked, line).WordCounts, std::vector<qint32>{1});
}

TEST(MaskColumns, ColumnsKeepTheirPlacesForTheCommentColumn)
{
    // Column 7 still holds the indicator after columns 1-6 are blanked.
    const FileCountResult r =
        countText(cobolMode(), QStringLiteral("000100* CALL X\r\n000200 CALL X\r\n"));
    EXPECT_EQ(r.AreaCounts[1][TT_AREACOM], 1);
    EXPECT_EQ(r.AreaCounts[1][TT_AREA], 1);
    EXPECT_EQ(r.WordCounts, std::vector<qint32>{1});
}

TEST(MaskColumns, MaskingFollowsTabReplacement)
{
    ModeDefinition m = BareMode();
    m.TABtoSpace = 1;
    m.MaskColumns = QStringLiteral("2");
    m.WordCount = QStringLiteral("X");
    // The TAB becomes a space in column 1 and the X in column 2 is masked: the line is blank.
    const FileCountResult r = countText(m, QStringLiteral("\tX"));
    EXPECT_EQ(r.AreaCounts[1][TT_NULLLINE], 1);
    EXPECT_EQ(r.WordCounts, std::vector<qint32>{0});
}

TEST(MaskColumns, InvalidTextFailsEveryFileEvenAnEmptyOne)
{
    ModeDefinition m = BareMode();
    m.MaskColumns = QStringLiteral("1-6,,73-");
    for (const QString& text : {QString(), QStringLiteral("A\r\n")}) {
        try {
            countText(m, text);
            ADD_FAILURE() << "no error";
        } catch (const CountError& e) {
            EXPECT_EQ(e.message(), QStringLiteral("invalid mask columns: 1-6,,73-"));
        }
    }
    // An invalid keyword is named first.
    m.CommentSolo = QStringLiteral("[");
    EXPECT_THROW(
        {
            try {
                countText(m, QString());
            } catch (const CountError& e) {
                EXPECT_TRUE(e.message().startsWith(QStringLiteral("invalid keyword pattern")));
                throw;
            }
        },
        CountError);
}
