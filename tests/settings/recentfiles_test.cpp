#include "settings/recentfiles.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "text/pathbytes.h"

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(RecentFiles, AddPutsThePathFirstAndKeepsFive)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Quorvix.ini"));
    writeAll(ini, "[Settings]\r\nStartWait=1\r\n");
    const RecentFiles recent(ini);
    for (int i = 1; i <= 7; ++i)
        ASSERT_TRUE(recent.add(QStringLiteral("/src/F%1.CBL").arg(i)));
    EXPECT_EQ(recent.read(),
              (QStringList{QStringLiteral("/src/F7.CBL"), QStringLiteral("/src/F6.CBL"),
                           QStringLiteral("/src/F5.CBL"), QStringLiteral("/src/F4.CBL"),
                           QStringLiteral("/src/F3.CBL")}));
    EXPECT_EQ(readAll(ini), QByteArray("[Settings]\r\nStartWait=1\r\n"
                                       "[RecentFileList]\r\n"
                                       "00=/src/F7.CBL\r\n01=/src/F6.CBL\r\n02=/src/F5.CBL\r\n"
                                       "03=/src/F4.CBL\r\n04=/src/F3.CBL\r\n"));
}

TEST(RecentFiles, AddDropsOnlyTheSamePathAndCompactsGaps)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Quorvix.ini"));
    writeAll(ini, "[RecentFileList]\r\n00=/a/A.CBL.bak\r\n01=\r\n02=/a/A.CBL\r\n04=/a/B.CBL\r\n");
    const RecentFiles recent(ini);
    EXPECT_EQ(recent.read(), (QStringList{QStringLiteral("/a/A.CBL.bak"),
                                          QStringLiteral("/a/A.CBL"), QStringLiteral("/a/B.CBL")}));
    ASSERT_TRUE(recent.add(QStringLiteral("/a/A.CBL")));
    EXPECT_EQ(readAll(ini),
              QByteArray("[RecentFileList]\r\n00=/a/A.CBL\r\n01=/a/A.CBL.bak\r\n02=/a/B.CBL\r\n"));
}

TEST(RecentFiles, APathTheSettingsFileCannotHoldIsNotKept)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Quorvix.ini"));
    writeAll(ini, "[RecentFileList]\r\n00=/a/A.CBL\r\n");
    const RecentFiles recent(ini);
    ASSERT_TRUE(recent.add(DecodePath("/a/\x95\x5C.CBL")));                // not UTF-8
    ASSERT_TRUE(recent.add(QString::fromUtf8("/a/\xF0\x9F\x98\x80.CBL"))); // not in CP932
    ASSERT_TRUE(recent.add(QString::fromUtf8("/a/\xE8\xA1\xA8.CBL")));     // 表
    EXPECT_EQ(readAll(ini),
              QByteArray("[RecentFileList]\r\n00=/a/\x95\x5C.CBL\r\n01=/a/A.CBL\r\n"));
}
