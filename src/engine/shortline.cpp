#include "shortline.h"

#include <algorithm>
#include <string_view>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define QUORVIX_SHORTLINE_AVX2 1
#include <immintrin.h>
#endif

#include "engine/keywordmatch.h"

#ifdef QUORVIX_SHORTLINE_AVX2
#define QUORVIX_AVX2 __attribute__((target("avx2")))

namespace {

QUORVIX_AVX2 inline __m256i load(const void* at)
{
    return _mm256_loadu_si256(static_cast<const __m256i*>(at));
}

// 32 bytes of `c` in one load: the compiler builds a constant of one byte repeated with three
// instructions, in every call, unless the load cannot be seen through.
template <char c>
QUORVIX_AVX2 inline __m256i splat()
{
    alignas(32) static volatile const char bytes[32] = {c, c, c, c, c, c, c, c, c, c, c,
                                                        c, c, c, c, c, c, c, c, c, c, c,
                                                        c, c, c, c, c, c, c, c, c, c};
    return _mm256_load_si256(
        const_cast<const __m256i*>(reinterpret_cast<const volatile __m256i*>(bytes)));
}

// Bytes as the classifier sees them: TABs replaced, masked columns blanked, folded.
struct Prepare {
    __m256i space, tab, foldAdd;

    // Folding only matters to keywords.
    template <bool Fold>
    QUORVIX_AVX2 __m256i apply(__m256i c, const unsigned char* masked) const
    {
        c = _mm256_blendv_epi8(c, space, _mm256_cmpeq_epi8(c, tab));
        c = _mm256_blendv_epi8(c, space,
                               _mm256_loadu_si256(reinterpret_cast<const __m256i*>(masked)));
        if constexpr (!Fold)
            return c;
        // 'A' to 'Z' moved to the 26 lowest signed bytes, so one compare finds them.
        const __m256i upper = _mm256_cmpgt_epi8(splat<char(-128 + 26)>(),
                                                _mm256_add_epi8(c, splat<char(0x80 - 'A')>()));
        return _mm256_add_epi8(c, _mm256_and_si256(upper, foldAdd));
    }
};

// The buckets whose byte the nibble tables `low` and `high` hold, per byte of `c`.
QUORVIX_AVX2 inline __m256i buckets(__m256i c, __m256i low, __m256i high)
{
    const __m256i nibble = splat<0x0F>();
    return _mm256_and_si256(
        _mm256_shuffle_epi8(low, _mm256_and_si256(c, nibble)),
        _mm256_shuffle_epi8(high, _mm256_and_si256(_mm256_srli_epi16(c, 4), nibble)));
}

// 0xFF in the first `count` bytes of a load from kLeading + 64 - count (count -1 to 64).
alignas(64) constexpr auto kLeading = [] {
    std::array<unsigned char, 160> a{};
    for (size_t i = 0; i < 64; ++i)
        a[i] = 0xFF;
    return a;
}();

QUORVIX_AVX2 inline __m256i leading(qsizetype count, qsizetype from = 0)
{
    return load(kLeading.data() + 64 - count + from);
}

// The OR of the bytes of `v`.
QUORVIX_AVX2 inline unsigned orBytes(__m256i v)
{
    __m128i x = _mm_or_si128(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    x = _mm_or_si128(x, _mm_srli_si128(x, 8));
    x = _mm_or_si128(x, _mm_srli_si128(x, 4));
    x = _mm_or_si128(x, _mm_srli_si128(x, 2));
    x = _mm_or_si128(x, _mm_srli_si128(x, 1));
    return unsigned(_mm_cvtsi128_si32(x)) & 0xFF;
}

// Bytes 1 to 32 of `a` followed by `b`.
QUORVIX_AVX2 inline __m256i shiftOne(__m256i a, __m256i b)
{
    return _mm256_alignr_epi8(_mm256_permute2x128_si256(a, b, 0x21), a, 1);
}

// 0xFF per byte of `x` in `set`.
QUORVIX_AVX2 inline __m256i member(__m256i x, const ShortLineScan::ByteSet& set)
{
    const __m256i nibble = splat<0x0F>();
    const __m256i low = _mm256_and_si256(x, nibble);
    // The byte's high nibble picks a row of eight (blendv reads the top bit) and a bit in it.
    const __m256i row = _mm256_blendv_epi8(_mm256_shuffle_epi8(load(set.lower.data()), low),
                                           _mm256_shuffle_epi8(load(set.upper.data()), low), x);
    const __m256i bit = _mm256_shuffle_epi8(
        _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16,
                         32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128),
        _mm256_and_si256(_mm256_srli_epi16(x, 4), nibble));
    return _mm256_xor_si256(_mm256_cmpeq_epi8(_mm256_and_si256(row, bit), _mm256_setzero_si256()),
                            _mm256_set1_epi8(-1));
}

} // namespace

