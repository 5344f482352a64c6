#include "commands.h"

#include <algorithm>
#include <memory>

#include <QDateTime>

#include "cli/clihost.h"
#include "cli/options.h"
#include "diff/diffreport.h"
#include "diff/treediff.h"
#include "run/diffrun.h"
#include "run/folderwalk.h"
#include "settings/paths.h"
#include "text/fileio.h"
#include "text/pathbytes.h"

namespace {

struct DiffOptions : RunOptions {
    bool git = false;
    QStringList operands; // OLD NEW, or REPO OLD_REV NEW_REV with --git
};

const char* const kUsage =
    "usage: quorvix-cli diff (--mode N [--home DIR] | --mode-file FILE)\n"
    "       [--encoding auto|cp932|utf-8|euc-jp|utf-16le|utf-16be] [--exclude GLOB]...\n"
    "       [--no-ignore] [--json] [--output none|csv|html] [--out DIR] [--jobs N]\n"
    "       (OLD NEW | --git REPO OLD_REV NEW_REV)\n";

int usage(CliStreams io, const QString& why)
{
    return UsageError(io, "diff", why, kUsage);
}

// Takes args[i] when it is one of diff's own options; "" or the usage problem.
QString parseDiffOption(const QString& a, DiffOptions& opt)
{
    if (a == QLatin1StringView("--git"))
        opt.git = true;
    else if (a.startsWith(QLatin1StringView("--")))
        return QStringLiteral("unknown option ") + a;
    else
        opt.operands << a;
    return QString();
}

QString parseDiffOptions(const QStringList& args, DiffOptions& opt)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString why;
        static const QStringList kinds{QStringLiteral("none"), QStringLiteral("csv"),
                                       QStringLiteral("html")};
        if (ParseRunOption(args, i, opt, kinds, why) == OptionParse::NotMine)
            why = parseDiffOption(args[i], opt);
        if (!why.isEmpty())
            return why;
    }
    if (QString problem = ModeChoiceProblem(opt.mode); !problem.isEmpty())
        return problem;
    if (opt.git && opt.operands.size() != 3)
        return QStringLiteral("--git takes a repository and two revisions");
    if (!opt.git && opt.operands.size() != 2)
        return QStringLiteral("give the OLD and the NEW folder or file");
    return QString();
}

void writeJson(QTextStream& out, const QString& modeName, const QString& oldName,
               const QString& newName, const TreeDiff& diff)
{
    out << "{\"version\": \""
        << QStringLiteral("%1.%2.%3")
               .arg(QUORVIX_VERSION_MAJOR)
               .arg(QUORVIX_VERSION_MINOR)
               .arg(QUORVIX_VERSION_PATCH)
        << "\", \"mode\": " << JsonString(modeName) << ", \"old\": " << JsonString(oldName)
        << ", \"new\": " << JsonString(newName) << ", \"files\": [";
    for (size_t i = 0; i < diff.files.size(); ++i) {
        const FileDiff& f = diff.files[i];
        out << (i ? ",\n  " : "\n  ") << "{\"path\": " << JsonString(DecodePath(f.path))
            << ", \"status\": \"" << DiffStatusName(f.status) << "\", \"old_steps\": " << f.oldSteps
            << ", \"new_steps\": " << f.newSteps << ", \"added\": " << f.delta.added
            << ", \"changed\": " << f.delta.changed << ", \"deleted\": " << f.delta.deleted
            << ", \"unchanged\": " << f.delta.unchanged;
        if (f.status == DiffStatus::Failed)
            out << ", \"error\": " << JsonString(f.error);
        out << '}';
    }
    const DiffTotals& t = diff.totals;
    out << (diff.files.empty() ? "],\n" : "\n],\n") << "\"totals\": {\"files\": " << t.files
        << ", \"added_files\": " << t.addedFiles << ", \"deleted_files\": " << t.deletedFiles
        << ", \"modified_files\": " << t.modifiedFiles
        << ", \"unchanged_files\": " << t.unchangedFiles << ", \"failed_files\": " << t.failedFiles
        << ", \"old_steps\": " << t.oldSteps << ", \"new_steps\": " << t.newSteps
        << ", \"added\": " << t.added << ", \"changed\": " << t.changed
        << ", \"deleted\": " << t.deleted << ", \"unchanged\": " << t.unchanged << "}}\n";
}

void writeTable(QTextStream& out, const TreeDiff& diff)
{
    const auto row = [&out](const QString& status, std::initializer_list<qint64> numbers,
                            const QString& file) {
        out << status.leftJustified(10);
        for (qint64 n : numbers)
            out << QString::number(n).rightJustified(10) << ' ';
        out << Printable(file) << '\n';
    };
    out << QStringLiteral("STATUS    ")
        << QStringLiteral("     ADDED    CHANGED    DELETED  "
                          "UNCHANGED        OLD        NEW FILE\n");
    for (const FileDiff& f : diff.files) {
        row(DiffStatusName(f.status),
            {f.delta.added, f.delta.changed, f.delta.deleted, f.delta.unchanged, f.oldSteps,
             f.newSteps},
            DecodePath(f.path));
    }
    const DiffTotals& t = diff.totals;
    row(QStringLiteral("total"),
        {t.added, t.changed, t.deleted, t.unchanged, t.oldSteps, t.newSteps},
        QStringLiteral("%1 %2: %3 added, %4 deleted, %5 modified, %6 unchanged, %7 failed")
            .arg(t.files)
            .arg(t.files == 1 ? QStringLiteral("file") : QStringLiteral("files"))
            .arg(t.addedFiles)
            .arg(t.deletedFiles)
            .arg(t.modifiedFiles)
            .arg(t.unchangedFiles)
            .arg(t.failedFiles));
}

} // namespace

