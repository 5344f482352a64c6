#include "engine/modedefinition.h"

#include "settings/clsinifile.h"
#include "settings/settingsfile.h"
#include "support/modes.h"
#include "testutil.h"

using testutil::readBytes;
using testutil::u8;
using testutil::writeBytes;

TEST(ModeDefinition, SampleCobolModeLoads)
{
    const QString settings = SettingsFilePath(QStringLiteral(QUORVIX_SAMPLES));
    const ModeDefinition m = LoadModeDefinition(QStringLiteral("MODE-1"), false, settings);
    EXPECT_EQ(m.ModeName, QStringLiteral("COBOL"));
    EXPECT_EQ(m.StartWord[1], QStringLiteral("*"));
    EXPECT_EQ(m.StartWord[2], QStringLiteral("*PROCEDURE DIVISION*"));
    EXPECT_EQ(m.PickupStart, QStringLiteral("EXEC SQL*"));
    EXPECT_EQ(m.CommentSolo, QStringLiteral("[*/]"));
    EXPECT_EQ(m.CommentColumn, 7);
    EXPECT_EQ(m.CommentLength, 1);
    EXPECT_EQ(AreaCount(m), 2);
    EXPECT_EQ(LoadModeDefinition(QStringLiteral("MODE-2"), false, settings).ModeName, u8("C・C++"));
}

TEST(ModeDefinition, MissingSectionOrFileGivesTheDefaultMode)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("import.ini"));
    writeBytes(file, "[MODE-1]\r\nModeName=X\r\n");
    const ModeDefinition fromImport = LoadModeDefinition(file, true, QString());
    EXPECT_EQ(fromImport, BareMode());
    EXPECT_EQ(fromImport.CommentStartIsValid, 1);
    EXPECT_EQ(AreaCount(fromImport), 1);
    EXPECT_EQ(LoadModeDefinition(QStringLiteral("MODE-3"), false, file), BareMode());
    EXPECT_EQ(LoadModeDefinition(dir.filePath(QStringLiteral("none.ini")), true, QString()),
              BareMode());
}

TEST(ModeDefinition, EachReadStandsAlone)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("q.ini"));
    // Area 1 keys are never read; a number out of 16 bits or a bad CommentStartIsValid leaves
    // only its own field at 0.
    writeBytes(file, "[Def]\r\n1StartWord=X\r\n1Tuning=5\r\n2Tuning=40000\r\n3StartWord=DIV*\r\n"
                     "3Tuning=-2\r\nCommentStartIsValid=abc\r\nCommentColumn=-4\r\n"
                     "NullLineMode=7\r\nWordCount= MOVE ,\r\n");
    const ModeDefinition m = LoadModeDefinition(file, true, QString());
    EXPECT_EQ(m.StartWord[1], QStringLiteral("*"));
    EXPECT_EQ(m.Tuning[1], 0);
    EXPECT_EQ(m.Tuning[2], 0);
    EXPECT_EQ(m.StartWord[2], QString());
    EXPECT_EQ(m.Tuning[3], -2);
    EXPECT_EQ(AreaCount(m), 3);
    EXPECT_EQ(m.CommentStartIsValid, 0);
    EXPECT_EQ(m.CommentColumn, -4);
    EXPECT_EQ(m.NullLineMode, 7);
    EXPECT_EQ(m.WordCount, QStringLiteral(" MOVE ,"));

    struct Case {
        const char* stored;
        qint16 expected;
    };
    for (const Case c : {Case{"", 1}, Case{" 0 ", 0}, Case{"+1", 1}, Case{"-7", -7}, Case{"1x", 0},
                         Case{"70000", 0}}) {
        writeBytes(file, QByteArray("[Def]\r\nCommentStartIsValid=") + c.stored + "\r\n");
        EXPECT_EQ(LoadModeDefinition(file, true, QString()).CommentStartIsValid, c.expected)
            << "stored text: " << c.stored;
    }
}

