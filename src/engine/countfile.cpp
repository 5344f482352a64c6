#include "countfile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "engine/asciipass.h"
#include "text/cp932.h"
#include "text/fileio.h"
#include "text/linedecoder.h"
#include "text/linereader.h"
#include "text/sourcereader.h"

namespace {

using AsciiPass::AsciiMask;
using AsciiPass::prepareAscii;

// CommentPiece for a line of ASCII bytes, where characters are bytes.
std::string_view asciiPiece(std::string_view line, int column, int length)
{
    if (column < 1 || length <= 0 || column > qsizetype(line.size()))
        return {};
    const size_t begin = size_t(column - 1);
    return line.substr(begin, std::min<size_t>(size_t(length), line.size() - begin));
}

QStringView piece(QStringView line, int column, int length)
{
    return CommentPiece(line, column, length);
}

std::string_view piece(std::string_view line, int column, int length)
{
    return asciiPiece(line, column, length);
}

QStringView sliced(QStringView v, qsizetype from)
{
    return v.sliced(from);
}

std::string_view sliced(std::string_view v, qsizetype from)
{
    return v.substr(size_t(from));
}

// Leading blanks (U+0020 only) of a line.
qsizetype leadingBlanks(QStringView line)
{
    qsizetype lead = 0;
    while (lead < line.size() && line[lead] == u' ')
        ++lead;
    return lead;
}

qsizetype leadingBlanks(std::string_view line)
{
    const qsizetype n = qsizetype(line.size());
    qsizetype lead = 0;
#ifdef __SSE2__
    for (; lead + 16 <= n; lead += 16) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line.data() + lead));
        const unsigned other =
            unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(c, _mm_set1_epi8(' ')))) ^ 0xFFFFu;
        if (other)
            return lead + __builtin_ctz(other);
    }
#endif
    while (lead < n && line[size_t(lead)] == ' ')
        ++lead;
    return lead;
}

} // namespace

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
 * Before all that, when no sink needs the lines, ShortLineScan looks at a short line in
 * registers: a line that holds no keyword's key pair goes straight to the steps with every
 * keyword missing (decideWithoutKeywords), and an ASCII line that holds one is decided on the
 * bytes the scan prepared, with the candidates its buckets name when it has one per keyword. A
 * CP932 line above ASCII is passed over the same way when its own bytes prove that no keyword
 * can match (see ShortLineScan::scan).
 */
