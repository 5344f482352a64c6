#include "engine/countfile.h"

#include <QTemporaryDir>

#include <unicode/ucnv.h>

#include "support/modes.h"
#include "support/recordinghost.h"
#include "testutil.h"
#include "text/cp932.h"

using testutil::u8;

namespace {

// `text` in the ICU encoding `name`.
QByteArray encodeAs(const QString& text, const char* name)
{
    const auto* units = reinterpret_cast<const char*>(text.utf16());
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length =
        ucnv_convert(name, "UTF-16LE", nullptr, 0, units, int32_t(text.size() * 2), &status);
    QByteArray out(length, Qt::Uninitialized);
    status = U_ZERO_ERROR;
    ucnv_convert(name, "UTF-16LE", out.data(), length, units, int32_t(text.size() * 2), &status);
    return U_SUCCESS(status) ? out : QByteArray();
}

ModeDefinition cobolMode()
{
    ModeDefinition m = BareMode();
    m.TABtoSpace = 1;
    m.StartWord[2] = QStringLiteral("*PROCEDURE DIVISION*");
    m.PickupStart = QStringLiteral("EXEC SQL*");
    m.PickupEnd = QStringLiteral("*END-EXEC*");
    m.PickupToPickup = 1;
    m.CommentSolo = QStringLiteral("[*/]");
    m.CommentColumn = 7;
    m.CommentLength = 1;
    m.WordCount = u8("*顧客*,*ｺｷｬｸ*,*PERFORM*");
    return m;
}

const QString kProgram = u8("      * 顧客マスタ更新\r\n"
                            "       IDENTIFICATION DIVISION.\r\n"
                            "       PROGRAM-ID. KOKYAKU.\r\n"
                            "      * 顧客番号で検索する\r\n"
                            "       PROCEDURE DIVISION.\r\n"
                            "           DISPLAY '顧客：ｺｷｬｸ'.\r\n"
                            "\r\n"
                            "           EXEC SQL\r\n"
                            "             SELECT 顧客名 INTO :WS-NAME\r\n"
                            "           END-EXEC.\r\n"
                            "           PERFORM 顧客-READ.\r\n"
                            "           STOP RUN.\r\n");

struct Counted {
    FileCountResult result;
    QString error;
};

// Counts with the mode's Encoding set to `encoding`.
Counted countFile(const QString& path, SourceEncoding encoding = SourceEncoding::Auto)
{
    ModeDefinition mode = cobolMode();
    mode.Encoding = SourceEncodingName(encoding);
    RecordingHost host;
    CountProgress progress;
    Counted c;
    try {
        CountFile(CountRules(mode, AreaCount(mode)), path, host, c.result, progress);
        ComputeDerivedTotals(c.result, AreaCount(mode));
    } catch (const CountError& e) {
        c.error = e.message();
    }
    return c;
}

class EncodingTest : public ::testing::Test {
protected:
    QString write(const char* name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        testutil::writeBytes(path, bytes);
        return path;
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(EncodingTest, OneProgramCountsTheSameInEveryEncoding)
{
    const Counted cp932 = countFile(write("cp932.cbl", Cp932::encode(kProgram)));
    ASSERT_TRUE(cp932.error.isEmpty()) << cp932.error.toStdString();
    EXPECT_EQ(cp932.result.Encoding, SourceEncoding::Cp932);
    EXPECT_EQ(cp932.result.FileTotals[TT_TOTAL], 12);
    EXPECT_EQ(cp932.result.FileTotals[TT_COMTOTAL], 2);
    EXPECT_EQ(cp932.result.FileTotals[TT_PICKUPTOTAL], 3);
    EXPECT_EQ(cp932.result.WordCounts, (std::vector<qint32>{3, 1, 1}));

    struct Case {
        const char* name;
        QByteArray bytes;
        SourceEncoding encoding;
    };
    const Case cases[] = {
        {"utf-8", kProgram.toUtf8(), SourceEncoding::Utf8},
        {"utf-8 bom", "\xEF\xBB\xBF" + kProgram.toUtf8(), SourceEncoding::Utf8},
        {"euc-jp", encodeAs(kProgram, "EUC-JP"), SourceEncoding::EucJp},
        {"utf-16le", "\xFF\xFE" + encodeAs(kProgram, "UTF-16LE"), SourceEncoding::Utf16Le},
        {"utf-16be", "\xFE\xFF" + encodeAs(kProgram, "UTF-16BE"), SourceEncoding::Utf16Be},
    };
    for (const Case& c : cases) {
        const QString path = write(c.name, c.bytes);
        for (const SourceEncoding requested : {SourceEncoding::Auto, c.encoding}) {
            const Counted counted = countFile(path, requested);
            ASSERT_TRUE(counted.error.isEmpty()) << c.name << ": " << counted.error.toStdString();
            EXPECT_EQ(counted.result.Encoding, c.encoding) << c.name;
            EXPECT_EQ(counted.result.FileTotals, cp932.result.FileTotals) << c.name;
            EXPECT_EQ(counted.result.AreaCounts, cp932.result.AreaCounts) << c.name;
            EXPECT_EQ(counted.result.WordCounts, cp932.result.WordCounts) << c.name;
        }
    }
}

TEST_F(EncodingTest, ByteOrderMarkIsNotPartOfTheFirstLine)
{
    // Column 7 of line 1 is still the comment column.
    const Counted c = countFile(write("bom.cbl", "\xEF\xBB\xBF" + u8("      * 顧客\r\n"
                                                                     "       MOVE A TO B.\r\n")
                                                                      .toUtf8()));
    EXPECT_EQ(c.result.FileTotals[TT_COMTOTAL], 1);
    EXPECT_EQ(c.result.FileTotals[TT_VALIDTOTAL], 1);
}

TEST_F(EncodingTest, BinaryFileIsAPerFileErrorUnlessTheNulComesLate)
{
    const QByteArray elf("\x7F"
                         "ELF\x02\x01\x01\x00\x00\x00\x00\x00\x02\x00\x3E\x00\n",
                         17);
    const QString binary = write("a.out", elf);
    EXPECT_EQ(countFile(binary).error, binary + QStringLiteral(": binary file, not counted"));
    EXPECT_EQ(countFile(binary, SourceEncoding::Cp932).error,
              binary + QStringLiteral(": binary file, not counted"));

    QByteArray late;
    while (late.size() <= kEncodingSampleSize)
        late += "       MOVE A TO B.\r\n";
    late += QByteArray("       MOVE \0 TO B.\r\n", 21);
    const Counted c = countFile(write("late.cbl", late));
    ASSERT_TRUE(c.error.isEmpty()) << c.error.toStdString();
    EXPECT_EQ(c.result.FileTotals[TT_TOTAL], late.count('\n'));
}

TEST_F(EncodingTest, UnknownModeEncodingFailsEveryFile)
{
    const QString path = write("a.cbl", "       MOVE A TO B.\r\n");
    ModeDefinition mode = cobolMode();
    mode.Encoding = QStringLiteral("latin1");
    RecordingHost host;
    FileCountResult result;
    CountProgress progress;
    try {
        CountFile(CountRules(mode, AreaCount(mode)), path, host, result, progress);
        ADD_FAILURE() << "counted";
    } catch (const CountError& e) {
        EXPECT_TRUE(e.message().startsWith(path + QStringLiteral(": unknown encoding: latin1")))
            << e.message().toStdString();
    }
}
