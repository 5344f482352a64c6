#include "commands.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "cli/clihost.h"
#include "cli/options.h"
#include "engine/modedefinition.h"
#include "reports/valueformats.h"
#include "run/batchrunner.h"
#include "settings/paths.h"
#include "text/pathbytes.h"
#include "text/sourceencoding.h"

namespace {

struct CountOptions : RunOptions {
    bool recursive = false;
    QStringList paths;
};

// What a count run leaves for printing.
struct CountRun {
    QString modeName;
    int areaCount = 1;
    QStringList given; // each file's path as the user gave it
    std::vector<FileOutcome> outcomes;
    QStringList outputPaths; // what --output wrote
    QStringList walkErrors;  // "path: reason" for each path a folder walk could not read
};

// The ten counters as one JSON object; `extra` (", \"key\": value"...) goes in before its
// brace.
template <typename Values>
void writeCounters(QTextStream& out, const Values& values, const QString& extra = QString())
{
    out << '{';
    bool first = true;
    for (const CounterInfo& info : Counters) {
        if (!first)
            out << ", ";
        first = false;
        out << '"' << CounterKey(info.id) << "\": " << values[info.id];
    }
    out << extra << '}';
}

// The ten counters summed over the counted files; wider than a file's, so no sum wraps.
struct CounterSums {
    std::array<qint64, CounterCount> values{};
    qint64 operator[](Counter c) const { return values[size_t(c)]; }
};

CounterSums sumOfCounted(const std::vector<FileOutcome>& outcomes)
{
    CounterSums sum;
    for (const FileOutcome& o : outcomes) {
        if (o.state != FileOutcome::State::Done)
            continue;
        for (const CounterInfo& info : Counters)
            sum.values[size_t(info.id)] += o.result.FileTotals[info.id];
    }
    return sum;
}

QString failureText(const FileOutcome& o)
{
    return o.state == FileOutcome::State::Failed
               ? o.error
               : QStringLiteral("not counted: the run was stopped");
}

qsizetype countedFiles(const std::vector<FileOutcome>& outcomes)
{
    return std::count_if(outcomes.begin(), outcomes.end(),
                         [](const FileOutcome& o) { return o.state == FileOutcome::State::Done; });
}

void writeJson(QTextStream& out, const CountRun& run)
{
    const std::vector<FileOutcome>& outcomes = run.outcomes;
    out << "{\"version\": \"" << QUORVIX_VERSION << "\", \"mode\": " << JsonString(run.modeName)
        << ", \"area_count\": " << run.areaCount << ", \"files\": [";
    for (size_t i = 0; i < outcomes.size(); ++i) {
        const FileOutcome& o = outcomes[i];
        out << (i ? ",\n  " : "\n  ") << "{\"path\": " << JsonString(run.given[qsizetype(i)]);
        if (o.state != FileOutcome::State::Done) {
            out << ", \"ok\": false, \"error\": " << JsonString(failureText(o)) << '}';
            continue;
        }
        out << ", \"ok\": true, \"encoding\": \"" << SourceEncodingName(o.result.Encoding)
            << "\", \"totals\": ";
        writeCounters(out, o.result.FileTotals);
        out << ", \"areas\": [";
        for (int k = 1; k <= run.areaCount; ++k) {
            if (k > 1)
                out << ", ";
            writeCounters(out, o.result.AreaCounts[k]);
        }
        out << "], \"words\": [";
        for (qsizetype w = 0; w < o.result.Words.size(); ++w) {
            out << (w ? ", " : "") << "{\"pattern\": " << JsonString(o.result.Words[w])
                << ", \"count\": " << o.result.WordCounts[size_t(w)] << '}';
        }
        out << "]}";
    }
    out << (outcomes.empty() ? "]" : "\n]") << ",\n\"totals\": ";
    const qsizetype counted = countedFiles(outcomes);
    writeCounters(out, sumOfCounted(outcomes),
                  QStringLiteral(", \"files\": %1, \"failed\": %2")
                      .arg(counted)
                      .arg(qsizetype(outcomes.size()) - counted));
    out << ",\n\"outputs\": [";
    for (qsizetype k = 0; k < run.outputPaths.size(); ++k)
        out << (k ? ", " : "") << JsonString(run.outputPaths[k]);
    out << "]}\n";
}

void writeTable(QTextStream& out, const QStringList& given,
                const std::vector<FileOutcome>& outcomes)
{
    struct Column {
        const char* head;
        Counter counter;
    };
    constexpr Column cols[] = {{"TOTAL", TT_TOTAL},
                               {"VALID", TT_VALIDTOTAL},
                               {"COMMENT", TT_COMTOTAL},
                               {"BLANK", TT_NULLLINE},
                               {"PICKUP", TT_PICKUPTOTAL}};
    auto row = [&](const QStringList& cells, const QString& name) {
        for (const QString& c : cells)
            out << c.rightJustified(12) << ' ';
        out << ' ' << name << '\n';
    };
    QStringList head;
    for (const Column& col : cols)
        head << QString::fromLatin1(col.head);
    row(head, QStringLiteral("FILE"));
    qint64 sums[std::size(cols)] = {};
    int counted = 0;
    for (size_t i = 0; i < outcomes.size(); ++i) {
        const FileOutcome& o = outcomes[i];
        if (o.state != FileOutcome::State::Done) {
            row(QStringList(qsizetype(std::size(cols)), QStringLiteral("-")),
                Printable(given[qsizetype(i)]) + QStringLiteral("  (failed)"));
            continue;
        }
        ++counted;
        QStringList cells;
        for (size_t c = 0; c < std::size(cols); ++c) {
            cells << QString::number(o.result.FileTotals[cols[c].counter]);
            sums[c] += o.result.FileTotals[cols[c].counter];
        }
        row(cells, Printable(given[qsizetype(i)]));
    }
    QStringList total;
    for (qint64 s : sums)
        total << QString::number(s);
    row(total, (counted == 1 ? QStringLiteral("total: %1 file counted, %2 failed")
                             : QStringLiteral("total: %1 files counted, %2 failed"))
                   .arg(counted)
                   .arg(outcomes.size() - size_t(counted)));
}

int usage(CliStreams io, const QString& why)
{
    return UsageError(
        io, "count", why,
        "usage: quorvix-cli count (--mode N [--home DIR] | --mode-file FILE) [--json]\n"
        "       [--encoding auto|cp932|utf-8|euc-jp|utf-16le|utf-16be]\n"
        "       [--output none|files|joined] [--out DIR] [--jobs N] [--recursive]\n"
        "       [--exclude GLOB]... [--no-ignore] PATH...\n");
}

// Takes args[i] when it is one of count's own options; "" or the usage problem.
QString parseCountOption(const QString& a, CountOptions& opt)
{
    if (a == QLatin1StringView("--recursive"))
        opt.recursive = true;
    else if (a.startsWith(QLatin1StringView("--")))
        return QStringLiteral("unknown option ") + a;
    else
        opt.paths << a;
    return QString();
}

// The options of the command line; "" or the usage problem.
QString parseCountOptions(const QStringList& args, CountOptions& opt)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString why;
        static const QStringList kinds{QStringLiteral("none"), QStringLiteral("files"),
                                       QStringLiteral("joined")};
        if (ParseRunOption(args, i, opt, kinds, why) == OptionParse::NotMine)
            why = parseCountOption(args[i], opt);
        if (!why.isEmpty())
            return why;
    }
    if (QString problem = ModeChoiceProblem(opt.mode); !problem.isEmpty())
        return problem;
    if (opt.paths.isEmpty())
        return QStringLiteral("no file to count");
    // The templates are read from --home even when the mode comes from a mode file.
    if (opt.mode.homeGiven && !FolderExists(opt.mode.home))
        return QStringLiteral("--home ") + opt.mode.home + QStringLiteral(": no such folder");
    return QString();
}

