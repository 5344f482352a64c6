#include "settings/clsinifile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>

#include "testutil.h"
#include "text/cp932.h"

using testutil::readBytes;
using testutil::u8;
using testutil::writeBytes;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    QString path(const QString& name = QStringLiteral("test.ini")) const
    {
        return m_dir.filePath(name);
    }
    clsIniFile ini(const QString& file) const
    {
        clsIniFile f;
        f.setPFileName(file);
        return f;
    }
    clsIniFile ini() const { return ini(path()); }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(IniFileTest, ValuesReadBackExactlyAsWritten)
{
    clsIniFile f = ini();
    const QString values[] = {
        QStringLiteral("*PERFORM*,*CALL*"),
        QStringLiteral("  leading and trailing  "),
        QStringLiteral("a=b=c"),
        QStringLiteral("\"quoted\""),
        u8("手続き部 ﾃｽﾄ"),
        QStringLiteral("; not a comment"),
    };
    int i = 0;
    for (const QString& v : values) {
        SCOPED_TRACE(v.toStdString());
        const QString key = QStringLiteral("k") + QString::number(i++);
        ASSERT_TRUE(f.mSetString(QStringLiteral("MODE-1"), key, v));
        EXPECT_EQ(f.mGetString(QStringLiteral("MODE-1"), key), v);
    }
}

TEST_F(IniFileTest, LongValuesAreReadWhole)
{
    clsIniFile f = ini();
    const QString longValue(300, u'x');
    ASSERT_TRUE(f.mSetString(QStringLiteral("S"), QStringLiteral("long"), longValue));
    EXPECT_EQ(f.mGetString(QStringLiteral("S"), QStringLiteral("long")), longValue);

    // A double-byte character across bytes 255 and 256 stays whole.
    const QString straddling = QString(254, u'a') + u8("漢字");
    ASSERT_EQ(Cp932::encode(straddling).size(), 258);
    ASSERT_TRUE(f.mSetString(QStringLiteral("S"), QStringLiteral("dbcs"), straddling));
    EXPECT_EQ(f.mGetString(QStringLiteral("S"), QStringLiteral("dbcs")), straddling);
}

TEST_F(IniFileTest, NewFileIsCp932WithCrLf)
{
    clsIniFile f = ini();
    ASSERT_TRUE(f.mSetString(u8("MODE-1"), QStringLiteral("ModeName"), u8("経理")));
    ASSERT_TRUE(f.mSetString(u8("MODE-1"), QStringLiteral("FileType"), QStringLiteral("*.CBL")));
    ASSERT_TRUE(f.mSetString(u8("MODE-2"), QStringLiteral("ModeName"), QStringLiteral("C")));
    EXPECT_EQ(readBytes(path()), QByteArray("[MODE-1]\r\nModeName=\x8c\x6f\x97\x9d\r\n"
                                            "FileType=*.CBL\r\n[MODE-2]\r\nModeName=C\r\n"));
}

TEST_F(IniFileTest, WriteKeepsEverythingElseByteForByte)
{
    // Comments, blank lines, odd spacing, an LF-only line, invalid CP932 and a last line
    // without line end all survive; only the one value changes.
    const QByteArray before("; settings\r\n[Settings]\r\nMainLeft = 120\r\n\r\n"
                            "junk line\n[MODE-1]\r\nModeName=\xff\x80old\r\nFileType=*.CBL");
    writeBytes(path(), before);
    clsIniFile f = ini();
    ASSERT_TRUE(
        f.mSetString(QStringLiteral("mode-1"), QStringLiteral("MODENAME"), QStringLiteral("new")));
    QByteArray expected = before;
    expected.replace("\xff\x80old", "new");
    EXPECT_EQ(readBytes(path()), expected);

    // A missing key goes after the section's last entry, a missing section at the end.
    ASSERT_TRUE(
        f.mSetString(QStringLiteral("Settings"), QStringLiteral("MainTop"), QStringLiteral("7")));
    ASSERT_TRUE(
        f.mSetString(QStringLiteral("MODE-1"), QStringLiteral("BinaryComp"), QStringLiteral("1")));
    ASSERT_TRUE(
        f.mSetString(QStringLiteral("Output"), QStringLiteral("FileType"), QStringLiteral("0")));
    EXPECT_EQ(readBytes(path()),
              QByteArray("; settings\r\n[Settings]\r\nMainLeft = 120\r\nMainTop=7\r\n\r\n"
                         "junk line\n[MODE-1]\r\nModeName=new\r\nFileType=*.CBL\r\n"
                         "BinaryComp=1\r\n[Output]\r\nFileType=0\r\n"));
    EXPECT_EQ(f.mGetString(QStringLiteral("settings"), QStringLiteral("mainleft")),
              QStringLiteral(" 120"));
}

