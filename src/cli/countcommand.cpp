#include "commands.h"

#include <thread>

#include <QFileInfo>

#include "cli/clihost.h"
#include "engine/modedefinition.h"
#include "reports/valueformats.h"
#include "run/batchrunner.h"
#include "settings/paths.h"
#include "settings/settingsfile.h"

namespace {

// Counter order of the JSON document and the table.
constexpr Counter kReportOrder[] = {TT_TOTAL,     TT_VALIDTOTAL, TT_COMTOTAL,    TT_AREATOTAL,
                                    TT_AREA,      TT_AREACOM,    TT_PICKUPTOTAL, TT_PICKUP,
                                    TT_PICKUPCOM, TT_NULLLINE};
constexpr const char* kCounterNames[] = {
    "TT_TOTAL",     "TT_AREA",     "TT_AREACOM",     "TT_AREATOTAL",  "TT_PICKUP",
    "TT_PICKUPCOM", "TT_NULLLINE", "TT_PICKUPTOTAL", "TT_VALIDTOTAL", "TT_COMTOTAL"};

struct CountOptions {
    QString home;
    int modeSlot = 0;
    QString modeFile;
    bool json = false;
    QString output = QStringLiteral("none");
    QString outDir;
    int jobs = 1;
    bool recursive = false;
    QStringList paths;
};

QString jsonString(const QString& s)
{
    QString out;
    out.reserve(s.size() + 2);
    out += u'"';
    for (const QChar c : s) {
        switch (c.unicode()) {
        case u'"':
            out += QStringLiteral("\\\"");
            break;
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += u'"';
    return out;
}

void writeCounters(QTextStream& out, const CounterSet& set)
{
    out << '{';
    bool first = true;
    for (Counter c : kReportOrder) {
        if (!first)
            out << ", ";
        first = false;
        out << '"' << kCounterNames[c] << "\": " << set[c];
    }
    out << '}';
}

QString failureText(const FileOutcome& o)
{
    return o.state == FileOutcome::State::Failed
               ? o.error
               : QStringLiteral("not counted: the run was stopped");
}

void writeJson(QTextStream& out, const QString& modeName, int areaCount, const QStringList& given,
               const std::vector<FileOutcome>& outcomes)
{
    out << "{\"mode\": " << jsonString(modeName) << ", \"area_count\": " << areaCount
        << ", \"files\": [";
    for (size_t i = 0; i < outcomes.size(); ++i) {
        const FileOutcome& o = outcomes[i];
        out << (i ? ",\n  " : "\n  ") << "{\"path\": " << jsonString(given[qsizetype(i)]);
        if (o.state != FileOutcome::State::Done) {
            out << ", \"ok\": false, \"error\": " << jsonString(failureText(o)) << '}';
            continue;
        }
        out << ", \"ok\": true, \"totals\": ";
        writeCounters(out, o.result.FileTotals);
        out << ", \"areas\": [";
        for (int k = 1; k <= areaCount; ++k) {
            if (k > 1)
                out << ", ";
            writeCounters(out, o.result.AreaCounts[k]);
        }
        out << "], \"words\": [";
        for (qsizetype w = 0; w < o.result.Words.size(); ++w) {
            out << (w ? ", " : "") << "{\"pattern\": " << jsonString(o.result.Words[w])
                << ", \"count\": " << o.result.WordCounts[size_t(w)] << '}';
        }
        out << "]}";
    }
    out << (outcomes.empty() ? "]}\n" : "\n]}\n");
}

void writeTable(QTextStream& out, const QStringList& given,
                const std::vector<FileOutcome>& outcomes)
{
    const char* heads[] = {"TOTAL", "VALID", "COMMENT", "BLANK", "PICKUP"};
    const Counter cols[] = {TT_TOTAL, TT_VALIDTOTAL, TT_COMTOTAL, TT_NULLLINE, TT_PICKUPTOTAL};
    auto row = [&](const QStringList& cells, const QString& name) {
        for (const QString& c : cells)
            out << c.rightJustified(12) << ' ';
        out << ' ' << name << '\n';
    };
    QStringList head;
    for (const char* h : heads)
        head << QString::fromLatin1(h);
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
            cells << QString::number(o.result.FileTotals[cols[c]]);
            sums[c] += o.result.FileTotals[cols[c]];
        }
        row(cells, Printable(given[qsizetype(i)]));
    }
    QStringList total;
    for (qint64 s : sums)
        total << QString::number(s);
    row(total, QStringLiteral("total: %1 files counted, %2 failed")
                   .arg(counted)
                   .arg(outcomes.size() - size_t(counted)));
}

int usage(CliStreams io, const QString& why)
{
    io.err << "quorvix-cli count: " << why << "\n"
           << "usage: quorvix-cli count (--mode N [--home DIR] | --mode-file FILE) [--json]\n"
              "       [--output none|files|joined] [--out DIR] [--jobs N] [--recursive] "
              "PATH...\n";
    return ExitCode::Usage;
}

} // namespace

