// Source files under tests/data/count whose first line states what counting them must give:
//   <comment> expect: mode=NAME TT_TOTAL=n A<a>_<COUNTER>=n ... words=n,n,...
// NAME.ini beside them holds the mode (section "Def"). Per-area counters not named are 0. The
// files are stored with CR LF line ends; each is also counted with LF and with CR.

#include <QBuffer>
#include <QDir>

#include "engine/countfile.h"
#include "testutil.h"
#include "text/cp932.h"
#include "text/linereader.h"

namespace {

const QString kFolder = QStringLiteral(QUORVIX_TEST_DATA "/count/");

struct Fixture {
    QString fileName;
};

void PrintTo(const Fixture& f, std::ostream* os)
{
    *os << f.fileName.toStdString();
}

std::vector<Fixture> fixtures()
{
    std::vector<Fixture> list;
    const QStringList names = QDir(kFolder).entryList(
        {QStringLiteral("*.cbl"), QStringLiteral("*.c"), QStringLiteral("*.sql")}, QDir::Files,
        QDir::Name);
    for (const QString& n : names)
        list.push_back({n});
    return list;
}

// The counters an expectation may name per area: those counting stores, the rest derive.
const std::pair<QStringView, Counter> kStoredCounters[] = {
    {u"AREA", TT_AREA},           {u"AREACOM", TT_AREACOM},   {u"PICKUP", TT_PICKUP},
    {u"PICKUPCOM", TT_PICKUPCOM}, {u"NULLLINE", TT_NULLLINE},
};

struct Expectation {
    QString mode;
    qint32 total = -1;
    PerArea<CounterSet> areas;
    std::vector<qint32> words;
    QStringList unknown; // items the test cannot read: a broken fixture, reported as such
};

Expectation parseExpectation(const QString& firstLine)
{
    Expectation e;
    const qsizetype at = firstLine.indexOf(QStringLiteral("expect:"));
    if (at < 0) {
        e.unknown << firstLine;
        return e;
    }
    const QStringList items = firstLine.sliced(at + 7).split(u' ', Qt::SkipEmptyParts);
    for (const QString& item : items) {
        const qsizetype eq = item.indexOf(u'=');
        const QString key = item.first(std::max<qsizetype>(eq, 0));
        const QString value = item.sliced(eq + 1);
        bool known = eq > 0;
        if (key == u"mode") {
            e.mode = value;
        } else if (key == u"TT_TOTAL") {
            e.total = value.toInt(&known);
        } else if (key == u"words") {
            for (const QString& n : value.split(u','))
                e.words.push_back(n.toInt());
        } else if (key.size() > 3 && key[0] == u'A' && key[2] == u'_') {
            const int area = key[1].digitValue();
            known = false;
            for (const auto& [name, counter] : kStoredCounters) {
                if (area >= 1 && area <= 3 && QStringView(key).sliced(3) == name) {
                    e.areas[area][counter] = value.toInt(&known);
                    break;
                }
            }
        } else {
            known = false;
        }
        if (!known)
            e.unknown << item;
    }
    return e;
}

class CountFixture : public ::testing::TestWithParam<Fixture> {};

} // namespace

TEST_P(CountFixture, CountsWhatItsFirstLineStates)
{
    const QString path = kFolder + GetParam().fileName;
    const QByteArray bytes = testutil::readBytes(path);
    const qsizetype end = bytes.indexOf('\n') < 0 ? bytes.indexOf('\r') : bytes.indexOf('\n');
    const Expectation expected =
        parseExpectation(Cp932::decode(bytes.first(end < 0 ? bytes.size() : end)).trimmed());
    ASSERT_TRUE(expected.unknown.isEmpty()) << expected.unknown.join(u' ').toStdString();

    const ModeDefinition mode =
        LoadModeDefinition(kFolder + expected.mode + QStringLiteral(".ini"), true, {});
    ASSERT_FALSE(mode.ModeName.isEmpty()) << "no mode " << expected.mode.toStdString();
    const int areaCount = AreaCount(mode);
    const CountRules rules(mode, areaCount);
    // The file as it is (CR LF), then with LF and with CR line ends: the counts stay.
    for (const char* lineEnd : {"\r\n", "\n", "\r"}) {
        SCOPED_TRACE(lineEnd[1] ? "CR LF" : lineEnd[0] == '\n' ? "LF" : "CR");
        QByteArray data = bytes;
        data.replace("\r\n", lineEnd);
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        LineReader reader(buffer);
        RunHost host;
        FileCountResult result;
        CountProgress progress;
        ASSERT_EQ(CountFile(rules, reader, host, result, progress), CountOutcome::Completed);
        ComputeDerivedTotals(result, areaCount);

        EXPECT_EQ(result.FileTotals[TT_TOTAL], expected.total);
        for (int a = 1; a <= areaCount; ++a) {
            for (const auto& [name, counter] : kStoredCounters) {
                EXPECT_EQ(result.AreaCounts[a][counter], expected.areas[a][counter])
                    << "A" << a << "_" << name.toString().toStdString();
            }
        }
        EXPECT_EQ(result.WordCounts, expected.words);
    }
}

INSTANTIATE_TEST_SUITE_P(Data, CountFixture, ::testing::ValuesIn(fixtures()),
                         [](const ::testing::TestParamInfo<Fixture>& fixture) {
                             QString name = fixture.param.fileName;
                             return name.replace(u'.', u'_').toStdString();
                         });
