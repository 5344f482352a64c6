#include "sourceencoding.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include <unicode/ucsdet.h>
#include <unicode/uenum.h>

#include "text/utf8.h"

namespace {

struct NamedEncoding {
    SourceEncoding encoding;
    const char* name;
};

constexpr std::array<NamedEncoding, 6> kNames{{
    {SourceEncoding::Auto, "auto"},
    {SourceEncoding::Cp932, "cp932"},
    {SourceEncoding::Utf8, "utf-8"},
    {SourceEncoding::EucJp, "euc-jp"},
    {SourceEncoding::Utf16Le, "utf-16le"},
    {SourceEncoding::Utf16Be, "utf-16be"},
}};

struct Bom {
    SourceEncoding encoding;
    QByteArrayView bytes;
};

constexpr std::array<Bom, 3> kBoms{{
    {SourceEncoding::Utf8, QByteArrayView("\xEF\xBB\xBF", 3)},
    {SourceEncoding::Utf16Le, QByteArrayView("\xFF\xFE", 2)},
    {SourceEncoding::Utf16Be, QByteArrayView("\xFE\xFF", 2)},
}};

enum class Utf8Check { NotUtf8, Ascii, MultiByte };

// Strict UTF-8 (no overlong forms, surrogates or code points past U+10FFFF). A sequence cut by
// the end of a sample that is not the whole file is given the benefit of the doubt.
Utf8Check checkUtf8(QByteArrayView bytes, bool wholeFile)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    bool multiByte = false;
    for (qsizetype i = 0; i < n;) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        const Utf8::Lead lead = Utf8::leadOf(b);
        if (lead.length == 0)
            return Utf8Check::NotUtf8;
        for (int k = 1; k < lead.length; ++k) {
            if (i + k >= n)
                return wholeFile ? Utf8Check::NotUtf8 : Utf8Check::MultiByte;
            if (!Utf8::continues(lead, k, p[i + k]))
                return Utf8Check::NotUtf8;
        }
        multiByte = true;
        i += lead.length;
    }
    return multiByte ? Utf8Check::MultiByte : Utf8Check::Ascii;
}

// Whether the bytes can be EUC-JP at all: every byte above 0x7F belongs to a pair of A1-FE bytes,
// to 8E + A1-DF or to 8F + two A1-FE bytes; one stray sequence in a hundred is forgiven (a damaged
// file). Shift_JIS text fails this at its first hiragana (lead byte 0x82), which spares it the
// detector: that costs more than counting the file.
bool couldBeEucJp(QByteArrayView sample)
{
    const auto* p = reinterpret_cast<const unsigned char*>(sample.data());
    const qsizetype n = sample.size();
    const auto inRange = [&](qsizetype i, unsigned lo, unsigned hi) {
        return i < n && p[i] >= lo && p[i] <= hi;
    };
    qsizetype sequences = 0;
    qsizetype stray = 0;
    for (qsizetype i = 0; i < n;) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        ++sequences;
        if (p[i] == 0x8E && inRange(i + 1, 0xA1, 0xDF)) {
            i += 2;
        } else if (p[i] == 0x8F && inRange(i + 1, 0xA1, 0xFE) && inRange(i + 2, 0xA1, 0xFE)) {
            i += 3;
        } else if (inRange(i, 0xA1, 0xFE) && (inRange(i + 1, 0xA1, 0xFE) || i + 1 == n)) {
            i += 2;
        } else {
            ++stray;
            ++i;
        }
        if (stray > 2 && stray * 100 > sequences)
            return false;
    }
    return stray * 100 <= std::max<qsizetype>(sequences, 200);
}