int runCountCommand(const QStringList& args, CliStreams io)
{
    CountOptions opt;
    opt.home = ProgramFolder();
    opt.jobs = int(std::max(1u, std::thread::hardware_concurrency()));
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&](QString& target) {
            if (i + 1 >= args.size())
                return false;
            target = args[++i];
            return true;
        };
        QString v;
        bool ok = false;
        if (a == QLatin1StringView("--json")) {
            opt.json = true;
        } else if (a == QLatin1StringView("--recursive")) {
            opt.recursive = true;
        } else if (a == QLatin1StringView("--home")) {
            if (!value(opt.home))
                return usage(io, QStringLiteral("--home needs a folder"));
        } else if (a == QLatin1StringView("--mode-file")) {
            if (!value(opt.modeFile))
                return usage(io, QStringLiteral("--mode-file needs a file"));
        } else if (a == QLatin1StringView("--mode")) {
            if (!value(v) || (opt.modeSlot = v.toInt(&ok), !ok) || opt.modeSlot < 1 ||
                opt.modeSlot > SettingsKeys::ModeSlotCount)
                return usage(io, QStringLiteral("--mode needs a slot number 1, 2 or 3"));
        } else if (a == QLatin1StringView("--jobs")) {
            if (!value(v) || (opt.jobs = v.toInt(&ok), !ok) || opt.jobs < 1)
                return usage(io, QStringLiteral("--jobs needs a number of at least 1"));
        } else if (a == QLatin1StringView("--output")) {
            if (!value(opt.output) || (opt.output != QLatin1StringView("none") &&
                                       opt.output != QLatin1StringView("files") &&
                                       opt.output != QLatin1StringView("joined")))
                return usage(io, QStringLiteral("--output takes none, files or joined"));
        } else if (a == QLatin1StringView("--out")) {
            if (!value(opt.outDir))
                return usage(io, QStringLiteral("--out needs a folder"));
        } else if (a.startsWith(QLatin1StringView("--"))) {
            return usage(io, QStringLiteral("unknown option ") + a);
        } else {
            opt.paths << a;
        }
    }
    if ((opt.modeSlot == 0) == opt.modeFile.isEmpty())
        return usage(io, QStringLiteral("give either --mode N or --mode-file FILE"));
    if (opt.paths.isEmpty())
        return usage(io, QStringLiteral("no file to count"));
    if (!opt.outDir.isEmpty() && !FolderExists(opt.outDir))
        return usage(io,
                     QStringLiteral("--out ") + opt.outDir + QStringLiteral(": no such folder"));
    if (!FolderExists(opt.home))
        return usage(io, QStringLiteral("--home ") + opt.home + QStringLiteral(": no such folder"));

    ModeDefinition mode;
    if (!opt.modeFile.isEmpty()) {
        if (!QFileInfo(opt.modeFile).isFile())
            return usage(io, opt.modeFile + QStringLiteral(": no such mode file"));
        if (!ProfileFileReadable(opt.modeFile, io.err))
            return ExitCode::FileFailed;
        mode = LoadModeDefinition(opt.modeFile, true, QString());
    } else {
        if (!ProfileFileReadable(SettingsFilePath(opt.home), io.err))
            return ExitCode::FileFailed;
        mode = LoadModeDefinition(SettingsKeys::modeSection(opt.modeSlot), false,
                                  SettingsFilePath(opt.home));
    }

    QStringList given;
    const std::vector<BatchFile> files =
        ExpandPaths(opt.paths, opt.recursive, mode.FileType, given);
    RunRequest request;
    request.ProcessMode = qint16(opt.modeSlot == 0 ? 1 : opt.modeSlot);
    request.StartWait = false;
    request.TotalBytes = TotalBytesOf(files);
    OutputList outputs;
    CliHost host(io.err);
    CliHost::catchInterrupt();

    BatchSettings settings;
    settings.writeOutputs = opt.output != QLatin1StringView("none");
    settings.outputType =
        opt.output == QLatin1StringView("joined") ? OutputType::Joined : OutputType::PerFile;
    settings.outDir =
        opt.outDir.isEmpty() ? QString() : AddBackslash(QFileInfo(opt.outDir).absoluteFilePath());
    settings.programFolder = opt.home;
    settings.locale = ReportLocale();
    settings.jobs = opt.jobs;
    BatchRunner runner(request, outputs, host);
    runner.run(files, mode, settings);
    host.finish();

    const auto& outcomes = runner.outcomes();
    if (opt.json) {
        writeJson(io.out, mode.ModeName, runner.fields().AreaCount, given, outcomes);
    } else {
        writeTable(io.out, given, outcomes);
        for (qsizetype k = 1; k <= request.OutputCount; ++k)
            io.out << "wrote " << Printable(request.OutputPaths[k]) << '\n';
    }
    io.out.flush();
    bool failed = false;
    for (size_t i = 0; i < outcomes.size(); ++i) {
        if (outcomes[i].state != FileOutcome::State::Done) {
            io.err << "quorvix-cli: "
                   << Printable(outcomes[i].state == FileOutcome::State::Failed
                                    ? outcomes[i].error
                                    : given[qsizetype(i)] +
                                          QStringLiteral(": not counted, the run was stopped"))
                   << '\n';
            failed = true;
        }
    }
    return failed ? ExitCode::FileFailed : ExitCode::Ok;
}
