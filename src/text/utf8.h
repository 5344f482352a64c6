#pragma once

// What a UTF-8 lead byte allows: the length of its sequence (0 when it cannot start one) and the
// range of the byte after it, which rules out overlong forms, surrogates and code points past
// U+10FFFF. Later bytes are always 0x80..0xBF.
namespace Utf8 {

struct Lead {
    int length = 0;
    int low = 0x80;
    int high = 0xBF;
};

constexpr Lead leadOf(unsigned char b)
{
    if (b >= 0xC2 && b <= 0xDF)
        return {2, 0x80, 0xBF};
    if (b >= 0xE0 && b <= 0xEF)
        return {3, b == 0xE0 ? 0xA0 : 0x80, b == 0xED ? 0x9F : 0xBF};
    if (b >= 0xF0 && b <= 0xF4)
        return {4, b == 0xF0 ? 0x90 : 0x80, b == 0xF4 ? 0x8F : 0xBF};
    return {};
}

constexpr bool continues(const Lead& lead, int index, unsigned char c)
{
    return index == 1 ? c >= lead.low && c <= lead.high : c >= 0x80 && c <= 0xBF;
}

} // namespace Utf8
