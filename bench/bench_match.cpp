// Keyword matching on typical COBOL lines: the fast paths, the general matcher, folding and the
// worst cases. Linked with benchmark_main.

#include <benchmark/benchmark.h>

#include <QString>

#include "engine/keywordmatch.h"

namespace {

// A 72-character fixed-format COBOL line (sequence area, indicator, code).
const QString& cobolLine()
{
    static const QString line =
        QStringLiteral("001200     PERFORM 2000-READ-INPUT THRU 2000-EXIT UNTIL WS-EOF = 'Y'.   ");
    return line;
}

const QString& cobolTrimmed()
{
    static const QString trimmed = cobolLine().sliced(11);
    return trimmed;
}

const QString& aText()
{
    static const QString text(10000, u'a');
    return text;
}

// A compiled pattern matched against a text that is already folded (or binary mode).
void BM_Match(benchmark::State& state, const char16_t* pattern, bool caseSensitive,
              const QString& text)
{
    const KeywordPattern compiled(pattern, caseSensitive);
    for (auto _ : state)
        benchmark::DoNotOptimize(compiled.matchFolded(text));
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK_CAPTURE(BM_Match, Everything, u"*", true, cobolTrimmed());
BENCHMARK_CAPTURE(BM_Match, ContainsMiss, u"*PROCEDURE DIVISION*", true, cobolLine());
BENCHMARK_CAPTURE(BM_Match, ContainsHit, u"*PROCEDURE DIVISION*", true,
                  QStringLiteral("       PROCEDURE DIVISION USING LK-AREA."));
BENCHMARK_CAPTURE(BM_Match, PrefixMiss, u"EXEC SQL*", true, cobolTrimmed());
BENCHMARK_CAPTURE(BM_Match, Exact, u"END-EXEC.", true, cobolTrimmed());
BENCHMARK_CAPTURE(BM_Match, SetOnOnePiece, u"[*/]", true,
                  CommentPiece(cobolLine(), 7, 1).toString());
// A run that begins with a blank, on a line of many blanks.
BENCHMARK_CAPTURE(BM_Match, ContainsBlankFirst, u"* MOVE *", true,
                  QStringLiteral("                   ADD 1 TO WS-COUNT GIVING WS-TOTAL."));
// General matcher: a run with wildcards between stars.
BENCHMARK_CAPTURE(BM_Match, General, u"*PERFORM ####-*UNTIL*", true, cobolLine());
// 10,000 "a": the tail anchor rejects the first pattern at once; the others must scan.
BENCHMARK_CAPTURE(BM_Match, Pathological, u"*a*a*a*a*a*a*a*a*b", true, aText());
BENCHMARK_CAPTURE(BM_Match, PathologicalOpenEnd, u"*a*a*a*a*a*a*a*a*b*", true, aText());
BENCHMARK_CAPTURE(BM_Match, PathologicalWildcards, u"*a?a*[ab]a*a#*", true, aText());

void BM_ContainsTextModeFolded(benchmark::State& state)
{
    QString folded;
    FoldText(cobolLine(), folded);
    BM_Match(state, u"*PERFORM*", false, folded);
}
BENCHMARK(BM_ContainsTextModeFolded);

void BM_FoldLine(benchmark::State& state)
{
    QString folded;
    for (auto _ : state) {
        FoldText(cobolLine(), folded);
        benchmark::DoNotOptimize(folded.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FoldLine);

void BM_PrepareLine(benchmark::State& state)
{
    PreparedLine out;
    for (auto _ : state) {
        PrepareLine(cobolLine(), 1, out);
        benchmark::DoNotOptimize(out.trimmed.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PrepareLine);

// Folds the text on every call.
void BM_MatchUnfoldedTextMode(benchmark::State& state)
{
    const KeywordPattern pattern(u"*perform*", false);
    for (auto _ : state)
        benchmark::DoNotOptimize(pattern.match(cobolLine()));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MatchUnfoldedTextMode);

// Compiles the pattern on every call.
void BM_MatchKeywordUncompiled(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(MatchKeyword(cobolLine(), u"*PROCEDURE DIVISION*", true));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MatchKeywordUncompiled);

} // namespace
