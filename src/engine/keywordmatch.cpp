#include "keywordmatch.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <type_traits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <QVarLengthArray>

#include "text/cp932.h"

namespace {

// Full-width katakana for the half-width forms U+FF66-FF9F, in code order.
constexpr char16_t HalfWidthKana[] =
    u"ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテト"
    u"ナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜";
static_assert(std::size(HalfWidthKana) - 1 == 0xFF9F - 0xFF66 + 1);

inline char16_t foldAscii(char16_t c)
{
    return unsigned(c - u'A') < 26u ? char16_t(c + 32) : c;
}

char16_t foldWide(char16_t c)
{
    if (c >= 0xFF01 && c <= 0xFF5E)
        return foldAscii(char16_t(c - 0xFEE0));
    if (c >= 0x3041 && c <= 0x3096)
        return char16_t(c + 0x60);
    if (c >= 0xFF66 && c <= 0xFF9F)
        return HalfWidthKana[c - 0xFF66];
    // CJK symbols, kana and ideographs (the bulk of Japanese text) have no case.
    if (c >= 0x3000 && c < 0xA000)
        return c;
    // Simple case folding keeps every BMP character inside the BMP; a lone surrogate stays.
    return char16_t(QChar::toCaseFolded(char32_t(c)));
}

inline char16_t foldUnit(char16_t c)
{
    return c < 0x80 ? foldAscii(c) : foldWide(c);
}

void foldInto(const char16_t* in, qsizetype n, char16_t* out)
{
    // A branch-free ASCII pass over the whole text (it vectorises), then the rare rest.
    char16_t seen = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = in[i];
        seen |= c;
        out[i] = char16_t(c + (char16_t(c - u'A') < 26 ? 32 : 0));
    }
    if (seen >= 0x80) {
        for (qsizetype i = 0; i < n; ++i) {
            if (in[i] >= 0x80) // unchanged by the first pass, even when in == out
                out[i] = foldWide(in[i]);
        }
    }
}

// How rare a character is in source text, higher for rarer: letters by their English frequency,
// blanks and punctuation as common as the commonest letters.
int rarity(char16_t c)
{
    static constexpr char kByFrequency[] = "etaoinsrhldcumfpgwybvkxjqz";
    const char16_t lower = foldAscii(c);
    if (lower >= u'a' && lower <= u'z')
        return int(std::strchr(kByFrequency, char(lower)) - kByFrequency);
    if (lower >= u'0' && lower <= u'9')
        return 12;
    return c == u' ' ? 0 : 4;
}

} // namespace

QChar FoldChar(QChar c)
{
    return QChar(foldUnit(c.unicode()));
}

void FoldText(QStringView in, QString& out)
{
    const qsizetype n = in.size();
    out.resize(n);
    foldInto(in.utf16(), n, reinterpret_cast<char16_t*>(out.data()));
}

/*
 * Matching.
 *
 * A pattern compiles into a vector of elements: Literal, AnyChar (?), Digit (#), Set ([list]) and
 * Star. Every element but Star matches exactly one character; "[]" matches none and is dropped
 * at compile time, "[!]" becomes AnyChar, a one-character list becomes a Literal, and runs of
 * stars collapse into one. In text mode literals and list ends are folded here, once, and the
 * text arrives folded, so matching itself only compares code units.
 *
 * Since every element between two stars has a fixed width, a pattern with stars splits into
 *
 *     head * run1 * run2 * ... * runK * tail
 *
 * where head must match at the start of the text and tail at its end, and each run can be
 * placed at the earliest position after the previous one: a later placement never leaves more
 * room for the runs that follow. This is the classic glob algorithm that remembers only the last
 * star and restarts one character further on a mismatch, organised by run. It costs at most
 * O(text length x pattern length) and never backtracks past a star. A run that holds a literal
 * skips ahead with a vectorised scan for that character. The shapes that dominate in practice
 * fall out of it: "*" (Everything), "ABC" (Exact), "ABC*" (head only), "*ABC" (tail only) and
 * "*ABC*" (one middle run: a substring search).
 */

