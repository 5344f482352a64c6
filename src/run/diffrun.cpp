#include "diffrun.h"

#include <memory>

#include <unistd.h>

#include "diff/diffreport.h"
#include "run/batchrunner.h"
#include "run/folderwalk.h"
#include "settings/paths.h"
#include "text/fileio.h"
#include "text/pathbytes.h"

QString WriteNewOutput(const QString& folder, const QString& name, const QByteArray& data,
                       QString& error)
{
    const QString dir = AddBackslash(folder);
    const QString claimed = ClaimFreeName(dir, name, &error);
    if (claimed.isEmpty())
        return QString();
    // The name is ours now; the content replaces the empty file in one rename.
    const QString path = dir + claimed;
    if (!FileIo::writeFileAtomically(path, data, &error)) {
        ::unlink(EncodePath(path).constData());
        return QString();
    }
    return path;
}

FolderDiffOutcome RunFolderDiff(const FolderDiffJob& job, RunHost& host, RunRequest& request,
                                OutputList& outputs)
{
    FolderDiffOutcome outcome;
    WalkRules rules;
    rules.fileType = job.mode.FileType;
    std::unique_ptr<FolderTree> trees[2];
    const QString folders[2] = {job.oldFolder, job.newFolder};
    for (int side = 0; side < 2; ++side) {
        const FolderWalkResult walk = WalkFolder(EncodePath(folders[side]), rules);
        for (const WalkError& e : walk.errors)
            outcome.errors << DecodePath(e.path) + QStringLiteral(": ") + e.reason;
        trees[side] = std::make_unique<FolderTree>(folders[side], walk.files);
    }
    outcome.diff = DiffTrees(CountRules(job.mode, AreaCount(job.mode)), *trees[0], *trees[1],
                             {1, job.html}, host);
    for (const FileDiff& f : outcome.diff.files) {
        if (f.status == DiffStatus::Failed)
            outcome.errors << f.error;
    }
    if (outcome.diff.cancelled)
        return outcome;

    const QByteArray data =
        job.html
            ? DiffHtml(outcome.diff, {job.mode.ModeName, job.oldFolder, job.newFolder, job.when})
            : DiffCsv(outcome.diff);
    QString error;
    outcome.written = WriteNewOutput(
        job.outDir, job.html ? DiffHtmlName(job.when) : DiffCsvName(job.when), data, error);
    if (outcome.written.isEmpty()) {
        outcome.errors << error;
        return outcome;
    }
    const QString name = outcome.written.mid(outcome.written.lastIndexOf(u'/') + 1);
    outputs.addOutput(request,
                      DisplayPath(name) +
                          QStringLiteral(" (差分 %1 Files)").arg(outcome.diff.totals.files),
                      outcome.written);
    host.outputsChanged();
    return outcome;
}
