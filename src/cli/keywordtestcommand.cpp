#include "commands.h"

#include "cli/options.h"
#include "engine/keywordtest.h"

namespace {

int usage(CliStreams io, const QString& why)
{
    return UsageError(
        io, "keyword-test", why,
        "usage: quorvix-cli keyword-test (--mode N [--home DIR] | --mode-file FILE) LINE\n");
}

} // namespace

int runKeywordTestCommand(const QStringList& args, CliStreams io)
{
    ModeOptions options = DefaultModeOptions();
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString why;
        switch (ParseModeOption(args, i, options, why)) {
        case OptionParse::Invalid:
            return usage(io, why);
        case OptionParse::Taken:
            continue;
        case OptionParse::NotMine:
            break;
        }
        // A lone "--" is dropped, so a line can follow it.
        if (args[i] == QLatin1StringView("--"))
            continue;
        if (args[i].startsWith(QLatin1StringView("--")))
            return usage(io, QStringLiteral("unknown option ") + args[i]);
        rest << args[i];
    }
    if (const QString problem = ModeChoiceProblem(options); !problem.isEmpty())
        return usage(io, problem);
    if (rest.size() != 1)
        return usage(io, QStringLiteral("give the line to test as one argument"));
    // The window ends the test on an empty answer; an empty LINE is a slip, not a blank line.
    if (rest.front().isEmpty())
        return usage(io, QStringLiteral("the line to test is empty"));

    const LoadedMode loaded = LoadCliMode(options, io.err);
    if (!loaded.mode)
        return loaded.exitCode == ExitCode::Usage ? usage(io, loaded.why) : loaded.exitCode;
    if (const QString& mask = loaded.mode->MaskColumns; !mask.isEmpty() && !ParseMaskColumns(mask))
        io.err << "quorvix-cli keyword-test: invalid mask columns: " << mask
               << "; the line is tested unmasked\n";
    QString line = rest.front();
    const QString message = KeywordTestMessage(KeywordTestHits(*loaded.mode, line));
    // The box's text with its CR LF line ends and the blank line after the heading, as lines.
    for (const QString& l : message.split(QStringLiteral("\r\n"))) {
        if (!l.isEmpty())
            io.out << l << '\n';
    }
    return ExitCode::Ok;
}
