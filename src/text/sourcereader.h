#pragma once

#include <memory>

#include <QIODevice>
#include <QString>

#include "text/linereader.h"
#include "text/sourceencoding.h"

// Reads a source file's lines in its own encoding. The encoding is chosen on the first
// kEncodingSampleSize bytes (see ChooseSourceEncoding); a byte-order mark is skipped. UTF-16 is
// converted to UTF-8 on the way in, so lines are always split on bytes: lines() gives them in
// lineEncoding() (CP932, UTF-8 or EUC-JP), ready for a LineDecoder.
class SourceReader final {
public:
    // `device` is open for reading and positioned at its start. Blocks of 128 KiB are still in
    // the core's cache when their lines are counted (1 MiB ones counted 5 % slower).
    SourceReader(QIODevice& device, SourceEncoding requested, qsizetype blockSize = 1 << 17,
                 qsizetype maxLineLength = LineReader::kMaxLineLength);
    ~SourceReader();
    SourceReader(const SourceReader&) = delete;
    SourceReader& operator=(const SourceReader&) = delete;

    // The encoding used (never Auto), the byte-order mark and whether the file is binary.
    const EncodingChoice& choice() const { return m_choice; }
    SourceEncoding encoding() const { return m_choice.encoding; }
    bool isBinary() const { return m_choice.binary; }

    SourceEncoding lineEncoding() const;
    LineReader& lines() { return *m_lines; }

private:
    EncodingChoice m_choice;
    std::unique_ptr<QIODevice> m_input; // the bytes read to choose the encoding, then the rest
    std::unique_ptr<QIODevice> m_utf16; // converts a UTF-16 file to UTF-8
    std::unique_ptr<LineReader> m_lines;
};
