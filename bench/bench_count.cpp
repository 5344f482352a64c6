// CountFile over generated COBOL held in memory: the engine's cost without the disk.

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
    RunHost host;
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

void BM_CountNoKeywords(benchmark::State& state)
{
    ModeDefinition m;
    m.StartWord[1] = QStringLiteral("*");
    countCorpus(state, m);
}
BENCHMARK(BM_CountNoKeywords)->Unit(benchmark::kMillisecond);

} // namespace