KeywordPattern::KeywordPattern(QStringView pattern, bool caseSensitive)
    : m_pattern(pattern.toString())
    , m_caseSensitive(caseSensitive)
{
    if (pattern.size() > kMaxLength)
        return; // invalid
    auto fold = [caseSensitive](char16_t c) { return caseSensitive ? c : foldUnit(c); };
    const char16_t* p = pattern.utf16();
    const qsizetype n = pattern.size();

    for (qsizetype i = 0; i < n;) {
        const char16_t c = p[i];
        if (c == u'*') {
            if (m_elements.empty() || m_elements.back().op != Op::Star)
                m_elements.push_back({Op::Star, 0, 0});
            ++i;
        } else if (c == u'?') {
            m_elements.push_back({Op::AnyChar, 0, 0});
            ++i;
        } else if (c == u'#') {
            m_elements.push_back({Op::Digit, 0, 0});
            ++i;
        } else if (c == u'[') {
            const char16_t* close = std::find(p + i + 1, p + n, u']');
            if (close == p + n) {
                m_elements.clear();
                m_sets.clear();
                return; // unclosed list: invalid
            }
            const qsizetype end = close - p;
            qsizetype j = i + 1;
            CharSet set;
            if (j < end && p[j] == u'!') {
                set.negated = true;
                ++j;
            }
            std::vector<std::pair<char16_t, char16_t>> ranges;
            while (j < end) {
                const char16_t lo = fold(p[j]);
                char16_t hi = lo;
                if (j + 2 < end && p[j + 1] == u'-') {
                    hi = fold(p[j + 2]);
                    j += 3;
                } else {
                    ++j;
                }
                if (lo > hi) {
                    m_elements.clear();
                    m_sets.clear();
                    return; // reversed range: invalid
                }
                ranges.emplace_back(lo, hi);
            }
            i = end + 1;

            if (ranges.empty()) {
                if (set.negated)
                    m_elements.push_back({Op::AnyChar, 0, 0});
                continue; // "[]" matches no character
            }
            if (!set.negated && ranges.size() == 1 && ranges[0].first == ranges[0].second) {
                m_elements.push_back({Op::Literal, ranges[0].first, 0});
                continue;
            }
            for (const auto& [lo, hi] : ranges) {
                for (char16_t a = lo; a <= hi && a < 0x80; ++a)
                    set.ascii[a >> 6] |= quint64(1) << (a & 63);
                if (hi >= 0x80)
                    set.wide.emplace_back(std::max<char16_t>(lo, 0x80), hi);
            }
            m_elements.push_back({Op::Set, 0, quint32(m_sets.size())});
            m_sets.push_back(std::move(set));
        } else {
            m_elements.push_back({Op::Literal, fold(c), 0});
            ++i;
        }
    }

    const qsizetype count = qsizetype(m_elements.size());
    m_chars.resize(count);
    m_asciiChars.resize(size_t(count));
    qsizetype firstStar = -1;
    qsizetype lastStar = -1;
    for (qsizetype k = 0; k < count; ++k) {
        const Element& e = m_elements[size_t(k)];
        m_chars[k] = QChar(e.op == Op::Literal ? e.ch : char16_t(0));
        m_asciiChars[size_t(k)] = e.op == Op::Literal && e.ch < 0x80 ? char(e.ch) : '\0';
        if (e.op == Op::Literal && e.ch >= 0x80)
            m_asciiNever = true;
        if (e.op == Op::Star) {
            if (firstStar < 0)
                firstStar = k;
            lastStar = k;
        } else {
            ++m_minLength;
        }
    }

    // The key pairs: the neighbouring ASCII literals rarest in source text. Blanks and common
    // letters are everywhere; an X or a Q hardly ever.
    std::array<int, 2> rarest{-1, -1};
    for (qsizetype k = 0; k + 1 < count; ++k) {
        const Element& x = m_elements[size_t(k)];
        const Element& y = m_elements[size_t(k + 1)];
        if (x.op != Op::Literal || y.op != Op::Literal || x.ch >= 0x80 || y.ch >= 0x80)
            continue;
        const int r = rarity(x.ch) + rarity(y.ch);
        const int pair = KeywordPrefilter::hash(uchar(x.ch), uchar(y.ch));
        if (pair == m_keyPairs[0] || pair == m_keyPairs[1])
            continue;
        if (r > rarest[0]) {
            rarest = {r, rarest[0]};
            m_keyPairs = {pair, m_keyPairs[0]};
            m_keyBytes = {uchar(x.ch), uchar(y.ch)};
        } else if (r > rarest[1]) {
            rarest[1] = r;
            m_keyPairs[1] = pair;
        }
    }
    if (m_keyPairs[1] < 0)
        m_keyPairs[1] = m_keyPairs[0];
    for (const CharSet& set : m_sets)
        m_narrowable = m_narrowable && set.wide.empty();
    m_narrowable = m_narrowable && !m_asciiNever;
    if (count == 1 && m_elements[0].op != Op::Star) {
        // Bytes above ASCII stand for characters above ASCII (see NarrowText), which a
        // narrowable element treats alike; the first of them is asked.
        m_oneChar = true;
        for (int c = 0; c < 256; ++c) {
            if (matchElement(m_elements[0], char16_t(c < 0x80 ? c : 0x80)))
                m_oneCharSet[size_t(c >> 6)] |= quint64(1) << (c & 63);
        }
    }

    if (firstStar < 0) {
        m_head = makeRun(0, count);
        m_kind = m_head.literal ? Kind::Exact : Kind::Fixed;
        return;
    }
    if (count == 1) {
        m_kind = Kind::Everything;
        return;
    }
    m_head = makeRun(0, firstStar);
    m_tail = makeRun(lastStar + 1, count);
    for (qsizetype k = firstStar + 1; k < lastStar;) {
        qsizetype e = k;
        while (m_elements[size_t(e)].op != Op::Star)
            ++e;
        m_middle.push_back(makeRun(k, e));
        k = e + 1;
    }
    m_kind = Kind::Starred;
    m_contains = m_head.length == 0 && m_tail.length == 0 && m_middle.size() == 1 &&
                 m_middle[0].literal && m_middle[0].length >= 2;
    if (m_contains && !m_asciiNever && m_middle[0].length <= 16) {
        const Run& run = m_middle[0];
        m_shortContains = true;
        std::copy_n(m_asciiChars.data() + run.begin, run.length, m_needle.begin());
        m_needleMask = quint32((1u << run.length) - 1);
        m_needleLength = run.length;
        m_probeAt1 = run.probe1;
        m_probeAt2 = run.probe2;
        m_probe1.fill(m_needle[size_t(run.probe1)]);
        m_probe2.fill(m_needle[size_t(run.probe2)]);
    }
}

