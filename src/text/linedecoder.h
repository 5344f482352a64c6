#pragma once

#include <memory>

#include <QByteArrayView>
#include <QString>

#include "text/sourceencoding.h"

struct UConverter;

// Decodes the lines of a file one at a time, in CP932, UTF-8 or EUC-JP: bytes these encodings
// cannot hold become U+FFFD, and nothing carries over from one line to the next. Line ends are
// split off before decoding, which is safe because no trail byte of these encodings is CR or LF.
class LineDecoder final {
public:
    // `encoding` is Cp932, Utf8 or EucJp.
    explicit LineDecoder(SourceEncoding encoding);
    ~LineDecoder();
    LineDecoder(const LineDecoder&) = delete;
    LineDecoder& operator=(const LineDecoder&) = delete;

    SourceEncoding encoding() const { return m_encoding; }

    // Decodes into `dst`, which must hold bytes.size() characters; returns the characters written.
    qsizetype decodeTo(QByteArrayView bytes, char16_t* dst);

    QString decode(QByteArrayView bytes);

private:
    struct ConverterCloser {
        void operator()(UConverter* converter) const;
    };

    SourceEncoding m_encoding;
    std::unique_ptr<UConverter, ConverterCloser> m_converter; // EUC-JP only
};

namespace Utf8 {

// Decodes UTF-8; each maximal invalid part becomes one U+FFFD. `dst` holds bytes.size()
// characters.
qsizetype decodeTo(QByteArrayView bytes, char16_t* dst);

} // namespace Utf8
