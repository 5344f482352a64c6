#include "batchrunner.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>

#include "reports/filereport.h"
#include "reports/summarycsv.h"
#include "reports/templates.h"
#include "engine/splitcount.h"
#include "engine/workers.h"
#include "run/lineendings.h"
#include "settings/paths.h"
#include "text/pathbytes.h"

std::vector<BatchFile> BatchFilesOf(const RunRequest& request)
{
    std::vector<BatchFile> files;
    if (!request.FilePaths.isEmpty()) {
        for (const QString& path : request.FilePaths) {
            const QFileInfo info(path);
            files.push_back({AddBackslash(info.absolutePath()), info.fileName()});
        }
        return files;
    }
    files.reserve(size_t(request.Files.size()));
    for (const QString& name : request.Files)
        files.push_back({request.SourceDir, name});
    return files;
}

QString FileErrorMessage(const QString& description)
{
    return QStringLiteral("予期せぬエラーが発生しました  処理を中止します\r\n( ") + description +
           QStringLiteral(" )");
}

namespace {

// The host as the counting threads see it: a stop reaches them all, progress is summed over
// the threads, and the stop message is left to the batch, which shows it once. A thread adds its
// bytes to the sum and tells the host in steps of kProgressStep and at the end of each file:
// doing so every 20 lines made the threads wait on each other (two threads counted 1.3 times
// as fast as one, where two processes count 1.8 times as fast).
class WorkerHost final : public RunHost {
public:
    WorkerHost(RunHost& outer, std::mutex& mutex, std::atomic<double>& processed, double total)
        : m_outer(outer)
        , m_mutex(mutex)
        , m_processed(processed)
        , m_total(total)
    {
    }

    void startFile(int position, int count, const QString& name)
    {
        m_fileBytes = 0;
        const std::lock_guard lock(m_mutex);
        m_outer.currentFile(position, count, name);
    }
    bool cancelled() const override { return m_outer.cancelled(); }
    const std::atomic<bool>* stopFlag() const override { return m_outer.stopFlag(); }
    void progress(double processedBytes, double) override
    {
        m_unsaid += processedBytes - m_fileBytes;
        m_fileBytes = processedBytes;
        if (m_unsaid >= kProgressStep)
            tell();
    }
    // The file's last progress, always told.
    void fileDone(double processedBytes)
    {
        m_unsaid += processedBytes - m_fileBytes;
        m_fileBytes = processedBytes;
        tell();
    }

private:
    static constexpr double kProgressStep = 256 * 1024;

    void tell()
    {
        const double sum = m_processed.fetch_add(m_unsaid) + m_unsaid;
        m_unsaid = 0;
        const std::lock_guard lock(m_mutex);
        m_outer.progress(sum, m_total);
    }

    RunHost& m_outer;
    std::mutex& m_mutex;
    std::atomic<double>& m_processed;
    double m_total;
    double m_fileBytes = 0; // of the file being counted, as last told by the engine
    double m_unsaid = 0;    // bytes not yet added to m_processed
};

// `name` with "_number" before its extension; the name itself for number 1.
QString numberedName(const QString& name, qint64 number)
{
    if (number == 1)
        return name;
    const qsizetype dot = name.lastIndexOf(u'.');
    return name.left(dot) + u'_' + QString::number(number) + name.mid(dot);
}

QString outOfMemory(const BatchFile& file)
{
    return file.folder + file.name + QStringLiteral(": not enough memory to count the file");
}

} // namespace

QString ClaimSummaryCsvName(const QString& outDir, const QDateTime& start, QString* error)
{
    return ClaimFreeName(outDir, SummaryCsvName(start), error);
}

QString ClaimFreeName(const QString& outDir, const QString& base, QString* error)
{
    const auto pathOf = [&](qint64 n) { return EncodePath(outDir + numberedName(base, n)); };
    const auto taken = [&](qint64 n) {
        struct stat st {};
        return ::lstat(pathOf(n).constData(), &st) == 0;
    };
    // Thousands of runs in one minute: find the first free number by doubling and halving, in
    // a few lookups instead of one per earlier run. The exclusive create below decides.
    qint64 number = 1;
    if (taken(1)) {
        qint64 low = 1;
        qint64 high = 2;
        while (high < (qint64(1) << 40) && taken(high)) {
            low = high;
            high *= 2;
        }
        while (high - low > 1) {
            const qint64 middle = low + (high - low) / 2;
            (taken(middle) ? low : high) = middle;
        }
        number = high;
    }
    for (;; ++number) {
        const int fd = ::open(pathOf(number).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return numberedName(base, number);
        }
        if (errno != EEXIST) {
            if (error)
                *error = outDir + numberedName(base, number) + QStringLiteral(": ") +
                         QString::fromLocal8Bit(std::strerror(errno));
            return QString();
        }
    }
}

BatchRunner::BatchRunner(RunRequest& request, OutputList& outputs, RunHost& host)
    : m_request(request)
    , m_outputs(outputs)
    , m_host(host)
{
}

QDateTime BatchRunner::now() const
{
    return m_settings.clock ? m_settings.clock() : QDateTime::currentDateTime();
}

