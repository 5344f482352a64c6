#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The program's code page: Windows code page 932 (Shift-JIS with the NEC and IBM extensions).
// Settings, templates, sources and reports are CP932 on disk; inside the program text is QString.
namespace Cp932 {

// Decodes CP932 bytes. A byte or pair that CP932 does not define becomes U+FFFD; a lead byte
// followed by a byte that cannot trail it becomes U+FFFD and the second byte is read anew.
QString decode(QByteArrayView bytes);

// Same as decode(), reusing the capacity of `out`.
void decodeInto(QByteArrayView bytes, QString& out);

// Decodes into `dst`, which must hold bytes.size() characters; returns the characters written.
// The hot path of line reading: no allocation.
qsizetype decodeTo(QByteArrayView bytes, char16_t* dst);

// Encodes to CP932; a character CP932 cannot hold becomes "?" (one per code point).
QByteArray encode(QStringView text);

// Number of bytes encode() would produce.
qsizetype encodedLength(QStringView text);

// True for a byte that starts a double-byte character.
constexpr bool isLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

constexpr bool isTrailByte(unsigned char b)
{
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

} // namespace Cp932
