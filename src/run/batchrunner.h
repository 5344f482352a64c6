#pragma once

#include <functional>
#include <utility>
#include <vector>

#include <QDateTime>
#include <QHash>
#include <QLocale>

#include "engine/countfile.h"
#include "engine/runhost.h"
#include "run/runrequest.h"
#include "settings/settingsfile.h"

// One file of a batch: its own folder (ending in the separator) and its name.
struct BatchFile {
    QString folder;
    QString name;
};

// The files of a run request: its FilePaths when set (files from several folders), else its
// Files, all in its SourceDir.
std::vector<BatchFile> BatchFilesOf(const RunRequest& request);

// How a batch runs; fixed when it starts.
struct BatchSettings {
    OutputType outputType = OutputType::PerFile;
    bool writeOutputs = true; // false: count only (the CLI without --output)
    // Output folder ending in the separator. Empty: each file's own folder, and for a joined
    // run the folder of the first file.
    QString outDir;
    QString programFolder; // where the report templates are looked up first
    // Where a template missing in programFolder is looked up: the installation's share folder.
    QString shareFolder = InstalledShareFolder();
    QLocale locale;
    std::function<QDateTime()> clock; // the current time; the system clock when empty
    int jobs = 1; // above 1: files are counted in parallel first, then reported in order
};

// What became of one file of the batch.
struct FileOutcome {
    enum class State { NotRun, Done, Failed, Stopped };
    State state = State::NotRun;
    QString error;           // Failed: what went wrong, naming the file
    FileCountResult result;  // Done, count
    bool converted = false;  // Done, conversion: false when the file was left as it was
    QString outputPath;      // the report or converted file; empty for a joined run
    double countedBytes = 0; // bytes read for the file's progress
};

// Drives one batch: a count over the files, writing per-file reports or one summary CSV, or a
// line-ending conversion. Each file's errors are contained: the host is told, the file gets no
// output and no list entry, and the batch goes on. A stop (the host's cancelled()) ends the
// batch before the next file; the file being counted gets no output.
class BatchRunner final {
public:
    BatchRunner(RunRequest& request, OutputList& outputs, RunHost& host);

    // Runs the batch for request.ProcessMode: below 9 a count with `mode`, 90..92 a conversion.
    void run(const std::vector<BatchFile>& files, const ModeDefinition& mode,
             const BatchSettings& settings);

    const std::vector<FileOutcome>& outcomes() const { return m_outcomes; }
    // The outcomes moved out, for a caller that keeps them past the runner (one copy of a
    // run over many files is enough).
    std::vector<FileOutcome> takeOutcomes() { return std::move(m_outcomes); }
    const BatchFields& fields() const { return m_fields; }

private:
    QDateTime now() const;
    QString outDirFor(const BatchFile& file) const;
    void fail(int index, const QString& description);
    bool countFile(int index, const CountRules& rules);
    void reportFile(int index);
    void convertFile(int index);
    void countAhead(const CountRules& rules);

    RunRequest& m_request;
    OutputList& m_outputs;
    RunHost& m_host;
    BatchSettings m_settings;
    BatchFields m_fields;
    std::vector<BatchFile> m_files;
    std::vector<FileOutcome> m_outcomes;
    QHash<QString, QString> m_reportStems; // output folder + report stem -> its source, this run
    QString m_templateFolder;              // the folder the run's template is read from
};

// Creates an empty summary CSV in `outDir` under a name no file there has yet:
// SummaryCsvName(start), else with "_2", "_3" … before ".csv" (the lowest free number when
// none was deleted). The file is created exclusively, so two runs, in this process or another,
// never get the same name and no run replaces another's CSV. The name, or "" with `error` set.
QString ClaimSummaryCsvName(const QString& outDir, const QDateTime& start, QString* error);

// The same for any output name `base` ("NAME.ext"): an empty file created exclusively in
// `outDir` (ending in the separator) as `base` or "NAME_2.ext", "NAME_3.ext" …; its name, or ""
// with `error` set.
QString ClaimFreeName(const QString& outDir, const QString& base, QString* error);

// The message a failed file gets: the error's description in the program's standard wording.
QString FileErrorMessage(const QString& description);
