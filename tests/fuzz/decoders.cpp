// Source decoding in every encoding. The first byte picks the requested encoding (auto or a
// named one), the rest is a file: choosing the encoding, reading its lines at two block sizes
// and decoding them never crash, the block size changes nothing, a decoded line is never longer
// than its bytes, and valid UTF-8 decodes exactly as Qt decodes it.

#include <cstddef>
#include <cstdint>
#include <vector>

#include <QBuffer>
#include <QByteArray>
#include <QString>

#include "fuzzutil.h"
#include "text/linedecoder.h"
#include "text/sourceencoding.h"
#include "text/sourcereader.h"

namespace {

constexpr SourceEncoding kEncodings[] = {SourceEncoding::Auto,    SourceEncoding::Cp932,
                                         SourceEncoding::Utf8,    SourceEncoding::EucJp,
                                         SourceEncoding::Utf16Le, SourceEncoding::Utf16Be};

struct Decoded {
    SourceEncoding encoding = SourceEncoding::Cp932;
    bool binary = false;
    QStringList lines;
};

Decoded Read(QByteArray data, SourceEncoding requested, qsizetype blockSize)
{
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    SourceReader reader(buffer, requested, blockSize, 4096);
    Decoded out{reader.encoding(), reader.isBinary(), {}};
    if (out.binary)
        return out;
    LineDecoder decoder(reader.lineEncoding());
    std::vector<char16_t> chars;
    QByteArrayView line;
    while (reader.lines().next(line)) {
        chars.resize(size_t(line.size()) + 1);
        const qsizetype n = decoder.decodeTo(line, chars.data());
        fuzz::Check(n <= line.size(), "a line decoded to more characters than bytes");
        // Not QString::fromUtf16: it would take a leading U+FEFF or U+FFFE for a byte-order mark.
        const QString text = QStringView(chars.data(), n).toString();
        fuzz::Check(decoder.decode(line) == text, "decode differs from decodeTo");
        out.lines << text;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const SourceEncoding requested = kEncodings[data[0] % std::size(kEncodings)];
    const QByteArray file(reinterpret_cast<const char*>(data) + 1, qsizetype(size) - 1);

    const Decoded whole = Read(file, requested, 1 << 20);
    fuzz::Check(whole.encoding != SourceEncoding::Auto, "the chosen encoding is auto");
    const Decoded small = Read(file, requested, 7);
    fuzz::Check(small.encoding == whole.encoding && small.binary == whole.binary &&
                    small.lines == whole.lines,
                "the block size changed the lines");

    if (whole.encoding == SourceEncoding::Utf8 && !whole.binary) {
        LineDecoder utf8(SourceEncoding::Utf8);
        // Qt drops a leading byte-order mark; the reader has skipped it already.
        QByteArray line = file.left(file.indexOf('\n')).replace('\r', ' ');
        if (line.startsWith("\xEF\xBB\xBF"))
            line.remove(0, 3);
        // Qt drops a leading mark again, though after the first one each is a character of the
        // text (U+FEFF), which the decoder keeps.
        QString qt;
        qsizetype marks = 0;
        while (line.mid(3 * marks).startsWith("\xEF\xBB\xBF"))
            ++marks;
        qt.fill(QChar(0xFEFF), marks);
        qt += QString::fromUtf8(line.mid(3 * marks));
        if (!qt.contains(QChar(0xFFFD)) && !line.contains('\0'))
            fuzz::Check(utf8.decode(line) == qt, "valid UTF-8 decodes unlike Qt");
    }
    return 0;
}
