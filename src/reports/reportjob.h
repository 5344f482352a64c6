#pragma once

#include <algorithm>

#include <QDateTime>
#include <QFileInfo>
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
    const QFileInfo info(file.folder + file.name);
    if (!info.isFile())
        return {};
    return {info.size(), info.lastModified()};
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
