#pragma once

#include <optional>

#include <QString>
#include <QStringList>

#include "cli/commands.h"
#include "engine/modedefinition.h"
#include "settings/settingsfile.h"

// Prints "quorvix-cli COMMAND: WHY" and the command's usage lines on stderr; returns
// ExitCode::Usage.
int UsageError(CliStreams io, const char* command, const QString& why, const char* usage);

// Where a command takes its mode from: slot `slot` of the settings file in `home`, or section
// "Def" of `modeFile`. Exactly one of slot and modeFile is given on a valid command line.
struct ModeOptions {
    QString home;
    int slot = 0;
    QString modeFile;
    bool homeGiven = false; // --home named it; else it is the settings folder of CliLayout()
};

// The settings folder of CliLayout() as home, no mode chosen yet.
ModeOptions DefaultModeOptions();

// --jobs without the option: one per core.
int DefaultJobs();

// The settings layout of the running program, resolved (and the settings folder seeded) once.
const SettingsLayout& CliLayout();

// Prints the notes of CliLayout() on `err`, once per process: the user learns why the modes
// are empty or not saved.
void ReportLayoutNotes(QTextStream& err);

// What ParseModeOption did with args[i].
enum class OptionParse { NotMine, Taken, Invalid };

// Takes args[i] and its value when it is --mode, --home or --mode-file (then `i` is left on the
// value). Invalid, with the reason in `why`, when the value is missing or not a slot number.
OptionParse ParseModeOption(const QStringList& args, qsizetype& i, ModeOptions& options,
                            QString& why);

// Takes args[i] and its value when it is --encoding (then `i` is left on the value). Invalid,
// with the reason in `why`, when the value is missing or names no encoding.
OptionParse ParseEncodingOption(const QStringList& args, qsizetype& i, QString& encoding,
                                QString& why);

// The usage problem of the parsed options ("" when there is none): neither or both of --mode
// and --mode-file.
QString ModeChoiceProblem(const ModeOptions& options);

// The mode the options name; without a mode, `exitCode` says why: Usage when the mode file or
// the --home folder is not there (the reason in `why`), FileFailed when a settings or mode file
// cannot be read (already reported on `err`).
struct LoadedMode {
    std::optional<ModeDefinition> mode;
    int exitCode = ExitCode::Ok;
    QString why;
};
LoadedMode LoadCliMode(const ModeOptions& options, QTextStream& err);

// Makes the --out folder ready before anything is counted: made with its parents when missing,
// then it must be a folder this user can write into. "" or the usage problem.
QString PrepareOutDir(const QString& outDir);

// The options count and diff share.
struct RunOptions {
    ModeOptions mode = DefaultModeOptions();
    QString encoding; // --encoding, over the mode's Encoding
    bool json = false;
    QString output = QStringLiteral("none");
    QString outDir;
    int jobs = DefaultJobs();
    QStringList excludes;  // --exclude globs for folder walks
    bool noIgnore = false; // walks keep what git ignores
};

// Takes args[i] and its value when it is a mode option, --encoding, --json, --exclude,
// --no-ignore, --jobs, --output (one of `outputKinds`) or --out; then `i` is left on the value.
// Invalid, with the reason in `why`, when a value is missing or wrong.
OptionParse ParseRunOption(const QStringList& args, qsizetype& i, RunOptions& options,
                           const QStringList& outputKinds, QString& why);