int runDiffCommand(const QStringList& args, CliStreams io)
{
    DiffOptions opt;
    if (const QString problem = parseDiffOptions(args, opt); !problem.isEmpty())
        return usage(io, problem);
    const LoadedMode loaded = LoadCliMode(opt.mode, io.err);
    if (!loaded.mode)
        return loaded.exitCode == ExitCode::Usage ? usage(io, loaded.why) : loaded.exitCode;
    ModeDefinition mode = *loaded.mode;
    if (!opt.encoding.isEmpty())
        mode.Encoding = opt.encoding;
    const QString outDir =
        opt.output == QLatin1StringView("none")
            ? QString()
            : AbsolutePath(opt.outDir.isEmpty() ? QStringLiteral(".") : opt.outDir);
    if (!outDir.isEmpty()) {
        if (const QString problem = PrepareOutDir(outDir); !problem.isEmpty())
            return usage(io, problem);
    }

    WalkRules rules;
    rules.fileType = mode.FileType;
    rules.excludes = opt.excludes;
    rules.gitIgnore = !opt.noIgnore;
    rules.sizes = false; // FolderTree takes the sizes itself, when it needs them
    QStringList walkErrors;
    std::unique_ptr<DiffTree> oldTree;
    std::unique_ptr<DiffTree> newTree;
    QString oldName;
    QString newName;
    QString why;
    if (opt.git) {
        const WalkFilter filter(rules);
        const TreeFilter keep = [&filter](const QByteArray& relative, bool folder) {
            return filter.keeps(relative, folder);
        };
        const QString repository = opt.operands[0];
        oldTree = GitTree::open(repository, opt.operands[1], keep, why);
        if (oldTree)
            newTree = GitTree::open(repository, opt.operands[2], keep, why);
        if (!oldTree || !newTree)
            return usage(io, why);
        oldName = opt.operands[1];
        newName = opt.operands[2];
    } else {
        oldName = opt.operands[0];
        newName = opt.operands[1];
        const QString oldPath = AbsolutePath(oldName);
        const QString newPath = AbsolutePath(newName);
        if (FileIo::isFolder(oldPath) && FileIo::isFolder(newPath)) {
            for (const QString& side : {oldPath, newPath}) {
                FolderWalkResult walk = WalkFolder(EncodePath(side), rules);
                for (const WalkError& e : walk.errors)
                    walkErrors << DecodePath(e.path) + QStringLiteral(": ") + e.reason;
                (side == oldPath ? oldTree : newTree) =
                    std::make_unique<FolderTree>(side, walk.files);
            }
        } else if (FileIo::regularFileFacts(oldPath) && FileIo::regularFileFacts(newPath)) {
            // Two files pair whatever their names: under the new one's.
            const QByteArray name = EncodePath(newPath.mid(newPath.lastIndexOf(u'/') + 1));
            oldTree = std::make_unique<SingleFileTree>(oldPath, name);
            newTree = std::make_unique<SingleFileTree>(newPath, name);
        } else {
            return usage(io, QStringLiteral("OLD and NEW must be two folders or two files"));
        }
    }

    CliHost host(io.err);
    CliHost::catchInterrupt();
    const TreeDiffSettings settings{opt.jobs, opt.output == QLatin1StringView("html")};
    const TreeDiff diff =
        DiffTrees(CountRules(mode, AreaCount(mode)), *oldTree, *newTree, settings, host);
    host.finish();

    QString written;
    QString writeError;
    if (!outDir.isEmpty() && !diff.cancelled) {
        const QDateTime now = QDateTime::currentDateTime();
        const bool csv = opt.output == QLatin1StringView("csv");
        const QByteArray data =
            csv ? DiffCsv(diff)
                : DiffHtml(diff,
                           {mode.ModeName, opt.git ? opt.operands[0] + u'@' + oldName : oldName,
                            opt.git ? opt.operands[0] + u'@' + newName : newName, now});
        written =
            WriteNewOutput(outDir, csv ? DiffCsvName(now) : DiffHtmlName(now), data, writeError);
    }

    if (opt.json)
        writeJson(io.out, mode.ModeName, oldName, newName, diff);
    else
        writeTable(io.out, diff);
    if (!written.isEmpty() && !opt.json)
        io.out << "wrote " << Printable(written) << '\n';
    io.out.flush();

    bool failed = false;
    for (const QString& e : walkErrors) {
        io.err << "quorvix-cli: " << Printable(e) << '\n';
        failed = true;
    }
    for (const FileDiff& f : diff.files) {
        if (f.status == DiffStatus::Failed) {
            io.err << "quorvix-cli: " << Printable(f.error) << '\n';
            failed = true;
        }
    }
    if (diff.cancelled) {
        io.err << "quorvix-cli: " << Printable(QString::fromUtf16(kStoppedMessage)) << '\n';
        failed = true;
    }
    if (!writeError.isEmpty()) {
        io.err << "quorvix-cli: " << Printable(writeError) << '\n';
        failed = true;
    }
    return failed ? ExitCode::FileFailed : ExitCode::Ok;
}
