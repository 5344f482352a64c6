#include "commands.h"

#include "cli/clihost.h"
#include "cli/options.h"
#include "engine/modedefinition.h"
#include "settings/paths.h"
#include "settings/settingsfile.h"
#include "text/fileio.h"

namespace {

void printMode(QTextStream& out, const QString& header, const ModeDefinition& mode)
{
    out << '[' << header << "]\n";
    const auto values = ModeKeyValues(mode);
    for (size_t i = 0; i < values.size(); ++i)
        out << SettingsKeys::ModeKeys[i] << '=' << values[i] << '\n';
    const auto optional = OptionalModeKeyValues(mode);
    for (size_t i = 0; i < optional.size(); ++i) {
        if (!optional[i].isEmpty())
            out << SettingsKeys::OptionalModeKeys[i] << '=' << optional[i] << '\n';
    }
    out << "AreaCount=" << AreaCount(mode) << '\n';
}

} // namespace

int runModesCommand(const QStringList& args, CliStreams io)
{
    QString home;
    bool homeGiven = false;
    QString importFile;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if ((a == QLatin1StringView("--home") || a == QLatin1StringView("--import")) &&
            i + 1 < args.size()) {
            homeGiven = homeGiven || a == QLatin1StringView("--home");
            (a == QLatin1StringView("--home") ? home : importFile) = args[++i];
        } else {
            io.err << "quorvix-cli modes: unexpected argument \"" << a
                   << "\"\nusage: quorvix-cli modes [--home DIR] | --import FILE\n";
            return ExitCode::Usage;
        }
    }

    if (!importFile.isEmpty()) {
        if (const QString problem = FileIo::regularFileProblem(importFile); !problem.isEmpty()) {
            const bool missing = problem == QLatin1StringView("no such file");
            io.err << "quorvix-cli: " << Printable(importFile)
                   << (missing ? ": no such file\n" : ": not a regular file\n");
            return ExitCode::FileFailed;
        }
        if (!ProfileFileReadable(importFile, io.err))
            return ExitCode::FileFailed;
        printMode(io.out, SettingsKeys::ImportSection, LoadModeDefinition(importFile, true, {}));
        return ExitCode::Ok;
    }

    if (!homeGiven) {
        // The settings folder may be missing (it could not be made): its modes are the defaults.
        home = CliLayout().settingsFolder;
        ReportLayoutNotes(io.err);
    } else if (!FolderExists(home)) {
        io.err << "quorvix-cli: --home " << Printable(home) << ": no such folder\n";
        return ExitCode::Usage;
    }
    const QString settings = SettingsFilePath(home);
    if (!ProfileFileReadable(settings, io.err))
        return ExitCode::FileFailed;
    for (int slot = 1; slot <= SettingsKeys::ModeSlotCount; ++slot) {
        const QString section = SettingsKeys::modeSection(slot);
        printMode(io.out, section, LoadModeDefinition(section, false, settings));
    }
    return ExitCode::Ok;
}
