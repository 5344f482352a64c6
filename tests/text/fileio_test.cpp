#include "text/fileio.h"

#include "testutil.h"

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