KeywordPattern::Run KeywordPattern::makeRun(qsizetype begin, qsizetype end) const
{
    Run run{begin, end - begin, true, -1, 0, 0};
    for (qsizetype k = end - 1; k >= begin; --k) {
        const Element& e = m_elements[size_t(k)];
        run.literal = run.literal && e.op == Op::Literal;
        // Blanks are the commonest characters of a line: a search keys on another literal.
        if (e.op == Op::Literal && (run.anchor < 0 || e.ch != u' '))
            run.anchor = k - begin;
    }
    if (run.literal && run.length >= 2) {
        auto blank = [&](qsizetype k) { return m_elements[size_t(begin + k)].ch == u' '; };
        qsizetype p1 = 0;
        while (p1 < run.length - 1 && blank(p1))
            ++p1;
        qsizetype p2 = run.length - 1;
        while (p2 > p1 + 1 && blank(p2))
            --p2;
        if (p2 == p1)
            p1 = p2 - 1;
        run.probe1 = p1;
        run.probe2 = p2;
    }
    return run;
}

template <>
const char16_t* KeywordPattern::literals<char16_t>() const
{
    return reinterpret_cast<const char16_t*>(m_chars.utf16());
}

template <>
const char* KeywordPattern::literals<char>() const
{
    return m_asciiChars.data();
}

bool KeywordPattern::CharSet::contains(char16_t c) const
{
    bool in;
    if (c < 0x80) {
        in = (ascii[c >> 6] >> (c & 63)) & 1;
    } else {
        in = std::any_of(wide.begin(), wide.end(),
                         [c](const auto& r) { return r.first <= c && c <= r.second; });
    }
    return in != negated;
}

