#include "text/cp932.h"

#include <vector>

#include <QStringDecoder>

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

namespace {

QByteArray pairBytes(int lead, int trail)
{
    return QByteArray(1, char(lead)) + char(trail);
}

// The double-byte part of CP932 as ICU's windows-31j converter has it, by lead << 8 | trail:
// 0 where it defines no character (or gives U+001A, U+FFFD or a surrogate).
std::vector<char16_t> icuDoubleBytes()
{
    std::vector<char16_t> table(0x10000);
    QStringDecoder decoder("windows-31j");
    EXPECT_TRUE(decoder.isValid());
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!Cp932::isLeadByte(uchar(lead)))
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (!Cp932::isTrailByte(uchar(trail)))
                continue;
            decoder.resetState();
            const QString s = decoder.decode(pairBytes(lead, trail));
            const char16_t u = s.size() == 1 ? s[0].unicode() : 0;
            if (u != 0x1A && u != 0xFFFD && !(u >= 0xD800 && u <= 0xDFFF))
                table[size_t(lead << 8 | trail)] = u;
        }
    }
    return table;
}

} // namespace

// The table built into the program equals ICU's, pair by pair.
TEST(Cp932, BuiltInTableEqualsIcusWindows31j)
{
    const std::vector<char16_t> icu = icuDoubleBytes();
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!Cp932::isLeadByte(uchar(lead)))
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (!Cp932::isTrailByte(uchar(trail)))
                continue;
            const char16_t expected = icu[size_t(lead << 8 | trail)];
            ASSERT_EQ(Cp932::decode(pairBytes(lead, trail)),
                      QString(QChar(expected ? expected : char16_t(0xFFFD))))
                << std::hex << lead << ' ' << trail
                << ": regenerate src/text/cp932table.inc with text_tests "
                   "--gtest_also_run_disabled_tests "
                   "--gtest_filter=Cp932.DISABLED_WriteBuiltInTable";
        }
    }
}

// Writes src/text/cp932table.inc from ICU's table.
TEST(Cp932, DISABLED_WriteBuiltInTable)
{
    const std::vector<char16_t> icu = icuDoubleBytes();
    QString text = QStringLiteral(
        "// Generated from ICU's windows-31j converter by text_tests\n"
        "// --gtest_also_run_disabled_tests --gtest_filter=Cp932.DISABLED_WriteBuiltInTable;\n"
        "// do not edit. Rows: lead bytes 81-9F, then E0-FC; columns: trail bytes 40-FC;\n"
        "// 0 = no character.\n"
        "// clang-format off\n"
        "constexpr char16_t kDoubleByteTable[60][189] = {\n");
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!Cp932::isLeadByte(uchar(lead)))
            continue;
        text += QStringLiteral("    { // %1\n").arg(lead, 2, 16).toUpper();
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if ((trail - 0x40) % 12 == 0)
                text += QStringLiteral("        ");
            text += QStringLiteral("0x%1,").arg(int(icu[size_t(lead << 8 | trail)]), 4, 16,
                                                QLatin1Char('0'));
            text += (trail - 0x40) % 12 == 11 || trail == 0xFC ? QStringLiteral("\n")
                                                               : QStringLiteral(" ");
        }
        text += QStringLiteral("    },\n");
    }
    text += QStringLiteral("};\n// clang-format on\n");
    QFile out(QStringLiteral(QUORVIX_SAMPLES "/../src/text/cp932table.inc"));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(text.toUtf8());
}
