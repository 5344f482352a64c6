#include "paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include "text/fileio.h"

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
    const QStorageInfo info(QDir::fromNativeSeparators(path));
    if (!info.isValid())
        return QString();
    return NormalizedFolder(info.rootPath());
}
