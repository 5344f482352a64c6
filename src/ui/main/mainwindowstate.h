#pragma once

#include <array>
#include <optional>

#include <QString>

#include "settings/settingsfile.h"

class clsIniFile;

// What the main window keeps in section "Settings" besides its geometry: the start folder, the
// file-type entry, the START confirmation box and the mode button pressed at start.
struct MainWindowState {
    QString startPath;
    int fileTypeIndex = 0;
    std::optional<bool> startWait; // unset when the stored value is no number
    qint16 startMode = 0;

    // Missing values take the defaults; a missing start path is `programFolder`.
    static MainWindowState read(const clsIniFile& ini, const QString& programFolder);
    void write(clsIniFile& ini) const;
};

// ModeName and FileType of each mode slot, for the mode buttons and the file-type list.
struct ModeSlotLabel {
    QString name;
    QString fileType;
};
std::array<ModeSlotLabel, SettingsKeys::ModeSlotCount> ReadModeSlotLabels(const clsIniFile& ini);
