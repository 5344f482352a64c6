#include "shellservices.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include "text/pathbytes.h"

namespace {

bool exists(const QString& path)
{
    struct stat st {};
    return ::stat(EncodePath(path).constData(), &st) == 0;
}

// Runs `program` with one argument, detached (a grandchild, reparented to init), passing both
// as bytes: QProcess would re-encode an argument that is not UTF-8. True when exec succeeded.
bool startDetached(const QByteArray& program, const QByteArray& argument)
{
    int status[2];
    if (::pipe2(status, O_CLOEXEC) != 0)
        return false;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(status[0]);
        ::close(status[1]);
        return false;
    }
    if (child == 0) {
        // Only async-signal-safe calls from here on.
        ::close(status[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0)
            ::_exit(grandchild < 0 ? 1 : 0);
        char* const argv[] = {const_cast<char*>(program.constData()),
                              const_cast<char*>(argument.constData()), nullptr};
        ::execv(program.constData(), argv);
        const int error = errno;
        [[maybe_unused]] const ssize_t written = ::write(status[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(status[1]);
    int waited = 0;
    while (::waitpid(child, &waited, 0) < 0 && errno == EINTR) {
    }
    // The write end closes on a successful exec (close-on-exec): no bytes means it ran.
    int error = 0;
    ssize_t n = 0;
    while ((n = ::read(status[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(status[0]);
    return WIFEXITED(waited) && WEXITSTATUS(waited) == 0 && n == 0;
}

} // namespace

int DesktopShellServices::open(const QString& file, const QString& parameters)
{
    // exists() follows symlinks, so a shortcut whose target is gone counts as missing.
    const QFileInfo info(file);
    if (file.isEmpty() || !exists(file))
        return FileNotFound;

    if (parameters.isEmpty()) {
        return QDesktopServices::openUrl(UrlOfLocalPath(info.absoluteFilePath())) ? Success
                                                                                  : NoAssociation;
    }

    // A send-to shortcut: only a runnable file can take the path; a folder has the execute bit
    // too, so it is refused explicitly.
    const QFileInfo target(info.canonicalFilePath());
    if (!target.isFile() || !target.isExecutable())
        return NoAssociation;
    return startDetached(EncodePath(info.absoluteFilePath()), EncodePath(parameters))
               ? Success
               : NoAssociation;
}
