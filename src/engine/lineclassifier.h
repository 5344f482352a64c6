#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QString>
#include <QStringView>

#include "engine/asciipass.h"
#include "engine/countfile.h"
#include "engine/runhost.h"
#include "engine/shortline.h"

/*
 * The line classifier. Each line goes through the steps below in this order, and lands in
 * exactly one counter of the current area:
 *
 *   mask     after TAB replacement, masked columns become spaces (a line of sequence numbers
 *            only turns blank)
 *   area     while currentArea < AreaCount, the next area's start keyword moves the file on
 *            (at once, or from the next non-keyword line when StartAfter is 1)
 *   comment  block start/end keywords (with the leading-asterisk rule) and the solo keyword
 *   blank    NullLineMode 1: comment, 2: as any other line, else counted apart
 *   pickup   region start/end keywords; PickupToPickup decides whether those lines belong
 *   count    NULLLINE / PICKUP / PICKUPCOM / AREA / AREACOM, first that applies
 *   word     every word pattern on every line that is not a comment
 *
 * In text mode the line is folded once and every pattern is matched against the folded text;
 * folding maps one character to one, so columns stay where they were.
 *
 * A line of ASCII bytes (most source lines) takes a fast path: one pass over its bytes replaces
 * TABs and folds case into a reused byte buffer, and the steps run on those bytes. Decoding
 * such a line gives one character per byte, the same character, and folding an ASCII character
 * gives an ASCII character, so both paths see the same text and count alike. Other lines are
 * decoded, and when no keyword holds a character above ASCII the steps run on NarrowText's
 * bytes of the decoded line (one byte per character) as well.
 *
 * On bytes, the keywords matched against the whole line go through KeywordPrefilter first: one
 * pass over the line names the few that can match it.
 *
 * Before all that, when no sink needs the lines, ShortLineScan takes the short lines of the
 * reader's block in runs, looking at each in registers: a line that holds no keyword's key pair
 * is counted with every keyword missing (by its facts, per run: countKeywordFree, or
 * decideWithoutKeywords for the one line after an area start or a pickup start), and an ASCII
 * line that holds one is decided on the bytes the scan prepared (take), with the candidates its
 * buckets name when it has one per keyword. A CP932 line above ASCII is passed over the same way
 * when its own bytes prove that no keyword can match (see ShortLineScan::scan).
 */
class LineClassifier final : private ShortLineScan::RunCallbacks {
public:
    LineClassifier(const CountRules& rules, FileCountResult& result)
        : m_rules(rules)
        , m_mode(rules.m_mode)
        , m_result(result)
    {
        // Checked as each file starts, after the keywords, so every file fails alike.
        if (m_rules.m_invalidMasks)
            throw CountError(QStringLiteral("invalid mask columns: ") + m_mode.MaskColumns);
        using AsciiPass::prepareAscii;
        const bool tab = m_mode.TABtoSpace == 1;
        const bool fold = !m_rules.m_caseSensitive;
        m_prepare =
            tab ? (fold ? prepareAscii<true, true, false> : prepareAscii<true, false, false>)
                : (fold ? prepareAscii<false, true, false> : prepareAscii<false, false, false>);
        m_prepareMasked =
            tab ? (fold ? prepareAscii<true, true, true> : prepareAscii<true, false, true>)
                : (fold ? prepareAscii<false, true, true> : prepareAscii<false, false, true>);
        // Only ever grows.
        m_ascii.resize(size_t(ShortLineScan::kPreparedRoom + WordScan::kReadsPast));
        for (size_t state = 0; state < 4; ++state) {
            for (int facts = 0; facts < 4; ++facts) {
                bool isComment = (state & 2) != 0 || (facts & ShortLineScan::kSolo) != 0;
                const bool apart = blankStep((facts & ShortLineScan::kBlank) != 0, isComment);
                m_keywordFreeCounters[state][size_t(facts)] =
                    counterOf(isComment, (state & 1) != 0, apart);
                m_keywordFreeComment[state][size_t(facts)] = isComment;
            }
        }
        static_assert(ShortLineScan::kPreparedRoom + WordScan::kReadsPast >=
                      ShortLineScan::kMaxLength + kAsciiPadding);
    }

