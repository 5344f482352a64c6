#include "text/fileio.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>

#include "testutil.h"

using testutil::readBytes;
using testutil::writeBytes;

namespace {

QStringList folderEntries(const QTemporaryDir& dir)
{
    return QDir(dir.path())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

struct stat statOf(const QString& path)
{
    struct stat st {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st;
}

} // namespace

TEST(FileIo, FullDiskKeepsTheOldFileAndGivesTheSystemsReason)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Quorvix.ini"));
    const QByteArray old(100, 'o');
    writeBytes(path, old);
    QString error;
    {
        const testutil::FileSizeLimit limit(4096);
        EXPECT_FALSE(FileIo::writeFileAtomically(path, QByteArray(10000, 'n'), &error));
    }
    EXPECT_EQ(error, path + QStringLiteral(": File too large"));
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(folderEntries(dir), QStringList{QStringLiteral("Quorvix.ini")});
}

TEST(FileIo, AppendHoldsAllOfTheLineOrNone)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Q.csv"));
    writeBytes(path, "header\r\n");
    QString error;
    {
        const testutil::FileSizeLimit limit(4096);
        EXPECT_FALSE(FileIo::appendToFile(path, QByteArray(10000, 'r'), &error));
        EXPECT_TRUE(FileIo::appendToFile(path, "row\r\n"));
    }
    EXPECT_EQ(error, path + QStringLiteral(": File too large"));
    EXPECT_EQ(readBytes(path), "header\r\nrow\r\n");
}

TEST(FileIo, OutputsNeverFollowALinkAtTheirName)
{
    QTemporaryDir dir;
    const QString victim = dir.filePath(QStringLiteral("victim"));
    const QString planted = dir.filePath(QStringLiteral("P_CBL_QVX.html"));
    writeBytes(victim, "precious");
    ASSERT_TRUE(QFile::link(victim, planted));
    const FileIo::WriteOptions output{.followSymlink = false};
    QString error;

    EXPECT_FALSE(FileIo::writeFileAtomically(planted, "report", &error, output));
    EXPECT_TRUE(error.startsWith(planted + QStringLiteral(": is a symbolic link")))
        << error.toStdString();
    EXPECT_FALSE(FileIo::appendToFile(planted, "row", &error));
    EXPECT_TRUE(error.startsWith(planted + QStringLiteral(": is a symbolic link")))
        << error.toStdString();
    EXPECT_EQ(readBytes(victim), "precious");
    EXPECT_TRUE(QFileInfo(planted).isSymLink());

    // Settings and converted sources follow the link and replace what it points to.
    ASSERT_TRUE(FileIo::writeFileAtomically(planted, "new"));
    EXPECT_EQ(readBytes(victim), "new");
    EXPECT_TRUE(QFileInfo(planted).isSymLink());
}

TEST(FileIo, ReplacingKeepsOwnerGroupAndSetIdBits)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a file to another owner needs root";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("PROG.CBL"));
    writeBytes(path, "old");
    const QByteArray name = QFile::encodeName(path);
    ASSERT_EQ(::chown(name.constData(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(name.constData(), 06750), 0);

    ASSERT_TRUE(FileIo::writeFileAtomically(path, "new"));
    const struct stat st = statOf(path);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(st.st_mode & 07777, 06750u);
    EXPECT_EQ(readBytes(path), "new");
}

TEST(FileIo, HardLinkedFileIsRefusedWhenSplittingWouldLoseIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("A.CBL"));
    const QString other = dir.filePath(QStringLiteral("B.CBL"));
    writeBytes(path, "old");
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()), 0);
    QString error;
    EXPECT_FALSE(FileIo::writeFileAtomically(path, "new", &error, {.refuseHardLinks = true}));
    EXPECT_TRUE(error.startsWith(path + QStringLiteral(": the file has 2 hard links")))
        << error.toStdString();
    EXPECT_EQ(readBytes(path), "old");
    EXPECT_EQ(statOf(other).st_nlink, 2u);
}

TEST(FileIo, ReadRefusesFilesOverTheLimit)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Quorvix.ini"));
    writeBytes(path, QByteArray(101, 'x'));
    QByteArray data;
    QString error;
    EXPECT_FALSE(FileIo::readRegularFile(path, data, &error, 100));
    EXPECT_EQ(error, path + QStringLiteral(": larger than 100 bytes, not read"));
    EXPECT_TRUE(data.isEmpty());
    EXPECT_TRUE(FileIo::readRegularFile(path, data, &error, 101));
    EXPECT_EQ(data.size(), 101);
}
