#include "text/sourceencoding.h"

#include <QBuffer>

#include <unicode/ucnv.h>

#include "testutil.h"
#include "text/cp932.h"
#include "text/linedecoder.h"
#include "text/sourcereader.h"

using testutil::u8;

namespace {

// `text` in the ICU encoding `name`.
QByteArray encodeAs(const QString& text, const char* name)
{
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length =
        ucnv_convert(name, "UTF-16LE", nullptr, 0, reinterpret_cast<const char*>(text.utf16()),
                     int32_t(text.size() * 2), &status);
    QByteArray out(length, Qt::Uninitialized);
    status = U_ZERO_ERROR;
    ucnv_convert(name, "UTF-16LE", out.data(), length, reinterpret_cast<const char*>(text.utf16()),
                 int32_t(text.size() * 2), &status);
    return U_SUCCESS(status) ? out : QByteArray();
}

struct Decoded {
    SourceEncoding encoding = SourceEncoding::Auto;
    bool binary = false;
    QStringList lines;
};

Decoded decodeSource(QByteArray bytes, SourceEncoding requested = SourceEncoding::Auto)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    SourceReader source(buffer, requested, 5); // a tiny block splits characters across blocks
    Decoded d{source.encoding(), source.isBinary(), {}};
    LineDecoder decoder(source.lineEncoding());
    QByteArrayView line;
    while (source.lines().next(line))
        d.lines << decoder.decode(line);
    return d;
}

const QString kProgram = u8("       IDENTIFICATION DIVISION.\r\n"
                            "      * 顧客マスタを読み込み、残高を更新する\r\n"
                            "           DISPLAY '顧客番号：ｱｲｳ'.\r\n"
                            "\r\n"
                            "       END PROGRAM 顧客.\r\n");

} // namespace

TEST(SourceEncoding, NamesRoundTripAndUnknownNamesAreRefused)
{
    for (const char* name : {"auto", "cp932", "utf-8", "euc-jp", "utf-16le", "utf-16be"}) {
        const auto e = ParseSourceEncoding(QString::fromLatin1(name));
        ASSERT_TRUE(e) << name;
        EXPECT_EQ(SourceEncodingName(*e), QString::fromLatin1(name));
    }
    EXPECT_EQ(ParseSourceEncoding(u"UTF-8"), SourceEncoding::Utf8);
    EXPECT_FALSE(ParseSourceEncoding(u"latin1"));
    EXPECT_FALSE(ParseSourceEncoding(u""));
}

TEST(SourceEncoding, EveryEncodingOfOneProgramGivesTheSameLines)
{
    const QStringList expected = kProgram.split(QStringLiteral("\r\n")).mid(0, 5);
    struct Case {
        const char* name;
        QByteArray bytes;
        SourceEncoding encoding;
    };
    const Case cases[] = {
        {"cp932", Cp932::encode(kProgram), SourceEncoding::Cp932},
        {"utf-8", kProgram.toUtf8(), SourceEncoding::Utf8},
        {"utf-8 bom", "\xEF\xBB\xBF" + kProgram.toUtf8(), SourceEncoding::Utf8},
        {"euc-jp", encodeAs(kProgram, "EUC-JP"), SourceEncoding::EucJp},
        {"utf-16le bom", "\xFF\xFE" + encodeAs(kProgram, "UTF-16LE"), SourceEncoding::Utf16Le},
        {"utf-16be bom", "\xFE\xFF" + encodeAs(kProgram, "UTF-16BE"), SourceEncoding::Utf16Be},
    };
    for (const Case& c : cases) {
        const Decoded d = decodeSource(c.bytes);
        EXPECT_EQ(d.encoding, c.encoding) << c.name;
        EXPECT_FALSE(d.binary) << c.name;
        EXPECT_EQ(d.lines, expected) << c.name;
        // Named explicitly, each reads the same.
        EXPECT_EQ(decodeSource(c.bytes, c.encoding).lines, expected) << c.name;
    }
}

TEST(SourceEncoding, AsciiIsReadAsCp932AndNulMakesABinaryFile)
{
    EXPECT_EQ(decodeSource("       MOVE A TO B.\r\n").encoding, SourceEncoding::Cp932);
    const QByteArray elf("\x7F"
                         "ELF\x02\x01\x01\x00\x00\x00\x00\x00",
                         12);
    EXPECT_TRUE(decodeSource(elf).binary);
    EXPECT_TRUE(decodeSource(elf, SourceEncoding::Utf8).binary);
    EXPECT_FALSE(decodeSource(elf, SourceEncoding::Utf16Le).binary);
}

TEST(SourceEncoding, OnlyTheFirst64KiBChooseTheEncoding)
{
    const QByteArray ascii(kEncodingSampleSize, 'A');
    const Decoded nulLater = decodeSource(ascii + QByteArray("\nB\0C\n", 5));
    EXPECT_FALSE(nulLater.binary);
    EXPECT_EQ(nulLater.lines.size(), 2);

    // UTF-8 at first, bytes no UTF-8 holds later: U+FFFD for each.
    const QByteArray utf8 =
        u8("顧客\n").toUtf8() + QByteArray(kEncodingSampleSize, 'x') + "\nA\xFF\x82\xA0Z\n";
    const Decoded d = decodeSource(utf8);
    EXPECT_EQ(d.encoding, SourceEncoding::Utf8);
    ASSERT_EQ(d.lines.size(), 3);
    EXPECT_EQ(d.lines[2], u8("A\uFFFD\uFFFD\uFFFDZ"));
}

TEST(SourceEncoding, DamagedInputBecomesReplacementCharacters)
{
    const Decoded bomOnly = decodeSource("\xEF\xBB\xBF");
    EXPECT_EQ(bomOnly.encoding, SourceEncoding::Utf8);
    EXPECT_TRUE(bomOnly.lines.isEmpty());

    const Decoded odd = decodeSource(QByteArray("\xFF\xFE"
                                                "A\0\n\0B\0C",
                                                9));
    EXPECT_EQ(odd.encoding, SourceEncoding::Utf16Le);
    EXPECT_EQ(odd.lines, (QStringList{QStringLiteral("A"), u8("B\uFFFD")}));

    const Decoded surrogate = decodeSource(QByteArray("\xFE\xFF\xD8\x00\x00X\x00\n", 8));
    EXPECT_EQ(surrogate.lines, QStringList{u8("\uFFFDX")});

    // EUC-JP half-width kana (SS2), then an SS2 cut off by the line end. (Too short to be
    // told from CP932, so it is named.)
    const QByteArray kana = encodeAs(u8("顧客ｱ"), "EUC-JP");
    ASSERT_TRUE(kana.endsWith("\x8E\xB1"));
    const Decoded euc = decodeSource(kana + "\n" + kana + "\x8E\nZ", SourceEncoding::EucJp);
    EXPECT_EQ(euc.lines, (QStringList{u8("顧客ｱ"), u8("顧客ｱ\uFFFD"), QStringLiteral("Z")}));
}

TEST(SourceEncoding, Utf8DecoderReplacesEachInvalidPart)
{
    const QByteArray bytes("a\xC3\xA9\xF0\x9F\x98\x80\xE3\x81\xC0\xED\xA0\x80z");
    EXPECT_EQ(LineDecoder(SourceEncoding::Utf8).decode(bytes),
              u8("a\u00E9\U0001F600\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDz"));
}
