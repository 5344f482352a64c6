#include "lineclassifier.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

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
        if (m_ascii.size() < size_t(length + kAsciiPadding))
            m_ascii.resize(size_t(length + kAsciiPadding));
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
    if (m_ascii.size() < size_t(length + kAsciiPadding))
        m_ascii.resize(size_t(length + kAsciiPadding));
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

LineClassifier::ShortRun LineClassifier::classifyShortRun(const char* data, const char* end,
                                                          qsizetype longest, bool cp932,
                                                          int maxLines, RunHost& host,
                                                          const std::atomic<bool>* stopFlag)
{
    m_runHost = &host;
    m_runStopFlag = stopFlag;
    ShortRun taken;
    taken.next = data;
    while (taken.lines < maxLines && taken.next != end) {
        if (taken.lines > 0 && stopAsked()) {
            taken.end = ShortRun::End::Stopped;
            break;
        }
        // A pending area start or a pickup start line to pass over is the next line's alone.
        const bool oneLine = pendingAreaStart || skipPickupStartLine;
        std::array<int, 4> byFacts{};
        const ShortLineScan::Run run = m_rules.m_shortLines.run(
            taken.next, end, longest, m_ascii.data(), cp932, oneLine ? 1 : maxLines - taken.lines,
            stopFlag, byFacts, *this);
        taken.next = run.next;
        taken.lines += run.lines;
        taken.lengths += run.lengths;
        if (oneLine) {
            for (int facts = 0; facts < 4; ++facts) {
                if (byFacts[size_t(facts)] != 0)
                    decideWithoutKeywords((facts & ShortLineScan::kBlank) != 0,
                                          (facts & ShortLineScan::kSolo) != 0);
            }
        } else {
            countKeywordFree(byFacts, currentArea, keywordFreeState());
        }
        using End = ShortLineScan::Run::End;
        if (run.end == End::Limit)
            continue;
        if (run.end == End::Stopped) {
            taken.end = ShortRun::End::Stopped;
            break;
        }
        const ShortLineScan::Line& line = run.last;
        if (line.length < 0) {
            taken.end = ShortRun::End::NotFound;
            break;
        }
        // Above ASCII: taken, for the caller to count.
        taken.aboveAscii = QByteArrayView(taken.next, line.length);
        taken.next = ShortLineScan::nextLine(taken.next, line.length);
        ++taken.lines;
        taken.lengths += line.length;
        taken.end = ShortRun::End::AboveAscii;
        break;
    }
    return taken;
}

bool LineClassifier::take(const ShortLineScan::Line& line, std::array<int, 4>& byFacts)
{
    // decide(), inlined: most lines of a mode with many keywords come here.
    const std::string_view ascii(m_ascii.data(), size_t(line.length));
    const std::string_view trimmed = sliced(ascii, leadingBlanks(ascii));
    const auto candidates = [&] {
        if (m_rules.m_scanCandidates)
            return m_rules.m_bucketCandidates[line.buckets];
        if (m_rules.m_prefilter.size() > 0)
            return m_rules.m_prefilter.candidates(trimmed);
        return ~quint64(0);
    };
    if (line.onlyWords >= 0 && !pendingAreaStart && !skipPickupStartLine) {
        // Only counted words may match: the line goes where a keyword-free one goes.
        ++byFacts[size_t(line.onlyWords)];
        if (!m_keywordFreeComment[keywordFreeState()][size_t(line.onlyWords)])
            countWords(trimmed, candidates());
        return false;
    }
    const int area = currentArea;
    const size_t state = keywordFreeState();
    decideSteps(ascii, trimmed, candidates());
    const bool oneLine = pendingAreaStart || skipPickupStartLine;
    if (area != currentArea || state != keywordFreeState() || oneLine)
        countKeywordFree(byFacts, area, state);
    return oneLine;
}

void LineClassifier::countKeywordFree(std::array<int, 4>& byFacts, int area, size_t state)
{
    const auto& counters = m_keywordFreeCounters[state];
    auto& counts = m_result.AreaCounts[area];
    for (size_t facts = 0; facts < 4; ++facts) {
        bump(counts[counters[facts]], byFacts[facts]);
        byFacts[facts] = 0;
    }
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
    const bool blankApart = blankStep(trimmed.empty(), isComment);

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
    if (!isComment)
        countWords(trimmed, candidates);
}

template <typename View>
void LineClassifier::countWords(View trimmed, quint64 candidates)
{
    if constexpr (std::is_same_v<View, std::string_view>) {
        m_rules.m_wordScan.count(trimmed, candidates, m_result.WordCounts.data());
    } else {
        m_rules.m_wordScan.forEachCandidate(candidates, [&](int i, const KeywordPattern& word) {
            if (matches(word, trimmed))
                bump(m_result.WordCounts[size_t(i)]);
        });
    }
}

// The instances the line loop calls.
template void LineClassifier::decide(std::string_view line);
template void LineClassifier::decide(std::string_view line, quint64 candidates);
