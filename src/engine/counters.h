#pragma once

#include <array>
#include <vector>

#include <QStringList>

#include "engine/modedefinition.h"
#include "text/sourceencoding.h"

// The ten line counters, in their storage order (reports list them in another order).
enum Counter : int {
    TT_TOTAL = 0,
    TT_AREA,
    TT_AREACOM,
    TT_AREATOTAL,
    TT_PICKUP,
    TT_PICKUPCOM,
    TT_NULLLINE,
    TT_PICKUPTOTAL,
    TT_VALIDTOTAL,
    TT_COMTOTAL,
};
inline constexpr int CounterCount = 10;

// When a report lists a counter: always, when the mode has a pickup keyword, or when blank
// lines are counted on their own (NullLineMode 0).
enum class CounterGroup { Basic, Pickup, Blank };

// What the reports, the summary CSV, the templates and the CLI say about one counter.
struct CounterInfo {
    Counter id;
    const char16_t* key;   // after "TT_" (whole file) or "A<a>_" (area a): template and JSON key
    const char16_t* label; // the Japanese wording of the text report and the CSV header
    int labelWidth;        // CP932 bytes of the text report's label before its "[" key
    CounterGroup group;
};

// Every counter once, in the order reports list them.
inline constexpr std::array<CounterInfo, CounterCount> Counters{{
    {TT_TOTAL, u"TOTAL", u"全行数", 29, CounterGroup::Basic},
    {TT_VALIDTOTAL, u"VALIDTOTAL", u"有効 行数", 30, CounterGroup::Basic},
    {TT_COMTOTAL, u"COMTOTAL", u"コメント 行数", 30, CounterGroup::Basic},
    {TT_AREATOTAL, u"AREATOTAL", u"ピックアップ外 行数", 29, CounterGroup::Pickup},
    {TT_AREA, u"AREA", u"ピックアップ外 有効 行数", 30, CounterGroup::Pickup},
    {TT_AREACOM, u"AREACOM", u"ピックアップ外 コメント 行数", 30, CounterGroup::Pickup},
    {TT_PICKUPTOTAL, u"PICKUPTOTAL", u"ピックアップ 行数", 29, CounterGroup::Pickup},
    {TT_PICKUP, u"PICKUP", u"ピックアップ 有効 行数", 30, CounterGroup::Pickup},
    {TT_PICKUPCOM, u"PICKUPCOM", u"ピックアップ コメント 行数", 30, CounterGroup::Pickup},
    {TT_NULLLINE, u"NULLLINE", u"空行数", 29, CounterGroup::Blank},
}};

const CounterInfo& CounterInfoOf(Counter counter);

// "TT_" + key for area 0 (the whole file), "A<a>_" + key for area a.
QString CounterKey(Counter counter, int area = 0);

struct CounterSet {
    std::array<qint32, CounterCount> values{};

    qint32& operator[](Counter c) { return values[size_t(c)]; }
    qint32 operator[](Counter c) const { return values[size_t(c)]; }
    bool operator==(const CounterSet&) const = default;
};

// Results for one counted file.
struct FileCountResult {
    CounterSet FileTotals; // zero until ComputeDerivedTotals
    PerArea<CounterSet> AreaCounts;
    QStringList Words;
    std::vector<qint32> WordCounts;                  // lines of the whole file matching Words[i]
    SourceEncoding Encoding = SourceEncoding::Cp932; // how the file was decoded, never Auto

    bool operator==(const FileCountResult&) const = default;
};

// Moves lines between neighbouring areas by the mode's Tuning values (counters only).
void ApplyTuning(FileCountResult& result, const ModeDefinition& mode, int areaCount);

// Fills the derived counters of areas 1..areaCount and sums the areas into FileTotals. A sum
// that would pass 2,147,483,647 leaves its target unchanged. FileTotals is rebuilt from the
// areas each time, so a second call gives the same result as the first.
void ComputeDerivedTotals(FileCountResult& result, int areaCount);
