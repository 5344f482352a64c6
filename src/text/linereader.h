#pragma once

#include <vector>

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>

// Splits a device into lines of raw bytes, reading it in large blocks. CR LF, a lone CR and a
// lone LF each end a line and are not part of it; a last line without line end is still a
// line; an empty device has no lines. CP932 trail bytes are never CR or LF, so splitting the
// bytes before decoding is safe. Memory stays at one block plus the longest line, and a line
// longer than the limit ends the reading instead of growing without bound.
class LineReader final {
public:
    // No source line comes near this; a longer one is binary data or damage.
    static constexpr qsizetype kMaxLineLength = qsizetype(16) << 20;

    explicit LineReader(QIODevice& device, qsizetype blockSize = 1 << 20,
                        qsizetype maxLineLength = kMaxLineLength);
    Q_DISABLE_COPY_MOVE(LineReader)

    // Bytes after every line that may be read (a vectorised scan may run past the line's end).
    static constexpr qsizetype kReadablePast = 144;

    // The next line, valid until the next call, followed by kReadablePast readable bytes; false
    // at the end or on a read error.
    bool next(QByteArrayView& line);

    // For a caller that finds line ends itself: the bytes from the next line's start to the end
    // of the block (followed by kReadablePast readable bytes, zeros past the block's data), or
    // nothing when the next line must come from next() (the block is used up, or a CR ended
    // it). Having taken lines from rest(), skipTo(next) moves to where the next line starts:
    // past the last line's CR, LF or CR LF.
    QByteArrayView rest() const
    {
        if (m_skipLf || m_tooLong)
            return {};
        return QByteArrayView(m_data + m_pos, m_end - m_pos);
    }
    void skipTo(const char* next)
    {
        m_pos = next - m_data;
        // A CR that ends the block may have its LF in the next one.
        m_skipLf = m_pos == m_end && m_pos > 0 && m_data[m_pos - 1] == '\r';
    }

private:
    void advance(qsizetype length)
    {
        m_pos += length + 1;
        if (m_data[m_pos - 1] == '\r') {
            if (m_pos == m_end)
                m_skipLf = true;
            else if (m_data[m_pos] == '\n')
                ++m_pos;
        }
    }

public:
    // Set when reading stopped because the device failed.
    bool failed() const { return m_failed; }
    // Set when reading stopped at a line longer than maxLineLength(); that line is not returned.
    bool lineTooLong() const { return m_tooLong; }
    qsizetype maxLineLength() const { return m_maxLineLength; }
    QString errorString() const { return m_device.errorString(); }

private:
    bool refill();
    // next() for a line that runs past the block, the block's first line and the end.
    Q_DECL_COLD_FUNCTION Q_NEVER_INLINE bool nextSlowly(QByteArrayView& line);
    // The carried line, with kReadablePast bytes after it.
    QByteArrayView paddedCarry();

    QIODevice& m_device;
    QByteArray m_block;
    char* m_data = nullptr; // m_block's bytes
    qsizetype m_pos = 0;
    qsizetype m_end = 0;
    qsizetype m_maxLineLength;
    // Start of a line that runs past the block. A std::vector, so a failed growth throws
    // std::bad_alloc to the caller instead of ending the program inside Qt.
    std::vector<char> m_carry;
    bool m_skipLf = false; // the previous line ended in CR: a leading LF belongs to it
    bool m_eof = false;
    bool m_failed = false;
    bool m_tooLong = false;
};