QString BatchRunner::outDirFor(const BatchFile& file) const
{
    return m_fields.OutDir.isEmpty() ? file.folder : m_fields.OutDir;
}

void BatchRunner::fail(int index, const QString& description)
{
    FileOutcome& o = m_outcomes[size_t(index)];
    o.state = FileOutcome::State::Failed;
    o.error = description;
    m_host.error(FileErrorMessage(description));
}

void BatchRunner::run(const std::vector<BatchFile>& files, const ModeDefinition& mode,
                      const BatchSettings& settings)
{
    m_settings = settings;
    m_files = files;
    m_outcomes.assign(files.size(), FileOutcome{});
    m_fields = BatchFields{};
    m_reportStems.clear();
    m_fields.mode = mode;
    m_fields.AreaCount = AreaCount(mode);
    m_fields.OutDir = settings.outDir;
    m_fields.outputType = settings.outputType;
    m_templateFolder =
        TemplateFolder(settings.programFolder, settings.shareFolder,
                       TemplateFileName(mode.ModeName, settings.outputType == OutputType::Joined
                                                           ? CsvTemplateSuffix
                                                           : HtmlTemplateSuffix));

    if (m_request.OutputCount > 0 && settings.writeOutputs) {
        m_outputs.addSeparator();
        m_host.outputsChanged();
    }
    m_host.yield();
    const int count = int(files.size());

    if (ProcessModes::isConversion(m_request.ProcessMode)) {
        // A conversion lets pending events run after each file, as counting does per line.
        for (int i = 0; i < count && !m_host.cancelled(); ++i) {
            convertFile(i);
            m_host.yield();
        }
        return;
    }

    if (settings.writeOutputs && settings.outputType == OutputType::Joined && count > 0) {
        if (m_fields.OutDir.isEmpty())
            m_fields.OutDir = files.front().folder;
        const ReportJob job{m_templateFolder, mode, m_fields.AreaCount, m_fields.OutDir,
                            settings.locale};
        WriteOutcome header{QString(), false, QString()};
        m_fields.CsvName = ClaimSummaryCsvName(m_fields.OutDir, now(), &header.error);
        if (!m_fields.CsvName.isEmpty()) {
            header = WriteSummaryCsvHeader(job, m_fields.CsvName);
            if (!header.ok)
                ::unlink(EncodePath(m_fields.OutDir + m_fields.CsvName).constData());
        }
        if (!header.ok) {
            // Nothing of this run could be written: say so once instead of once per file.
            m_host.error(FileErrorMessage(header.error));
            for (FileOutcome& o : m_outcomes) {
                o.state = FileOutcome::State::Failed;
                o.error = header.error;
            }
            return;
        }
        m_outputs.addOutput(m_request, CsvEntryLabel(m_fields.CsvName, count),
                            m_fields.OutDir + m_fields.CsvName);
        m_host.outputsChanged();
    }

    const CountRules rules(mode, m_fields.AreaCount);
    if (settings.jobs > 1 && count > 1) {
        countAhead(rules);
        for (int i = 0; i < count; ++i) {
            FileOutcome& o = m_outcomes[size_t(i)];
            if (o.state == FileOutcome::State::NotRun || o.state == FileOutcome::State::Stopped)
                break;
            if (o.state == FileOutcome::State::Failed)
                m_host.error(FileErrorMessage(o.error));
            else
                reportFile(i);
        }
    } else {
        for (int i = 0; i < count && !m_host.cancelled(); ++i) {
            m_host.currentFile(i + 1, count, files[size_t(i)].name);
            if (countFile(i, rules))
                reportFile(i);
        }
    }
}

// Counts file `index` into its outcome; true when it was counted to the end.
bool BatchRunner::countFile(int index, const CountRules& rules)
{
    const BatchFile& file = m_files[size_t(index)];
    FileOutcome& o = m_outcomes[size_t(index)];
    CountProgress progress{m_fields.ProcessedBytes, m_request.TotalBytes};
    try {
        // One file at a time: with jobs above 1, a large one is split among the threads.
        const CountOutcome counted = CountFileSplit(rules, file.folder + file.name, m_host,
                                                    o.result, progress, m_settings.jobs);
        o.countedBytes = progress.processedBytes - m_fields.ProcessedBytes;
        m_fields.ProcessedBytes = progress.processedBytes;
        if (counted == CountOutcome::Cancelled) {
            o.state = FileOutcome::State::Stopped;
            return false;
        }
    } catch (const CountError& e) {
        m_fields.ProcessedBytes = progress.processedBytes;
        fail(index, e.message());
        return false;
    } catch (const std::bad_alloc&) {
        m_fields.ProcessedBytes = progress.processedBytes;
        fail(index, outOfMemory(file));
        return false;
    }
    o.state = FileOutcome::State::Done;
    return true;
}