class LineClassifier final {
public:
    LineClassifier(const CountRules& rules, FileCountResult& result)
        : m_rules(rules)
        , m_mode(rules.m_mode)
        , m_result(result)
    {
        // Checked as each file starts, after the keywords, so every file fails alike.
        if (m_rules.m_invalidMasks)
            throw CountError(QStringLiteral("invalid mask columns: ") + m_mode.MaskColumns);
        const bool tab = m_mode.TABtoSpace == 1;
        const bool fold = !m_rules.m_caseSensitive;
        m_prepare =
            tab ? (fold ? prepareAscii<true, true, false> : prepareAscii<true, false, false>)
                : (fold ? prepareAscii<false, true, false> : prepareAscii<false, false, false>);
        m_prepareMasked =
            tab ? (fold ? prepareAscii<true, true, true> : prepareAscii<true, false, true>)
                : (fold ? prepareAscii<false, true, true> : prepareAscii<false, false, true>);
        m_ascii.resize(size_t(ShortLineScan::kPreparedRoom)); // only ever grows
        for (int facts = 0; facts < 4; ++facts) {
            const bool blank = (facts & ShortLineScan::kBlank) != 0;
            const bool comment =
                (facts & ShortLineScan::kSolo) != 0 || (blank && m_mode.NullLineMode == 1);
            const bool apart = blank && m_mode.NullLineMode != 1 && m_mode.NullLineMode != 2;
            m_plainCounters[size_t(facts)] = apart ? TT_NULLLINE : comment ? TT_AREACOM : TT_AREA;
        }
        static_assert(ShortLineScan::kPreparedRoom >=
                      ShortLineScan::kMaxLength + KeywordPattern::kPadding);
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
    // The line at the start of `data` (`available` bytes, see ShortLineScan::scan) through
    // ShortLineScan: counted when it holds no keyword, and decided on the scan's prepared bytes
    // when it is ASCII; else nothing is counted, and whether it holds a byte above ASCII is
    // said. The line's length is -1 when the scan did not find its end.
    enum class ShortLine { Counted, AboveAscii, Other };
    std::pair<ShortLine, qsizetype> classifyShort(const char* data, qsizetype available, bool cp932)
    {
        const ShortLineScan::Line line =
            m_rules.m_shortLines.scan(data, available, m_ascii.data(), cp932);
        if (line.facts >= 0) {
            if (!pendingAreaStart && !inCommentBlock && !inPickupRegion)
                countPlain(m_plainCounters[size_t(line.facts)]);
            else
                decideWithoutKeywords((line.facts & ShortLineScan::kBlank) != 0,
                                      (line.facts & ShortLineScan::kSolo) != 0);
            return {ShortLine::Counted, line.length};
        }
        if (line.facts == ShortLineScan::kAboveAscii)
            return {ShortLine::AboveAscii, line.length};
        if (line.length < 0)
            return {ShortLine::Other, line.length};
        const std::string_view ascii(m_ascii.data(), size_t(line.length));
        if (m_rules.m_scanCandidates)
            decide(ascii, m_rules.m_bucketCandidates[line.buckets]);
        else
            decide(ascii);
        return {ShortLine::Counted, line.length};
    }
    // An ASCII line as the rules saw it before folding: TABs replaced, masked columns blanked.
    // Valid until the next call.
    std::string_view unfoldedAscii(const char* bytes, qsizetype length);

    bool shortLinesUsable() const { return m_rules.m_shortLines.usable(); }
    // Whether every keyword is narrowable (see NarrowText).
    bool narrowable() const { return m_rules.m_narrowable; }

    // Where the last classified line was counted.
    int lastArea() const { return m_lastArea; }
    Counter lastCounter() const { return m_lastCounter; }

private:
    static void bump(qint32& counter)
    {
        if (counter == std::numeric_limits<qint32>::max())
            throw CountError(QStringLiteral("a line counter passed 2,147,483,647"));
        ++counter;
    }

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
    // decideWithoutKeywords() when no area start is pending and the line is in no comment block
    // or pickup region, with the counter m_plainCounters gives for its facts.
    void countPlain(Counter counter)
    {
        m_lastCounter = counter;
        m_lastArea = currentArea;
        bump(m_result.AreaCounts[currentArea][counter]);
    }
    // The count step, the same for both.
    // `blankApart`: a blank line counted apart (NULLLINE).
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
    const AsciiMask& m_asciiMask{m_rules.m_asciiMask};
    // The byte pass for this mode's TAB and case settings, without and with masks.
    using Prepare = bool (*)(const unsigned char*, qsizetype, unsigned char*, const AsciiMask&);
    Prepare m_prepare = nullptr;
    Prepare m_prepareMasked = nullptr;
    QString m_folded;
    QString m_blankTrimmed;
    std::vector<char> m_ascii; // a line's bytes as matched, KeywordPattern::kPadding past it
    std::vector<char> m_narrow;
    std::string m_asciiBlankTrimmed;

    int currentArea = 1;
    bool pendingAreaStart = false;
    bool inCommentBlock = false;
    bool inPickupRegion = false;
    bool skipPickupStartLine = false;
    int m_lastArea = 1;
    Counter m_lastCounter = TT_AREA;
    // Per ShortLineScan facts (blank, solo), the counter of a line counted by countPlain().
    std::array<Counter, 4> m_plainCounters{};
};

template <typename View>
bool LineClassifier::soloMatches(View line, View trimmed) const
{
    if (m_mode.CommentColumn == 0)
        return m_rules.m_commentSolo.matchFolded(trimmed);
    if (m_mode.CommentColumn < 0 || m_mode.CommentLength < 0)
        throwNegativeColumn();
    const int length = m_mode.CommentLength == 0 ? int(line.size()) : m_mode.CommentLength;
    return m_rules.m_commentSolo.matchFolded(piece(line, m_mode.CommentColumn, length));
}

void LineClassifier::throwNegativeColumn() const
{
    throw CountError(QStringLiteral("the comment column (%1) and length (%2) cannot be negative")
                         .arg(m_mode.CommentColumn)
                         .arg(m_mode.CommentLength));
}

bool LineClassifier::remainderMatches(QStringView trimmed)
{
    m_blankTrimmed = BlankTrim(trimmed);
    return m_rules.m_commentRemainder.matchFolded(m_blankTrimmed);
}

bool LineClassifier::remainderMatches(std::string_view trimmed)
{
    // BlankTrim on bytes: leading blanks and TABs go, the other TABs become spaces.
    size_t lead = 0;
    while (lead < trimmed.size() && (trimmed[lead] == ' ' || trimmed[lead] == '\t'))
        ++lead;
    m_asciiBlankTrimmed.assign(trimmed.substr(lead));
    std::replace(m_asciiBlankTrimmed.begin(), m_asciiBlankTrimmed.end(), '\t', ' ');
    return m_rules.m_commentRemainder.matchFolded(std::string_view(m_asciiBlankTrimmed));
}

void LineClassifier::classify(char16_t* raw, qsizetype length, bool narrow)
{
    if (m_mode.TABtoSpace == 1) {
        for (qsizetype i = 0; i < length; ++i) {
            if (raw[i] == u'\t')
                raw[i] = u' ';
        }
    }
    if (!m_masks.empty())
        ApplyMaskColumns(m_masks, raw, length);
    if (narrow && m_rules.m_narrowable) {
        if (m_ascii.size() < size_t(length + KeywordPattern::kPadding))
            m_ascii.resize(size_t(length + KeywordPattern::kPadding));
        NarrowText(raw, length, m_rules.m_caseSensitive, m_ascii.data());
        decide(std::string_view(m_ascii.data(), size_t(length)));
        return;
    }
    QStringView line(raw, length);
    if (!m_rules.m_caseSensitive) {
        FoldText(line, m_folded);
        line = m_folded;
    }
    decide(line);
}

std::string_view LineClassifier::unfoldedAscii(const char* bytes, qsizetype length)
{
    m_unfolded.assign(bytes, size_t(length));
    if (m_mode.TABtoSpace == 1) {
        // Most lines hold no TAB: memchr finds that at vector speed.
        char* const begin = m_unfolded.data();
        char* const end = begin + length;
        for (char* tab = static_cast<char*>(std::memchr(begin, '\t', size_t(length))); tab;
             tab = static_cast<char*>(std::memchr(tab + 1, '\t', size_t(end - tab - 1))))
            *tab = ' ';
    }
    for (const MaskRange& m : m_masks) {
        if (m.first > length)
            continue;
        const qsizetype end = m.last == 0 ? length : std::min<qsizetype>(m.last, length);
        std::fill(m_unfolded.begin() + (m.first - 1), m_unfolded.begin() + end, ' ');
    }
    return m_unfolded;
}

inline bool LineClassifier::prepareBytes(const char* bytes, qsizetype length)
{
    if (m_ascii.size() < size_t(length + KeywordPattern::kPadding))
        m_ascii.resize(size_t(length + KeywordPattern::kPadding));
    const auto* in = reinterpret_cast<const unsigned char*>(bytes);
    auto* out = reinterpret_cast<unsigned char*>(m_ascii.data());
    const bool masked = m_asciiMask.bounded > 0 || m_asciiMask.from < length;
    return (masked ? m_prepareMasked : m_prepare)(in, length, out, m_asciiMask);
}

bool LineClassifier::classifyAscii(const char* bytes, qsizetype length)
{
    if (!prepareBytes(bytes, length))
        return false;
    decide(std::string_view(m_ascii.data(), size_t(length)));
    return true;
}

void LineClassifier::classifyCp932(const char* bytes, qsizetype length)
{
    if (m_narrow.size() < size_t(length))
        m_narrow.resize(size_t(length));
    const qsizetype n = NarrowCp932(bytes, length, m_rules.m_caseSensitive, m_narrow.data());
    // The byte pass replaces TABs, folds and masks narrowed bytes as it does ASCII ones (a byte
    // above ASCII stays); whether all were ASCII is of no use here.
    prepareBytes(m_narrow.data(), n);
    decide(std::string_view(m_ascii.data(), size_t(n)));
}

template <typename View>
void LineClassifier::decide(View line)
{
    const View trimmed = sliced(line, leadingBlanks(line));
    // The keywords whose key pairs the line holds; a keyword with bit 0 is always tried.
    quint64 candidates = ~quint64(0);
    if constexpr (std::is_same_v<View, std::string_view>) {
        if (m_rules.m_prefilter.size() > 0)
            candidates = m_rules.m_prefilter.candidates(trimmed);
    }
    decideSteps(line, trimmed, candidates);
}

template <typename View>
void LineClassifier::decide(View line, quint64 candidates)
{
    decideSteps(line, sliced(line, leadingBlanks(line)), candidates);
}

template <typename View>
void LineClassifier::decideSteps(View line, View trimmed, quint64 candidates)
{
    // Whether `pattern` matches the line without its leading blanks.
    auto hit = [&](const KeywordPattern& pattern, quint64 bit) {
        return (bit & ~candidates) == 0 && matches(pattern, trimmed);
    };

    // Area step.
    if (currentArea < m_rules.m_areaCount) {
        const int k = currentArea + 1;
        if (hit(m_rules.m_startWord[k], m_rules.m_startBit[k])) {
            if (m_mode.StartAfter[k] == 1)
                pendingAreaStart = true;
            else
                currentArea = k;
        } else if (pendingAreaStart) {
            pendingAreaStart = false;
            currentArea = k;
        }
    }

    // Comment step.
    bool isComment = false;
    if (!m_mode.CommentStart.isEmpty() || !m_mode.CommentSolo.isEmpty()) {
        isComment = inCommentBlock;
        if (!m_mode.CommentStart.isEmpty()) {
            bool startedHere = false;
            if (hit(m_rules.m_commentStart, m_rules.m_commentStartBit)) {
                inCommentBlock = true;
                if (m_rules.m_hasRemainder) {
                    if (remainderMatches(trimmed))
                        isComment = true;
                } else {
                    isComment = true;
                }
                startedHere = true;
            }
            if (!m_mode.CommentEnd.isEmpty() && inCommentBlock &&
                hit(m_rules.m_commentEnd, m_rules.m_commentEndBit)) {
                inCommentBlock = false;
                if (!startedHere)
                    isComment = true;
            }
        }
        if (!m_mode.CommentSolo.isEmpty() && soloMatches(line, trimmed))
            isComment = true;
    }

    // Blank step.
    bool blankApart = false;
    if (trimmed.empty()) {
        if (m_mode.NullLineMode == 1)
            isComment = true;
        else if (m_mode.NullLineMode != 2)
            blankApart = true;
    }

    // Pickup step.
    bool isPickupLine = false;
    if (!m_mode.PickupStart.isEmpty()) {
        if (hit(m_rules.m_pickupStart, m_rules.m_pickupStartBit)) {
            inPickupRegion = true;
            if (m_mode.PickupToPickup == 1)
                isPickupLine = true;
            else
                skipPickupStartLine = true;
        }
        if (inPickupRegion) {
            if (!skipPickupStartLine)
                isPickupLine = true;
            else
                skipPickupStartLine = false;
        }
        if (!m_mode.PickupEnd.isEmpty() && hit(m_rules.m_pickupEnd, m_rules.m_pickupEndBit)) {
            inPickupRegion = false;
            isPickupLine = m_mode.PickupToPickup == 1;
        }
    }

    countLine(isComment, isPickupLine, blankApart);

    // Word step.
    if (!isComment) {
        const auto tryWord = [&](int i) {
            if (matches(m_rules.m_wordPatterns[size_t(i)], trimmed))
                bump(m_result.WordCounts[size_t(i)]);
        };
        for (quint64 bits = candidates & m_rules.m_anyWordBit; bits; bits &= bits - 1) {
            for (const int i : m_rules.m_wordsOfBit[size_t(std::countr_zero(bits))])
                tryWord(i);
        }
        for (const int i : m_rules.m_wordsAlways)
            tryWord(i);
    }
}

inline void LineClassifier::countLine(bool isComment, bool isPickupLine, bool blankApart)
{
    CounterSet& area = m_result.AreaCounts[currentArea];
    if (blankApart) {
        m_lastCounter = TT_NULLLINE;
    } else if (isPickupLine) {
        m_lastCounter = isComment ? TT_PICKUPCOM : TT_PICKUP;
    } else {
        m_lastCounter = isComment ? TT_AREACOM : TT_AREA;
    }
    m_lastArea = currentArea;
    bump(area[m_lastCounter]);
}

// Each step of decide() with every keyword missing; no word is counted.
inline void LineClassifier::decideWithoutKeywords(bool blank, bool solo)
{
    if (pendingAreaStart) { // only ever set below the last area
        pendingAreaStart = false;
        ++currentArea;
    }
    bool isComment = inCommentBlock || solo;
    bool blankApart = false;
    if (blank) {
        if (m_mode.NullLineMode == 1)
            isComment = true;
        else if (m_mode.NullLineMode != 2)
            blankApart = true;
    }
    bool isPickupLine = false;
    if (inPickupRegion) {
        if (!skipPickupStartLine)
            isPickupLine = true;
        else
            skipPickupStartLine = false;
    }
    countLine(isComment, isPickupLine, blankApart);
}

namespace {

// The line loop, with the decoder inlined: CP932 (the common case) calls Cp932::decodeTo
// directly.
template <typename Decode>
CountOutcome countLines(const CountRules& rules, LineReader& lines, RunHost& host,
                        FileCountResult& result, CountProgress& progress, LineSink* sink,
                        bool cp932, Decode decode)
{
    LineClassifier classifier(rules, result);
    const bool asciiSink = sink && sink->acceptsAscii();
    const bool narrowCp932 = cp932 && !sink && classifier.narrowable();
    static_assert(LineReader::kReadablePast >= ShortLineScan::kReadsPast);
    bool shortLines = !sink && classifier.shortLinesUsable();
    // A file whose lines mostly take another way (Japanese text, long lines) is better off
    // without the scan: it is dropped when 1,024 lines in a row hold fewer than 256 it counts.
    constexpr int kShortWindow = 1024;
    constexpr int kShortMissesAllowed = kShortWindow - kShortWindow / 4;
    int shortLeft = kShortWindow;
    int shortMisses = 0;
    const auto shortTried = [&](bool counted) {
        shortMisses += counted ? 0 : 1;
        if (--shortLeft == 0) {
            shortLines = shortMisses <= kShortMissesAllowed;
            shortLeft = kShortWindow;
            shortMisses = 0;
        }
    };
    std::vector<char16_t> raw(256);
    QByteArrayView bytes;
    qint64 lineNumber = 0;
    int untilProgress = 20; // the host hears of every 20th line
    // Bytes are summed here and handed to `progress` when the host is told and on every way
    // out: adding to it on each line would chain each line's add to the last through memory.
    struct BytesRead {
        CountProgress& progress;
        double start = progress.processedBytes;
        qint64 bytes = 0;
        double total() const { return start + double(bytes); }
        ~BytesRead() { progress.processedBytes = total(); }
    } read{progress};
    const auto lineRead = [&](qsizetype length) {
        ++lineNumber;
        read.bytes += length + 2;
        if (--untilProgress == 0) {
            untilProgress = 20;
            progress.processedBytes = read.total();
            host.progress(progress.processedBytes, progress.totalBytes);
        }
    };
    // Before each line: whether the user stopped.
    const std::atomic<bool>* const stopFlag = host.stopFlag();
    const auto stopAsked = [&] {
        if (stopFlag)
            return stopFlag->load(std::memory_order_relaxed);
        host.yield();
        return host.cancelled();
    };
    const auto stopped = [&] {
        host.message(QString::fromUtf16(kStoppedMessage));
        return CountOutcome::Cancelled;
    };
    for (;;) {
        if (stopAsked())
            return stopped();
        // The short-line scan takes the lines of the reader's block in a run, counting most of
        // them itself, until one needs the classifier's other ways (taken below) or the reader.
        // Each line is yielded for before it is looked at, as every line is.
        auto shortLine = LineClassifier::ShortLine::Other;
        bool found = false;
        if (const QByteArrayView rest = shortLines ? lines.rest() : QByteArrayView();
            !rest.isEmpty()) {
            const char* next = rest.data();
            const char* const end = next + rest.size();
            // A line longer than the reader allows is left to it, for its error.
            const qsizetype longest = lines.maxLineLength() + 1;
            bool yielded = true;
            do {
                if (!yielded) {
                    if (stopAsked()) {
                        lines.skipTo(next);
                        return stopped();
                    }
                    yielded = true;
                }
                const auto [outcome, length] =
                    classifier.classifyShort(next, std::min<qsizetype>(end - next, longest), cp932);
                if (length < 0) {
                    shortTried(false);
                    break;
                }
                const char* const line = next;
                // The block's data is followed by zeros, never an LF.
                next += length + 1;
                if (next[-1] == '\r' && *next == '\n')
                    ++next;
                lineRead(length);
                shortTried(outcome == LineClassifier::ShortLine::Counted);
                if (outcome != LineClassifier::ShortLine::Counted) {
                    found = true;
                    shortLine = outcome;
                    bytes = QByteArrayView(line, length);
                    break;
                }
                yielded = false;
            } while (next != end && shortLines);
            lines.skipTo(next);
            if (!found && !yielded)
                continue; // the next line is yielded for at the top
        }
        if (!found) {
            if (!lines.next(bytes))
                break;
            lineRead(bytes.size());
        }
        const bool maybeAscii = shortLine != LineClassifier::ShortLine::AboveAscii;
        // A sink that wants UTF-16 text takes the general path; one that accepts ASCII bytes
        // gets the line's own bytes with TABs and masks applied (the classifier's are folded).
        if ((!sink || asciiSink) && maybeAscii &&
            classifier.classifyAscii(bytes.data(), bytes.size())) {
            if (asciiSink)
                sink->asciiLine(classifier.lastArea(), classifier.lastCounter(),
                                classifier.unfoldedAscii(bytes.data(), bytes.size()));
            continue;
        }
        if (narrowCp932) {
            classifier.classifyCp932(bytes.data(), bytes.size());
            continue;
        }
        if (raw.size() < size_t(bytes.size()))
            raw.resize(size_t(bytes.size()));
        const qsizetype length = decode(bytes, raw.data());
        classifier.classify(raw.data(), length, !sink);
        if (sink)
            sink->line(classifier.lastArea(), classifier.lastCounter(),
                       QStringView(raw.data(), length));
    }
    if (lines.failed())
        throw CountError(QStringLiteral("read error: ") + lines.errorString());
    if (lines.lineTooLong())
        throw CountError(QStringLiteral("line %1 is longer than %2; a file with such a line is "
                                        "not counted")
                             .arg(lineNumber + 1)
                             .arg(FileIo::LimitText(lines.maxLineLength())));
    return CountOutcome::Completed;
}

} // namespace

CountOutcome CountFile(const CountRules& rules, LineReader& lines, RunHost& host,
                       FileCountResult& result, CountProgress& progress,
                       SourceEncoding lineEncoding, LineSink* sink)
{
    if (const auto invalid = rules.invalidPattern())
        throw CountError(QStringLiteral("invalid keyword pattern: ") + *invalid);

    result = FileCountResult{};
    result.Words = rules.words();
    result.WordCounts.assign(size_t(result.Words.size()), 0);
    result.Encoding = lineEncoding;

    CountOutcome outcome;
    if (lineEncoding == SourceEncoding::Cp932) {
        outcome = countLines(
            rules, lines, host, result, progress, sink, true,
            [](QByteArrayView bytes, char16_t* dst) { return Cp932::decodeTo(bytes, dst); });
    } else {
        LineDecoder decoder(lineEncoding);
        outcome = countLines(rules, lines, host, result, progress, sink, false,
                             [&decoder](QByteArrayView bytes, char16_t* dst) {
                                 return decoder.decodeTo(bytes, dst);
                             });
    }
    if (outcome == CountOutcome::Completed)
        ApplyTuning(result, rules.mode(), rules.areaCount());
    return outcome;
}

namespace {

CountOutcome countSource(const CountRules& rules, QIODevice& device, RunHost& host,
                         FileCountResult& result, CountProgress& progress, LineSink* sink)
{
    SourceReader source(device, rules.encoding());
    if (source.isBinary())
        throw CountError(QStringLiteral("binary file, not counted"));
    const CountOutcome outcome =
        CountFile(rules, source.lines(), host, result, progress, source.lineEncoding(), sink);
    result.Encoding = source.encoding();
    return outcome;
}

void checkEncoding(const CountRules& rules)
{
    if (const auto invalid = rules.invalidEncoding())
        throw CountError(QStringLiteral("unknown encoding: %1 (known: %2)")
                             .arg(*invalid, SourceEncodingNames()));
}

} // namespace

CountOutcome CountFile(const CountRules& rules, const QString& path, RunHost& host,
                       FileCountResult& result, CountProgress& progress, LineSink* sink)
{
    try {
        checkEncoding(rules);
        FileIo::SequentialFile file;
        QString reason;
        if (!file.openRegular(path, &reason))
            throw CountError(reason);
        return countSource(rules, file, host, result, progress, sink);
    } catch (const CountError& e) {
        throw CountError(path + QStringLiteral(": ") + e.message());
    }
}

CountOutcome CountFile(const CountRules& rules, QIODevice& device, const QString& name,
                       RunHost& host, FileCountResult& result, CountProgress& progress,
                       LineSink* sink)
{
    try {
        checkEncoding(rules);
        return countSource(rules, device, host, result, progress, sink);
    } catch (const CountError& e) {
        throw CountError(name + QStringLiteral(": ") + e.message());
    }
}
