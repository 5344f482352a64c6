#include "linereader.h"

#include <cstring>

#ifdef __SSE2__
#include <immintrin.h>
#endif

namespace {

// Zeroed bytes kept after the data of the block, so that the line-end search reads whole
// 32-byte blocks without looking at anything but the block (a zero is no line end), and after a
// carried line.
constexpr qsizetype kPadding = LineReader::kReadablePast;

// Offset of the first CR or LF at or after `p`, in one pass; a value >= n when there is none
// before `p + n`. Reads up to 31 bytes past `p + n`, which must be readable and hold neither.
qsizetype findLineEnd(const char* p, qsizetype n)
{
#ifdef __SSE2__
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (qsizetype i = 0; i < n; i += 16) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const unsigned hits =
            unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(c, cr), _mm_cmpeq_epi8(c, lf))));
        if (hits)
            return i + __builtin_ctz(hits);
    }
    return n;
#else
    qsizetype i = 0;
    while (i < n && p[i] != '\r' && p[i] != '\n')
        ++i;
    return i;
#endif
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// The same, 32 bytes a step, for CPUs that have AVX2 (chosen at run time).
__attribute__((target("avx2"))) qsizetype findLineEndAvx2(const char* p, qsizetype n)
{
    const __m256i cr = _mm256_set1_epi8('\r');
    const __m256i lf = _mm256_set1_epi8('\n');
    for (qsizetype i = 0; i < n; i += 32) {
        const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
        const unsigned hits = unsigned(_mm256_movemask_epi8(
            _mm256_or_si256(_mm256_cmpeq_epi8(c, cr), _mm256_cmpeq_epi8(c, lf))));
        if (hits)
            return i + __builtin_ctz(hits);
    }
    return n;
}

// Chosen as the program starts, when the CPU model may not be known yet: asked for first.
const auto findLineEndBest = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? findLineEndAvx2 : findLineEnd;
}();
#else
const auto findLineEndBest = findLineEnd;
#endif

} // namespace

LineReader::LineReader(QIODevice& device, qsizetype blockSize, qsizetype maxLineLength)
    : m_device(device)
    , m_maxLineLength(maxLineLength)
{
    m_block.resize(blockSize + kPadding);
    m_data = m_block.data(); // the block is never resized or shared again
}

bool LineReader::refill()
{
    if (m_eof)
        return false;
    const qint64 n = m_device.read(m_data, m_block.size() - kPadding);
    if (n < 0) {
        m_failed = true;
        m_eof = true;
        return false;
    }
    if (n == 0) {
        m_eof = true;
        return false;
    }
    m_pos = 0;
    m_end = n;
    std::memset(m_data + n, 0, kPadding);
    return true;
}

QByteArrayView LineReader::paddedCarry()
{
    const qsizetype length = qsizetype(m_carry.size());
    m_carry.resize(m_carry.size() + size_t(kPadding), '\0');
    return QByteArrayView(m_carry.data(), length);
}

bool LineReader::next(QByteArrayView& line)
{
    // Most lines end inside the block: found with one search and nothing else.
    if (!m_skipLf && m_pos < m_end) {
        const char* begin = m_data + m_pos;
        const qsizetype found = findLineEndBest(begin, m_end - m_pos);
        if (found < m_end - m_pos && found <= m_maxLineLength && !m_tooLong) {
            advance(found);
            line = QByteArrayView(begin, found);
            return true;
        }
    }
    return nextSlowly(line);
}

bool LineReader::nextSlowly(QByteArrayView& line)
{
    if (m_tooLong)
        return false;
    m_carry.clear();
    bool carrying = false;
    for (;;) {
        if (m_pos == m_end && !refill()) {
            if (carrying) {
                line = paddedCarry();
                return true;
            }
            return false;
        }
        if (m_skipLf) {
            m_skipLf = false;
            if (m_data[m_pos] == '\n') {
                ++m_pos;
                continue;
            }
        }
        const char* begin = m_data + m_pos;
        const qsizetype avail = m_end - m_pos;
        const qsizetype found = findLineEndBest(begin, avail);
        const char* stop = found < avail ? begin + found : nullptr;
        const qsizetype carried = carrying ? qsizetype(m_carry.size()) : 0;
        if (carried + (stop ? stop - begin : avail) > m_maxLineLength) {
            m_tooLong = true;
            m_carry = {};
            return false;
        }
        if (!stop) {
            m_carry.insert(m_carry.end(), begin, begin + avail);
            carrying = true;
            m_pos = m_end;
            continue;
        }
        const qsizetype len = stop - begin;
        m_pos += len + 1;
        if (*stop == '\r') {
            if (m_pos < m_end) {
                if (m_data[m_pos] == '\n')
                    ++m_pos;
            } else {
                m_skipLf = true;
            }
        }
        if (carrying) {
            m_carry.insert(m_carry.end(), begin, begin + len);
            line = paddedCarry();
        } else {
            line = QByteArrayView(begin, len);
        }
        return true;
    }
}