inline bool KeywordPattern::matchElement(const Element& e, char16_t c) const
{
    switch (e.op) {
    case Op::Literal:
        return c == e.ch;
    case Op::AnyChar:
        return true;
    case Op::Digit:
        return unsigned(c - u'0') < 10u;
    case Op::Set:
        return m_sets[e.set].contains(c);
    case Op::Star:
        break;
    }
    return false;
}

template <typename Char>
inline bool KeywordPattern::matchRun(const Run& run, const Char* text) const
{
    if (run.length == 0)
        return true; // `text` may be null then
    if (run.literal)
        return std::memcmp(text, literals<Char>() + run.begin, size_t(run.length) * sizeof(Char)) ==
               0;
    const Element* e = m_elements.data() + run.begin;
    for (qsizetype k = 0; k < run.length; ++k) {
        if (!matchElement(e[k], char16_t(std::make_unsigned_t<Char>(text[k]))))
            return false;
    }
    return true;
}

namespace {

// First position in [from, last] where the literal `needle` (length >= 2) starts, or -1. A
// block of positions at a time is tested on two characters of the needle before a full
// compare: the first and the last that are not blanks (blanks are everywhere in source lines),
// so most lines yield no candidate at all and this stays close to one pass over the line.
template <typename Char>
qsizetype findLiteral(const Char* text, qsizetype from, qsizetype last, const Char* needle,
                      qsizetype length, qsizetype p1, qsizetype p2)
{
    const Char c1 = needle[p1];
    const Char c2 = needle[p2];
    const size_t bytes = size_t(length) * sizeof(Char);
    qsizetype at = from;
#ifdef __SSE2__
    // 16 bytes: 8 UTF-16 units or 16 ASCII bytes; each position owns sizeof(Char) mask bits.
    constexpr qsizetype lanes = 16 / sizeof(Char);
    const __m128i v1 = sizeof(Char) == 1 ? _mm_set1_epi8(char(c1)) : _mm_set1_epi16(short(c1));
    const __m128i v2 = sizeof(Char) == 1 ? _mm_set1_epi8(char(c2)) : _mm_set1_epi16(short(c2));
    // The first match among the positions [at, at + lanes).
    const auto block = [&](qsizetype start) -> qsizetype {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + start + p1));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + start + p2));
        __m128i hits;
        if constexpr (sizeof(Char) == 1)
            hits = _mm_and_si128(_mm_cmpeq_epi8(a, v1), _mm_cmpeq_epi8(b, v2));
        else
            hits = _mm_and_si128(_mm_cmpeq_epi16(a, v1), _mm_cmpeq_epi16(b, v2));
        unsigned mask = unsigned(_mm_movemask_epi8(hits));
        while (mask) {
            const int bit = __builtin_ctz(mask);
            const qsizetype pos = start + bit / qsizetype(sizeof(Char));
            if (std::memcmp(text + pos, needle, bytes) == 0)
                return pos;
            mask &= ~((sizeof(Char) == 1 ? 1u : 3u) << bit);
        }
        return -1;
    };
    if (last + 1 - from >= lanes) {
        for (; at + lanes <= last + 1; at += lanes) {
            if (const qsizetype pos = block(at); pos >= 0)
                return pos;
        }
        // The rest as the last `lanes` positions, overlapping those done: they matched nowhere,
        // so the first match found lies past them.
        return at <= last ? block(last + 1 - lanes) : -1;
    }
#endif
    for (; at <= last; ++at) {
        if (text[at + p1] == c1 && text[at + p2] == c2 &&
            std::memcmp(text + at, needle, bytes) == 0)
            return at;
    }
    return -1;
}

// First position of `c` in [from, from + n), relative to `from`, or -1.
qsizetype indexOfChar(const char16_t* text, qsizetype n, char16_t c)
{
    return QStringView(text, n).indexOf(QChar(c));
}

qsizetype indexOfChar(const char* text, qsizetype n, char c)
{
    const void* hit = std::memchr(text, c, size_t(n));
    return hit ? static_cast<const char*>(hit) - text : -1;
}

} // namespace

