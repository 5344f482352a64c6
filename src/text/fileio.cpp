#include "fileio.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

void setError(QString* error, const QString& path, const QString& cause)
{
    if (error)
        *error = path + QStringLiteral(": ") + cause;
}

} // namespace

namespace FileIo {

bool readRegularFile(const QString& path, QByteArray& out, QString* error)
{
    out.clear();
    const QFileInfo info(path);
    if (!info.exists()) {
        setError(error, path, QStringLiteral("no such file"));
        return false;
    }
    if (info.isDir()) {
        setError(error, path, QStringLiteral("is a folder, not a file"));
        return false;
    }
    if (!info.isFile()) {
        setError(error, path, QStringLiteral("not a regular file"));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, path, file.errorString());
        return false;
    }
    out = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        setError(error, path, file.errorString());
        out.clear();
        return false;
    }
    return true;
}

bool canReplace(const QString& path, QString* error)
{
    const QFileInfo info(path);
    if (!info.exists())
        return true;
    if (!info.isFile()) {
        setError(error, path, QStringLiteral("not a regular file"));
        return false;
    }
    // The owner write bit is checked as well: root passes every access() test, and a file
    // marked read-only must stay untouched for every user.
    if (!info.isWritable() || !(info.permissions() & QFileDevice::WriteOwner)) {
        setError(error, path, QStringLiteral("the file is read-only"));
        return false;
    }
    return true;
}

bool writeFileAtomically(const QString& path, QByteArrayView data, QString* error)
{
    if (!canReplace(path, error))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        setError(error, path, file.errorString());
        return false;
    }
    if (file.write(data.data(), data.size()) != data.size()) {
        setError(error, path, file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        setError(error, path, file.errorString());
        return false;
    }
    return true;
}

} // namespace FileIo
