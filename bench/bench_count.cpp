// CountFile over generated COBOL held in memory: the engine's cost without the disk.

#include <algorithm>
#include <atomic>
#include <iterator>

#include <QBuffer>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "engine/countfile.h"
#include "text/linereader.h"

namespace {

// The sample COBOL mode.
ModeDefinition cobolMode()
{
    ModeDefinition m;
    m.ModeName = QStringLiteral("COBOL");
    m.TABtoSpace = 1;
    m.StartWord[1] = QStringLiteral("*");
    m.StartWord[2] = QStringLiteral("*PROCEDURE DIVISION*");
    m.PickupStart = QStringLiteral("EXEC SQL*");
    m.PickupEnd = QStringLiteral("*END-EXEC*");
    m.PickupToPickup = 1;
    m.CommentSolo = QStringLiteral("[*/]");
    m.CommentColumn = 7;
    m.CommentLength = 1;
    m.WordCount = QStringLiteral("*PERFORM*,*CALL*,*COPY*,*EXEC SQL*");
    m.MaskColumns = QStringLiteral("1-6,73-");
    return m;
}

// About 8 MB of generated COBOL, made once with the corpus generator beside this program.
const QByteArray& corpus()
{
    static const QByteArray data = [] {
        QTemporaryDir dir;
        QProcess::execute(
            QStringLiteral(QVX_GENCORPUS),
            {dir.path(), QStringLiteral("8"), QStringLiteral("7"), QStringLiteral("1")});
        QFile f(dir.filePath(QStringLiteral("PGM00000.CBL")));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    return data;
}

void countCorpus(benchmark::State& state, const ModeDefinition& mode)
{
    QByteArray data = corpus();
    const CountRules rules(mode, AreaCount(mode));
    // As the command line's: stopped through a flag, not asked before every line.
    class FlagHost final : public RunHost {
    public:
        const std::atomic<bool>* stopFlag() const override { return &m_stop; }

    private:
        std::atomic<bool> m_stop{false};
    } host;
    qint64 lines = 0;
    for (auto _ : state) {
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        LineReader reader(buffer);
        FileCountResult result;
        CountProgress progress;
        CountFile(rules, reader, host, result, progress);
        ComputeDerivedTotals(result, rules.areaCount());
        lines = result.FileTotals[TT_TOTAL];
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(state.iterations() * data.size());
    state.counters["lines/s"] =
        benchmark::Counter(double(lines), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_CountCobolTextMode(benchmark::State& state)
{
    countCorpus(state, cobolMode());
}
BENCHMARK(BM_CountCobolTextMode)->Unit(benchmark::kMillisecond);

void BM_CountCobolBinaryMode(benchmark::State& state)
{
    ModeDefinition m = cobolMode();
    m.BinaryComp = 1;
    countCorpus(state, m);
}
BENCHMARK(BM_CountCobolBinaryMode)->Unit(benchmark::kMillisecond);

// One keyword: comment lines by column 7, as fixed-format COBOL marks them.
void BM_CountColumnMode(benchmark::State& state)
{
    ModeDefinition m;
    m.TABtoSpace = 1;
    m.StartWord[1] = QStringLiteral("*");
    m.CommentSolo = QStringLiteral("[*/]");
    m.CommentColumn = 7;
    m.CommentLength = 1;
    countCorpus(state, m);
}
BENCHMARK(BM_CountColumnMode)->Unit(benchmark::kMillisecond);

// 64 COBOL words, as many lines hold one or two of them.
constexpr const char* kWords[] = {
    "MOVE",    "ADD",     "PERFORM",  "IF",        "DISPLAY",       "GO",       "END-IF",
    "CALL",    "COMPUTE", "WRITE",    "EVALUATE",  "WHEN",          "READ",     "OPEN",
    "CLOSE",   "STOP",    "EXIT",     "SECTION",   "DIVISION",      "PIC",      "COMP-3",
    "FILLER",  "VALUE",   "OCCURS",   "REDEFINES", "INITIALIZE",    "STRING",   "UNSTRING",
    "INSPECT", "SEARCH",  "SET",      "ACCEPT",    "DELETE",        "REWRITE",  "START",
    "RETURN",  "SORT",    "MERGE",    "RELEASE",   "CONTINUE",      "SUBTRACT", "MULTIPLY",
    "DIVIDE",  "GIVING",  "ROUNDED",  "THRU",      "UNTIL",         "VARYING",  "USING",
    "INTO",    "FROM",    "TALLYING", "REPLACING", "CORRESPONDING", "NOT-ON",   "EXEC-CICS",
    "SQLCODE", "CURSOR",  "FETCH",    "INSERT",    "UPDATE",        "SELECT",   "WS-TOTAL",
    "WS-RATE"};
static_assert(std::size(kWords) == 64);

// The sample mode with the 64 words as *WORD* keywords, spelt backwards when `reversed` (the
// text then seldom holds them, and what is left is the cost of looking for them).
void count64Words(benchmark::State& state, bool reversed)
{
    ModeDefinition m = cobolMode();
    QStringList list;
    for (const char* w : kWords) {
        QString word = QLatin1StringView(w).toString();
        if (reversed)
            std::reverse(word.begin(), word.end());
        list << u'*' + word + u'*';
    }
    m.WordCount = list.join(u',');
    countCorpus(state, m);
}

void BM_Count64Words(benchmark::State& state)
{
    count64Words(state, false);
}
BENCHMARK(BM_Count64Words)->Unit(benchmark::kMillisecond);

void BM_Count64SeldomHeldWords(benchmark::State& state)
{
    count64Words(state, true);
}
BENCHMARK(BM_Count64SeldomHeldWords)->Unit(benchmark::kMillisecond);

void BM_CountNoKeywords(benchmark::State& state)
{
    ModeDefinition m;
    m.StartWord[1] = QStringLiteral("*");
    countCorpus(state, m);
}
BENCHMARK(BM_CountNoKeywords)->Unit(benchmark::kMillisecond);

} // namespace
