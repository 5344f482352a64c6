#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Helpers shared by the libFuzzer targets.
namespace fuzz {

// Aborts with a message, so libFuzzer records the input as a crash.
[[noreturn]] inline void Fail(const char* what, const QString& detail = QString())
{
    std::fprintf(stderr, "FUZZ CHECK FAILED: %s\n%s\n", what, qPrintable(detail));
    std::abort();
}

inline void Check(bool ok, const char* what, const QString& detail = QString())
{
    if (!ok)
        Fail(what, detail);
}

// Characters with awkward folding or width, reachable from one input byte.
inline constexpr char16_t kSpecialChars[64] = {
    0xFF0A, 0xFF1F, 0xFF03, 0xFF3B, 0xFF3D, 0xFF01, 0xFF0D, 0xFF21, // ＊？＃［］！－Ａ
    0xFF41, 0xFF3A, 0xFF5A, 0xFF10, 0xFF19, 0xFF5E, 0xFF5F, 0xFF00, // ａＺｚ０９～ and neighbours
    0x3041, 0x3096, 0x3097, 0x30A1, 0x30F6, 0x30F7, 0x3042, 0x30A2, // hiragana / katakana ends
    0xFF66, 0xFF71, 0xFF9D, 0xFF9E, 0xFF9F, 0xFF65, 0xFFA0, 0x309B, // half-width kana ends
    0x212A, 0x017F, 0x0130, 0x0131, 0x00DF, 0x1E9E, 0x03A3, 0x03C2, // Kelvin, long s, dotted I ...
    0x13A0, 0xAB70, 0x13F8, 0x13F0, 0x0410, 0x0430, 0x00C0, 0x00E0, // Cherokee folds to upper
    0x3000, 0x0009, 0x0020, 0xFFFD, 0xD800, 0xDC00, 0xD83D, 0xDE00, // blanks, lone surrogates
    0x2160, 0x2170, 0x8868, 0x9AD9, 0xFA11, 0x2015, 0x005C, 0x00A5, // CP932 duplicates and oddities
};

// Turns fuzz bytes into UTF-16: ASCII bytes stand for themselves, 0x80-0xBF pick a character
// of kSpecialChars, and 0xC0-0xFF take the next two bytes as a raw code unit (big-endian).
inline QString ToUtf16(QByteArrayView bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            out += QChar(char16_t(b));
        } else if (b < 0xC0) {
            out += QChar(kSpecialChars[b - 0x80]);
        } else if (i + 2 < bytes.size()) {
            out += QChar(char16_t(uchar(bytes[i + 1]) << 8 | uchar(bytes[i + 2])));
            i += 2;
        }
    }
    return out;
}

// Splits at the first occurrence of `sep`: (before, after); (all, "") when it is missing.
inline std::pair<QByteArrayView, QByteArrayView> SplitAt(QByteArrayView bytes, char sep)
{
    const qsizetype at = bytes.indexOf(sep);
    if (at < 0)
        return {bytes, QByteArrayView()};
    return {bytes.first(at), bytes.sliced(at + 1)};
}

inline QByteArrayView View(const uint8_t* data, size_t size)
{
    return QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Shows a string with every code unit outside printable ASCII as \uXXXX.
inline QString Escaped(QStringView s)
{
    QString out;
    for (QChar c : s) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F)
            out += c;
        else
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return out;
}

} // namespace fuzz
