#pragma once

#include <QStringList>
#include <QTextStream>

// Exit codes of quorvix-cli.
namespace ExitCode {
inline constexpr int Ok = 0;
inline constexpr int FileFailed = 1;
inline constexpr int Usage = 2;
} // namespace ExitCode

// Streams the subcommands write to; UTF-8.
struct CliStreams {
    QTextStream& out;
    QTextStream& err;
};

// `modes [--home DIR]` and `modes --import FILE`; `args` are the words after "modes".
int runModesCommand(const QStringList& args, CliStreams io);

// `count (--mode N [--home DIR] | --mode-file FILE) [--json] [--output none|files|joined]
// [--out DIR] [--jobs N] [--recursive] PATH...`
int runCountCommand(const QStringList& args, CliStreams io);

// `keyword-test (--mode N [--home DIR] | --mode-file FILE) LINE`
int runKeywordTestCommand(const QStringList& args, CliStreams io);

// `diff (--mode N [--home DIR] | --mode-file FILE) [--encoding E] [--exclude GLOB]...
// [--no-ignore] [--json] [--output none|csv|html] [--out DIR] [--jobs N]
// (OLD NEW | --git REPO OLD_REV NEW_REV)`
int runDiffCommand(const QStringList& args, CliStreams io);

// `convert --to crlf|cr|lf PATH...`
int runConvertCommand(const QStringList& args, CliStreams io);
