#include "cp932.h"

#include <array>

#include "text/ascii.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// The double-byte part of ICU's windows-31j converter, generated into the source so that no
// converter runs at start-up (its single-byte part swaps 0x1A and 0x7F, which CP932 on Windows
// does not, and is written out below instead).
#include "text/cp932table.inc"

// Both directions as flat tables, made by the compiler: read-only data that the program maps
// from its file as it touches it, instead of 256 KiB written at start-up.
struct Tables {
    // Index: lead << 8 | trail. 0 = not a character.
    std::array<char16_t, 0x10000> toUnicode{};
    // Index: UTF-16 code unit. 0 = not representable (U+0000 is handled as ASCII).
    std::array<quint16, 0x10000> fromUnicode{};
};

constexpr bool isNecIbmRow(int code)
{
    return code >= 0xED40 && code <= 0xEEFC;
}

constexpr Tables buildTables()
{
    Tables t;
    int row = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!Cp932::isLeadByte(static_cast<unsigned char>(lead)))
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail)
            t.toUnicode[size_t(lead << 8 | trail)] = kDoubleByteTable[row][trail - 0x40];
        ++row;
    }

    for (int b = 0; b < 0x80; ++b) {
        t.toUnicode[size_t(b)] = char16_t(b);
        t.fromUnicode[size_t(b)] = quint16(b);
    }
    for (int b = 0xA1; b <= 0xDF; ++b) {
        t.toUnicode[size_t(b)] = char16_t(0xFF61 + (b - 0xA1));
        t.fromUnicode[size_t(0xFF61 + (b - 0xA1))] = quint16(b);
    }
    // Where several codes carry one character, Windows writes the lowest, except that the IBM
    // extension rows (FA-FC) win over the NEC-selected copies of them (ED-EE).
    for (int pass = 0; pass < 2; ++pass) {
        for (int code = 0x8140; code <= 0xFCFC; ++code) {
            if (isNecIbmRow(code) != (pass == 1))
                continue;
            const char16_t u = t.toUnicode[size_t(code)];
            if (u >= 0x80 && t.fromUnicode[u] == 0)
                t.fromUnicode[u] = quint16(code);
        }
    }
    return t;
}

constexpr Tables kTables = buildTables();

const Tables& tables()
{
    return kTables;
}

} // namespace

namespace Cp932 {

qsizetype decodeTo(QByteArrayView bytes, char16_t* dst)
{
    if (Ascii::widenIfAscii(bytes, dst))
        return bytes.size();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();

    const Tables& t = tables();
    qsizetype o = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            dst[o++] = b;
        } else if (isLeadByte(b) && i + 1 < n && isTrailByte(p[i + 1])) {
            const char16_t u = t.toUnicode[(b << 8) | p[i + 1]];
            dst[o++] = u ? u : kReplacement;
            ++i;
        } else {
            const char16_t u = t.toUnicode[b];
            dst[o++] = u ? u : kReplacement;
        }
    }
    return o;
}

void decodeInto(QByteArrayView bytes, QString& out)
{
    out.resize(bytes.size());
    out.resize(decodeTo(bytes, reinterpret_cast<char16_t*>(out.data())));
}

QString decode(QByteArrayView bytes)
{
    QString out;
    decodeInto(bytes, out);
    return out;
}

QByteArray encode(QStringView text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    const Tables& t = tables();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < 0x80) {
            out.append(char(u));
            continue;
        }
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out.append('?');
            ++i;
            continue;
        }
        const quint16 code = t.fromUnicode[u];
        if (code == 0)
            out.append('?');
        else if (code < 0x100)
            out.append(char(code));
        else
            out.append(char(code >> 8)).append(char(code & 0xFF));
    }
    return out;
}

qsizetype encodedLength(QStringView text)
{
    const Tables& t = tables();
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < 0x80) {
            ++n;
        } else if (QChar::isHighSurrogate(u) && i + 1 < text.size() &&
                   text[i + 1].isLowSurrogate()) {
            ++n;
            ++i;
        } else {
            n += t.fromUnicode[u] >= 0x100 ? 2 : 1;
        }
    }
    return n;
}

} // namespace Cp932