void BatchRunner::countAhead(const CountRules& rules)
{
    std::atomic<size_t> next{0};
    std::mutex hostMutex;
    std::atomic<double> processed{m_fields.ProcessedBytes};
    const int count = int(m_files.size());
    // Files that ran out of memory while other threads held theirs; tried again alone.
    std::vector<char> retry(m_files.size(), 0);
    // Threads counting a file now; the others have found no file left, or are about to.
    std::atomic<int> busy{0};
    const auto countOne = [&](size_t i, WorkerHost& host, bool last, int threads) {
        FileOutcome& o = m_outcomes[i];
        CountProgress progress;
        try {
            host.startFile(int(i) + 1, count, m_files[i].name);
            const CountOutcome counted = CountFileSplit(rules, m_files[i].folder + m_files[i].name,
                                                        host, o.result, progress, threads);
            o.state = counted == CountOutcome::Cancelled ? FileOutcome::State::Stopped
                                                         : FileOutcome::State::Done;
        } catch (const CountError& e) {
            o.state = FileOutcome::State::Failed;
            o.error = e.message();
        } catch (const std::bad_alloc&) {
            o.state = FileOutcome::State::Failed;
            o.error = outOfMemory(m_files[i]);
            retry[i] = !last;
        }
        o.countedBytes = progress.processedBytes;
        try {
            host.fileDone(progress.processedBytes);
        } catch (const std::bad_alloc&) {
            // Only the progress display missed an update.
        }
    };
    auto worker = [&] {
        WorkerHost host(m_host, hostMutex, processed, m_request.TotalBytes);
        for (size_t i = next++; i < m_files.size(); i = next++) {
            if (host.cancelled())
                return;
            // The last file may be split among the threads that are idle from now on.
            const int threads = i + 1 == m_files.size() ? m_settings.jobs - busy.load() : 1;
            ++busy;
            countOne(i, host, false, threads);
            --busy;
        }
    };
    RunWorkers(std::min(m_settings.jobs, count), worker);
    // The other threads' stacks and buffers are gone now: a file that found no memory beside
    // them is counted again on this thread alone before it is called failed.
    WorkerHost host(m_host, hostMutex, processed, m_request.TotalBytes);
    for (size_t i = 0; i < m_files.size() && !host.cancelled(); ++i) {
        if (retry[i]) {
            processed.fetch_sub(m_outcomes[i].countedBytes);
            countOne(i, host, true, 1);
        }
    }
    m_fields.ProcessedBytes = processed.load();
    for (const FileOutcome& o : m_outcomes) {
        if (o.state == FileOutcome::State::Stopped) {
            m_host.message(QString::fromUtf16(kStoppedMessage));
            break;
        }
    }
}

void BatchRunner::reportFile(int index)
{
    const BatchFile& file = m_files[size_t(index)];
    FileOutcome& o = m_outcomes[size_t(index)];
    const QString outDir = outDirFor(file);
    const ReportJob job{m_templateFolder, m_fields.mode, m_fields.AreaCount, outDir,
                        m_settings.locale};
    const ReportFile reportFile{index, file.folder, file.name};
    ComputeDerivedTotals(o.result, m_fields.AreaCount);
    if (!m_settings.writeOutputs)
        return;
    if (m_fields.outputType == OutputType::Joined) {
        const WriteOutcome row =
            AppendSummaryCsvRow(job, m_fields.CsvName, reportFile, o.result, now());
        if (!row.ok)
            fail(index, row.error);
        return;
    }
    // Two sources whose reports share a name (M.CBL from two folders into one --out, or A.B.CBL
    // beside A_B.CBL) would overwrite each other; the later one is refused instead.
    const QString stemPath = outDir + ReportStem(file.name);
    const QString source = file.folder + file.name;
    const auto taken = m_reportStems.constFind(stemPath);
    if (taken != m_reportStems.cend()) {
        fail(index, source + QStringLiteral(": not reported, its report ") + stemPath +
                        QStringLiteral("_QVX would replace the report of ") + *taken +
                        QStringLiteral(" written in this run"));
        return;
    }
    m_reportStems.insert(stemPath, source);
    const WriteOutcome report = WriteFileReport(job, reportFile, o.result, now());
    if (!report.ok) {
        fail(index, report.error);
        return;
    }
    o.outputPath = outDir + report.name;
    m_outputs.addOutput(m_request, report.name, o.outputPath);
    m_host.outputsChanged();
}

void BatchRunner::convertFile(int index)
{
    const BatchFile& file = m_files[size_t(index)];
    FileOutcome& o = m_outcomes[size_t(index)];
    m_host.currentFile(index + 1, int(m_files.size()), file.name);
    const auto target = LineEndForProcessMode(m_request.ProcessMode);
    ConversionResult result;
    QString error;
    const bool ok = target && ConvertLineEnds(file.folder + file.name, *target, result, &error);
    o.countedBytes = double(result.size) + 2;
    m_fields.ProcessedBytes += o.countedBytes;
    m_host.progress(m_fields.ProcessedBytes, m_request.TotalBytes);
    if (!ok) {
        fail(index, error);
        return;
    }
    o.state = FileOutcome::State::Done;
    o.converted = result.converted;
    o.outputPath = file.folder + file.name;
    m_outputs.addOutput(m_request, ConvertedEntryLabel(file.name, m_request.ProcessMode),
                        o.outputPath);
    m_host.outputsChanged();
}
