#include "linedecoder.h"

#include <unicode/ucnv.h>

#include "text/ascii.h"
#include "text/cp932.h"
#include "text/icuconverter.h"
#include "text/utf8.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

} // namespace

void LineDecoder::ConverterCloser::operator()(UConverter* converter) const
{
    ucnv_close(converter);
}

LineDecoder::LineDecoder(SourceEncoding encoding)
    : m_encoding(encoding)
{
    if (encoding != SourceEncoding::EucJp)
        return;
    m_converter.reset(OpenToUnicodeConverter("EUC-JP"));
}

LineDecoder::~LineDecoder() = default;

qsizetype LineDecoder::decodeTo(QByteArrayView bytes, char16_t* dst)
{
    switch (m_encoding) {
    case SourceEncoding::Utf8:
        return Utf8::decodeTo(bytes, dst);
    case SourceEncoding::EucJp: {
        if (Ascii::widenIfAscii(bytes, dst))
            return bytes.size();
        ucnv_resetToUnicode(m_converter.get());
        UErrorCode status = U_ZERO_ERROR;
        UChar* target = dst;
        const char* source = bytes.data();
        ucnv_toUnicode(m_converter.get(), &target, dst + bytes.size(), &source,
                       bytes.data() + bytes.size(), nullptr, true, &status);
        return target - dst;
    }
    default:
        return Cp932::decodeTo(bytes, dst);
    }
}

QString LineDecoder::decode(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    out.resize(decodeTo(bytes, reinterpret_cast<char16_t*>(out.data())));
    return out;
}

namespace Utf8 {

qsizetype decodeTo(QByteArrayView bytes, char16_t* dst)
{
    if (Ascii::widenIfAscii(bytes, dst))
        return bytes.size();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype o = 0;
    for (qsizetype i = 0; i < n;) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            dst[o++] = b;
            ++i;
            continue;
        }
        const Lead lead = leadOf(b);
        if (lead.length == 0) {
            dst[o++] = kReplacement;
            ++i;
            continue;
        }
        char32_t code = b & (0x7F >> lead.length);
        int k = 1;
        for (; k < lead.length && i + k < n && continues(lead, k, p[i + k]); ++k)
            code = (code << 6) | (p[i + k] & 0x3F);
        i += k;
        if (k < lead.length) {
            dst[o++] = kReplacement;
        } else if (code >= 0x10000) {
            dst[o++] = char16_t(0xD7C0 + (code >> 10));
            dst[o++] = char16_t(0xDC00 | (code & 0x3FF));
        } else {
            dst[o++] = char16_t(code);
        }
    }
    return o;
}

} // namespace Utf8
