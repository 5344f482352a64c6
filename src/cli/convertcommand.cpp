#include "commands.h"

#include "cli/clihost.h"
#include "cli/options.h"
#include "run/batchrunner.h"
#include "run/lineendings.h"

namespace {

int usage(CliStreams io, const QString& why)
{
    return UsageError(io, "convert", why, "usage: quorvix-cli convert --to crlf|cr|lf PATH...\n");
}

} // namespace

int runConvertCommand(const QStringList& args, CliStreams io)
{
    qint16 processMode = 0;
    QStringList paths;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1StringView("--to")) {
            const std::optional<LineEnd> to =
                i + 1 < args.size() ? LineEndFromWord(args[++i].toLower()) : std::nullopt;
            if (!to)
                return usage(io, QStringLiteral("--to takes crlf, cr or lf"));
            processMode = ProcessModeForLineEnd(*to);
        } else if (a.startsWith(QLatin1StringView("--"))) {
            return usage(io, QStringLiteral("unknown option ") + a);
        } else {
            paths << a;
        }
    }
    if (processMode == 0)
        return usage(io, QStringLiteral("--to is missing"));
    if (paths.isEmpty())
        return usage(io, QStringLiteral("no file to convert"));

    QStringList given;
    QStringList walkErrors; // none: nothing is walked
    WalkRules rules;
    rules.sizes = CliHost::drawsProgress(); // they only scale the progress line
    RunRequest request;
    const std::vector<BatchFile> files =
        ExpandPaths(paths, false, rules, given, walkErrors, &request.TotalBytes);
    request.ProcessMode = processMode;
    OutputList outputs;
    CliHost host(io.err);
    CliHost::catchInterrupt();
    BatchRunner runner(request, outputs, host);
    runner.run(files, ModeDefinition{}, BatchSettings{});
    host.finish();

    const QString target = LineEndName(*LineEndForProcessMode(processMode));
    bool failed = false;
    const auto& outcomes = runner.outcomes();
    for (size_t i = 0; i < outcomes.size(); ++i) {
        const FileOutcome& o = outcomes[i];
        const QString& path = given[qsizetype(i)];
        if (o.state == FileOutcome::State::Done) {
            io.out << (o.converted ? "converted " : "unchanged ") << Printable(path) << ' '
                   << target << '\n';
        } else {
            io.err << "quorvix-cli: "
                   << Printable(o.state == FileOutcome::State::Failed
                                    ? o.error
                                    : path + QStringLiteral(": not converted, the run was stopped"))
                   << '\n';
            failed = true;
        }
    }
    return failed ? ExitCode::FileFailed : ExitCode::Ok;
}