    // `raw` is the decoded line; TABs may be replaced and masked columns blanked in place.
    // `narrow`: the keywords may be matched on the line's NarrowText bytes when the mode allows.
    void classify(char16_t* raw, qsizetype length, bool narrow);

    // The same for a line's bytes when they are all ASCII (in every source encoding such a line
    // decodes byte for byte); false, with nothing counted, when one is not.
    bool classifyAscii(const char* bytes, qsizetype length);
    // A CP932 line's bytes, when every keyword is narrowable: matched on NarrowCp932's bytes
    // without decoding.
    void classifyCp932(const char* bytes, qsizetype length);
    // The lines from `data` up to `end` through ShortLineScan (each at most `longest` bytes
    // before its end), until `maxLines` are taken, the data ends, the host stops before a line
    // after the first (read from `stopFlag`, the host's, or asked of the host without one), or a
    // line above ASCII or one whose end the scan did not find comes. A line that holds no
    // keyword is counted; an ASCII one that holds a key pair is decided on the bytes the scan
    // prepared. A line above ASCII is taken but not counted.
    struct ShortRun {
        const char* next = nullptr; // past the lines taken
        int lines = 0;              // taken
        qint64 lengths = 0;         // their lengths, line ends left out
        enum class End { More, Stopped, AboveAscii, NotFound } end = End::More;
        QByteArrayView aboveAscii; // for AboveAscii, the line taken last
    };
    ShortRun classifyShortRun(const char* data, const char* end, qsizetype longest, bool cp932,
                              int maxLines, RunHost& host, const std::atomic<bool>* stopFlag);
    // An ASCII line as the rules saw it before folding: TABs replaced, masked columns blanked.
    // Valid until the next call.
    std::string_view unfoldedAscii(const char* bytes, qsizetype length);

    bool shortLinesUsable() const { return m_rules.m_shortLines.usable(); }
    // Whether every keyword is narrowable (see NarrowText).
    bool narrowable() const { return m_rules.m_narrowable; }

    // Where the last line given to classify(), classifyAscii() or classifyCp932() was counted
    // (the lines of a short-line run, which no sink sees, leave it as it was).
    int lastArea() const { return m_lastArea; }
    Counter lastCounter() const { return m_lastCounter; }

private:
    static void bump(qint32& counter, int by = 1) { AddToCounter(counter, by); }

    // The steps after masking and folding; `line` is QStringView or std::string_view.
    template <typename View>
    void decide(View line);
    // The same with the prefilter bits of the keywords the line may match already known.
    template <typename View>
    void decide(View line, quint64 candidates);
    // Both, with the line's leading blanks cut off as `trimmed`; inlined into each, as a call
    // would cost a tenth of a matched line.
    template <typename View>
    Q_ALWAYS_INLINE void decideSteps(View line, View trimmed, quint64 candidates);
    // The word step: counts the words `trimmed` matches among the keywords of `candidates`.
    template <typename View>
    Q_ALWAYS_INLINE void countWords(View trimmed, quint64 candidates);
    // A keyword against a line in decide(): a byte line lies in m_ascii, padded for the search.
    static bool matches(const KeywordPattern& pattern, QStringView trimmed)
    {
        return pattern.matchFolded(trimmed);
    }
    static bool matches(const KeywordPattern& pattern, std::string_view trimmed)
    {
        return pattern.matchPadded(trimmed);
    }
    // decide() for a line that holds no keyword, except perhaps the solo one at its column.
    void decideWithoutKeywords(bool blank, bool solo);
    // An ASCII line with a key pair in a ShortLineScan run, decided on the bytes the scan
    // prepared. The run's keyword-free lines before it are counted first when it changes where
    // they would go.
    bool take(const ShortLineScan::Line& line, std::array<int, 4>& byFacts) override;
    // Whether the host of the run in classifyShortRun stopped, asked as the line loop asks it.
    bool stopAsked() override { return StopAskedBeforeLine(*m_runHost, m_runStopFlag); }
    RunHost* m_runHost = nullptr;
    const std::atomic<bool>* m_runStopFlag = nullptr;
    // Counts keyword-free lines by their facts, in the counters of `state` (see
    // m_keywordFreeCounters) of `area`, and empties `byFacts`.
    void countKeywordFree(std::array<int, 4>& byFacts, int area, size_t state);
    size_t keywordFreeState() const { return (inCommentBlock ? 2 : 0) | (inPickupRegion ? 1 : 0); }
    // The blank step: a blank line is a comment (NullLineMode 1), a line as any other (2), or
    // counted apart (then true).
    bool blankStep(bool blank, bool& isComment) const
    {
        if (!blank)
            return false;
        if (m_mode.NullLineMode == 1) {
            isComment = true;
            return false;
        }
        return m_mode.NullLineMode != 2;
    }
    // The count step's counter; `blankApart` as blankStep() says.
    static Counter counterOf(bool isComment, bool isPickupLine, bool blankApart)
    {
        if (blankApart)
            return TT_NULLLINE;
        if (isPickupLine)
            return isComment ? TT_PICKUPCOM : TT_PICKUP;
        return isComment ? TT_AREACOM : TT_AREA;
    }
    // The count step, the same for both: counts the line in the current area.
    void countLine(bool isComment, bool isPickupLine, bool blankApart);
    template <typename View>
    Q_ALWAYS_INLINE bool soloMatches(View line, View trimmed) const;
    // Kept out of soloMatches, which runs on every line.
    [[noreturn]] Q_DECL_COLD_FUNCTION Q_NEVER_INLINE void throwNegativeColumn() const;
    bool remainderMatches(QStringView trimmed);
    bool remainderMatches(std::string_view trimmed);
    // The byte pass over `bytes` into m_ascii; false when a byte is not ASCII.
    bool prepareBytes(const char* bytes, qsizetype length);

