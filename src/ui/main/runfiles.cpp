#include "runfiles.h"

#include <algorithm>

#include <QDir>
#include <QMimeData>
#include <QUrl>

#include "run/runrequest.h"
#include "settings/paths.h"
#include "text/fileio.h"
#include "text/pathbytes.h"
#include "ui/common/windowkit.h"

bool IsLocalDrop(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().isEmpty())
        return false;
    const QUrl first = data->urls().constFirst();
    return first.isLocalFile() && !IsNetworkPath(QDir::toNativeSeparators(LocalPathOfUrl(first)));
}

QStringList DroppedPaths(const QMimeData* data)
{
    QStringList paths;
    for (const QUrl& url : data->urls())
        paths << QDir::toNativeSeparators(LocalPathOfUrl(url));
    return paths;
}

RunFiles SelectedRunFiles(const QString& folder, const QStringList& names)
{
    RunFiles run;
    const QString dir = AddBackslash(folder);
    for (const QString& name : names) {
        const auto size = FileIo::regularFileSize(dir + name);
        if (!size)
            return RunFiles{{}, 0, true};
        run.totalBytes += double(*size);
        run.files.push_back({dir, name});
    }
    return run;
}

RunFiles DroppedRunFiles(const QStringList& paths)
{
    RunFiles run;
    for (const QString& path : paths) {
        const qsizetype p = path.lastIndexOf(QDir::separator());
        if (path.isEmpty() || FolderExists(path) || p < 0)
            continue;
        const auto size = FileIo::regularFileSize(path);
        if (!size)
            return RunFiles{{}, 0, true};
        run.totalBytes += double(*size);
        run.files.push_back({path.left(p + 1), path.mid(p + 1)});
    }
    return run;
}

RunFiles RecentRunFile(const QString& path)
{
    const qsizetype p = path.lastIndexOf(QDir::separator());
    const auto size = path.isEmpty() ? std::nullopt : FileIo::regularFileSize(path);
    if (!size)
        return RunFiles{{}, 0, true};
    return RunFiles{{{AddBackslash(path.left(std::max<qsizetype>(p, 0))), path.mid(p + 1)}},
                    double(*size),
                    false};
}

void AssembleRunRequest(RunRequest& request, const RunFiles& run, bool startWait)
{
    request.SourceDir = run.files.empty() ? QString() : run.files.front().folder;
    request.Files.clear();
    request.FilePaths.clear();
    bool severalFolders = false;
    for (const BatchFile& file : run.files) {
        request.Files.append(file.name);
        severalFolders = severalFolders || !SamePath(file.folder, request.SourceDir);
    }
    if (severalFolders) {
        for (const BatchFile& file : run.files)
            request.FilePaths.append(file.folder + file.name);
    }
    request.TotalBytes = run.totalBytes;
    request.StartWait = startWait;
}
