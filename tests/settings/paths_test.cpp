#include "settings/paths.h"

#include <sys/stat.h>

#include <QDir>
#include <QStandardPaths>

#include "platform/shellfolders.h"
#include "settings/settingsfile.h"
#include "testutil.h"

TEST(Paths, AddBackslashEndsInOneSeparator)
{
    EXPECT_EQ(AddBackslash(QString()), QStringLiteral("/"));
    EXPECT_EQ(AddBackslash(QStringLiteral("/opt/tools")), QStringLiteral("/opt/tools/"));
    EXPECT_EQ(AddBackslash(QStringLiteral("/opt/tools/")), QStringLiteral("/opt/tools/"));
    EXPECT_EQ(AddBackslash(QStringLiteral("C")), QStringLiteral("C/"));
    EXPECT_EQ(SettingsFilePath(QStringLiteral("/opt/q")), QStringLiteral("/opt/q/Quorvix.ini"));
}

TEST(Paths, FolderExistsOnlyForFolders)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.cbl"));
    testutil::writeBytes(file, "x");
    EXPECT_TRUE(FolderExists(dir.path()));
    EXPECT_TRUE(FolderExists(dir.path() + u'/'));
    EXPECT_FALSE(FolderExists(file));
    EXPECT_FALSE(FolderExists(dir.filePath(QStringLiteral("missing"))));
    EXPECT_FALSE(FolderExists(QString()));
}

TEST(Paths, PathIsUsableTrimsAndTests)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("my file.cbl"));
    testutil::writeBytes(file, "x");

    QString p = QStringLiteral("  ") + file + QStringLiteral("  ");
    EXPECT_TRUE(PathIsUsable(p));
    EXPECT_EQ(p, file);

    QString blank = QStringLiteral("    ");
    EXPECT_FALSE(PathIsUsable(blank));
    EXPECT_TRUE(blank.isEmpty());

    QString folder = dir.path() + u'/';
    EXPECT_TRUE(PathIsUsable(folder));
    QString folderAsFile = dir.path();
    EXPECT_FALSE(PathIsUsable(folderAsFile));
    QString missing = dir.filePath(QStringLiteral("missing.cbl"));
    EXPECT_FALSE(PathIsUsable(missing));
    EXPECT_FALSE(QFileInfo::exists(missing));

    // A FIFO without a writer would block an open for reading.
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QString fifoPath = fifo;
    EXPECT_FALSE(PathIsUsable(fifoPath));
}

TEST(ShellFolders, KnownNamesGiveFolders)
{
    QStandardPaths::setTestModeEnabled(true);
    const QString sendTo = GetShellFolder(QStringLiteral("SendTo"));
    EXPECT_TRUE(sendTo.endsWith(QStringLiteral("Quorvix/SendTo")));
    EXPECT_TRUE(FolderExists(sendTo));
    EXPECT_TRUE(FolderExists(GetShellFolder(QStringLiteral("Personal"))));
    EXPECT_EQ(GetShellFolder(QStringLiteral("Favorites")), QString());
    EXPECT_EQ(AddBackslash(GetShellFolder(QStringLiteral("Favorites"))), QStringLiteral("/"));
}
