#include "linereader.h"

#include <cstring>

LineReader::LineReader(QIODevice& device, qsizetype blockSize, qsizetype maxLineLength)
    : m_device(device)
    , m_maxLineLength(maxLineLength)
{
    m_block.resize(blockSize);
}

bool LineReader::refill()
{
    if (m_eof)
        return false;
    const qint64 n = m_device.read(m_block.data(), m_block.size());
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
    m_lfPos = -1;
    return true;
}

bool LineReader::next(QByteArrayView& line)
{
    if (m_tooLong)
        return false;
    m_carry.clear();
    bool carrying = false;
    for (;;) {
        if (m_pos == m_end && !refill()) {
            if (carrying) {
                line = QByteArrayView(m_carry.data(), qsizetype(m_carry.size()));
                return true;
            }
            return false;
        }
        if (m_skipLf) {
            m_skipLf = false;
            if (m_block[m_pos] == '\n') {
                ++m_pos;
                continue;
            }
        }
        const char* begin = m_block.constData() + m_pos;
        const qsizetype avail = m_end - m_pos;
        // The next LF is remembered across lines, so a file of lone CRs is not rescanned for
        // an LF on every line.
        if (m_lfPos < m_pos) {
            const void* lf = std::memchr(begin, '\n', size_t(avail));
            m_lfPos = lf ? static_cast<const char*>(lf) - m_block.constData() : m_end;
        }
        const qsizetype span = m_lfPos - m_pos;
        const char* cr = static_cast<const char*>(std::memchr(begin, '\r', size_t(span)));
        const char* stop = cr ? cr : (m_lfPos < m_end ? begin + span : nullptr);
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
                if (m_block[m_pos] == '\n')
                    ++m_pos;
            } else {
                m_skipLf = true;
            }
        }
        if (carrying) {
            m_carry.insert(m_carry.end(), begin, begin + len);
            line = QByteArrayView(m_carry.data(), qsizetype(m_carry.size()));
        } else {
            line = QByteArrayView(begin, len);
        }
        return true;
    }
}
