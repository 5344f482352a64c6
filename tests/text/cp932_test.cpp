#include "text/cp932.h"

#include "testutil.h"

using testutil::u8;

TEST(Cp932, JapaneseRoundTripsWithTheWindowsMapping)
{
    // Hiragana, kanji, half-width katakana, the wave dash of CP932 (U+FF5E), a NEC special
    // character and an IBM extension.
    const QString text = u8("あ漢ｱﾞ～①ⅰ\\~");
    const QByteArray bytes("\x82\xa0\x8a\xbf\xb1\xde\x81\x60\x87\x40\xfa\x40\x5c\x7e");
    EXPECT_EQ(Cp932::encode(text), bytes);
    EXPECT_EQ(Cp932::decode(bytes), text);
    EXPECT_EQ(Cp932::encodedLength(text), bytes.size());
}

TEST(Cp932, DuplicateCodesEncodeAsWindowsDoes)
{
    // "≒" sits in row 1 and in the NEC row 13: the lower code wins. "ⅰ" sits in the NEC-selected
    // IBM rows and in the IBM rows: the IBM code wins.
    EXPECT_EQ(Cp932::encode(u8("≒")), QByteArray("\x81\xe0"));
    EXPECT_EQ(Cp932::decode(QByteArray("\xee\xef")), u8("ⅰ"));
    EXPECT_EQ(Cp932::encode(u8("ⅰ")), QByteArray("\xfa\x40"));
}

TEST(Cp932, ControlCharactersStayAsTheyAre)
{
    const QByteArray bytes("\x1a\x7f\x00\t", 4);
    EXPECT_EQ(Cp932::decode(bytes), QString::fromLatin1(bytes));
    EXPECT_EQ(Cp932::encode(QString::fromLatin1(bytes)), bytes);
}

TEST(Cp932, InvalidBytesDecodeToReplacementCharacters)
{
    const QChar r(0xFFFD);
    EXPECT_EQ(Cp932::decode(QByteArray("\x80"
                                       "a\xff")),
              QString(r) + u'a' + r);
    // A lead byte without a valid trail byte: the next byte is read anew.
    EXPECT_EQ(Cp932::decode(QByteArray("\x82\x0a")), QString(r) + u'\n');
    EXPECT_EQ(Cp932::decode(QByteArray("x\x82")), QStringLiteral("x") + r);
    // A well-formed pair that names no character.
    EXPECT_EQ(Cp932::decode(QByteArray("\x85\x40")), QString(r));
}

TEST(Cp932, CharactersOutsideCp932BecomeQuestionMarks)
{
    EXPECT_EQ(Cp932::encode(u8("é😀x")), QByteArray("??x"));
    EXPECT_EQ(Cp932::encodedLength(u8("é😀x")), 3);
}

TEST(Cp932, DecodeIntoReusesTheBuffer)
{
    QString out = QStringLiteral("a much longer previous content");
    Cp932::decodeInto(QByteArray("MOVE A"), out);
    EXPECT_EQ(out, QStringLiteral("MOVE A"));
    Cp932::decodeInto(QByteArray("\x82\xa0"), out);
    EXPECT_EQ(out, u8("あ"));
}
