#pragma once

#include <vector>

#include <QStringList>

#include "run/batchrunner.h"

class QMimeData;
struct RunRequest;

// The files a run starts with, wherever they were picked, and their total size.
struct RunFiles {
    std::vector<BatchFile> files;
    double totalBytes = 0;
    bool missing = false; // one of them is gone or is a folder: the run must not start
};

// True for a drop whose first entry is a local file or folder that is not on a network path.
bool IsLocalDrop(const QMimeData* data);
// The dropped entries as native paths; "" for one that is not a local file.
QStringList DroppedPaths(const QMimeData* data);

// The file list's selected `names` in `folder`.
RunFiles SelectedRunFiles(const QString& folder, const QStringList& names);
// Dropped paths: each file keeps its own folder; folders and names without one are passed over.
RunFiles DroppedRunFiles(const QStringList& paths);
// One entry of the recent-files menu.
RunFiles RecentRunFile(const QString& path);

// Fills the request's file fields from `run`: SourceDir and Files, and FilePaths when the files
// come from several folders; TotalBytes and StartWait. ProcessMode is left as it is.
void AssembleRunRequest(RunRequest& request, const RunFiles& run, bool startWait);
