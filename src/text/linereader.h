#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>

// Splits a device into lines of raw bytes, reading it in large blocks. CR LF, a lone CR and a
// lone LF each end a line and are not part of it; a last line without line end is still a
// line; an empty device has no lines. CP932 trail bytes are never CR or LF, so splitting the
// bytes before decoding is safe. Memory stays at one block plus the longest line.
class LineReader final {
public:
    explicit LineReader(QIODevice& device, qsizetype blockSize = 1 << 20);

    // The next line, valid until the next call; false at the end or on a read error.
    bool next(QByteArrayView& line);

    // Set when reading stopped because the device failed.
    bool failed() const { return m_failed; }
    QString errorString() const { return m_device.errorString(); }

private:
    bool refill();

    QIODevice& m_device;
    QByteArray m_block;
    qsizetype m_pos = 0;
    qsizetype m_end = 0;
    qsizetype m_lfPos = -1; // next LF in the block at or after m_pos, or m_end
    QByteArray m_carry;     // start of a line that runs past the block
    bool m_skipLf = false;  // the previous line ended in CR: a leading LF belongs to it
    bool m_eof = false;
    bool m_failed = false;
};
