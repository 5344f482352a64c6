#include "diffrun.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

#include "diff/diffreport.h"
#include "run/folderwalk.h"
#include "settings/paths.h"
#include "text/fileio.h"
#include "text/pathbytes.h"

QString WriteNewOutput(const QString& folder, const QString& name, const QByteArray& data,
                       QString& error)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString stem = dot < 0 ? name : name.left(dot);
    const QString extension = dot < 0 ? QString() : name.mid(dot);
    for (int k = 1;; ++k) {
        const QString candidate = AddBackslash(folder) + stem +
                                  (k == 1 ? QString() : QStringLiteral("_%1").arg(k)) + extension;
        const QByteArray bytes = EncodePath(candidate);
        const int fd = ::open(bytes.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0) {
            error = candidate + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
            return QString();
        }
        ::close(fd);
        // The name is ours now; the content replaces the empty file in one rename.
        if (!FileIo::writeFileAtomically(candidate, data, &error)) {
            ::unlink(bytes.constData());
            return QString();
        }
        return candidate;
    }
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