// scan() without keywords for a line of up to 63 bytes whose length is known, with what it asks
// of the scan in registers: the counts the run adds to may alias the scan's members, so the
// compiler would load them again for every line.
struct ShortKeywordFreeLine {
    __m256i space, tab;
    quint64 masked; // a bit per masked column
    const unsigned char* maskedColumns;
    const bool* soloByte;
    int soloColumn; // 64 when none: past every such line's end
    bool soloPastEnd;

    QUORVIX_AVX2 explicit ShortKeywordFreeLine(const ShortLineScan& s);
    // For the line of `length` bytes at `data`, followed by 64 - `length` readable bytes.
    QUORVIX_AVX2 ShortLineScan::Line answer(const char* data, qsizetype length) const
    {
        const __m256i raw0 = load(data);
        const __m256i raw1 = load(data + 32);
        const quint64 inLine = (quint64(1) << length) - 1;
        const quint64 above = (unsigned(_mm256_movemask_epi8(raw0)) |
                               quint64(unsigned(_mm256_movemask_epi8(raw1))) << 32) &
                              inLine;
        if (above != 0) {
            // As scanLine answers such a line without keywords.
            const qsizetype firstAbove = __builtin_ctzll(above);
            if (maskedColumns[firstAbove] != 0 || soloColumn >= firstAbove)
                return ShortLineScan::Line{length, ShortLineScan::kAboveAscii};
        }
        const auto blanks = [&](__m256i raw) QUORVIX_AVX2 {
            return unsigned(_mm256_movemask_epi8(
                _mm256_or_si256(_mm256_cmpeq_epi8(raw, space), _mm256_cmpeq_epi8(raw, tab))));
        };
        // A byte above ASCII is never blank.
        const bool blank =
            ((~(blanks(raw0) | quint64(blanks(raw1)) << 32 | masked) | above) & inLine) == 0;
        const bool solo =
            soloColumn < length ? soloByte[uchar(data[std::min(soloColumn, 63)])] : soloPastEnd;
        return ShortLineScan::Line{length, (blank ? ShortLineScan::kBlank : 0) |
                                               (solo ? ShortLineScan::kSolo : 0)};
    }
};

ShortKeywordFreeLine::ShortKeywordFreeLine(const ShortLineScan& s)
    : space(splat<' '>())
    , tab(_mm256_set1_epi8(char(s.m_tab)))
    , masked(s.m_maskedBits[0] | quint64(s.m_maskedBits[1]) << 32)
    , maskedColumns(s.m_masked.data())
    , soloByte(s.m_soloByte.data())
    , soloColumn(s.m_soloColumn >= 0 ? s.m_soloColumn : 64)
    , soloPastEnd(s.m_soloColumn >= 0 && s.m_soloPastEnd)
{
}

