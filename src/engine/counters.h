#pragma once

#include <array>
#include <vector>

#include <QStringList>

#include "engine/modedefinition.h"

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
    std::vector<qint32> WordCounts; // lines of the whole file matching Words[i]

    bool operator==(const FileCountResult&) const = default;
};

// Moves lines between neighbouring areas by the mode's Tuning values (counters only).
void ApplyTuning(FileCountResult& result, const ModeDefinition& mode, int areaCount);

// Fills the derived counters of areas 1..areaCount and sums the areas into FileTotals. A sum
// that would pass 2,147,483,647 leaves its target unchanged. FileTotals is rebuilt from the
// areas each time, so a second call gives the same result as the first.
void ComputeDerivedTotals(FileCountResult& result, int areaCount);
