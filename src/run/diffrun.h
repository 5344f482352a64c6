#pragma once

#include <QDateTime>
#include <QString>

#include "diff/treediff.h"
#include "engine/modedefinition.h"
#include "engine/runhost.h"
#include "run/runrequest.h"

// A diff of two folders as the desktop program runs it: both walked as `count --recursive`
// walks (the mode's FileType, .git and git-ignored files skipped), one output into a folder.
struct FolderDiffJob {
    QString oldFolder;
    QString newFolder;
    ModeDefinition mode;
    bool html = false; // else the CSV
    QString outDir;
    QDateTime when;
};

struct FolderDiffOutcome {
    TreeDiff diff;
    QString written;    // the output's path, when one was written
    QStringList errors; // folders a walk could not read, files that failed, a failed write
};

// Runs `job` on this thread (the host's yield lets window events in) and lists the output in
// `outputs`. A stopped diff writes nothing.
FolderDiffOutcome RunFolderDiff(const FolderDiffJob& job, RunHost& host, RunRequest& request,
                                OutputList& outputs);

// Writes `data` as a new file in `folder` named `name`, or, when a file has that name, with
// "_2", "_3" … before the extension: the name is taken exclusively, so two runs never share
// it, and the content is written whole or not at all. The path written, or "" with `error` set.
QString WriteNewOutput(const QString& folder, const QString& name, const QByteArray& data,
                       QString& error);
