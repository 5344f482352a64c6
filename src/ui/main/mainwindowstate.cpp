#include "mainwindowstate.h"

#include "settings/clsinifile.h"
#include "settings/settingsfile.h"

MainWindowState MainWindowState::read(const clsIniFile& ini, const QString& programFolder)
{
    using namespace SettingsKeys;
    MainWindowState state;
    bool ok = false;
    const int storedIdx =
        ini.mGetString(SectionSettings, IdxFType, DefaultIdxFType).trimmed().toInt(&ok);
    if (ok)
        state.fileTypeIndex = storedIdx;
    state.startMode = ini.mGetInteger(SectionSettings, NextStartMode, DefaultNextStartMode)
                          .value_or(DefaultNextStartMode);
    const int storedWait =
        ini.mGetString(SectionSettings, StartWait, DefaultStartWait).trimmed().toInt(&ok);
    if (ok)
        state.startWait = storedWait != 0;
    state.startPath = ini.mGetString(SectionSettings, NextStartPath, programFolder);
    return state;
}

void MainWindowState::write(clsIniFile& ini) const
{
    using namespace SettingsKeys;
    ini.mSetString(SectionSettings, NextStartPath, startPath);
    ini.mSetString(SectionSettings, IdxFType, QString::number(fileTypeIndex));
    ini.mSetString(SectionSettings, StartWait,
                   startWait.value_or(true) ? QStringLiteral("1") : QStringLiteral("0"));
    ini.mSetString(SectionSettings, NextStartMode, QString::number(startMode));
}

std::array<ModeSlotLabel, SettingsKeys::ModeSlotCount> ReadModeSlotLabels(const clsIniFile& ini)
{
    using namespace SettingsKeys;
    std::array<ModeSlotLabel, ModeSlotCount> labels;
    for (int n = 1; n <= ModeSlotCount; ++n) {
        const QString section = modeSection(n);
        labels[size_t(n - 1)] = {ini.mGetString(section, modeKeyName(ModeKey::ModeName)),
                                 ini.mGetString(section, modeKeyName(ModeKey::FileType))};
    }
    return labels;
}