    const CountRules& m_rules;
    const ModeDefinition& m_mode;
    FileCountResult& m_result;
    const std::vector<MaskRange>& m_masks{m_rules.m_masks};
    std::string m_unfolded; // see unfoldedAscii
    const AsciiPass::AsciiMask& m_asciiMask{m_rules.m_asciiMask};
    // The byte pass for this mode's TAB and case settings, without and with masks.
    using Prepare = bool (*)(const unsigned char*, qsizetype, unsigned char*,
                             const AsciiPass::AsciiMask&);
    Prepare m_prepare = nullptr;
    Prepare m_prepareMasked = nullptr;
    QString m_folded;
    QString m_blankTrimmed;
    // A line's bytes as matched, with kAsciiPadding bytes past it for the searches.
    static constexpr qsizetype kAsciiPadding =
        std::max({KeywordPattern::kPadding, KeywordPrefilter::kReadsPast, WordScan::kReadsPast});
    std::vector<char> m_ascii;
    std::vector<char> m_narrow;
    std::string m_asciiBlankTrimmed;

    int currentArea = 1;
    bool pendingAreaStart = false;
    bool inCommentBlock = false;
    bool inPickupRegion = false;
    bool skipPickupStartLine = false;
    int m_lastArea = 1;
    Counter m_lastCounter = TT_AREA;
    // The counter of a keyword-free line with no area start pending or pickup start line to
    // pass over: per state (in a comment block: 2, in a pickup region: 1), per ShortLineScan
    // facts (blank, solo).
    std::array<std::array<Counter, 4>, 4> m_keywordFreeCounters{};
    // The same, whether such a line is a comment (then its words are not counted).
    std::array<std::array<bool, 4>, 4> m_keywordFreeComment{};
};

inline void LineClassifier::countLine(bool isComment, bool isPickupLine, bool blankApart)
{
    m_lastCounter = counterOf(isComment, isPickupLine, blankApart);
    m_lastArea = currentArea;
    bump(m_result.AreaCounts[currentArea][m_lastCounter]);
}

// Each step of decide() with every keyword missing; no word is counted.
inline void LineClassifier::decideWithoutKeywords(bool blank, bool solo)
{
    if (pendingAreaStart) { // only ever set below the last area
        pendingAreaStart = false;
        ++currentArea;
    }
    bool isComment = inCommentBlock || solo;
    const bool blankApart = blankStep(blank, isComment);
    bool isPickupLine = false;
    if (inPickupRegion) {
        if (!skipPickupStartLine)
            isPickupLine = true;
        else
            skipPickupStartLine = false;
    }
    countLine(isComment, isPickupLine, blankApart);
}