struct ShortLineKernel {
    // For a CP932 line of `length` bytes at `data`, followed by kReadsPast readable ones:
    // whether no keyword can match it (see scan). Kept out of the scan's way.
    QUORVIX_AVX2 Q_NEVER_INLINE static bool keywordFreeCp932(const ShortLineScan& s,
                                                             const char* data, qsizetype length);
    // Without keywords, only blanks and the solo keyword are looked at.
    template <bool Keywords>
    QUORVIX_AVX2 Q_ALWAYS_INLINE static ShortLineScan::Line
    scanLine(const ShortLineScan& s, const char* data, qsizetype available, char* prepared,
             bool cp932);
    template <bool Keywords>
    QUORVIX_AVX2 static ShortLineScan::Line scan(const ShortLineScan& s, const char* data,
                                                 qsizetype available, char* prepared, bool cp932)
    {
        return scanLine<Keywords>(s, data, available, prepared, cp932);
    }
    // run() with keywords, and without them.
    QUORVIX_AVX2 static ShortLineScan::Run
    runKeyed(const ShortLineScan& s, const char* data, const char* end, qsizetype longest,
             char* prepared, bool cp932, int maxLines, const std::atomic<bool>* stop,
             std::array<int, 4>& byFacts, ShortLineScan::RunCallbacks& callbacks);
    QUORVIX_AVX2 static ShortLineScan::Run
    runKeywordFree(const ShortLineScan& s, const char* data, const char* end, qsizetype longest,
                   char* prepared, bool cp932, int maxLines, const std::atomic<bool>* stop,
                   std::array<int, 4>& byFacts, ShortLineScan::RunCallbacks& callbacks);
};

namespace {

// Asked before each line of a run after the first.
inline bool stopAsked(const std::atomic<bool>* stop, ShortLineScan::RunCallbacks& callbacks)
{
    return stop ? stop->load(std::memory_order_relaxed) : callbacks.stopAsked();
}

} // namespace

ShortLineScan::Run ShortLineKernel::runKeyed(const ShortLineScan& s, const char* data,
                                             const char* end, qsizetype longest, char* prepared,
                                             bool cp932, int maxLines,
                                             const std::atomic<bool>* stop,
                                             std::array<int, 4>& byFacts,
                                             ShortLineScan::RunCallbacks& callbacks)
{
    using End = ShortLineScan::Run::End;
    ShortLineScan::Run run;
    const char* next = data;
    int lines = 0;
    qint64 lengths = 0;
    while (lines < maxLines && next != end) {
        if (lines > 0 && stopAsked(stop, callbacks)) {
            run.end = End::Stopped;
            break;
        }
        const ShortLineScan::Line line =
            scanLine<true>(s, next, std::min<qsizetype>(end - next, longest), prepared, cp932);
        bool last = false;
        if (line.facts >= 0) {
            ++byFacts[size_t(line.facts)];
        } else if (line.facts == ShortLineScan::kFull && line.length >= 0) {
            last = callbacks.take(line, byFacts);
        } else {
            run.end = End::Unanswered;
            run.last = line;
            break;
        }
        ++lines;
        lengths += line.length;
        next = ShortLineScan::nextLine(next, line.length);
        if (last)
            break;
    }
    run.next = next;
    run.lines = lines;
    run.lengths = lengths;
    return run;
}