// ICU's detector, asked only about the two Japanese multi-byte encodings; EUC-JP when it is
// rated clearly above Shift_JIS.
SourceEncoding detectJapanese(QByteArrayView sample)
{
    if (!couldBeEucJp(sample))
        return SourceEncoding::Cp932;
    struct Closer {
        void operator()(UCharsetDetector* d) const { ucsdet_close(d); }
    };
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCharsetDetector, Closer> detector(ucsdet_open(&status));
    if (U_FAILURE(status))
        return SourceEncoding::Cp932;
    // The other recognisers (Chinese, Korean, single-byte ones) only cost time here.
    UEnumeration* names = ucsdet_getAllDetectableCharsets(detector.get(), &status);
    while (const char* name = uenum_next(names, nullptr, &status)) {
        if (std::strcmp(name, "Shift_JIS") != 0 && std::strcmp(name, "EUC-JP") != 0)
            ucsdet_setDetectableCharset(detector.get(), name, false, &status);
    }
    uenum_close(names);
    if (U_FAILURE(status))
        return SourceEncoding::Cp932;
    ucsdet_setText(detector.get(), sample.data(), int32_t(sample.size()), &status);
    int32_t count = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector.get(), &count, &status);
    if (U_FAILURE(status))
        return SourceEncoding::Cp932;
    int32_t shiftJis = 0;
    int32_t eucJp = 0;
    for (int32_t i = 0; i < count; ++i) {
        const char* name = ucsdet_getName(matches[i], &status);
        const int32_t confidence = ucsdet_getConfidence(matches[i], &status);
        if (U_FAILURE(status) || !name)
            return SourceEncoding::Cp932;
        if (std::strcmp(name, "Shift_JIS") == 0)
            shiftJis = std::max(shiftJis, confidence);
        else if (std::strcmp(name, "EUC-JP") == 0)
            eucJp = std::max(eucJp, confidence);
    }
    constexpr int32_t kSure = 10;
    return eucJp >= kSure && eucJp > shiftJis ? SourceEncoding::EucJp : SourceEncoding::Cp932;
}

} // namespace

std::optional<SourceEncoding> ParseSourceEncoding(QStringView name)
{
    for (const NamedEncoding& n : kNames) {
        if (name.compare(QLatin1StringView(n.name), Qt::CaseInsensitive) == 0)
            return n.encoding;
    }
    return std::nullopt;
}

QString SourceEncodingName(SourceEncoding encoding)
{
    for (const NamedEncoding& n : kNames) {
        if (n.encoding == encoding)
            return QLatin1StringView(n.name);
    }
    return QString();
}

QString SourceEncodingNames()
{
    QString out;
    for (const NamedEncoding& n : kNames) {
        if (!out.isEmpty())
            out += QLatin1StringView(", ");
        out += QLatin1StringView(n.name);
    }
    return out;
}

EncodingChoice ChooseSourceEncoding(QByteArrayView sample, SourceEncoding requested, bool wholeFile)
{
    EncodingChoice choice;
    choice.encoding = requested;
    if (requested == SourceEncoding::Auto) {
        for (const Bom& bom : kBoms) {
            if (sample.startsWith(bom.bytes)) {
                choice.encoding = bom.encoding;
                break;
            }
        }
    }
    for (const Bom& bom : kBoms) {
        if (bom.encoding == choice.encoding && sample.startsWith(bom.bytes))
            choice.bomLength = bom.bytes.size();
    }
    if (IsUtf16(choice.encoding))
        return choice;
    // An empty view may have no data pointer, which memchr must not be given.
    if (!sample.isEmpty() && std::memchr(sample.data(), 0, size_t(sample.size()))) {
        choice.binary = true;
        if (choice.encoding == SourceEncoding::Auto)
            choice.encoding = SourceEncoding::Cp932;
        return choice;
    }
    if (choice.encoding != SourceEncoding::Auto)
        return choice;
    switch (checkUtf8(sample, wholeFile)) {
    case Utf8Check::MultiByte:
        choice.encoding = SourceEncoding::Utf8;
        break;
    case Utf8Check::Ascii:
        choice.encoding = SourceEncoding::Cp932;
        break;
    case Utf8Check::NotUtf8:
        choice.encoding = detectJapanese(sample);
        break;
    }
    return choice;
}
