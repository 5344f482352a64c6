// quorvix-cli: the headless front-end over the same engine, settings and report writers as the
// desktop program.

#include <cstdio>

#include <QCoreApplication>
#include <QStringConverter>
#include <QTextStream>

#include "cli/commands.h"
#include "engine/workers.h"
#include "text/pathbytes.h"

namespace {

const char* const kUsage =
    "usage: quorvix-cli COMMAND [OPTIONS]\n"
    "\n"
    "Counts the lines of source files by the rules of a Quorvix mode.\n"
    "\n"
    "commands:\n"
    "  modes [--home DIR]      print the three modes of DIR/Quorvix.ini\n"
    "                          (default DIR: the settings folder, see below)\n"
    "  modes --import FILE     print the mode held in section \"Def\" of FILE\n"
    "  count (--mode N [--home DIR] | --mode-file FILE) [--json] [--encoding E]\n"
    "        [--output none|files|joined] [--out DIR] [--jobs N] [--recursive]\n"
    "        [--exclude GLOB]... [--no-ignore] PATH...\n"
    "                          count the lines of the files with mode N of\n"
    "                          DIR/Quorvix.ini or the mode in section \"Def\" of FILE;\n"
    "                          folders are walked with --recursive, keeping the files\n"
    "                          that match the mode's FileType, never entering .git or\n"
    "                          symlinked folders, skipping what git ignores (unless\n"
    "                          --no-ignore) and what an --exclude GLOB matches (the\n"
    "                          base name, or with \"/\" the path below the folder);\n"
    "                          --jobs counts files in parallel (default: one per\n"
    "                          core); --json prints one JSON document instead of a\n"
    "                          table; --output files writes a report per file, joined\n"
    "                          one summary CSV, into --out (default: each file's own\n"
    "                          folder; templates from DIR); sources are read in\n"
    "                          --encoding E, else the mode's Encoding, else auto\n"
    "                          (E: auto, cp932, utf-8, euc-jp, utf-16le, utf-16be;\n"
    "                          auto goes by a byte-order mark, valid UTF-8, then\n"
    "                          EUC-JP or CP932); --out is made when missing\n"
    "  diff (--mode N [--home DIR] | --mode-file FILE) [--encoding E]\n"
    "       [--exclude GLOB]... [--no-ignore] [--json] [--output none|csv|html]\n"
    "       [--out DIR] [--jobs N] (OLD NEW | --git REPO OLD_REV NEW_REV)\n"
    "                          new, changed and deleted steps (lines counted as\n"
    "                          valid, comments and blank lines left out) between two\n"
    "                          folders walked as count --recursive does, two files,\n"
    "                          or two revisions of a git repository; --output csv or\n"
    "                          html writes QVXDIFF<time>.csv/.html into --out\n"
    "                          (default: the current folder)\n"
    "  convert --to crlf|cr|lf PATH...\n"
    "                          rewrite the files in place with those line ends\n"
    "  keyword-test (--mode N [--home DIR] | --mode-file FILE) LINE\n"
    "                          which keywords of the mode the line hits\n"
    "  --help                  print this text\n"
    "  --version               print the name and version\n"
    "\n"
    "Without --home the settings are the Quorvix.ini beside this program, or when\n"
    "installed ~/.config/Quorvix/Quorvix.ini (made from the samples of\n"
    "<prefix>/share/quorvix on first use).\n"
    "\n"
    "exit status: 0 all done, 1 some file failed, 2 usage error\n";

} // namespace

int main(int argc, char* argv[])
{
    KeepFreedMemoryForReuse();
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);

    // From argv itself: file names that are not UTF-8 keep their bytes (see DecodePath), which
    // QCoreApplication::arguments() would lose.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << DecodePath(QByteArray(argv[i]));
    if (args.isEmpty()) {
        err << kUsage;
        return ExitCode::Usage;
    }
    const QString command = args.takeFirst();
    if (command == QLatin1StringView("--help") || command == QLatin1StringView("-h") ||
        command == QLatin1StringView("help")) {
        out << kUsage;
        return ExitCode::Ok;
    }
    if (command == QLatin1StringView("--version")) {
        out << "quorvix-cli " << QUORVIX_VERSION << '\n';
        return ExitCode::Ok;
    }
    if (args.contains(QLatin1StringView("--help"))) {
        out << kUsage;
        return ExitCode::Ok;
    }
    const CliStreams io{out, err};
    if (command == QLatin1StringView("modes"))
        return runModesCommand(args, io);
    if (command == QLatin1StringView("count"))
        return runCountCommand(args, io);
    if (command == QLatin1StringView("diff"))
        return runDiffCommand(args, io);
    if (command == QLatin1StringView("convert"))
        return runConvertCommand(args, io);
    if (command == QLatin1StringView("keyword-test"))
        return runKeywordTestCommand(args, io);
    err << "quorvix-cli: unknown command \"" << command << "\"\n\n" << kUsage;
    return ExitCode::Usage;
}