TEST_F(IniFileTest, FirstOfDuplicateSectionsAndKeysWins)
{
    writeBytes(path(), "[A]\r\nk=1\r\nk=2\r\n[a]\r\nk=3\r\nonly=4\r\n");
    clsIniFile f = ini();
    EXPECT_EQ(f.mGetString(QStringLiteral("A"), QStringLiteral("k")), QStringLiteral("1"));
    // Full-width letters compare without regard to case as well.
    clsIniFile wide = ini(path(QStringLiteral("wide.ini")));
    ASSERT_TRUE(wide.mSetString(u8("ＭＯＤＥ"), u8("キー"), QStringLiteral("v")));
    EXPECT_EQ(wide.mGetString(u8("ｍｏｄｅ"), u8("キー")), QStringLiteral("v"));
    EXPECT_EQ(f.mGetString(QStringLiteral("A"), QStringLiteral("only")), QString());
    ASSERT_TRUE(f.mSetString(QStringLiteral("a"), QStringLiteral("K"), QStringLiteral("9")));
    EXPECT_EQ(readBytes(path()), QByteArray("[A]\r\nk=9\r\nk=2\r\n[a]\r\nk=3\r\nonly=4\r\n"));
}

TEST_F(IniFileTest, MissingOrEmptyValuesGiveTheDefault)
{
    writeBytes(path(), "[S]\r\nempty=\r\nnoequals\r\n[broken\r\nafter=x\r\n");
    clsIniFile f = ini();
    EXPECT_EQ(f.mGetString(QStringLiteral("S"), QStringLiteral("empty"), QStringLiteral("d")),
              QStringLiteral("d"));
    EXPECT_EQ(f.mGetString(QStringLiteral("S"), QStringLiteral("empty")), QString());
    EXPECT_EQ(f.mGetString(QStringLiteral("S"), QStringLiteral("noequals"), QStringLiteral("d")),
              QStringLiteral("d"));
    // Entries under a header without "]" belong to no section.
    EXPECT_EQ(f.mGetString(QStringLiteral("S"), QStringLiteral("after"), QStringLiteral("d")),
              QStringLiteral("d"));
    EXPECT_EQ(f.mGetString(QStringLiteral("T"), QStringLiteral("x"), QStringLiteral("d")),
              QStringLiteral("d"));

    clsIniFile missing = ini(path(QStringLiteral("missing.ini")));
    EXPECT_EQ(missing.mGetString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("d")),
              QStringLiteral("d"));
    EXPECT_EQ(missing.mGetInteger(QStringLiteral("S"), QStringLiteral("k"), 5), 5);
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("missing.ini"))));
}

