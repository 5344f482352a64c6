#include "fileio.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace {

bool setError(QString* error, const QString& path, const QString& cause)
{
    if (error)
        *error = path + QStringLiteral(": ") + cause;
    return false;
}

QString systemReason(int code)
{
    return QString::fromStdString(std::generic_category().message(code));
}

// Writes all of `data`, resuming after short writes and interruptions; false with errno set.
bool writeAll(int fd, QByteArrayView data)
{
    const char* p = data.data();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// Where a chain of symbolic links at `path` ends (the path itself when it is none).
std::optional<QString> linkTarget(const QString& path)
{
    QString current = path;
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(current);
        if (!info.isSymLink())
            return current;
        current = info.symLinkTarget();
    }
    return std::nullopt;
}

} // namespace

namespace FileIo {

QString LimitText(qint64 bytes)
{
    if (bytes % (1 << 20) == 0)
        return QString::number(bytes >> 20) + QStringLiteral(" MiB");
    return QString::number(bytes) + QStringLiteral(" bytes");
}

QString regularFileProblem(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("no such file");
    if (info.isDir())
        return QStringLiteral("is a folder, not a file");
    if (!info.isFile())
        return QStringLiteral("not a regular file");
    return QString();
}

bool checkRegularFile(const QString& path, QString* error)
{
    const QString problem = regularFileProblem(path);
    return problem.isEmpty() || setError(error, path, problem);
}

bool readRegularFile(const QString& path, QByteArray& out, QString* error, qint64 maxSize)
{
    out.clear();
    if (!checkRegularFile(path, error))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return setError(error, path, file.errorString());
    // The size is checked again after reading: the file may grow in between.
    const auto tooLarge = [&] {
        out.clear();
        return setError(error, path,
                        QStringLiteral("larger than ") + LimitText(maxSize) +
                            QStringLiteral(", not read"));
    };
    if (file.size() > maxSize)
        return tooLarge();
    out = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        out.clear();
        return setError(error, path, file.errorString());
    }
    if (out.size() > maxSize)
        return tooLarge();
    return true;
}

bool canReplace(const QString& path, QString* error)
{
    const QFileInfo info(path);
    if (!info.exists())
        return true;
    if (!info.isFile())
        return setError(error, path, QStringLiteral("not a regular file"));
    // The owner write bit is checked as well: root passes every access() test, and a file
    // marked read-only must stay untouched for every user.
    if (!info.isWritable() || !(info.permissions() & QFileDevice::WriteOwner))
        return setError(error, path, QStringLiteral("the file is read-only"));
    return true;
}

AtomicFile::AtomicFile(QString path, WriteOptions options)
    : m_path(std::move(path))
    , m_options(options)
{
}

AtomicFile::~AtomicFile()
{
    discard();
}

bool AtomicFile::fail(const QString& cause)
{
    if (m_error.isEmpty())
        setError(&m_error, m_path, cause);
    discard();
    return false;
}

bool AtomicFile::failErrno(const QString& what)
{
    const int code = errno;
    return fail(what.isEmpty() ? systemReason(code)
                               : what + QStringLiteral(": ") + systemReason(code));
}

void AtomicFile::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        ::unlink(m_temp.constData());
        m_temp.clear();
    }
}

bool AtomicFile::open()
{
    m_error.clear();
    if (m_options.followSymlink) {
        const std::optional<QString> target = linkTarget(m_path);
        if (!target)
            return fail(QStringLiteral("too many levels of symbolic links"));
        m_target = *target;
    } else {
        if (QFileInfo(m_path).isSymLink())
            return fail(QStringLiteral("is a symbolic link; outputs are never written through "
                                       "one"));
        m_target = m_path;
    }
    QString why;
    if (!canReplace(m_target, &why)) {
        m_error = why;
        return false;
    }

    const QByteArray target = QFile::encodeName(m_target);
    struct stat st {};
    m_existed = ::lstat(target.constData(), &st) == 0;
    if (m_existed) {
        if (m_options.refuseHardLinks && st.st_nlink > 1)
            return fail(QStringLiteral("the file has %1 hard links; it is left as it is, as "
                                       "replacing it would separate it from its other names")
                            .arg(st.st_nlink));
        m_mode = st.st_mode & 07777;
        m_uid = st.st_uid;
        m_gid = st.st_gid;
    }

    // A new name each try, created exclusively and never through a link. An existing target's
    // content stays private to its owner until commit() sets the target's own permissions.
    const QByteArray folder = QFile::encodeName(QFileInfo(m_target).absolutePath()) + '/';
    const QByteArray base = QFile::encodeName(QFileInfo(m_target).fileName());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray candidate =
            folder + '.' + base + '.' +
            QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        m_fd = ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      m_existed ? 0600 : 0666);
        if (m_fd >= 0) {
            m_temp = candidate;
            return true;
        }
        if (errno != EEXIST)
            return failErrno(QStringLiteral("cannot create a temporary file beside it"));
    }
    return fail(QStringLiteral("cannot create a temporary file beside it"));
}

bool AtomicFile::write(QByteArrayView data)
{
    if (m_fd < 0)
        return fail(QStringLiteral("not open for writing"));
    if (!writeAll(m_fd, data))
        return failErrno({});
    return true;
}

bool AtomicFile::commit()
{
    if (m_fd < 0)
        return fail(QStringLiteral("not open for writing"));
    if (m_existed) {
        // Owner and group first: changing them clears the set-id bits that fchmod then restores.
        // Without the right to give the file away, keep at least the group where allowed.
        if (::fchown(m_fd, m_uid, m_gid) != 0)
            (void)::fchown(m_fd, uid_t(-1), m_gid);
        if (::fchmod(m_fd, m_mode) != 0)
            return failErrno(QStringLiteral("cannot keep the file's permissions"));
    }
    if (::fsync(m_fd) != 0)
        return failErrno({});
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        return failErrno({});
    if (::rename(m_temp.constData(), QFile::encodeName(m_target).constData()) != 0)
        return failErrno({});
    m_temp.clear();
    return true;
}

bool writeFileAtomically(const QString& path, QByteArrayView data, QString* error,
                         WriteOptions options)
{
    AtomicFile file(path, options);
    if (file.open() && file.write(data) && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

bool appendToFile(const QString& path, QByteArrayView data, QString* error)
{
    const QByteArray name = QFile::encodeName(path);
    // O_NOFOLLOW refuses a link even when one is planted after any earlier check; O_NONBLOCK
    // keeps a FIFO from blocking the open.
    const int fd =
        ::open(name.constData(),
               O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == ELOOP)
            return setError(error, path,
                            QStringLiteral("is a symbolic link; outputs are never written "
                                           "through one"));
        return setError(error, path, systemReason(errno));
    }
    auto failClosed = [&](const QString& cause) {
        ::close(fd);
        return setError(error, path, cause);
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return failClosed(systemReason(errno));
    if (!S_ISREG(st.st_mode))
        return failClosed(QStringLiteral("not a regular file"));
    if (!(st.st_mode & S_IWUSR))
        return failClosed(QStringLiteral("the file is read-only"));
    if (!writeAll(fd, data)) {
        const int code = errno;
        // Cut back what part of the line made it, so the file never ends in half a line.
        (void)::ftruncate(fd, st.st_size);
        return failClosed(systemReason(code));
    }
    if (::close(fd) != 0)
        return setError(error, path, systemReason(errno));
    return true;
}

} // namespace FileIo
