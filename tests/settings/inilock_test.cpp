#include "settings/clsinifile.h"

#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>

#include "testutil.h"

using namespace std::chrono_literals;
using testutil::readBytes;
using testutil::writeBytes;

namespace {

constexpr int kWriters = 2;
constexpr int kKeysPerWriter = 40;

QString keyOf(int writer, int i)
{
    return QStringLiteral("w%1k%2").arg(writer).arg(i);
}

QString valueOf(int writer, int i)
{
    return QStringLiteral("value %1-%2").arg(writer).arg(i);
}

// Forks a process that waits until `startFd` reads end-of-file, then writes its keys into
// `file`; its exit status is the number of writes that returned false.
pid_t startWriter(int writer, const QString& file, int startFd, int unusedFd)
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    close(unusedFd);
    char c;
    while (read(startFd, &c, 1) > 0) {
    }
    clsIniFile ini;
    ini.setPFileName(file);
    int failed = 0;
    for (int i = 0; i < kKeysPerWriter; ++i)
        failed += ini.mSetString(QStringLiteral("S"), keyOf(writer, i), valueOf(writer, i)) ? 0 : 1;
    _exit(failed);
}

} // namespace

TEST(IniFileLockTest, ConcurrentWritersKeepEveryKey)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("Quorvix.ini"));

    int start[2];
    ASSERT_EQ(pipe(start), 0);
    pid_t pids[kWriters];
    for (int w = 0; w < kWriters; ++w)
        pids[w] = startWriter(w, file, start[0], start[1]);
    close(start[0]);
    close(start[1]); // lets every writer go at once
    for (pid_t pid : pids)
        ASSERT_GT(pid, 0);

    for (int w = 0; w < kWriters; ++w) {
        int status = 0;
        ASSERT_EQ(waitpid(pids[w], &status, 0), pids[w]);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "failed writes of writer " << w;
    }

    clsIniFile ini;
    ini.setPFileName(file);
    int kept = 0;
    for (int w = 0; w < kWriters; ++w) {
        for (int i = 0; i < kKeysPerWriter; ++i) {
            if (ini.mGetString(QStringLiteral("S"), keyOf(w, i)) == valueOf(w, i))
                ++kept;
        }
    }
    EXPECT_EQ(kept, kWriters * kKeysPerWriter) << "keys kept";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("Quorvix.ini")});
}

TEST(IniFileLockTest, WriteFailsWhileAnotherProgramHoldsTheLock)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Quorvix.ini"));
    const QByteArray before("[S]\r\nk=v\r\n");
    writeBytes(file, before);

    QLockFile held(file + QStringLiteral(".lock"));
    ASSERT_TRUE(held.tryLock());
    clsIniFile ini;
    ini.setPFileName(file);
    ini.setLockWait(200ms);
    EXPECT_FALSE(ini.mSetString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("new")));
    EXPECT_TRUE(ini.errorString().startsWith(file + QStringLiteral(": ")));
    EXPECT_TRUE(ini.errorString().contains(QStringLiteral("locked by another program")));
    EXPECT_FALSE(ini.mSetSection(QStringLiteral("S"), QStringLiteral("x=1") + QChar(0)));
    EXPECT_EQ(readBytes(file), before);

    held.unlock();
    EXPECT_TRUE(ini.mSetString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("new")));
    EXPECT_EQ(readBytes(file), QByteArray("[S]\r\nk=new\r\n"));
    EXPECT_FALSE(QFileInfo::exists(file + QStringLiteral(".lock")));
}

TEST(IniFileLockTest, LockLeftByAKilledWriterDoesNotBlock)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Quorvix.ini"));
    const QString lockPath = file + QStringLiteral(".lock");
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        QLockFile lock(lockPath);
        if (lock.tryLock())
            raise(SIGKILL);
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_TRUE(QFileInfo::exists(lockPath));

    clsIniFile ini;
    ini.setPFileName(file);
    ini.setLockWait(1s);
    EXPECT_TRUE(ini.mSetString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v")))
        << ini.errorString().toStdString();
    EXPECT_EQ(ini.mGetString(QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("v"));
    EXPECT_FALSE(QFileInfo::exists(lockPath));
}