// Earliest position in [from, end) where `run` matches entirely inside the window, or -1.
template <typename Char>
qsizetype KeywordPattern::findRun(const Run& run, const Char* text, qsizetype from,
                                  qsizetype end) const
{
    const qsizetype last = end - run.length; // last position where the run still fits
    if (run.literal && run.length >= 2)
        return findLiteral(text, from, last, literals<Char>() + run.begin, run.length, run.probe1,
                           run.probe2);
    if (run.anchor < 0) {
        for (qsizetype at = from; at <= last; ++at) {
            if (matchRun(run, text + at))
                return at;
        }
        return -1;
    }
    // Scan for the anchor literal (vectorised when it is not right there), then try the run.
    const Char anchor = literals<Char>()[run.begin + run.anchor];
    for (qsizetype at = from; at <= last; ++at) {
        if (text[at + run.anchor] != anchor) {
            const qsizetype skip = indexOfChar(text + at + run.anchor, last - at + 1, anchor);
            if (skip < 0)
                return -1;
            at += skip;
        }
        if (matchRun(run, text + at))
            return at;
    }
    return -1;
}

template <typename Char>
bool KeywordPattern::matchText(const Char* t, qsizetype n) const
{
    switch (m_kind) {
    case Kind::Invalid:
        return false;
    case Kind::Everything:
        return true;
    case Kind::Exact:
    case Kind::Fixed:
        return n == m_minLength && matchRun(m_head, t);
    case Kind::Starred:
        break;
    }
    if (n < m_minLength || !matchRun(m_head, t) || !matchRun(m_tail, t + n - m_tail.length))
        return false;
    qsizetype pos = m_head.length;
    const qsizetype end = n - m_tail.length;
    for (const Run& run : m_middle) {
        const qsizetype at = findRun(run, t, pos, end);
        if (at < 0)
            return false;
        pos = at + run.length;
    }
    return true;
}

bool KeywordPattern::matchFolded(QStringView text) const
{
    return matchText(text.utf16(), text.size());
}

bool KeywordPattern::matchAscii(std::string_view asciiText) const
{
    // A literal above ASCII can never meet an ASCII character, folded or not.
    if (m_asciiNever)
        return false;
    if (m_contains) {
        const Run& run = m_middle[0];
        return findLiteral(asciiText.data(), 0, qsizetype(asciiText.size()) - run.length,
                           m_asciiChars.data() + run.begin, run.length, run.probe1,
                           run.probe2) >= 0;
    }
    return matchText(asciiText.data(), qsizetype(asciiText.size()));
}

quint64 KeywordPrefilter::add(const KeywordPattern& pattern)
{
    const auto [first, second] = pattern.keyPairs();
    if (first < 0)
        return 0;
    const quint64 bit = quint64(1) << (m_added++ % 64);
    m_table[size_t(first)].first |= bit;
    m_table[size_t(second)].second |= bit;
    return bit;
}

