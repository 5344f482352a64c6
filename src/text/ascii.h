#pragma once

#include <cstring>

#include <QByteArrayView>
#include <QtGlobal>

namespace Ascii {

// True when no byte has its high bit set; eight bytes at a time.
inline bool isAscii(const unsigned char* p, qsizetype n)
{
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8) {
        quint64 w;
        std::memcpy(&w, p + i, 8);
        if (w & 0x8080808080808080ULL)
            return false;
    }
    for (; i < n; ++i) {
        if (p[i] & 0x80)
            return false;
    }
    return true;
}

// Widens ASCII bytes to UTF-16 code units.
inline void widen(const unsigned char* p, qsizetype n, char16_t* dst)
{
    for (qsizetype i = 0; i < n; ++i)
        dst[i] = p[i];
}

// The fast path of every decoder: a line of pure ASCII is widened as it is. True when it was.
inline bool widenIfAscii(QByteArrayView bytes, char16_t* dst)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    if (!isAscii(p, bytes.size()))
        return false;
    widen(p, bytes.size(), dst);
    return true;
}

} // namespace Ascii
