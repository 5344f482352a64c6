#include "commands.h"

#include <atomic>
#include <csignal>
#include <thread>
#include <vector>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include "engine/countfile.h"
#include "engine/modedefinition.h"
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

std::atomic<bool> g_interrupted{false};

extern "C" void onInterrupt(int) {
    g_interrupted.store(true);
}

// The CLI's host: no window to keep alive; Ctrl+C stops the run between lines.
class CliHost final : public RunHost {
public:
    bool cancelled() const override { return g_interrupted.load(std::memory_order_relaxed); }
};

struct CountOptions {
    QString home;
    int modeSlot = 0;
    QString modeFile;
    bool json = false;
    QString output = QStringLiteral("none");
    QString outDir;
    int jobs = 0;
    bool recursive = false;
    QStringList paths;
};

struct FileJob {
    explicit FileJob(QString p)
        : path(std::move(p)) {}

    QString path; // as given, or the folder as given + the path below it
    bool ok = false;
    bool stopped = false;
    QString error;
    FileCountResult result;
};

QString jsonString(const QString& s) {
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

void writeCounters(QTextStream& out, const CounterSet& set) {
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

void writeJson(QTextStream& out, const QString& modeName, int areaCount,
               const std::vector<FileJob>& jobs) {
    out << "{\"mode\": " << jsonString(modeName) << ", \"area_count\": " << areaCount
        << ", \"files\": [";
    for (size_t i = 0; i < jobs.size(); ++i) {
        const FileJob& j = jobs[i];
        out << (i ? ",\n  " : "\n  ") << "{\"path\": " << jsonString(j.path);
        if (!j.ok) {
            out << ", \"ok\": false, \"error\": " << jsonString(j.error) << '}';
            continue;
        }
        out << ", \"ok\": true, \"totals\": ";
        writeCounters(out, j.result.FileTotals);
        out << ", \"areas\": [";
        for (int k = 1; k <= areaCount; ++k) {
            if (k > 1)
                out << ", ";
            writeCounters(out, j.result.AreaCounts[k]);
        }
        out << "], \"words\": [";
        for (qsizetype w = 0; w < j.result.Words.size(); ++w) {
            out << (w ? ", " : "") << "{\"pattern\": " << jsonString(j.result.Words[w])
                << ", \"count\": " << j.result.WordCounts[size_t(w)] << '}';
        }
        out << "]}";
    }
    out << (jobs.empty() ? "]}\n" : "\n]}\n");
}

void writeTable(QTextStream& out, const std::vector<FileJob>& jobs) {
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
    for (const FileJob& j : jobs) {
        if (!j.ok) {
            row(QStringList(int(std::size(cols)), QStringLiteral("-")),
                j.path + QStringLiteral("  (") + j.error + u')');
            continue;
        }
        ++counted;
        QStringList cells;
        for (size_t c = 0; c < std::size(cols); ++c) {
            cells << QString::number(j.result.FileTotals[cols[c]]);
            sums[c] += j.result.FileTotals[cols[c]];
        }
        row(cells, j.path);
    }
    QStringList total;
    for (qint64 s : sums)
        total << QString::number(s);
    row(total, QStringLiteral("(%1 files counted, %2 failed)")
                   .arg(counted)
                   .arg(jobs.size() - size_t(counted)));
}

// The mode's FileType as name filters for a folder walk; empty: every file.
QStringList fileTypeFilters(const QString& fileType) {
    QStringList filters;
    for (const QString& p : fileType.split(u';', Qt::SkipEmptyParts)) {
        const QString t = p.trimmed();
        if (!t.isEmpty())
            filters << t;
    }
    return filters;
}

std::vector<FileJob> expandPaths(const CountOptions& opt, const ModeDefinition& mode) {
    std::vector<FileJob> jobs;
    const QStringList filters = fileTypeFilters(mode.FileType);
    for (const QString& given : opt.paths) {
        if (!opt.recursive || !QFileInfo(given).isDir()) {
            jobs.emplace_back(given);
            continue;
        }
        QStringList found;
        QDirIterator it(given, filters, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
        found.sort();
        for (const QString& f : std::as_const(found))
            jobs.emplace_back(f);
    }
    return jobs;
}

void countAll(const CountRules& rules, std::vector<FileJob>& jobs, int threads) {
    std::atomic<size_t> nextJob{0};
    auto worker = [&] {
        CliHost host;
        for (size_t i = nextJob++; i < jobs.size(); i = nextJob++) {
            FileJob& job = jobs[i];
            CountProgress progress;
            try {
                if (CountFile(rules, job.path, host, job.result, progress) ==
                    CountOutcome::Cancelled) {
                    job.stopped = true;
                    job.error = job.path + QStringLiteral(": stopped");
                    continue;
                }
                ComputeDerivedTotals(job.result, rules.areaCount());
                job.ok = true;
            } catch (const CountError& e) {
                job.error = e.message();
            }
        }
    };
    threads = std::max(1, std::min<int>(threads, int(jobs.size())));
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool)
        t.join();
}

int usage(CliStreams io, const QString& why) {
    io.err << "quorvix-cli count: " << why << "\n"
           << "usage: quorvix-cli count (--mode N [--home DIR] | --mode-file FILE) [--json]\n"
              "       [--output none] [--jobs N] [--recursive] PATH...\n";
    return ExitCode::Usage;
}

} // namespace

int runCountCommand(const QStringList& args, CliStreams io) {
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
            bool ok = false;
            if (!value(v) || (opt.modeSlot = v.toInt(&ok), !ok) || opt.modeSlot < 1 ||
                opt.modeSlot > SettingsKeys::ModeSlotCount)
                return usage(io, QStringLiteral("--mode needs a slot number 1, 2 or 3"));
        } else if (a == QLatin1StringView("--jobs")) {
            bool ok = false;
            if (!value(v) || (opt.jobs = v.toInt(&ok), !ok) || opt.jobs < 1)
                return usage(io, QStringLiteral("--jobs needs a number of at least 1"));
        } else if (a == QLatin1StringView("--output")) {
            if (!value(opt.output))
                return usage(io, QStringLiteral("--output needs none, files or joined"));
            if (opt.output != QLatin1StringView("none"))
                return usage(io, QStringLiteral("--output ") + opt.output +
                                     QStringLiteral(" is not available yet; use none"));
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

    ModeDefinition mode;
    if (!opt.modeFile.isEmpty()) {
        if (!QFileInfo(opt.modeFile).isFile())
            return usage(io, opt.modeFile + QStringLiteral(": no such mode file"));
        mode = LoadModeDefinition(opt.modeFile, true, QString());
    } else {
        if (!FolderExists(opt.home))
            return usage(io,
                         QStringLiteral("--home ") + opt.home + QStringLiteral(": no such folder"));
        mode = LoadModeDefinition(SettingsKeys::modeSection(opt.modeSlot), false,
                                  SettingsFilePath(opt.home));
    }
    const CountRules rules(mode, AreaCount(mode));

    std::signal(SIGINT, onInterrupt);
    std::vector<FileJob> jobs = expandPaths(opt, mode);
    countAll(rules, jobs, opt.jobs);

    if (opt.json)
        writeJson(io.out, mode.ModeName, rules.areaCount(), jobs);
    else
        writeTable(io.out, jobs);
    io.out.flush();
    bool failed = false;
    for (const FileJob& j : jobs) {
        if (!j.ok) {
            io.err << "quorvix-cli: " << j.error << '\n';
            failed = true;
        }
    }
    return failed ? ExitCode::FileFailed : ExitCode::Ok;
}