quint64 KeywordPrefilter::candidates(std::string_view text) const
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const qsizetype pairs = qsizetype(text.size()) - 1;
#if defined(__SSE2__) && defined(__x86_64__) // 64-bit moves out of vector registers
    // Eight hashes at a time from nine bytes, as byte offsets into the table, four to a 64-bit
    // register (cheaper than an extract each). The last block reaches past the text into the
    // padding, its pairs there sent to the empty entry. Two sums, so that neighbouring lookups
    // do not wait for each other.
    const auto* table = reinterpret_cast<const char*>(m_table.data());
    const auto key = [table](quint64 offsets, int k) {
        return _mm_load_si128(
            reinterpret_cast<const __m128i*>(table + quint16(offsets >> (16 * k))));
    };
    const __m128i zero = _mm_setzero_si128();
    const __m128i hashBits = _mm_set1_epi16(short((kEmpty - 1) * sizeof(Keys)));
    __m128i even = zero;
    __m128i odd = zero;
    const auto block = [&](qsizetype i, __m128i past) {
        const __m128i a =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + i)), zero);
        const __m128i b =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + i + 1)), zero);
        const __m128i offsets =
            _mm_or_si128(_mm_and_si128(_mm_xor_si128(_mm_slli_epi16(a, 8), _mm_slli_epi16(b, 4)),
                                       _mm_andnot_si128(past, hashBits)),
                         _mm_and_si128(past, _mm_set1_epi16(short(kEmpty * sizeof(Keys)))));
        const quint64 low = quint64(_mm_cvtsi128_si64(offsets));
        const quint64 high = quint64(_mm_cvtsi128_si64(_mm_unpackhi_epi64(offsets, offsets)));
        even = _mm_or_si128(even, _mm_or_si128(key(low, 0), key(low, 2)));
        odd = _mm_or_si128(odd, _mm_or_si128(key(low, 1), key(low, 3)));
        even = _mm_or_si128(even, _mm_or_si128(key(high, 0), key(high, 2)));
        odd = _mm_or_si128(odd, _mm_or_si128(key(high, 1), key(high, 3)));
    };
    qsizetype i = 0;
    for (; i + 8 <= pairs; i += 8)
        block(i, zero);
    if (i < pairs) {
        block(i, _mm_cmpgt_epi16(_mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7),
                                 _mm_set1_epi16(short(pairs - i - 1))));
    }
    alignas(16) quint64 sums[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(sums), _mm_or_si128(even, odd));
    return sums[0] & sums[1];
#else
    quint64 first = 0;
    quint64 second = 0;
    for (qsizetype i = 0; i < pairs; ++i) {
        const Keys& k = m_table[hash(p[i], p[i + 1])];
        first |= k.first;
        second |= k.second;
    }
    return first & second;
#endif
}

void NarrowText(const char16_t* in, qsizetype n, bool caseSensitive, char* out)
{
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = in[i];
        if (c < 0x80) {
            out[i] = char(caseSensitive ? c : foldAscii(c));
        } else if (caseSensitive || (c >= 0x3000 && c < 0xA000)) {
            out[i] = kNarrowOther; // CJK text (most of it) has no case
        } else {
            const char16_t folded = foldWide(c); // full-width ASCII folds to ASCII
            out[i] = folded < 0x80 ? char(folded) : kNarrowOther;
        }
    }
}

bool KeywordPattern::match(QStringView text) const
{
    if (m_caseSensitive || m_kind == Kind::Invalid || m_kind == Kind::Everything)
        return matchFolded(text);
    QVarLengthArray<char16_t, 256> folded(text.size());
    foldInto(text.utf16(), text.size(), folded.data());
    return matchFolded(QStringView(folded.data(), folded.size()));
}

bool MatchKeyword(QStringView text, QStringView pattern, bool caseSensitive)
{
    return KeywordPattern(pattern, caseSensitive).match(text);
}

void PrepareLine(QStringView raw, qint16 tabToSpace, PreparedLine& out)
{
    const qsizetype n = raw.size();
    const char16_t* src = raw.utf16();
    out.line.resize(n);
    char16_t* line = reinterpret_cast<char16_t*>(out.line.data());
    if (tabToSpace == 1)
        std::replace_copy(src, src + n, line, u'\t', u' ');
    else
        std::copy(src, src + n, line);
    qsizetype lead = 0;
    while (lead < n && line[lead] == u' ')
        ++lead;
    out.trimmed.resize(n - lead);
    std::copy(line + lead, line + n, reinterpret_cast<char16_t*>(out.trimmed.data()));
}

QStringView CommentPiece(QStringView line, int column, int length)
{
    if (column < 1 || length <= 0 || column > line.size())
        return QStringView();
    const qsizetype begin = column - 1;
    return line.sliced(begin, std::min<qsizetype>(length, line.size() - begin));
}

QString BlankTrim(QStringView s)
{
    qsizetype lead = 0;
    while (lead < s.size() && (s[lead] == u' ' || s[lead] == u'\t'))
        ++lead;
    QString out = s.sliced(lead).toString();
    out.replace(u'\t', u' ');
    return out;
}

QStringList SplitWordList(const QString& wordCount)
{
    if (wordCount.isEmpty())
        return {};
    return wordCount.split(u',');
}
