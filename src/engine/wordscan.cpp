#include "wordscan.h"

#include <algorithm>

#include "engine/countfile.h"
#include "engine/keywordmatch.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define QUORVIX_WORDSCAN_AVX2 1
#include <immintrin.h>
#define QUORVIX_AVX2 __attribute__((target("avx2")))
#endif

WordScan::WordScan(const std::vector<KeywordPattern>& words, const std::vector<quint64>& bits)
{
    const auto add = [&](size_t i) {
        Word word;
        word.index = int(i);
        word.pattern = &words[i];
        const std::string_view literal = words[i].shortLiteral();
        if (!literal.empty()) {
            std::copy(literal.begin(), literal.end(), word.needle.begin());
            word.length = qint8(literal.size());
            word.mask = quint32((1u << literal.size()) - 1);
            word.probeAt1 = qint8(words[i].shortLiteralProbes()[0]);
            word.probeAt2 = qint8(words[i].shortLiteralProbes()[1]);
        }
        m_words.push_back(word);
    };
    for (size_t bit = 0; bit < 64; ++bit) {
        m_begin[bit] = m_words.size();
        for (size_t i = 0; i < words.size(); ++i) {
            if (bits[i] == quint64(1) << bit)
                add(i);
        }
    }
    m_begin[64] = m_words.size();
    for (size_t i = 0; i < words.size(); ++i) {
        if (bits[i] == 0)
            add(i);
        m_anyBit |= bits[i];
    }
#ifdef QUORVIX_WORDSCAN_AVX2
    __builtin_cpu_init();
    m_avx2 = __builtin_cpu_supports("avx2");
#endif
}

void WordScan::countGeneral(std::string_view text, quint64 candidates, qint32* counts) const
{
    forEachCandidate(candidates, [&](int i, const KeywordPattern& word) {
        AddToCounter(counts[i], word.matchPadded(text) ? 1 : 0);
    });
}

#ifdef QUORVIX_WORDSCAN_AVX2
namespace {

QUORVIX_AVX2 inline __m256i load(const char* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// 1 when the literal occurs in `text`, else 0 (at most kLongestShort bytes, kReadsPast readable
// after): the positions where both probe characters match, 64 at once, then the whole literal at
// the first of them; only a false first candidate with more after it loops.
QUORVIX_AVX2 Q_ALWAYS_INLINE unsigned findLiteral(const char* text, qsizetype n,
                                                  const std::array<char, 16>& needle,
                                                  qsizetype length, qsizetype at1, qsizetype at2,
                                                  quint32 mask)
{
    if (n < length)
        return 0;
    const __m256i probe1 = _mm256_set1_epi8(needle[size_t(at1)]);
    const __m256i probe2 = _mm256_set1_epi8(needle[size_t(at2)]);
    const auto hitsAt = [&](qsizetype from) QUORVIX_AVX2 {
        return quint64(unsigned(_mm256_movemask_epi8(
            _mm256_and_si256(_mm256_cmpeq_epi8(load(text + from + at1), probe1),
                             _mm256_cmpeq_epi8(load(text + from + at2), probe2)))));
    };
    // Positions 0 to n - length; a shift by 64 would be undefined.
    const qsizetype last = n - length;
    const quint64 valid = last >= 63 ? ~quint64(0) : (quint64(2) << last) - 1;
    quint64 hits = (hitsAt(0) | hitsAt(32) << 32) & valid;
    const __m128i literal = _mm_loadu_si128(reinterpret_cast<const __m128i*>(needle.data()));
    const auto matchesAt = [&](qsizetype at) QUORVIX_AVX2 {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
        return (unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(here, literal))) & mask) == mask;
    };
    // Without a hit this compares at position 63, inside the readable bytes, and is ignored.
    // Whether a candidate proves true is not branched on: that is as good as random.
    const unsigned found =
        unsigned(hits != 0) & unsigned(matchesAt(__builtin_ctzll(hits | quint64(1) << 63)));
    // More hits matter only when the first was not one: one test for both.
    quint64 rest = hits & (hits - 1) & (quint64(found) - 1);
    for (; Q_UNLIKELY(rest != 0); rest &= rest - 1) {
        if (matchesAt(__builtin_ctzll(rest)))
            return 1;
    }
    return found;
}

} // namespace

QUORVIX_AVX2 void WordScan::countShort(std::string_view text, quint64 candidates,
                                       qint32* counts) const
{
    const qsizetype n = qsizetype(text.size());
    const Word* const words = m_words.data();
    const Word* const end = words + m_words.size();
    // The words of each candidate bit in turn, then those always tried: one loop, as a call per
    // bit would cost a tenth of a matched line.
    quint64 bits = candidates & m_anyBit;
    const Word* word = words + m_begin[64];
    const Word* stop = end;
    bool always = bits == 0;
    if (!always) {
        const auto bit = size_t(__builtin_ctzll(bits));
        word = words + m_begin[bit];
        stop = words + m_begin[bit + 1];
        bits &= bits - 1;
    }
    for (;;) {
        for (; word != stop; ++word) {
            const unsigned matched = word->length > 0
                                         ? findLiteral(text.data(), n, word->needle, word->length,
                                                       word->probeAt1, word->probeAt2, word->mask)
                                         : unsigned(word->pattern->matchPadded(text));
            AddToCounter(counts[word->index], int(matched));
        }
        if (always)
            return;
        if (bits != 0) {
            const auto bit = size_t(__builtin_ctzll(bits));
            word = words + m_begin[bit];
            stop = words + m_begin[bit + 1];
            bits &= bits - 1;
        } else {
            word = words + m_begin[64];
            stop = end;
            always = true;
        }
    }
}
#else
void WordScan::countShort(std::string_view text, quint64 candidates, qint32* counts) const
{
    countGeneral(text, candidates, counts); // never without AVX2
}
#endif
