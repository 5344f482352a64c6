#include "settings/settingsfile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>

#include "testutil.h"

using testutil::readBytes;
using testutil::writeBytes;

namespace {

// A prefix as a package installs it (bin/, share/quorvix/ with the sample settings and a
// template) and a home folder whose .config does not exist yet.
class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir().mkpath(m_bin);
        QDir().mkpath(m_share);
        writeBytes(m_share + QStringLiteral("/Quorvix.ini"), kSample);
        writeBytes(m_share + QStringLiteral("/COBOLqvx.html"), "shared template");
    }

    QTemporaryDir m_dir;
    QString m_bin = m_dir.filePath(QStringLiteral("usr/bin"));
    QString m_share = m_dir.filePath(QStringLiteral("usr/share/quorvix"));
    QString m_config = m_dir.filePath(QStringLiteral("home/.config"));
    QString m_userFolder = m_config + QStringLiteral("/Quorvix");
    static constexpr char kSample[] = "[MODE-1]\r\nModeName=COBOL\r\n";
};

} // namespace

TEST_F(LayoutTest, ShareFolderIsFoundRelativeToTheProgram)
{
    EXPECT_EQ(ShareFolderOf(m_bin), m_share);
    EXPECT_EQ(ShareFolderOf(QStringLiteral("/usr/bin")), QStringLiteral("/usr/share/quorvix"));
}

TEST_F(LayoutTest, WritableProgramFolderWithItsOwnSettingsIsPortable)
{
    writeBytes(m_bin + QStringLiteral("/Quorvix.ini"), "[MODE-1]\r\nModeName=MINE\r\n");
    const SettingsLayout layout = ResolveSettingsLayout(m_bin, m_share, m_config);
    EXPECT_TRUE(layout.portable);
    EXPECT_EQ(layout.settingsFolder, m_bin);
    EXPECT_TRUE(layout.notes.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(m_config)); // nothing made for the user

    // A copied program folder without settings and without a share folder stays portable too.
    const QString copied = m_dir.filePath(QStringLiteral("copy"));
    QDir().mkpath(copied);
    EXPECT_TRUE(ResolveSettingsLayout(copied, ShareFolderOf(copied), m_config).portable);
}

TEST_F(LayoutTest, InstalledTreeSeedsTheUserSettingsFromTheShareFolderOnce)
{
    // The program folder is writable here (an unpacked package, or root), but it is an
    // installed tree: a share folder beside it and no settings in it.
    SettingsLayout layout = ResolveSettingsLayout(m_bin, m_share, m_config);
    EXPECT_FALSE(layout.portable);
    EXPECT_EQ(layout.settingsFolder, m_userFolder);
    EXPECT_EQ(layout.shareFolder, m_share);
    EXPECT_TRUE(layout.notes.isEmpty()) << layout.notes.join(u'\n').toStdString();
    const QString settings = SettingsFilePath(m_userFolder);
    EXPECT_EQ(readBytes(settings), QByteArray(kSample));
    EXPECT_FALSE(QFileInfo::exists(m_bin + QStringLiteral("/Quorvix.ini")));
    EXPECT_EQ(QDir(m_userFolder).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("Quorvix.ini")}); // no temp file left

    // The user's own changes survive every later start.
    writeBytes(settings, "[MODE-1]\r\nModeName=CHANGED\r\n");
    layout = ResolveSettingsLayout(m_bin, m_share, m_config);
    EXPECT_EQ(readBytes(settings), QByteArray("[MODE-1]\r\nModeName=CHANGED\r\n"));
}

TEST_F(LayoutTest, ProgramFolderThatCannotBeWrittenUsesTheUserSettings)
{
    writeBytes(m_bin + QStringLiteral("/Quorvix.ini"), "[MODE-1]\r\nModeName=MINE\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(m_bin).constData(), 0555), 0);
    const SettingsLayout layout = ResolveSettingsLayout(m_bin, m_share, m_config);
    ::chmod(QFile::encodeName(m_bin).constData(), 0755);
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write into any folder";
    EXPECT_FALSE(layout.portable);
    EXPECT_EQ(readBytes(SettingsFilePath(layout.settingsFolder)), QByteArray(kSample));
}

TEST_F(LayoutTest, MissingShareFolderLeavesTheModesEmptyAndSaysWhereItLooked)
{
    // A program folder that is not there cannot be written, whoever runs the test.
    const QString gone = m_dir.filePath(QStringLiteral("gone/bin"));
    const QString share = ShareFolderOf(gone);
    const SettingsLayout layout = ResolveSettingsLayout(gone, share, m_config);
    EXPECT_FALSE(layout.portable);
    EXPECT_EQ(layout.settingsFolder, m_userFolder);
    ASSERT_EQ(layout.notes.size(), 1);
    EXPECT_TRUE(layout.notes[0].contains(share + QStringLiteral("/Quorvix.ini")))
        << layout.notes[0].toStdString();
    EXPECT_FALSE(QFileInfo::exists(SettingsFilePath(m_userFolder)));
}

TEST_F(LayoutTest, SettingsFolderThatCannotBeMadeIsNotedAndTheDefaultsApply)
{
    const QString file = m_dir.filePath(QStringLiteral("home-is-a-file"));
    writeBytes(file, "x");
    const SettingsLayout layout =
        ResolveSettingsLayout(m_bin, m_share, file + QStringLiteral("/.config"));
    EXPECT_FALSE(layout.portable);
    EXPECT_EQ(layout.settingsFolder, file + QStringLiteral("/.config/Quorvix"));
    ASSERT_EQ(layout.notes.size(), 1);
    EXPECT_TRUE(layout.notes[0].startsWith(QStringLiteral("cannot make the settings folder ") +
                                           layout.settingsFolder))
        << layout.notes[0].toStdString();
    EXPECT_TRUE(layout.notes[0].endsWith(QStringLiteral("running with the default settings")));
}

TEST_F(LayoutTest, TemplatesAreLookedUpInTheSettingsFolderThenInTheShareFolder)
{
    QDir().mkpath(m_userFolder);
    const QString name = QStringLiteral("COBOLqvx.html");
    EXPECT_EQ(TemplateFolder(m_userFolder, m_share, name), m_share);
    writeBytes(m_userFolder + u'/' + name, "own template");
    EXPECT_EQ(TemplateFolder(m_userFolder, m_share, name), m_userFolder);
    // Found nowhere: the settings folder, where the writers then find no template.
    EXPECT_EQ(TemplateFolder(m_userFolder, m_share, QStringLiteral("Cqvx.csv")), m_userFolder);
    EXPECT_EQ(TemplateFolder(m_userFolder, QString(), name), m_userFolder);
}
