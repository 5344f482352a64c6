#pragma once

#include <algorithm>
#include <optional>

#include <QDateTime>
#include <QIODevice>
#include <QLocale>
#include <QString>

#include "engine/modedefinition.h"
#include "text/fileio.h"

// What the writers need to know about one run.
struct ReportJob {
    QString programFolder; // templates are looked up here (the CLI's --home)
    ModeDefinition mode;
    int areaCount = 1;
    QString outDir; // output folder, ends in the separator
    QLocale locale; // set by the caller, normally ReportLocale()
};

// One file of the run.
struct ReportFile {
    int index = 0;  // 0-based position in the selection ("fileno" = index + 1)
    QString folder; // the file's own folder, ending in the separator: its "FILE PATH"
    QString name;   // file name without folder
};

// What a writer did. `name`: the report or CSV file name (no folder). ok=false when the file
// could not be written; `error` then names the file and the cause.
struct WriteOutcome {
    QString name;
    bool ok = true;
    QString error;
};

// Size and last-modified time of the source file, read when its report is made. A file that
// has vanished since it was counted gives size 0 and an invalid time.
struct SourceFacts {
    qint64 size = 0;
    QDateTime modified;
};

inline SourceFacts ReadSourceFacts(const ReportFile& file)
{
    const std::optional<FileIo::FileFacts> facts =
        FileIo::regularFileFacts(file.folder + file.name);
    if (!facts)
        return {};
    return {facts->size, facts->modified};
}

// The job's area count within the 1..3 areas a result holds.
inline int ReportAreaCount(const ReportJob& job)
{
    return std::clamp(job.areaCount, 1, 3);
}

// How reports and CSV files are written: output folders may be writable by others, so a link
// planted at an output's name is refused instead of followed.
inline constexpr FileIo::WriteOptions kOutputWrite{.followSymlink = false};

// outDir + name; "" when the job names no output folder (the writers refuse it).
inline QString ReportOutputPath(const ReportJob& job, const QString& name)
{
    return job.outDir.isEmpty() ? QString() : job.outDir + name;
}

// The outcome of a writer asked for `name` when the job names no output folder.
inline WriteOutcome NoOutputFolder(const QString& name)
{
    return {name, false, name + QStringLiteral(": no output folder given")};
}

// A report's bytes in CP932: the expansion of the mode's template when that template serves,
// and the fixed layout, which stands in when it does not or when the expansion cannot be
// written.
struct ReportContent {
    std::optional<QByteArray> templated;
    QByteArray fixed;
};

// Writes the template's expansion when there is one, else the fixed layout. False, with `error`
// naming the device's failure, when the device does not take all of it.
inline bool WriteReportContent(QIODevice& device, const ReportContent& content, QString* error)
{
    const QByteArray& bytes = content.templated ? *content.templated : content.fixed;
    if (device.write(bytes) == bytes.size())
        return true;
    if (error)
        *error = device.errorString();
    return false;
}