ShortLineScan::Run ShortLineKernel::runKeywordFree(const ShortLineScan& s, const char* data,
                                                   const char* end, qsizetype longest,
                                                   char* prepared, bool cp932, int maxLines,
                                                   const std::atomic<bool>* stop,
                                                   std::array<int, 4>& byFacts,
                                                   ShortLineScan::RunCallbacks& callbacks)
{
    using End = ShortLineScan::Run::End;
    // Each line's end comes from a bit map of where lines end (an LF, or a CR without one), 64
    // bytes at a time, made ahead of its use, not from the scan of the line: a line of up to 63
    // bytes is then answered from its length without looking for its end, and each line's
    // scan starts without waiting on the last. (With keywords, where lines go the classifier's
    // way more often, the map does not pay for itself.)
    const auto endsOf = [](const char* at) QUORVIX_AVX2 {
        const __m256i c0 = load(at);
        const __m256i c1 = load(at + 32);
        const __m256i lf = splat<'\n'>();
        const __m256i cr = splat<'\r'>();
        const auto bits = [](__m256i m0, __m256i m1) QUORVIX_AVX2 {
            return quint64(unsigned(_mm256_movemask_epi8(m0))) |
                   quint64(unsigned(_mm256_movemask_epi8(m1))) << 32;
        };
        const quint64 lfs = bits(_mm256_cmpeq_epi8(c0, lf), _mm256_cmpeq_epi8(c1, lf));
        const quint64 crs = bits(_mm256_cmpeq_epi8(c0, cr), _mm256_cmpeq_epi8(c1, cr));
        const quint64 lfAfter = lfs >> 1 | quint64(at[64] == '\n') << 63;
        return lfs | (crs & ~lfAfter);
    };
    const char* chunk = data;
    quint64 ends = endsOf(chunk);
    quint64 following = endsOf(chunk + 64); // the map of the 64 bytes after
    const ShortKeywordFreeLine shortLine(s);
    const bool shortLinesFit = longest > 64; // the reader's longest line takes them
    ShortLineScan::Run run;
    const char* next = data;
    int lines = 0;
    qint64 lengths = 0;
    while (lines < maxLines && next != end) {
        if (lines > 0 && stopAsked(stop, callbacks)) {
            run.end = End::Stopped;
            break;
        }
        // The line's end, if it has one: past the data's end the map holds none (its padding
        // is zeros).
        while (ends == 0 && chunk + 64 < end) {
            chunk += 64;
            ends = following;
            following = endsOf(chunk + 64);
        }
        ShortLineScan::Line line;
        const char* lineEnd = chunk + (ends != 0 ? __builtin_ctzll(ends) : 64);
        if (ends != 0 && lineEnd - next < 64 && shortLinesFit) {
            // Its LF, lone CR, or the LF after its CR.
            const bool crLf = *lineEnd == '\n' && lineEnd > next && lineEnd[-1] == '\r';
            line = shortLine.answer(next, lineEnd - next - (crLf ? 1 : 0));
        } else {
            line =
                scanLine<false>(s, next, std::min<qsizetype>(end - next, longest), prepared, cp932);
        }
        if (line.facts < 0) {
            run.end = End::Unanswered;
            run.last = line;
            break;
        }
        ++byFacts[size_t(line.facts)];
        ++lines;
        lengths += line.length;
        // An answered line ended there.
        next = lineEnd + 1;
        ends &= ends - 1;
    }
    run.next = next;
    run.lines = lines;
    run.lengths = lengths;
    return run;
}

bool ShortLineKernel::keywordFreeCp932(const ShortLineScan& s, const char* data, qsizetype length)
{
    const Prepare prepare{splat<' '>(), _mm256_set1_epi8(char(s.m_tab)),
                          _mm256_set1_epi8(char(s.m_foldAdd))};
    const auto* noMask = kLeading.data() + 64;
    for (qsizetype at = 0; at < length; at += 32) {
        // The positions of the block where a pair inside the line starts.
        const __m256i inPairs = leading(std::min<qsizetype>(length - at - 1, 64));
        const __m256i raw = load(data + at);
        const __m256i next = load(data + at + 1);
        // A lead byte of a character that folds to a byte of a key pair, with its trail byte.
        const auto after = [&](char lead, const ShortLineScan::ByteSet& trails) QUORVIX_AVX2 {
            return _mm256_and_si256(_mm256_cmpeq_epi8(raw, _mm256_set1_epi8(lead)),
                                    member(next, trails));
        };
        // Mostly only full-width letters and digits fold to a key pair's byte: the sets left
        // empty are not looked at.
        __m256i folds = _mm256_setzero_si256();
        if (s.m_foldLeads & ShortLineScan::kFolds81)
            folds = after(char(0x81), s.m_fold81);
        if (s.m_foldLeads & ShortLineScan::kFolds82)
            folds = _mm256_or_si256(folds, after(char(0x82), s.m_fold82));
        if (s.m_foldLeads & ShortLineScan::kFoldsIbm)
            folds = _mm256_or_si256(folds, _mm256_or_si256(after(char(0xEE), s.m_foldIbm),
                                                           after(char(0xFA), s.m_foldIbm)));
        const __m256i pairs =
            _mm256_and_si256(buckets(prepare.apply<true>(raw, noMask), load(s.m_nibbles[0].data()),
                                     load(s.m_nibbles[1].data())),
                             buckets(prepare.apply<true>(next, noMask), load(s.m_nibbles[2].data()),
                                     load(s.m_nibbles[3].data())));
        if (!_mm256_testz_si256(_mm256_or_si256(folds, pairs), inPairs))
            return false;
    }
    return true;
}

