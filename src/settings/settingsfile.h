#pragma once

#include <array>

#include <QLatin1StringView>
#include <QString>
#include <QStringList>

// Layout of the settings file "Quorvix.ini": its place, sections, keys and defaults. Every part
// of the program reads and writes its own keys through a fresh clsIniFile; nothing is cached.

// The settings file in `programFolder` (the executable's folder, or the CLI's --home).
QString SettingsFilePath(const QString& programFolder);

// Where the programs keep their settings and find their report templates.
struct SettingsLayout {
    QString settingsFolder; // holds Quorvix.ini; templates are looked up here first
    QString shareFolder;    // the installation's samples and templates, looked up second
    bool portable = true;   // settings beside the program, as in a build tree or a copied folder
    QStringList notes;      // for the user: a settings folder not made, a share folder missing
};

// <prefix>/share/quorvix for a program in <prefix>/bin, whether it exists or not.
QString ShareFolderOf(const QString& programFolder);

// $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config.
QString ConfigHome();

// The layout of a program in `programFolder`. Portable when that folder is writable, except
// for an installed tree (a share folder beside, no settings file in the program folder), so
// that root and an unpacked package get the installed layout too. Installed: the settings
// folder is `configHome`/Quorvix, made when missing; a missing settings file there is seeded
// from the share folder's Quorvix.ini (never replacing one another process seeded first).
// A folder that cannot be made or a share folder without settings is noted, and the program
// runs with the defaults.
SettingsLayout ResolveSettingsLayout(const QString& programFolder, const QString& shareFolder,
                                     const QString& configHome);

// ResolveSettingsLayout for the running program (QCoreApplication must exist).
SettingsLayout CurrentSettingsLayout();

// ShareFolderOf the running program when that folder exists; "" without it or without a
// QCoreApplication.
QString InstalledShareFolder();

// The folder the template `fileName` is read from: `settingsFolder` when it holds a usable file
// of that name, else `shareFolder` when that does, else `settingsFolder`.
QString TemplateFolder(const QString& settingsFolder, const QString& shareFolder,
                       const QString& fileName);

namespace SettingsKeys {

inline constexpr QLatin1StringView FileName{"Quorvix.ini"};

// Main window.
inline constexpr QLatin1StringView SectionSettings{"Settings"};
inline constexpr QLatin1StringView MainLeft{"MainLeft"};
inline constexpr QLatin1StringView MainTop{"MainTop"};
inline constexpr QLatin1StringView MainWidth{"MainWidth"};
inline constexpr QLatin1StringView MainHeight{"MainHeight"};
inline constexpr QLatin1StringView IdxFType{"IDX_FType"};
inline constexpr QLatin1StringView NextStartMode{"NextStartMode"};
inline constexpr QLatin1StringView StartWait{"StartWait"};
inline constexpr QLatin1StringView NextStartPath{"NextStartPath"};
inline constexpr QLatin1StringView DefaultIdxFType{"0"};
inline constexpr qint16 DefaultNextStartMode = 4; // no mode button selected
inline constexpr QLatin1StringView DefaultStartWait{"1"};

// Run dialog output options. "FileType" here is unrelated to the mode key of that name.
inline constexpr QLatin1StringView SectionOutput{"Output"};
inline constexpr QLatin1StringView OutputFileType{"FileType"};
inline constexpr QLatin1StringView OutputSourceDir{"SourceDir"};
inline constexpr QLatin1StringView OutputSelectDir{"SelectDir"};
inline constexpr qint16 DefaultOutputFileType = 0; // one report per file
inline constexpr qint16 DefaultOutputSourceDir = 1;

// Recently processed files, newest under "00".
inline constexpr QLatin1StringView SectionRecentFiles{"RecentFileList"};
inline constexpr int RecentFileCount = 5;
QString recentFileKey(int index);

// Modes: "MODE-1".."MODE-3" in the settings file, "Def" in an import file.
inline constexpr int ModeSlotCount = 3;
QString modeSection(int slot);
inline constexpr QLatin1StringView ImportSection{"Def"};

// The keys of a mode section, in the order the editor writes and the loader reads them; each
// names its place in ModeKeys.
enum class ModeKey {
    ModeName,
    FileType,
    BinaryComp,
    TABtoSpace,
    StartWord2,
    Tuning2,
    StartAfter2,
    StartWord3,
    Tuning3,
    StartAfter3,
    PickupStart,
    PickupEnd,
    PickupToPickup,
    CommentStart,
    CommentEnd,
    CommentStartIsValid,
    CommentSolo,
    CommentColumn,
    CommentLength,
    NullLineMode,
    WordCount,
};
inline constexpr size_t ModeKeyCount = size_t(ModeKey::WordCount) + 1;

inline constexpr std::array<QLatin1StringView, ModeKeyCount> ModeKeys{
    QLatin1StringView{"ModeName"},       QLatin1StringView{"FileType"},
    QLatin1StringView{"BinaryComp"},     QLatin1StringView{"TABtoSpace"},
    QLatin1StringView{"2StartWord"},     QLatin1StringView{"2Tuning"},
    QLatin1StringView{"2StartAfter"},    QLatin1StringView{"3StartWord"},
    QLatin1StringView{"3Tuning"},        QLatin1StringView{"3StartAfter"},
    QLatin1StringView{"PickupStart"},    QLatin1StringView{"PickupEnd"},
    QLatin1StringView{"PickupToPickup"}, QLatin1StringView{"CommentStart"},
    QLatin1StringView{"CommentEnd"},     QLatin1StringView{"CommentStartIsValid"},
    QLatin1StringView{"CommentSolo"},    QLatin1StringView{"CommentColumn"},
    QLatin1StringView{"CommentLength"},  QLatin1StringView{"NullLineMode"},
    QLatin1StringView{"WordCount"},
};

constexpr QLatin1StringView modeKeyName(ModeKey key)
{
    return ModeKeys[size_t(key)];
}

// Optional keys of a mode section, after the 21 in this order. Each defaults to "": read when
// present, written and printed only when set.
inline constexpr QLatin1StringView ModeEncoding{"Encoding"};
inline constexpr QLatin1StringView ModeMaskColumns{"MaskColumns"};
inline constexpr std::array<QLatin1StringView, 2> OptionalModeKeys{ModeEncoding, ModeMaskColumns};

} // namespace SettingsKeys

// Empties mode slot `slot` (1..3): every entry of its section goes, so all keys read as their
// defaults. False when the file cannot be written.
bool DeleteModeSlot(const QString& settingsPath, int slot);