TEST_F(IniFileTest, IntegersParseTheLeadingNumber)
{
    struct Case {
        const char* stored;
        std::optional<qint16> expected;
    };
    const Case cases[] = {
        {"-3", -3},
        {"12abc", 12},
        {"abc", 0},
        {" 7", 0},
        {"-", 0},
        {"+5", 0},
        {"32767", 32767},
        {"-32768", -32768},
        {"40000", std::nullopt},
        {"-40000", std::nullopt},
        {"32768", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    QByteArray file("[N]\r\nempty=\r\n");
    for (size_t i = 0; i < std::size(cases); ++i)
        file += "k" + QByteArray::number(qulonglong(i)) + "=" + cases[i].stored + "\r\n";
    writeBytes(path(), file);
    clsIniFile f = ini();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const QString key = QStringLiteral("k") + QString::number(i);
        EXPECT_EQ(f.mGetInteger(QStringLiteral("N"), key, 99), cases[i].expected)
            << "stored text: " << cases[i].stored;
    }
    EXPECT_EQ(f.mGetInteger(QStringLiteral("N"), QStringLiteral("empty"), 4), 4);
    EXPECT_EQ(f.mGetInteger(QStringLiteral("N"), QStringLiteral("none")), 0);
}

TEST_F(IniFileTest, SetSectionReplacesOrRemovesEntries)
{
    writeBytes(path(), "[MODE-1]\r\n; my mode\r\nModeName=A\r\nFileType=*.X\r\n"
                       "[MODE-2]\r\nModeName=B\r\n");
    clsIniFile f = ini();
    ASSERT_TRUE(f.mSetSection(QStringLiteral("MODE-1"), QString(QChar(0))));
    EXPECT_EQ(readBytes(path()), QByteArray("[MODE-1]\r\n; my mode\r\n[MODE-2]\r\nModeName=B\r\n"));
    EXPECT_EQ(
        f.mGetString(QStringLiteral("MODE-1"), QStringLiteral("ModeName"), QStringLiteral("gone")),
        QStringLiteral("gone"));

    const QString entries = QStringLiteral("x=1") + QChar(0) + QStringLiteral("y=2") + QChar(0);
    ASSERT_TRUE(f.mSetSection(QStringLiteral("MODE-2"), entries));
    EXPECT_EQ(readBytes(path()), QByteArray("[MODE-1]\r\n; my mode\r\n[MODE-2]\r\nx=1\r\ny=2\r\n"));

    // Deleting a section that does not exist changes nothing and creates no file.
    clsIniFile none = ini(path(QStringLiteral("none.ini")));
    EXPECT_TRUE(none.mSetSection(QStringLiteral("MODE-3"), QString(QChar(0))));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("none.ini"))));
}

TEST_F(IniFileTest, RefusedWritesChangeNothing)
{
    const QByteArray before("[S]\r\nk=v\r\n");
    writeBytes(path(), before);
    clsIniFile f = ini();
    // A line break or NUL would break the file's structure or add entries nobody wrote.
    EXPECT_FALSE(f.mSetString(QStringLiteral("S"), QStringLiteral("k"),
                              QStringLiteral("a\r\n[Evil]\r\nx=1")));
    EXPECT_FALSE(f.mSetString(QStringLiteral("S"), QStringLiteral("a=b"), QStringLiteral("v")));
    EXPECT_FALSE(f.mSetString(QStringLiteral("S]x"), QStringLiteral("k"), QStringLiteral("v")));
    EXPECT_FALSE(f.mSetSection(QStringLiteral("S"), QStringLiteral("novalue") + QChar(0)));
    EXPECT_FALSE(f.errorString().isEmpty());
    EXPECT_EQ(readBytes(path()), before);

    QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    EXPECT_FALSE(f.mSetString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("new")));
    EXPECT_FALSE(f.mSetSection(QStringLiteral("S"), QString(QChar(0))));
    EXPECT_EQ(readBytes(path()), before);

    clsIniFile noFolder = ini(path(QStringLiteral("missing/dir/test.ini")));
    EXPECT_FALSE(
        noFolder.mSetString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v")));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("missing"))));
    EXPECT_TRUE(noFolder.errorString().startsWith(path(QStringLiteral("missing/dir/test.ini"))));

    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder.ini")));
    clsIniFile folder = ini(path(QStringLiteral("folder.ini")));
    EXPECT_FALSE(folder.mSetString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v")));
    EXPECT_EQ(folder.mGetString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("d")),
              QStringLiteral("d"));
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("folder.ini"))).isDir());
}

TEST_F(IniFileTest, FullDiskFailsTheWriteAndKeepsTheWholeFile)
{
    QByteArray before("[MODE-1]\r\n");
    for (int i = 0; i < 200; ++i)
        before += "Key" + QByteArray::number(i) + "=value\r\n";
    writeBytes(path(), before);
    clsIniFile f = ini();
    {
        const testutil::FileSizeLimit limit(1024);
        EXPECT_FALSE(f.mSetString(QStringLiteral("MODE-1"), QStringLiteral("Key0"),
                                  QStringLiteral("changed")));
    }
    EXPECT_EQ(f.errorString(), path() + QStringLiteral(": File too large"));
    EXPECT_EQ(readBytes(path()), before);
}

