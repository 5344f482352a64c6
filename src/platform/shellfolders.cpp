#include "shellfolders.h"

#include <QDir>
#include <QStandardPaths>

QString GetShellFolder(const QString& name)
{
    if (name == QLatin1StringView("Personal")) {
        QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty() || !QDir(folder).exists())
            folder = QDir::homePath();
        return QDir::toNativeSeparators(folder);
    }
    if (name == QLatin1StringView("SendTo")) {
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        if (data.isEmpty())
            return QString();
        const QString folder = data + QStringLiteral("/Quorvix/SendTo");
        if (!QDir().mkpath(folder))
            return QString();
        return QDir::toNativeSeparators(folder);
    }
    return QString();
}
