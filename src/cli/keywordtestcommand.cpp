#include "commands.h"

#include <QFileInfo>

#include "cli/clihost.h"
#include "engine/keywordtest.h"
#include "settings/paths.h"
#include "settings/settingsfile.h"

namespace {

int usage(CliStreams io, const QString& why)
{
    io.err << "quorvix-cli keyword-test: " << why << "\n"
           << "usage: quorvix-cli keyword-test (--mode N [--home DIR] | --mode-file FILE) LINE\n";
    return ExitCode::Usage;
}

} // namespace

int runKeywordTestCommand(const QStringList& args, CliStreams io)
{
    QString home = ProgramFolder();
    QString modeFile;
    int slot = 0;
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1StringView("--home") && hasValue) {
            home = args[++i];
        } else if (a == QLatin1StringView("--mode-file") && hasValue) {
            modeFile = args[++i];
        } else if (a == QLatin1StringView("--mode") && hasValue) {
            bool ok = false;
            slot = args[++i].toInt(&ok);
            if (!ok || slot < 1 || slot > SettingsKeys::ModeSlotCount)
                return usage(io, QStringLiteral("--mode needs a slot number 1, 2 or 3"));
        } else if (a.startsWith(QLatin1StringView("--")) && a != QLatin1StringView("--")) {
            return usage(io, QStringLiteral("unknown or incomplete option ") + a);
        } else {
            rest << a;
        }
    }
    rest.removeAll(QStringLiteral("--"));
    if ((slot == 0) == modeFile.isEmpty())
        return usage(io, QStringLiteral("give either --mode N or --mode-file FILE"));
    if (rest.size() != 1)
        return usage(io, QStringLiteral("give the line to test as one argument"));

    ModeDefinition mode;
    if (!modeFile.isEmpty()) {
        if (!QFileInfo(modeFile).isFile())
            return usage(io, modeFile + QStringLiteral(": no such mode file"));
        if (!ProfileFileReadable(modeFile, io.err))
            return ExitCode::FileFailed;
        mode = LoadModeDefinition(modeFile, true, QString());
    } else {
        if (!FolderExists(home))
            return usage(io, QStringLiteral("--home ") + home + QStringLiteral(": no such folder"));
        if (!ProfileFileReadable(SettingsFilePath(home), io.err))
            return ExitCode::FileFailed;
        mode = LoadModeDefinition(SettingsKeys::modeSection(slot), false, SettingsFilePath(home));
    }
    QString line = rest.front();
    const QString message = KeywordTestMessage(KeywordTestHits(mode, line));
    // The box's text with its CR LF line ends and the blank line after the heading, as lines.
    for (const QString& l : message.split(QStringLiteral("\r\n"))) {
        if (!l.isEmpty())
            io.out << l << '\n';
    }
    return ExitCode::Ok;
}
