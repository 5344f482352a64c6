#include "options.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

#include "cli/clihost.h"
#include "settings/paths.h"
#include "settings/settingsfile.h"
#include "text/fileio.h"
#include "text/pathbytes.h"
#include "text/sourceencoding.h"

int UsageError(CliStreams io, const char* command, const QString& why, const char* usage)
{
    io.err << "quorvix-cli " << command << ": " << Printable(why) << '\n' << usage;
    return ExitCode::Usage;
}

ModeOptions DefaultModeOptions()
{
    return {CliLayout().settingsFolder, 0, QString(), false};
}

int DefaultJobs()
{
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

const SettingsLayout& CliLayout()
{
    static const SettingsLayout layout = CurrentSettingsLayout();
    return layout;
}

void ReportLayoutNotes(QTextStream& err)
{
    static bool reported = false;
    if (reported)
        return;
    reported = true;
    for (const QString& note : CliLayout().notes)
        err << "quorvix-cli: " << Printable(note) << '\n';
    err.flush();
}

OptionParse ParseModeOption(const QStringList& args, qsizetype& i, ModeOptions& options,
                            QString& why)
{
    const QString& option = args[i];
    const bool hasValue = i + 1 < args.size();
    if (option == QLatin1StringView("--home")) {
        if (!hasValue) {
            why = QStringLiteral("--home needs a folder");
            return OptionParse::Invalid;
        }
        options.home = args[++i];
        options.homeGiven = true;
    } else if (option == QLatin1StringView("--mode-file")) {
        if (!hasValue) {
            why = QStringLiteral("--mode-file needs a file");
            return OptionParse::Invalid;
        }
        options.modeFile = args[++i];
    } else if (option == QLatin1StringView("--mode")) {
        bool ok = false;
        options.slot = hasValue ? args[++i].toInt(&ok) : 0;
        if (!ok || options.slot < 1 || options.slot > SettingsKeys::ModeSlotCount) {
            why = QStringLiteral("--mode needs a slot number 1, 2 or 3");
            return OptionParse::Invalid;
        }
    } else {
        return OptionParse::NotMine;
    }
    return OptionParse::Taken;
}

OptionParse ParseEncodingOption(const QStringList& args, qsizetype& i, QString& encoding,
                                QString& why)
{
    if (args[i] != QLatin1StringView("--encoding"))
        return OptionParse::NotMine;
    if (i + 1 >= args.size() || !ParseSourceEncoding(args[i + 1])) {
        why = QStringLiteral("--encoding takes ") + SourceEncodingNames();
        return OptionParse::Invalid;
    }
    encoding = args[++i];
    return OptionParse::Taken;
}

QString ModeChoiceProblem(const ModeOptions& options)
{
    if ((options.slot == 0) == options.modeFile.isEmpty())
        return QStringLiteral("give either --mode N or --mode-file FILE");
    return QString();
}

LoadedMode LoadCliMode(const ModeOptions& options, QTextStream& err)
{
    if (!options.modeFile.isEmpty()) {
        if (!FileIo::regularFileFacts(options.modeFile))
            return {std::nullopt, ExitCode::Usage,
                    options.modeFile + QStringLiteral(": no such mode file")};
        if (!ProfileFileReadable(options.modeFile, err))
            return {std::nullopt, ExitCode::FileFailed, QString()};
        return {LoadModeDefinition(options.modeFile, true, QString()), ExitCode::Ok, QString()};
    }
    if (!options.homeGiven)
        ReportLayoutNotes(err);
    else if (!FolderExists(options.home))
        return {std::nullopt, ExitCode::Usage,
                QStringLiteral("--home ") + options.home + QStringLiteral(": no such folder")};
    const QString settings = SettingsFilePath(options.home);
    if (!ProfileFileReadable(settings, err))
        return {std::nullopt, ExitCode::FileFailed, QString()};
    return {LoadModeDefinition(SettingsKeys::modeSection(options.slot), false, settings),
            ExitCode::Ok, QString()};
}

// Makes the --out folder ready before anything is counted: made when missing, then it must be
// a folder this user can write into. "" or the usage problem.
QString PrepareOutDir(const QString& outDir)
{
    const QString shown = QStringLiteral("--out ") + outDir;
    const QByteArray bytes = EncodePath(AbsolutePath(outDir));
    struct stat st {};
    if (::stat(bytes.constData(), &st) == 0) {
        if (!S_ISDIR(st.st_mode))
            return shown + QStringLiteral(": not a folder");
    } else if (const QString why = MakeFolder(AbsolutePath(outDir)); !why.isEmpty()) {
        return shown + QStringLiteral(": cannot make the folder (") + why + u')';
    }
    if (::access(bytes.constData(), W_OK | X_OK) != 0)
        return shown + QStringLiteral(": the folder is not writable (") +
               QString::fromLocal8Bit(std::strerror(errno)) + u')';
    return QString();
}

OptionParse ParseRunOption(const QStringList& args, qsizetype& i, RunOptions& options,
                           const QStringList& outputKinds, QString& why)
{
    OptionParse parsed = ParseModeOption(args, i, options.mode, why);
    if (parsed == OptionParse::NotMine)
        parsed = ParseEncodingOption(args, i, options.encoding, why);
    if (parsed != OptionParse::NotMine)
        return parsed;
    const QString& a = args[i];
    const bool hasValue = i + 1 < args.size();
    const auto invalid = [&why](const QString& reason) {
        why = reason;
        return OptionParse::Invalid;
    };
    if (a == QLatin1StringView("--json")) {
        options.json = true;
    } else if (a == QLatin1StringView("--no-ignore")) {
        options.noIgnore = true;
    } else if (a == QLatin1StringView("--exclude")) {
        if (!hasValue || args[i + 1].isEmpty())
            return invalid(QStringLiteral("--exclude needs a glob"));
        options.excludes << args[++i];
    } else if (a == QLatin1StringView("--jobs")) {
        bool ok = false;
        options.jobs = hasValue ? args[++i].toInt(&ok) : 0;
        if (!ok || options.jobs < 1)
            return invalid(QStringLiteral("--jobs needs a number of at least 1"));
    } else if (a == QLatin1StringView("--output")) {
        if (!hasValue || !outputKinds.contains(args[i + 1]))
            return invalid(QStringLiteral("--output takes ") +
                           outputKinds.mid(0, outputKinds.size() - 1).join(QStringLiteral(", ")) +
                           QStringLiteral(" or ") + outputKinds.constLast());
        options.output = args[++i];
    } else if (a == QLatin1StringView("--out")) {
        if (!hasValue || args[i + 1].isEmpty())
            return invalid(QStringLiteral("--out needs a folder"));
        options.outDir = args[++i];
    } else {
        return OptionParse::NotMine;
    }
    return OptionParse::Taken;
}
