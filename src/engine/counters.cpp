#include "counters.h"

#include <limits>

namespace {

constexpr Counter kMovable[] = {TT_AREA, TT_AREACOM, TT_PICKUP, TT_PICKUPCOM};

// target = a + b, unless that would overflow; then target keeps its value.
void setSum(qint32& target, qint64 sum)
{
    if (sum <= std::numeric_limits<qint32>::max())
        target = qint32(sum);
}

// Moves `amount` lines from `from` to `to` within the first counter that holds enough.
void moveLines(CounterSet& from, CounterSet& to, qint32 amount)
{
    for (Counter c : kMovable) {
        if (from[c] >= amount) {
            if (qint64(to[c]) + amount > std::numeric_limits<qint32>::max())
                return;
            from[c] -= amount;
            to[c] += amount;
            return;
        }
    }
}

} // namespace

void ApplyTuning(FileCountResult& result, const ModeDefinition& mode, int areaCount)
{
    for (int k = 2; k <= areaCount; ++k) {
        const qint32 t = mode.Tuning[k];
        if (t > 0)
            moveLines(result.AreaCounts[k - 1], result.AreaCounts[k], t);
        else if (t < 0)
            moveLines(result.AreaCounts[k], result.AreaCounts[k - 1], -t);
    }
}

void ComputeDerivedTotals(FileCountResult& result, int areaCount)
{
    result.FileTotals = CounterSet{};
    for (int k = 1; k <= areaCount; ++k) {
        CounterSet& a = result.AreaCounts[k];
        setSum(a[TT_AREATOTAL], qint64(a[TT_AREA]) + a[TT_AREACOM] + a[TT_NULLLINE]);
        setSum(a[TT_PICKUPTOTAL], qint64(a[TT_PICKUP]) + a[TT_PICKUPCOM]);
        setSum(a[TT_COMTOTAL], qint64(a[TT_AREACOM]) + a[TT_PICKUPCOM]);
        setSum(a[TT_VALIDTOTAL], qint64(a[TT_AREA]) + a[TT_PICKUP]);
        setSum(a[TT_TOTAL], qint64(a[TT_AREATOTAL]) + a[TT_PICKUPTOTAL]);
        for (size_t c = 0; c < a.values.size(); ++c)
            setSum(result.FileTotals.values[c], qint64(result.FileTotals.values[c]) + a.values[c]);
    }
}

const CounterInfo& CounterInfoOf(Counter counter)
{
    for (const CounterInfo& info : Counters) {
        if (info.id == counter)
            return info;
    }
    Q_ASSERT(false);
    return Counters.front();
}

QString CounterKey(Counter counter, int area)
{
    const QString prefix = area > 0 ? u'A' + QString::number(area) : QStringLiteral("TT");
    return prefix + u'_' + QString::fromUtf16(CounterInfoOf(counter).key);
}
