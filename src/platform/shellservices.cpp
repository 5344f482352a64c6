#include "shellservices.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

int DesktopShellServices::open(const QString& file, const QString& parameters)
{
    // exists() follows symlinks, so a shortcut whose target is gone counts as missing.
    const QFileInfo info(file);
    if (file.isEmpty() || !info.exists())
        return FileNotFound;

    if (parameters.isEmpty()) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()))
                   ? Success
                   : NoAssociation;
    }

    // A send-to shortcut: only a runnable file can take the path; a folder has the execute bit
    // too, so it is refused explicitly.
    const QFileInfo target(info.canonicalFilePath());
    if (!target.isFile() || !target.isExecutable())
        return NoAssociation;
    return QProcess::startDetached(info.absoluteFilePath(), {parameters}) ? Success : NoAssociation;
}