TEST_F(IniFileTest, WritesFollowSymlinksAndKeepPermissions)
{
    writeBytes(path(QStringLiteral("real.ini")), "[S]\r\nk=v\r\n");
    const QByteArray real = QFile::encodeName(path(QStringLiteral("real.ini")));
    ASSERT_EQ(chmod(real.constData(), 0640), 0);
    ASSERT_TRUE(QFile::link(path(QStringLiteral("real.ini")), path(QStringLiteral("link.ini"))));

    clsIniFile f = ini(path(QStringLiteral("link.ini")));
    ASSERT_TRUE(f.mSetString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("w")));
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("link.ini"))).isSymLink());
    EXPECT_EQ(readBytes(path(QStringLiteral("real.ini"))), QByteArray("[S]\r\nk=w\r\n"));
    struct stat st {};
    ASSERT_EQ(stat(real.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(IniFileTest, HostileFilesGiveDefaultsAndSurviveWrites)
{
    // Binary garbage with NUL bytes and invalid CP932, and an unreadable file.
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(char((i * 131 + 7) % 256));
    garbage += QByteArrayLiteral("\r\n[S]\r\nk=\x00v\r\n");
    writeBytes(path(), garbage);
    clsIniFile f = ini();
    EXPECT_EQ(f.mGetString(QStringLiteral("T"), QStringLiteral("k"), QStringLiteral("d")),
              QStringLiteral("d"));
    ASSERT_TRUE(f.mSetString(QStringLiteral("T"), QStringLiteral("k"), QStringLiteral("v")));
    EXPECT_TRUE(readBytes(path()).startsWith(garbage));
    EXPECT_EQ(f.mGetString(QStringLiteral("T"), QStringLiteral("k")), QStringLiteral("v"));

    if (geteuid() != 0) {
        QFile::setPermissions(path(), QFileDevice::WriteOwner);
        EXPECT_EQ(f.mGetString(QStringLiteral("T"), QStringLiteral("k"), QStringLiteral("d")),
                  QStringLiteral("d"));
        EXPECT_FALSE(f.mSetString(QStringLiteral("T"), QStringLiteral("k"), QStringLiteral("x")));
    }
}

TEST_F(IniFileTest, LargeFileIsReadAndWritten)
{
    // 50 MB of entries before the section asked for.
    QByteArray big;
    big.reserve(50 * 1024 * 1024 + 64);
    const QByteArray line("[filler]\r\nkey=0123456789012345678901234567890123456789\r\n");
    while (big.size() < 50 * 1024 * 1024)
        big += line;
    big += "[MODE-1]\r\nModeName=last\r\n";
    writeBytes(path(), big);
    clsIniFile f = ini();
    EXPECT_EQ(f.mGetString(QStringLiteral("MODE-1"), QStringLiteral("ModeName")),
              QStringLiteral("last"));
    ASSERT_TRUE(
        f.mSetString(QStringLiteral("MODE-1"), QStringLiteral("ModeName"), QStringLiteral("new")));
    EXPECT_EQ(QFileInfo(path()).size(), big.size() - 1);
}

TEST_F(IniFileTest, ReadOnceHoldsOneReadingUntilTheNextWrite)
{
    const QString s = QStringLiteral("MODE-1");
    writeBytes(path(), "[MODE-1]\r\nA=1\r\nB=x\r\n");
    clsIniFile f = ini();
    f.readOnce();
    // Another writer changes the file: the held reading still answers, as one consistent set.
    writeBytes(path(), "[MODE-1]\r\nA=2\r\nB=y\r\n");
    EXPECT_EQ(f.mGetInteger(s, QStringLiteral("A")), 1);
    EXPECT_EQ(f.mGetString(s, QStringLiteral("B")), QStringLiteral("x"));
    // A write through the object reads the file as it is and drops the held copy.
    ASSERT_TRUE(f.mSetString(s, QStringLiteral("C"), QStringLiteral("z")));
    EXPECT_EQ(f.mGetInteger(s, QStringLiteral("A")), 2);
    EXPECT_EQ(f.mGetString(s, QStringLiteral("C")), QStringLiteral("z"));

    // A file that cannot be read reads as missing, held or not.
    clsIniFile missing = ini(path(QStringLiteral("none.ini")));
    missing.readOnce();
    EXPECT_EQ(missing.mGetString(s, QStringLiteral("A"), QStringLiteral("d")), QStringLiteral("d"));
    missing.setPFileName(path());
    EXPECT_EQ(missing.mGetString(s, QStringLiteral("C")), QStringLiteral("z"));
}
