#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// File names are bytes on Linux, and Qt's own name conversion turns bytes that are not UTF-8
// into U+FFFD for good. Paths travel as QString in this lossless form instead: valid UTF-8 as
// text, every other byte 0x80..0xFF as the lone surrogate U+DC00 + byte. Valid UTF-8 never
// decodes to a lone surrogate, so the form is one-to-one.
namespace PathBytes {

// The first and last escape: U+DC80 stands for byte 0x80, U+DCFF for 0xFF.
inline constexpr char16_t kFirstEscape = 0xDC80;
inline constexpr char16_t kLastEscape = 0xDCFF;

} // namespace PathBytes

// A path's bytes as a QString: valid UTF-8 decoded, each other byte escaped.
QString DecodePath(const QByteArray& bytes);

// The bytes DecodePath was given: escapes become their bytes, the rest UTF-8.
QByteArray EncodePath(const QString& path);

// The byte a path character stands for when it is an escape (a lone U+DC80..U+DCFF), else -1.
// `index` is the position of `c` in `text`, so a surrogate pair is told from a lone surrogate.
int EscapedByte(const QString& text, qsizetype index);

// `path` as shown to people: each escape becomes U+FFFD.
QString DisplayPath(const QString& path);

// A local file's path from a file URL by the URL's own bytes ("%95" is byte 0x95, not U+FFFD);
// "" when `url` is not a local file.
QString LocalPathOfUrl(const QUrl& url);

// The file URL of a local path, by the path's bytes.
QUrl UrlOfLocalPath(const QString& path);