template <bool Keywords>
ShortLineScan::Line ShortLineKernel::scanLine(const ShortLineScan& s, const char* data,
                                              qsizetype available, char* prepared, bool cp932)
{
    using Line = ShortLineScan::Line;
    const __m256i cr = splat<'\r'>();
    const __m256i lf = splat<'\n'>();
    const auto endsIn = [&](__m256i c) QUORVIX_AVX2 {
        return unsigned(_mm256_movemask_epi8(
            _mm256_or_si256(_mm256_cmpeq_epi8(c, cr), _mm256_cmpeq_epi8(c, lf))));
    };
    const __m256i first0 = load(s.m_nibbles[0].data());
    const __m256i first1 = load(s.m_nibbles[1].data());
    const __m256i second0 = load(s.m_nibbles[2].data());
    const __m256i second1 = load(s.m_nibbles[3].data());
    const Prepare prepare{splat<' '>(), _mm256_set1_epi8(char(s.m_tab)),
                          _mm256_set1_epi8(char(s.m_foldAdd))};
    // The blank bytes of the line's 32 bytes `raw` from column 32 * block (`c` prepared), as
    // bits. Without keywords nothing is prepared: a TAB when replaced and a masked column are
    // blank (a byte above ASCII never reaches here).
    const auto blankBits = [&](__m256i raw, __m256i c, size_t block) QUORVIX_AVX2 {
        if constexpr (Keywords) {
            return unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi8(c, prepare.space)));
        } else {
            Q_UNUSED(c);
            return unsigned(
                       _mm256_movemask_epi8(_mm256_or_si256(_mm256_cmpeq_epi8(raw, prepare.space),
                                                            _mm256_cmpeq_epi8(raw, prepare.tab)))) |
                   s.m_maskedBits[block];
        }
    };
    // Per position of `c`: the buckets whose pair starts there (`next` is `c` one byte on).
    const auto hitsOf = [&](__m256i c, __m256i next) QUORVIX_AVX2 {
        return _mm256_and_si256(buckets(c, first0, first1), buckets(next, second0, second1));
    };
    const auto pairsOf = [&](__m256i hit) QUORVIX_AVX2 {
        return ~unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi8(hit, _mm256_setzero_si256())));
    };
    // What the line is, from its length and the masks of its bytes; `seen` yields the buckets
    // with a pair in the line.
    // Every lambda here targets AVX2 too: a call from one that does not could not be inlined.
    const auto facts = [&](qsizetype length, bool nonBlank, bool pairs, auto seen) QUORVIX_AVX2 {
        const auto answered = [&]() QUORVIX_AVX2 {
            bool solo = false;
            if (s.m_soloColumn >= 0)
                solo = s.m_soloColumn < length ? s.m_soloByte[uchar(data[s.m_soloColumn])]
                                               : s.m_soloPastEnd;
            return (nonBlank ? 0 : ShortLineScan::kBlank) | (solo ? ShortLineScan::kSolo : 0);
        };
        if (!pairs)
            return Line{length, answered()};
        if (s.m_wordBuckets == 0)
            return Line{length, ShortLineScan::kFull, quint16(s.m_tellsBuckets ? seen() : 0u)};
        const unsigned buckets = seen();
        return Line{length, ShortLineScan::kFull, quint16(s.m_tellsBuckets ? buckets : 0u),
                    qint16((buckets & ~s.m_wordBuckets) == 0 ? answered() : -1)};
    };
    // A line with a byte above ASCII goes the classifier's way, but all it is asked is known
    // when that byte's column (the columns before it are its bytes) is not masked, the solo
    // keyword's column comes before it (such a character is never blank) and no keyword can
    // match: in a CP932 line, its own bytes, TABs replaced and folded, hold no keyword's pair (a
    // byte of a double-byte character only adds pairs) and no character folds to ASCII, such as
    // a full-width letter. Masks are left out: past the first such character, columns are no
    // longer bytes; blanking only adds pairs with a blank, which no key pair may then hold.
    const auto aboveAscii = [&](qsizetype length, qsizetype firstAbove) QUORVIX_AVX2 {
        const auto keywordFree = [&]() QUORVIX_AVX2 {
            if constexpr (!Keywords)
                return true;
            return cp932 && s.m_aboveAsciiKeywords && keywordFreeCp932(s, data, length);
        };
        if (s.m_masked[size_t(firstAbove)] == 0 && s.m_soloColumn < firstAbove && keywordFree())
            return facts(length, true, false, [] { return 0u; });
        return Line{length, ShortLineScan::kAboveAscii};
    };
    if (available >= 64) {
        // A line of up to 63 bytes, most lines, in two blocks and no branch on its length.
        const __m256i raw0 = load(data);
        const __m256i raw1 = load(data + 32);
        const quint64 ends = endsIn(raw0) | quint64(endsIn(raw1)) << 32;
        if (ends != 0) {
            const qsizetype length = __builtin_ctzll(ends);
            // Without keywords, answered as a run answers it.
            if constexpr (!Keywords)
                return ShortKeywordFreeLine(s).answer(data, length);
            const quint64 inLine = (ends & (0 - ends)) - 1;
            const quint64 above = unsigned(_mm256_movemask_epi8(raw0)) |
                                  quint64(unsigned(_mm256_movemask_epi8(raw1))) << 32;
            if ((above & inLine) != 0)
                return aboveAscii(length, __builtin_ctzll(above));
            const __m256i c0 = prepare.apply<Keywords>(raw0, s.m_masked.data());
            const __m256i c1 = prepare.apply<Keywords>(raw1, s.m_masked.data() + 32);
            const quint64 blanks = blankBits(raw0, c0, 0) | quint64(blankBits(raw1, c1, 1)) << 32;
            quint64 pairs = 0;
            __m256i hit0 = _mm256_setzero_si256();
            __m256i hit1 = _mm256_setzero_si256();
            if constexpr (Keywords) {
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(prepared), c0);
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(prepared + 32), c1);
                hit0 = hitsOf(c0, shiftOne(c0, c1));
                hit1 = hitsOf(c1, shiftOne(c1, _mm256_setzero_si256()));
                pairs = (pairsOf(hit0) | quint64(pairsOf(hit1)) << 32) & (inLine >> 1);
            }
            // A pair ends inside the line, so it starts before its last byte.
            return facts(length, (~blanks & inLine) != 0, pairs != 0, [&]() QUORVIX_AVX2 {
                return orBytes(_mm256_or_si256(_mm256_and_si256(hit0, leading(length - 1)),
                                               _mm256_and_si256(hit1, leading(length - 1, 32))));
            });
        }
        // A line of 64 to 95 bytes (fixed-format sources with sequence numbers: 72 or 80) in
        // three blocks; its end is in the third.
        const __m256i raw2 = load(data + 64);
        if (const unsigned ends2 = endsIn(raw2); ends2 != 0) {
            const qsizetype length = 64 + __builtin_ctz(ends2);
            if (length >= available)
                return Line{};
            const unsigned inLine2 = (ends2 & (0u - ends2)) - 1;
            const unsigned above0 = unsigned(_mm256_movemask_epi8(raw0));
            const unsigned above1 = unsigned(_mm256_movemask_epi8(raw1));
            const unsigned above2 = unsigned(_mm256_movemask_epi8(raw2)) & inLine2;
            if ((above0 | above1 | above2) != 0) {
                const qsizetype firstAbove = above0   ? __builtin_ctz(above0)
                                             : above1 ? 32 + __builtin_ctz(above1)
                                                      : 64 + __builtin_ctz(above2);
                return aboveAscii(length, firstAbove);
            }
            const __m256i c0 = prepare.apply<Keywords>(raw0, s.m_masked.data());
            const __m256i c1 = prepare.apply<Keywords>(raw1, s.m_masked.data() + 32);
            const __m256i c2 = prepare.apply<Keywords>(raw2, s.m_masked.data() + 64);
            const bool nonBlank = (~blankBits(raw0, c0, 0) | ~blankBits(raw1, c1, 1) |
                                   (~blankBits(raw2, c2, 2) & inLine2)) != 0;
            bool pairs = false;
            __m256i hit0 = _mm256_setzero_si256();
            __m256i hit1 = _mm256_setzero_si256();
            __m256i hit2 = _mm256_setzero_si256();
            if constexpr (Keywords) {
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(prepared), c0);
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(prepared + 32), c1);
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(prepared + 64), c2);
                hit0 = hitsOf(c0, shiftOne(c0, c1));
                hit1 = hitsOf(c1, shiftOne(c1, c2));
                hit2 = hitsOf(c2, shiftOne(c2, _mm256_setzero_si256()));
                // Pairs start before the line's last byte: byte 63 is it when the line has 64.
                const unsigned last1 = (ends2 & 1) != 0 ? 0x7FFFFFFFu : ~0u;
                pairs = (pairsOf(hit0) | (pairsOf(hit1) & last1) |
                         (pairsOf(hit2) & (inLine2 >> 1))) != 0;
            }
            return facts(length, nonBlank, pairs, [&]() QUORVIX_AVX2 {
                return orBytes(_mm256_or_si256(
                    hit0, _mm256_or_si256(_mm256_and_si256(hit1, leading(length - 33)),
                                          _mm256_and_si256(hit2, leading(length - 65)))));
            });
        }
    }
    unsigned nonBlank = 0;
    unsigned pairs = 0;
    __m256i seen = _mm256_setzero_si256(); // the pair hits of the line's blocks so far
    __m256i raw = load(data);
    __m256i c = prepare.apply<Keywords>(raw, s.m_masked.data());
    qsizetype length = 0;
    for (qsizetype at = 0;; at += 32) {
        if constexpr (Keywords)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(prepared + at), c);
        unsigned ends = endsIn(raw);
        const unsigned inLine = (ends & (0u - ends)) - 1; // the bytes before the first end
        if (const unsigned above = unsigned(_mm256_movemask_epi8(raw)) & inLine; above != 0) {
            // Above ASCII: the other way, once the line's end is known (the padding after the
            // block holds none).
            const qsizetype firstAbove = at + __builtin_ctz(above);
            for (; ends == 0; ends = endsIn(load(data + at))) {
                at += 32;
                if (at >= available)
                    return Line{};
            }
            const qsizetype end = at + __builtin_ctz(ends);
            if (end >= available)
                return Line{};
            return aboveAscii(end, firstAbove);
        }
        nonBlank |= ~blankBits(raw, c, size_t(at / 32)) & inLine;
        if (ends != 0) {
            // The last block: its pairs end inside the line.
            length = at + __builtin_ctz(ends);
            if constexpr (Keywords) {
                const __m256i hit = _mm256_and_si256(hitsOf(c, shiftOne(c, _mm256_setzero_si256())),
                                                     leading(length - at - 1));
                pairs |= pairsOf(hit);
                seen = _mm256_or_si256(seen, hit);
            }
            if (length >= available)
                return Line{};
            break;
        }
        if (at + 32 >= ShortLineScan::kMaxLength || at + 32 >= available)
            return Line{};
        raw = load(data + at + 32);
        const __m256i following = prepare.apply<Keywords>(raw, s.m_masked.data() + at + 32);
        if constexpr (Keywords) {
            const __m256i hit = hitsOf(c, shiftOne(c, following));
            pairs |= pairsOf(hit);
            seen = _mm256_or_si256(seen, hit);
        }
        c = following;
    }
    return facts(length, nonBlank != 0, pairs != 0, [&]() QUORVIX_AVX2 { return orBytes(seen); });
}
#endif

