#pragma once

#include <array>
#include <optional>
#include <vector>

#include <QString>
#include <QtGlobal>

#include "settings/settingsfile.h"

// Values of areas 1..3, indexed by area number as the rules speak of them.
template <typename T>
struct PerArea {
    std::array<T, 3> values{};

    T& operator[](int area)
    {
        Q_ASSERT(area >= 1 && area <= 3);
        return values[size_t(area - 1)];
    }
    const T& operator[](int area) const
    {
        Q_ASSERT(area >= 1 && area <= 3);
        return values[size_t(area - 1)];
    }
    bool operator==(const PerArea&) const = default;
};

// One counting mode, as stored in a mode section of a profile file. Values pass through as read:
// ranges are not checked here.
struct ModeDefinition {
    QString ModeName;
    QString FileType; // ";"-separated file patterns; used to list files, not by the engine
    qint16 BinaryComp = 0;
    qint16 TABtoSpace = 0;
    PerArea<QString> StartWord; // [1] is always "*"
    PerArea<qint16> Tuning;     // [1] is always 0
    PerArea<qint16> StartAfter; // [1] is always 0
    QString PickupStart;
    QString PickupEnd;
    qint16 PickupToPickup = 0;
    QString CommentStart;
    QString CommentEnd;
    qint16 CommentStartIsValid = 1;
    QString CommentSolo;
    qint16 CommentColumn = 0;
    qint16 CommentLength = 0;
    qint16 NullLineMode = 0;
    QString WordCount;
    // Optional keys, "" when absent.
    QString Encoding;    // "" or "auto", "cp932", "utf-8", "euc-jp", "utf-16le", "utf-16be"
    QString MaskColumns; // comma-separated columns blanked before counting

    bool operator==(const ModeDefinition&) const = default;
};

// Number of areas in use: 3 when StartWord[3] is set, else 2 when StartWord[2] is set, else 1.
int AreaCount(const ModeDefinition& mode);

// Reads a mode key by key, each read standing alone: a missing or unreadable value leaves its
// field at "" or 0 (CommentStartIsValid: 1 when missing or empty). `fromImportFile` false:
// `name` is a section such as "MODE-2" of `settingsPath`; true: `name` is a profile file whose
// section "Def" holds the mode.
ModeDefinition LoadModeDefinition(const QString& name, bool fromImportFile,
                                  const QString& settingsPath);

// The 21 stored values of a mode, in settings-key order (numbers in decimal).
std::array<QString, SettingsKeys::ModeKeyCount> ModeKeyValues(const ModeDefinition& mode);

// The values of the optional keys (SettingsKeys::OptionalModeKeys), in that order.
std::array<QString, SettingsKeys::OptionalModeKeys.size()>
OptionalModeKeyValues(const ModeDefinition& mode);

// Writes the 21 keys into section "MODE-" + slot of the settings file, one at a time in key
// order, then each optional key that is set; an optional key at its default that holds a value
// in the section is emptied, so it reads as the default. Existing keys are rewritten where they
// stand, other keys of the section stay. False (and the rest left unwritten) at the first write
// that fails.
bool SaveModeDefinition(const QString& settingsPath, int slot, const ModeDefinition& mode,
                        QString* error = nullptr);

// One item of MaskColumns: 1-based columns `first`..`last`, inclusive; `last` 0 runs to the end
// of the line.
struct MaskRange {
    int first = 1;
    int last = 0;
    bool operator==(const MaskRange&) const = default;
};

// Parses MaskColumns: comma-separated items `A`, `A-B` or `A-` with 1 <= A <= B, blanks allowed
// around items and around the dash. "" or blanks only: no masks. std::nullopt for anything else,
// an empty item included.
std::optional<std::vector<MaskRange>> ParseMaskColumns(QStringView text);

// Turns every character of `line` in a masked column into a space; columns keep their places.
void ApplyMaskColumns(const std::vector<MaskRange>& masks, char16_t* line, qsizetype length);
