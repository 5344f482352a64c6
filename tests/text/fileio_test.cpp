#include "text/fileio.h"

#include <sys/stat.h>
#include <unistd.h>

#include "testutil.h"
#include "text/pathbytes.h"

using testutil::writeBytes;

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

TEST(FileIo, NameThatIsNotUtf8IsWrittenAndReadByItsBytes)
{
    QTemporaryDir dir;
    const QByteArray bytes = QFile::encodeName(dir.path()) + "/\x95\x5C\x8E\xA6.CBL";
    const QString path = DecodePath(bytes);
    QString error;
    ASSERT_TRUE(FileIo::writeFileAtomically(path, "abc", &error)) << error.toStdString();
    struct stat st {};
    EXPECT_EQ(::stat(bytes.constData(), &st), 0);
    QByteArray data;
    EXPECT_TRUE(FileIo::readRegularFile(path, data, &error)) << error.toStdString();
    EXPECT_EQ(data, "abc");
    ASSERT_TRUE(FileIo::regularFileFacts(path));
    EXPECT_EQ(FileIo::regularFileFacts(path)->size, 3);
    EXPECT_TRUE(FileIo::appendToFile(path, "d", &error)) << error.toStdString();
    EXPECT_EQ(FileIo::regularFileProblem(path), QString());
    // QTemporaryDir removes by text names and would leave this one behind.
    EXPECT_EQ(::unlink(bytes.constData()), 0);
}

TEST(FileIo, SequentialFileReadsFrontToBackByTheNameBytes)
{
    QTemporaryDir dir;
    const QByteArray bytes = QFile::encodeName(dir.path()) + "/\x95\x5C.CBL";
    const QString path = DecodePath(bytes);
    QByteArray content;
    for (int i = 0; i < 5000; ++i)
        content += QByteArray::number(i) + "\r\n";
    ASSERT_TRUE(FileIo::writeFileAtomically(path, content));

    FileIo::SequentialFile file;
    QString reason;
    ASSERT_TRUE(file.openPath(path, &reason)) << reason.toStdString();
    EXPECT_TRUE(file.isSequential());
    QByteArray read;
    char block[1000];
    for (qint64 n; (n = file.read(block, sizeof block)) > 0;)
        read.append(block, n);
    EXPECT_EQ(read, content);
    EXPECT_EQ(file.read(block, sizeof block), 0);
    file.close();
    EXPECT_EQ(::unlink(bytes.constData()), 0);

    EXPECT_FALSE(file.openPath(path, &reason));
    EXPECT_EQ(reason, QStringLiteral("No such file or directory"));
}

// Opened as a regular file, a file is read to its end by its size; one whose size says nothing
// (a file under /proc) is read until a read gives nothing. Anything else is not opened.
TEST(FileIo, SequentialFileOpensOnlyRegularFilesAndReadsThemWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.CBL"));
    const QByteArray content(3 << 20, 'x'); // more than one read
    ASSERT_TRUE(FileIo::writeFileAtomically(path, content));
    const auto readAll = [](FileIo::SequentialFile& file) {
        QByteArray read;
        std::vector<char> block(1 << 20);
        for (qint64 n; (n = file.read(block.data(), qint64(block.size()))) > 0;)
            read.append(block.data(), n);
        return read;
    };
    FileIo::SequentialFile file;
    QString reason;
    ASSERT_TRUE(file.openRegular(path, &reason)) << reason.toStdString();
    EXPECT_EQ(readAll(file), content);

    ASSERT_TRUE(file.openRegular(QStringLiteral("/proc/self/status"), &reason));
    EXPECT_TRUE(readAll(file).contains("Name:"));

    EXPECT_FALSE(file.openRegular(dir.path(), &reason));
    EXPECT_EQ(reason, QStringLiteral("is a folder, not a file"));
    EXPECT_FALSE(file.openRegular(QStringLiteral("/dev/null"), &reason));
    EXPECT_EQ(reason, QStringLiteral("not a regular file"));
    EXPECT_FALSE(file.openRegular(dir.filePath(QStringLiteral("missing")), &reason));
    EXPECT_EQ(reason, QStringLiteral("no such file"));
}
