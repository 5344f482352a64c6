#include "paths.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include "text/fileio.h"
#include "text/pathbytes.h"

namespace {

QChar separator()
{
#ifdef Q_OS_WIN
    return u'\\';
#else
    return u'/';
#endif
}

} // namespace

QString AddBackslash(const QString& path)
{
    QString result = path;
#ifdef Q_OS_WIN
    if (result.size() == 1)
        result += u':';
#endif
    if (!result.endsWith(separator()))
        result += separator();
    return result;
}

bool FolderExists(const QString& path)
{
    // By the path's own bytes: QFileInfo would lose a name that is not UTF-8.
    return !path.isEmpty() && FileIo::isFolder(path);
}

bool PathIsUsable(QString& path)
{
    qsizetype b = 0;
    qsizetype e = path.size();
    while (b < e && path[b] == u' ')
        ++b;
    while (e > b && path[e - 1] == u' ')
        --e;
    path = path.mid(b, e - b);
    if (path.isEmpty())
        return false;
    if (path.endsWith(separator()))
        return FolderExists(path);
    if (!FileIo::regularFileFacts(path))
        return false;
    QFile file;
    return FileIo::openForReading(path, file, QIODevice::ReadOnly);
}

QString ProgramFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

QString MakeFolder(const QString& folder)
{
    const QString clean = QDir::cleanPath(folder);
    for (qsizetype from = 1; from <= clean.size();) {
        qsizetype slash = clean.indexOf(u'/', from);
        if (slash < 0)
            slash = clean.size();
        if (::mkdir(EncodePath(clean.left(slash)).constData(), 0700) != 0 && errno != EEXIST)
            return QString::fromLocal8Bit(std::strerror(errno));
        from = slash + 1;
    }
    return FileIo::isFolder(clean) ? QString() : QString::fromLocal8Bit(std::strerror(ENOTDIR));
}

bool SamePath(const QString& a, const QString& b)
{
#ifdef Q_OS_WIN
    return a.compare(b, Qt::CaseInsensitive) == 0;
#else
    return a.compare(b, Qt::CaseSensitive) == 0;
#endif
}

QString NormalizedFolder(const QString& path)
{
    if (path.trimmed().isEmpty())
        return QString();
    const QString absolute = QFileInfo(QDir::fromNativeSeparators(path)).absoluteFilePath();
    return QDir::toNativeSeparators(QDir::cleanPath(absolute));
}

QString ParentFolder(const QString& folder)
{
    return QDir::toNativeSeparators(QFileInfo(QDir::fromNativeSeparators(folder)).path());
}

QString DriveOf(const QString& path)
{
    // QStorageInfo finds a path by its UTF-8 form, which a name that is not UTF-8 lacks; the
    // part above such a name lies on the same volume unless that name is itself a mount point.
    QString known = QDir::fromNativeSeparators(path);
    for (qsizetype i = 0; i < known.size(); ++i) {
        if (EscapedByte(known, i) >= 0) {
            known.truncate(std::max<qsizetype>(known.lastIndexOf(u'/', i), 1));
            break;
        }
    }
    const QStorageInfo info(known);
    if (!info.isValid())
        return QString();
    return NormalizedFolder(info.rootPath());
}
