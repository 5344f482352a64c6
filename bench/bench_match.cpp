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

void runMatch(benchmark::State& state, const KeywordPattern& pattern, QStringView text)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(pattern.matchFolded(text));
    state.SetItemsProcessed(state.iterations());
}

void BM_Everything(benchmark::State& state)
{
    runMatch(state, KeywordPattern(u"*", true), cobolTrimmed());
}
BENCHMARK(BM_Everything);

void BM_ContainsMiss(benchmark::State& state)
{
    runMatch(state, KeywordPattern(u"*PROCEDURE DIVISION*", true), cobolLine());
}
BENCHMARK(BM_ContainsMiss);

void BM_ContainsHit(benchmark::State& state)
{
    static const QString line = QStringLiteral("       PROCEDURE DIVISION USING LK-AREA.");
    runMatch(state, KeywordPattern(u"*PROCEDURE DIVISION*", true), line);
}
BENCHMARK(BM_ContainsHit);

void BM_PrefixMiss(benchmark::State& state)
{
    runMatch(state, KeywordPattern(u"EXEC SQL*", true), cobolTrimmed());
}
BENCHMARK(BM_PrefixMiss);

void BM_Exact(benchmark::State& state)
{
    runMatch(state, KeywordPattern(u"END-EXEC.", true), cobolTrimmed());
}
BENCHMARK(BM_Exact);

void BM_SetOnOnePiece(benchmark::State& state)
{
    const KeywordPattern pattern(u"[*/]", true);
    const QStringView piece = CommentPiece(cobolLine(), 7, 1);
    runMatch(state, pattern, piece);
}
BENCHMARK(BM_SetOnOnePiece);

void BM_ContainsTextModeFolded(benchmark::State& state)
{
    QString folded;
    FoldText(cobolLine(), folded);
    runMatch(state, KeywordPattern(u"*PERFORM*", false), folded);
}
BENCHMARK(BM_ContainsTextModeFolded);

// A run that begins with a blank, on a line of many blanks.
void BM_ContainsBlankFirst(benchmark::State& state)
{
    static const QString line =
        QStringLiteral("                   ADD 1 TO WS-COUNT GIVING WS-TOTAL.");
    runMatch(state, KeywordPattern(u"* MOVE *", true), line);
}
BENCHMARK(BM_ContainsBlankFirst);

// General matcher: a run with wildcards between stars.
void BM_General(benchmark::State& state)
{
    runMatch(state, KeywordPattern(u"*PERFORM ####-*UNTIL*", true), cobolLine());
}
BENCHMARK(BM_General);

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

// 10,000 "a": the tail anchor rejects the first pattern at once; the second must scan.
void BM_Pathological(benchmark::State& state)
{
    static const QString text(10000, u'a');
    runMatch(state, KeywordPattern(u"*a*a*a*a*a*a*a*a*b", true), text);
}
BENCHMARK(BM_Pathological);

void BM_PathologicalOpenEnd(benchmark::State& state)
{
    static const QString text(10000, u'a');
    runMatch(state, KeywordPattern(u"*a*a*a*a*a*a*a*a*b*", true), text);
}
BENCHMARK(BM_PathologicalOpenEnd);

void BM_PathologicalWildcards(benchmark::State& state)
{
    static const QString text(10000, u'a');
    runMatch(state, KeywordPattern(u"*a?a*[ab]a*a#*", true), text);
}
BENCHMARK(BM_PathologicalWildcards);

} // namespace