ShortLineScan::ShortLineScan(const Settings& settings)
{
#ifdef QUORVIX_SHORTLINE_AVX2
    __builtin_cpu_init();
    if (!__builtin_cpu_supports("avx2"))
        return;
    std::vector<const KeywordPattern*> keyed = settings.keywords;
    if (settings.solo) {
        if (settings.soloColumn < 0 || settings.soloLength < 0)
            return; // the classifier's error
        if (settings.soloColumn > 0 && settings.soloLength == 1)
            m_soloColumn = settings.soloColumn - 1;
        else
            keyed.push_back(settings.solo);
    }
    // A bucket per keyword while there are enough. Past that, each keyword that places lines
    // keeps a bucket of its own and the words share the others, so that a line holding only
    // words' pairs is still told apart; with too many of the first kind, all share.
    const size_t words = std::min(settings.words, settings.keywords.size());
    const size_t firstWord = settings.keywords.size() - words;
    const size_t placing = keyed.size() - words;
    const bool ownBuckets = keyed.size() <= kBuckets;
    const bool wordsApart = words > 0 && (ownBuckets || placing < kBuckets);
    for (size_t i = 0; i < keyed.size(); ++i) {
        if (keyed[i]->keyPairs()[0] < 0)
            return;
        const bool word = i >= firstWord && i < firstWord + words;
        size_t bucket = i % kBuckets;
        if (!ownBuckets && wordsApart)
            bucket = word ? placing + (i - firstWord) % (kBuckets - placing)
                          : (i < firstWord ? i : firstWord);
        const unsigned char bit = static_cast<unsigned char>(1u << bucket);
        if (word && wordsApart)
            m_wordBuckets |= bit;
        const auto [a, b] = keyed[i]->keyBytes();
        for (const size_t lane : {size_t(0), size_t(16)}) {
            m_nibbles[0][lane + (a & 15)] |= bit;
            m_nibbles[1][lane + (a >> 4)] |= bit;
            m_nibbles[2][lane + (b & 15)] |= bit;
            m_nibbles[3][lane + (b >> 4)] |= bit;
        }
    }
    if (settings.tabToSpace)
        m_tab = '\t';
    if (!settings.caseSensitive)
        m_foldAdd = 32;
    const auto masked = [&](qsizetype column) {
        if (!settings.masks)
            return false;
        for (const MaskRange& m : *settings.masks) {
            if (column + 1 >= m.first && (m.last == 0 || column + 1 <= m.last))
                return true;
        }
        return false;
    };
    for (qsizetype i = 0; i < qsizetype(m_masked.size()); ++i) {
        m_masked[size_t(i)] = masked(i) ? 0xFF : 0;
        m_maskedBits[size_t(i / 32)] |= masked(i) ? 1u << (i % 32) : 0u;
    }
    if (m_soloColumn >= 0) {
        m_soloPastEnd = settings.solo->matchFolded(std::string_view());
        for (int b = 0; b < 128; ++b) {
            char c = char(b);
            if (masked(m_soloColumn) || (settings.tabToSpace && c == '\t'))
                c = ' ';
            else if (!settings.caseSensitive && c >= 'A' && c <= 'Z')
                c = char(c + 32);
            m_soloByte[size_t(b)] = settings.solo->matchFolded(std::string_view(&c, 1));
        }
    }
    m_tellsBuckets = keyed.size() <= kBuckets;
    bool blankInPair = false;
    for (const KeywordPattern* k : keyed) {
        const auto [a, b] = k->keyBytes();
        blankInPair = blankInPair || a == ' ' || b == ' ';
    }
    m_aboveAsciiKeywords = !blankInPair || !settings.masks || settings.masks->empty();
    // The characters that fold to a byte of a key pair: only they can make a pair the line's own
    // bytes do not hold.
    if (!settings.caseSensitive) {
        std::array<bool, 128> inPair{};
        for (const KeywordPattern* k : keyed) {
            for (const unsigned char b : k->keyBytes())
                inPair[b & 127] = true;
        }
        for (const int lead : {0x81, 0x82, 0xEE, 0xFA}) {
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                const char folded = cp932FoldsTo(uchar(lead), uchar(trail));
                if (folded != 0 && inPair[uchar(folded)]) {
                    (lead == 0x81   ? m_fold81
                     : lead == 0x82 ? m_fold82
                                    : m_foldIbm)
                        .add(uchar(trail));
                    m_foldLeads |= lead == 0x81 ? kFolds81 : lead == 0x82 ? kFolds82 : kFoldsIbm;
                }
            }
        }
    }
    m_scan = keyed.empty() ? ShortLineKernel::scan<false> : ShortLineKernel::scan<true>;
    m_run = keyed.empty() ? ShortLineKernel::runKeywordFree : ShortLineKernel::runKeyed;
#else
    Q_UNUSED(settings);
#endif
}
