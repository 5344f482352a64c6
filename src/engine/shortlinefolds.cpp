#include "shortline.h"

// What the short-line scan needs to know of CP932 characters and of byte sets, kept apart from
// its kernels.

namespace {

// The CP932 characters that fold to ASCII other than letters and digits (full-width forms, and
// IBM duplicates of two of them): lead, trail and what they fold to. Written out rather than
// found by decoding every pair as NarrowCp932 does, which would add a third of a millisecond to
// every run's start; a test holds the two to each other.
constexpr struct {
    unsigned char lead, trail;
    char folded;
} kFoldingSymbols[] = {
    {0x81, 0x43, ','},  {0x81, 0x44, '.'}, {0x81, 0x46, ':'},  {0x81, 0x47, ';'}, {0x81, 0x48, '?'},
    {0x81, 0x49, '!'},  {0x81, 0x4D, '`'}, {0x81, 0x4F, '^'},  {0x81, 0x51, '_'}, {0x81, 0x5E, '/'},
    {0x81, 0x5F, '\\'}, {0x81, 0x60, '~'}, {0x81, 0x62, '|'},  {0x81, 0x69, '('}, {0x81, 0x6A, ')'},
    {0x81, 0x6D, '['},  {0x81, 0x6E, ']'}, {0x81, 0x6F, '{'},  {0x81, 0x70, '}'}, {0x81, 0x7B, '+'},
    {0x81, 0x7C, '-'},  {0x81, 0x81, '='}, {0x81, 0x83, '<'},  {0x81, 0x84, '>'}, {0x81, 0x90, '$'},
    {0x81, 0x93, '%'},  {0x81, 0x94, '#'}, {0x81, 0x95, '&'},  {0x81, 0x96, '*'}, {0x81, 0x97, '@'},
    {0xEE, 0xFB, '\''}, {0xEE, 0xFC, '"'}, {0xFA, 0x56, '\''}, {0xFA, 0x57, '"'},
};

} // namespace

char ShortLineScan::cp932FoldsTo(unsigned char lead, unsigned char trail)
{
    if (lead == 0x82) { // full-width digits and letters
        if (trail >= 0x4F && trail <= 0x58)
            return char('0' + (trail - 0x4F));
        if (trail >= 0x60 && trail <= 0x79)
            return char('a' + (trail - 0x60));
        if (trail >= 0x81 && trail <= 0x9A)
            return char('a' + (trail - 0x81));
    }
    for (const auto& f : kFoldingSymbols) {
        if (f.lead == lead && f.trail == trail)
            return f.folded;
    }
    return 0;
}

void ShortLineScan::ByteSet::add(unsigned char b)
{
    auto& rows = b < 0x80 ? lower : upper;
    for (const size_t lane : {size_t(0), size_t(16)})
        rows[lane + (b & 15)] |= static_cast<unsigned char>(1u << ((b >> 4) & 7));
}
