// The CP932 codec. Decoding: any bytes decode without a crash, each byte or pair to one
// character, and decodeTo/decodeInto agree with decode. Encoding: a decoded text without U+FFFD
// encodes back to bytes that decode to the same text (duplicate codes may come back as the
// code Windows writes), and encoding is stable from then on. The input is also read as UTF-16
// for encode: one byte or one "?" per character CP932 lacks, encodedLength agrees.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QString>

#include "fuzzutil.h"
#include "text/cp932.h"

namespace {

void CheckDecode(QByteArrayView bytes)
{
    const QString text = Cp932::decode(bytes);
    fuzz::Check(text.size() <= bytes.size(), "decode made more characters than bytes");

    std::vector<char16_t> buffer(size_t(bytes.size()) + 1, u'\xAAAA');
    const qsizetype n = Cp932::decodeTo(bytes, buffer.data());
    fuzz::Check(QStringView(buffer.data(), n) == text, "decodeTo differs from decode");
    fuzz::Check(buffer[size_t(bytes.size())] == u'\xAAAA', "decodeTo wrote past the text");

    QString reused = QStringLiteral("previous content that is longer than most inputs");
    Cp932::decodeInto(bytes, reused);
    fuzz::Check(reused == text, "decodeInto differs from decode");

    // ASCII and half-width katakana are one byte each and always come back unchanged.
    bool singleBytes = true;
    for (char b : bytes)
        singleBytes = singleBytes && (uchar(b) < 0x80 || (uchar(b) >= 0xA1 && uchar(b) <= 0xDF));
    if (singleBytes)
        fuzz::Check(Cp932::encode(text) == bytes, "single-byte text does not round-trip");

    if (text.contains(QChar(0xFFFD)))
        return;
    const QByteArray encoded = Cp932::encode(text);
    fuzz::Check(Cp932::decode(encoded) == text, "encode(decode(x)) does not decode back",
                fuzz::Escaped(text));
    fuzz::Check(Cp932::encode(Cp932::decode(encoded)) == encoded,
                "encoding is not stable after one round");
    fuzz::Check(encoded.size() <= bytes.size(), "the round trip grew the bytes");
}

// Encoding works character by character: the text's start (64 units, to keep the allocations
// few) encodes as its pieces do.
void CheckEncode(const QString& text)
{
    const QByteArray encoded = Cp932::encode(text);
    fuzz::Check(Cp932::encodedLength(text) == encoded.size(), "encodedLength differs from encode");

    QByteArray pieces;
    for (qsizetype i = 0; i < std::min<qsizetype>(text.size(), 64); ++i) {
        const qsizetype width =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        const QStringView one = QStringView(text).sliced(i, width);
        const QByteArray bytes = Cp932::encode(one);
        const QString back = Cp932::decode(bytes);
        fuzz::Check(back == one || bytes == "?", "a character encodes to something else",
                    fuzz::Escaped(one));
        fuzz::Check(bytes.size() == 1 || (bytes.size() == 2 && Cp932::isLeadByte(uchar(bytes[0]))),
                    "a character encodes to a bad length", fuzz::Escaped(one));
        pieces += bytes;
        i += width - 1;
    }
    fuzz::Check(encoded.startsWith(pieces), "encode differs from encoding piece by piece",
                fuzz::Escaped(text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes = fuzz::View(data, size);
    CheckDecode(bytes);
    CheckEncode(fuzz::ToUtf16(bytes));
    CheckEncode(Cp932::decode(bytes));
    return 0;
}