TEST(ModeDefinition, SaveWritesKeysInOrderAndLoadsBack)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Quorvix.ini"));
    writeBytes(file, "[MODE-1]\r\nModeName=A\r\nExtra=kept\r\n");

    ModeDefinition m = BareMode();
    m.ModeName = u8("経理COBOL");
    m.FileType = QStringLiteral("*.CBL;*.COB");
    m.StartWord[2] = QStringLiteral("*PROCEDURE DIVISION*");
    m.Tuning[2] = -3;
    m.StartAfter[2] = 1;
    m.CommentSolo = QStringLiteral("[*/]");
    m.CommentColumn = 7;
    m.WordCount = QString(300, u'W'); // longer than the old 255-byte limit
    ASSERT_TRUE(SaveModeDefinition(file, 2, m));
    EXPECT_EQ(LoadModeDefinition(QStringLiteral("MODE-2"), false, file), m);

    const QByteArray bytes = readBytes(file);
    EXPECT_TRUE(bytes.startsWith("[MODE-1]\r\nModeName=A\r\nExtra=kept\r\n[MODE-2]\r\n"));
    EXPECT_TRUE(bytes.contains("\r\n2Tuning=-3\r\n"));
    qsizetype last = -1;
    for (const QLatin1StringView key : SettingsKeys::ModeKeys) {
        const qsizetype at = bytes.indexOf("\r\n" + QByteArray(key.data(), key.size()) + '=');
        EXPECT_GT(at, last) << key.data();
        last = at;
    }

    // Saving over MODE-1 rewrites its keys in place and keeps the extra one.
    ASSERT_TRUE(SaveModeDefinition(file, 1, m));
    EXPECT_TRUE(readBytes(file).startsWith("[MODE-1]\r\nModeName=\x8c\x6f\x97\x9d"
                                           "COBOL\r\nExtra=kept\r\nFileType="));

    ASSERT_TRUE(DeleteModeSlot(file, 1));
    EXPECT_EQ(LoadModeDefinition(QStringLiteral("MODE-1"), false, file), BareMode());
    EXPECT_EQ(LoadModeDefinition(QStringLiteral("MODE-2"), false, file), m);
}

TEST(ModeDefinition, OptionalKeysLoadAndSaveOnlyWhenSet)
{
    QTemporaryDir dir;
    const QString import = dir.filePath(QStringLiteral("importqvx.ini"));
    writeBytes(import, "[Def]\r\nencoding=euc-jp\r\nMaskColumns= 1-6, 73-\r\n");
    const ModeDefinition imported = LoadModeDefinition(import, true, QString());
    EXPECT_EQ(imported.Encoding, QStringLiteral("euc-jp"));
    EXPECT_EQ(imported.MaskColumns, QStringLiteral(" 1-6, 73-"));

    // Defaults write nothing beyond the 21 keys.
    const QString file = dir.filePath(QStringLiteral("Quorvix.ini"));
    const ModeDefinition bare = BareMode();
    ASSERT_TRUE(SaveModeDefinition(file, 1, bare));
    EXPECT_FALSE(readBytes(file).contains("\r\nEncoding="));
    EXPECT_FALSE(readBytes(file).contains("\r\nMaskColumns="));

    // Set values go after WordCount, in key order.
    ModeDefinition m = BareMode();
    m.Encoding = QStringLiteral("utf-8");
    m.MaskColumns = QStringLiteral("1-6,73-");
    ASSERT_TRUE(SaveModeDefinition(file, 1, m));
    EXPECT_TRUE(
        readBytes(file).contains("\r\nWordCount=\r\nEncoding=utf-8\r\nMaskColumns=1-6,73-\r\n"));
    EXPECT_EQ(LoadModeDefinition(QStringLiteral("MODE-1"), false, file), m);

    // Saving the defaults again empties the keys, so the slot reads as the editor showed it.
    ASSERT_TRUE(SaveModeDefinition(file, 1, bare));
    EXPECT_TRUE(readBytes(file).contains("\r\nEncoding=\r\nMaskColumns=\r\n"));
    EXPECT_EQ(LoadModeDefinition(QStringLiteral("MODE-1"), false, file), bare);
}