CountRun runCount(const CountOptions& opt, ModeDefinition mode, QTextStream& err)
{
    if (!opt.encoding.isEmpty())
        mode.Encoding = opt.encoding;
    CountRun run;
    run.modeName = mode.ModeName;
    WalkRules walkRules;
    walkRules.fileType = mode.FileType;
    walkRules.excludes = opt.excludes;
    walkRules.gitIgnore = !opt.noIgnore;
    // The sizes only scale the progress line.
    walkRules.sizes = CliHost::drawsProgress();
    RunRequest request;
    const std::vector<BatchFile> files = ExpandPaths(opt.paths, opt.recursive, walkRules, run.given,
                                                     run.walkErrors, &request.TotalBytes);
    request.ProcessMode = qint16(opt.mode.slot == 0 ? 1 : opt.mode.slot);
    request.StartWait = false;
    OutputList outputs;
    CliHost host(err);
    CliHost::catchInterrupt();

    BatchSettings settings;
    settings.writeOutputs = opt.output != QLatin1StringView("none");
    settings.outputType =
        opt.output == QLatin1StringView("joined") ? OutputType::Joined : OutputType::PerFile;
    settings.outDir = opt.outDir.isEmpty() ? QString() : AddBackslash(AbsolutePath(opt.outDir));
    settings.programFolder = opt.mode.home;
    settings.locale = ReportLocale();
    settings.jobs = opt.jobs;
    BatchRunner runner(request, outputs, host);
    runner.run(files, mode, settings);
    host.finish();

    run.areaCount = runner.fields().AreaCount;
    run.outcomes = runner.takeOutcomes();
    for (qsizetype k = 1; k <= request.OutputCount; ++k)
        run.outputPaths << request.OutputPaths[k];
    return run;
}

// Prints the document or the table on stdout and one line per failed file on stderr; the exit
// code.
int printCount(const CountOptions& opt, const CountRun& run, CliStreams io)
{
    if (opt.json) {
        writeJson(io.out, run);
    } else {
        writeTable(io.out, run.given, run.outcomes);
        for (const QString& path : run.outputPaths)
            io.out << "wrote " << Printable(path) << '\n';
    }
    io.out.flush();
    bool failed = !run.walkErrors.isEmpty();
    for (const QString& e : run.walkErrors)
        io.err << "quorvix-cli: " << Printable(e) << '\n';
    for (size_t i = 0; i < run.outcomes.size(); ++i) {
        const FileOutcome& o = run.outcomes[i];
        if (o.state == FileOutcome::State::Done)
            continue;
        io.err << "quorvix-cli: "
               << Printable(o.state == FileOutcome::State::Failed
                                ? o.error
                                : run.given[qsizetype(i)] +
                                      QStringLiteral(": not counted, the run was stopped"))
               << '\n';
        failed = true;
    }
    return failed ? ExitCode::FileFailed : ExitCode::Ok;
}

} // namespace

int runCountCommand(const QStringList& args, CliStreams io)
{
    CountOptions opt;
    if (const QString problem = parseCountOptions(args, opt); !problem.isEmpty())
        return usage(io, problem);
    const LoadedMode loaded = LoadCliMode(opt.mode, io.err);
    if (!loaded.mode)
        return loaded.exitCode == ExitCode::Usage ? usage(io, loaded.why) : loaded.exitCode;
    if (opt.output != QLatin1StringView("none") && !opt.outDir.isEmpty()) {
        if (const QString problem = PrepareOutDir(opt.outDir); !problem.isEmpty())
            return usage(io, problem);
    }
    return printCount(opt, runCount(opt, *loaded.mode, io.err), io);
}
