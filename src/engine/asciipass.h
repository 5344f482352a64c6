#pragma once

// The byte pass of counting's ASCII fast path: TABs to spaces, case folding and masked columns in
// one vectorised pass over a line's bytes.

#include <algorithm>
#include <limits>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <QtGlobal>

#include "engine/modedefinition.h"

namespace AsciiPass {

// Masked columns as the byte pass applies them, block by block as it writes: a byte map of the
// columns up to where every column is alike (the last range's end, or the start of a range open
// to the end of the line), or up to kMapped columns when that lies further out.
struct AsciiMask {
    static constexpr qsizetype kMapped = 4096;

    explicit AsciiMask(const std::vector<MaskRange>& masks)
        : ranges(masks)
    {
        for (const MaskRange& m : masks) {
            if (m.last == 0)
                from = std::min<qsizetype>(from, m.first - 1);
            else
                bounded = std::max<qsizetype>(bounded, m.last);
        }
        const qsizetype alike = std::max(bounded, from == kNever ? 0 : from);
        mapped = std::min(alike, kMapped);
        restMasked = mapped == alike && from != kNever;
        columns.resize(size_t(mapped + 16));
        for (qsizetype i = 0; i < mapped + 16; ++i)
            columns[size_t(i)] = masked(i) ? 0xFF : 0;
    }

    // Whether the 0-based column i is masked.
    bool masked(qsizetype i) const
    {
        if (i >= from)
            return true;
        for (const MaskRange& m : ranges) {
            if (m.last != 0 && i >= m.first - 1 && i < m.last)
                return true;
        }
        return false;
    }

    static constexpr qsizetype kNever = std::numeric_limits<qsizetype>::max();
    std::vector<MaskRange> ranges;
    std::vector<unsigned char> columns; // 0xFF for a masked column, mapped + 16 of them
    qsizetype bounded = 0;              // the end of the last range with an end
    qsizetype from = kNever;            // the first column of a range open to the end, 0-based
    qsizetype mapped = 0;
    bool restMasked = false; // columns from `mapped` on, when they are alike
};

#ifdef __SSE2__
// The block of columns [at, at + 16) with its masked columns turned to spaces.
inline __m128i mask16(__m128i c, qsizetype at, const AsciiMask& mask)
{
    __m128i m;
    if (at < mask.mapped) {
        m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mask.columns.data() + at));
    } else if (mask.mapped == AsciiMask::kMapped) {
        alignas(16) unsigned char block[16];
        for (int i = 0; i < 16; ++i)
            block[i] = mask.masked(at + i) ? 0xFF : 0;
        m = _mm_load_si128(reinterpret_cast<const __m128i*>(block));
    } else {
        m = mask.restMasked ? _mm_set1_epi8(char(0xFF)) : _mm_setzero_si128();
    }
    return _mm_or_si128(_mm_andnot_si128(m, c), _mm_and_si128(m, _mm_set1_epi8(' ')));
}

template <bool Tab, bool Fold>
inline __m128i prepare16(__m128i c)
{
    if constexpr (Tab) {
        const __m128i tab = _mm_cmpeq_epi8(c, _mm_set1_epi8('\t'));
        c = _mm_xor_si128(c, _mm_and_si128(tab, _mm_set1_epi8('\t' ^ ' ')));
    }
    if constexpr (Fold) {
        // Signed compares: a byte above ASCII is negative and stays (the line is refused).
        const __m128i upper = _mm_and_si128(_mm_cmpgt_epi8(c, _mm_set1_epi8('A' - 1)),
                                            _mm_cmplt_epi8(c, _mm_set1_epi8('Z' + 1)));
        c = _mm_add_epi8(c, _mm_and_si128(upper, _mm_set1_epi8(32)));
    }
    return c;
}
#endif

// One pass over a line's bytes: TABs to spaces, case folding and masked columns as asked, into
// `out`. False when a byte is not ASCII (`out` is then of no use). Masking after folding gives
// the same bytes: a space folds to itself. Masks go into the same stores, so later reads of the
// line are not held up by narrower stores over wider ones.
template <bool Tab, bool Fold, bool Mask>
bool prepareAscii(const unsigned char* in, qsizetype n, unsigned char* out, const AsciiMask& mask)
{
#ifdef __SSE2__
    // Captured by default: without Mask, a named capture of `mask` would go unused.
    auto prepare = [&](__m128i c, qsizetype at) {
        c = prepare16<Tab, Fold>(c);
        if constexpr (Mask)
            c = mask16(c, at, mask);
        return c;
    };
    __m128i seen = _mm_setzero_si128();
    qsizetype i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        seen = _mm_or_si128(seen, c);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), prepare(c, i));
    }
    if (i < n && n >= 16) {
        // The last sixteen bytes again, overlapping: each output byte depends on its input
        // byte alone, so the bytes done twice come out the same.
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + n - 16));
        seen = _mm_or_si128(seen, c);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n - 16), prepare(c, n - 16));
    } else if (i < n) {
        // A short line through a zeroed block: nothing is read or written past the line.
        alignas(16) unsigned char block[16] = {};
        std::memcpy(block, in + i, size_t(n - i));
        const __m128i c = _mm_load_si128(reinterpret_cast<const __m128i*>(block));
        seen = _mm_or_si128(seen, c);
        _mm_store_si128(reinterpret_cast<__m128i*>(block), prepare(c, i));
        std::memcpy(out + i, block, size_t(n - i));
    }
    return _mm_movemask_epi8(seen) == 0;
#else
    unsigned char seen = 0;
    for (qsizetype i = 0; i < n; ++i) {
        unsigned char c = in[i];
        seen |= c;
        if constexpr (Tab)
            c = c == '\t' ? ' ' : c;
        if constexpr (Fold)
            c = static_cast<unsigned char>(c + (static_cast<unsigned char>(c - 'A') < 26 ? 32 : 0));
        out[i] = c;
    }
    if constexpr (Mask) {
        for (qsizetype i = 0; i < n; ++i) {
            if (mask.masked(i))
                out[i] = ' ';
        }
    }
    return seen < 0x80;
#endif
}

} // namespace AsciiPass
