#include "fileio.h"

#include <cerrno>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include "text/pathbytes.h"

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

// Paths go to the system as their own bytes (see DecodePath).
bool isSymLink(const QString& path)
{
    struct stat st {};
    return ::lstat(EncodePath(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

// The absolute, cleaned path a symbolic link points to ("" when it cannot be read).
QString symLinkTarget(const QString& link)
{
    QByteArray target(4096, Qt::Uninitialized);
    const ssize_t n =
        ::readlink(EncodePath(link).constData(), target.data(), size_t(target.size()));
    if (n < 0 || n >= target.size())
        return QString();
    target.truncate(n);
    QString path = DecodePath(target);
    if (!path.startsWith(u'/'))
        path = QFileInfo(link).absolutePath() + u'/' + path;
    return QDir::cleanPath(path);
}

// Where a chain of symbolic links at `path` ends (the path itself when it is none).
std::optional<QString> linkTarget(const QString& path)
{
    QString current = path;
    for (int hops = 0; hops < 40; ++hops) {
        if (!isSymLink(current))
            return current;
        current = symLinkTarget(current);
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

namespace {

QString regularFileProblem(const QByteArray& path, qint64* size)
{
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return QStringLiteral("no such file");
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("is a folder, not a file");
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("not a regular file");
    if (size)
        *size = qint64(st.st_size);
    return QString();
}

} // namespace

QString regularFileProblem(const QString& path)
{
    return regularFileProblem(EncodePath(path), nullptr);
}

bool isFolder(const QString& path)
{
    struct stat st {};
    return ::stat(EncodePath(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<FolderEntry> listFolder(const QString& path)
{
    std::vector<FolderEntry> entries;
    const int dirFd = ::open(EncodePath(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return entries;
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return entries;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        struct stat st {};
        if (::fstatat(dirFd, entry->d_name, &st, 0) != 0)
            continue;
        if (S_ISDIR(st.st_mode) || S_ISREG(st.st_mode))
            entries.push_back({DecodePath(QByteArray(entry->d_name)), S_ISDIR(st.st_mode)});
    }
    ::closedir(dir);
    return entries;
}

std::optional<qint64> regularFileSize(const QString& path)
{
    struct stat st {};
    if (::stat(EncodePath(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return qint64(st.st_size);
}

std::optional<FileFacts> regularFileFacts(const QString& path)
{
    struct stat st {};
    if (::stat(EncodePath(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return FileFacts{qint64(st.st_size),
                     QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 +
                                                    st.st_mtim.tv_nsec / 1000000)};
}

SequentialFile::~SequentialFile()
{
    close();
}

bool SequentialFile::openPath(const QString& path, QString* reason)
{
    close();
    m_fd = ::open(EncodePath(path).constData(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        if (reason)
            *reason = systemReason(errno);
        return false;
    }
    m_atEnd = false;
    m_size = 0;
    m_read = 0;
    return QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

bool SequentialFile::openRegular(const QString& path, QString* reason)
{
    close();
    // Checked before opening: opening a device or a FIFO can block or act on it.
    qint64 size = 0;
    if (const QString problem = regularFileProblem(EncodePath(path), &size); !problem.isEmpty()) {
        if (reason)
            *reason = problem;
        return false;
    }
    if (!openPath(path, reason))
        return false;
    m_size = size;
    return true;
}

void SequentialFile::close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (isOpen())
        QIODevice::close();
}

qint64 SequentialFile::readData(char* data, qint64 maxSize)
{
    // After the end has been seen once, no further call: a file is counted as it was then.
    if (m_atEnd || maxSize <= 0)
        return 0;
    for (;;) {
        const ssize_t n = ::read(m_fd, data, size_t(maxSize));
        if (n >= 0) {
            m_read += n;
            // A short read up to the size the file had when opened is its end. A size of 0
            // says nothing (files under /proc): such a file is read until a read gives nothing.
            m_atEnd = n == 0 || (n < maxSize && m_size > 0 && m_read >= m_size);
            return n;
        }
        if (errno != EINTR) {
            setErrorString(systemReason(errno));
            return -1;
        }
    }
}

bool openForReading(const QString& path, QFile& file, QIODevice::OpenMode mode, QString* reason)
{
    const int fd = ::open(EncodePath(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (reason)
            *reason = systemReason(errno);
        return false;
    }
    if (!file.open(fd, mode | QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        if (reason)
            *reason = file.errorString();
        return false;
    }
    return true;
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
    QFile file;
    QString reason;
    if (!openForReading(path, file, QIODevice::ReadOnly, &reason))
        return setError(error, path, reason);
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
    const QByteArray name = EncodePath(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        return true;
    if (!S_ISREG(st.st_mode))
        return setError(error, path, QStringLiteral("not a regular file"));
    // The owner write bit is checked as well: root passes every access() test, and a file
    // marked read-only must stay untouched for every user.
    if (::access(name.constData(), W_OK) != 0 || !(st.st_mode & S_IWUSR))
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
        if (isSymLink(m_path))
            return fail(QStringLiteral("is a symbolic link; outputs are never written through "
                                       "one"));
        m_target = m_path;
    }
    QString why;
    if (!canReplace(m_target, &why)) {
        m_error = why;
        return false;
    }

    const QByteArray target = EncodePath(m_target);
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
    const QByteArray folder = EncodePath(QFileInfo(m_target).absolutePath()) + '/';
    const QByteArray base = EncodePath(QFileInfo(m_target).fileName());
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
    if (::rename(m_temp.constData(), EncodePath(m_target).constData()) != 0)
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
    const QByteArray name = EncodePath(path);
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
