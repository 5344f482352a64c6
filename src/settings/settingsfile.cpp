#include "settingsfile.h"

#include "settings/clsinifile.h"
#include "settings/paths.h"

QString SettingsFilePath(const QString& programFolder)
{
    return AddBackslash(programFolder) + SettingsKeys::FileName;
}

namespace SettingsKeys {

QString recentFileKey(int index)
{
    return QStringLiteral("%1").arg(index, 2, 10, QLatin1Char('0'));
}

QString modeSection(int slot)
{
    return QStringLiteral("MODE-") + QString::number(slot);
}

} // namespace SettingsKeys

bool DeleteModeSlot(const QString& settingsPath, int slot)
{
    clsIniFile ini;
    ini.setPFileName(settingsPath);
    return ini.mSetSection(SettingsKeys::modeSection(slot), QString(QChar(0)));
}
