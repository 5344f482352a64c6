#pragma once

#include <optional>

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The encodings a source file can be read in. Reports, the summary CSV and the settings file stay
// CP932 whatever a source was written in.
enum class SourceEncoding { Auto, Cp932, Utf8, EucJp, Utf16Le, Utf16Be };

// "auto", "cp932", "utf-8", "euc-jp", "utf-16le", "utf-16be" (any case); nullopt otherwise.
std::optional<SourceEncoding> ParseSourceEncoding(QStringView name);

// The name ParseSourceEncoding reads.
QString SourceEncodingName(SourceEncoding encoding);

// The names, comma-separated, for usage texts and messages.
QString SourceEncodingNames();

constexpr bool IsUtf16(SourceEncoding encoding)
{
    return encoding == SourceEncoding::Utf16Le || encoding == SourceEncoding::Utf16Be;
}

// How much of a file the encoding is chosen on.
inline constexpr qsizetype kEncodingSampleSize = qsizetype(64) << 10;

struct EncodingChoice {
    SourceEncoding encoding = SourceEncoding::Cp932; // never Auto
    qsizetype bomLength = 0; // bytes of byte-order mark to skip before line 1
    bool binary = false;     // a NUL byte outside UTF-16: the file is not text
};

// Chooses the encoding of a file from its first bytes (`sample`, at most kEncodingSampleSize;
// `wholeFile` when it is all of the file). An explicit `requested` encoding wins; its own
// byte-order mark is still skipped. Auto: a byte-order mark decides; else bytes that are valid
// UTF-8 and hold a multi-byte sequence are UTF-8; else ICU's charset detector picks EUC-JP only
// when it is sure, and CP932 otherwise.
EncodingChoice ChooseSourceEncoding(QByteArrayView sample, SourceEncoding requested,
                                    bool wholeFile);
