#pragma once

#include <QString>
#include <QStringList>

// The settings file's section "RecentFileList": up to RecentFileCount paths under the keys
// "00".."04", the most recent first.
class RecentFiles final {
public:
    explicit RecentFiles(QString settingsPath);

    // The stored paths in key order, empty entries left out.
    QStringList read() const;

    // Puts `path` first; a stored entry goes only when it is the very same path. The section is
    // written whole and compact, so that no stale key stays behind past the end of the list.
    bool add(const QString& path) const;

private:
    QString m_settingsPath;
};
