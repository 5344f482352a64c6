#include "recentfiles.h"

#include <algorithm>

#include "settings/clsinifile.h"
#include "settings/paths.h"
#include "settings/settingsfile.h"
#include "text/cp932.h"

RecentFiles::RecentFiles(QString settingsPath)
    : m_settingsPath(std::move(settingsPath))
{
}

QStringList RecentFiles::read() const
{
    clsIniFile ini;
    ini.setPFileName(m_settingsPath);
    QStringList paths;
    for (int i = 0; i < SettingsKeys::RecentFileCount; ++i) {
        const QString path =
            ini.mGetString(SettingsKeys::SectionRecentFiles, SettingsKeys::recentFileKey(i));
        if (!path.isEmpty())
            paths << path;
    }
    return paths;
}

bool RecentFiles::add(const QString& path) const
{
    // The settings file is CP932: a path it cannot hold (a name that is not UTF-8, or text
    // outside CP932) would come back as another path, so it is not kept.
    if (Cp932::decode(Cp932::encode(path)) != path)
        return true;
    QStringList kept{path};
    for (const QString& stored : read()) {
        if (!SamePath(stored, path))
            kept << stored;
    }
    QStringList items;
    for (int i = 0; i < std::min<int>(int(kept.size()), SettingsKeys::RecentFileCount); ++i)
        items << SettingsKeys::recentFileKey(i) + u'=' + kept[i];
    clsIniFile ini;
    ini.setPFileName(m_settingsPath);
    return ini.mSetSection(SettingsKeys::SectionRecentFiles, items.join(QChar(0)));
}
