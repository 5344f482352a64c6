#include "treediff.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "engine/workers.h"
#include "text/pathbytes.h"

QString DiffStatusName(DiffStatus status)
{
    switch (status) {
    case DiffStatus::Added:
        return QStringLiteral("added");
    case DiffStatus::Deleted:
        return QStringLiteral("deleted");
    case DiffStatus::Modified:
        return QStringLiteral("modified");
    case DiffStatus::Unchanged:
        return QStringLiteral("unchanged");
    case DiffStatus::Failed:
        break;
    }
    return QStringLiteral("failed");
}

namespace {

struct FilePair {
    QByteArray path;
    bool inOld = false;
    bool inNew = false;
};

std::vector<FilePair> pairFiles(const std::vector<QByteArray>& oldFiles,
                                const std::vector<QByteArray>& newFiles)
{
    std::vector<FilePair> pairs;
    auto o = oldFiles.cbegin();
    auto n = newFiles.cbegin();
    while (o != oldFiles.cend() || n != newFiles.cend()) {
        if (n == newFiles.cend() || (o != oldFiles.cend() && *o < *n)) {
            pairs.push_back({*o++, true, false});
        } else if (o == oldFiles.cend() || *n < *o) {
            pairs.push_back({*n++, false, true});
        } else {
            pairs.push_back({*o, true, true});
            ++o;
            ++n;
        }
    }
    return pairs;
}

// The host as the diff's threads see it: calls reach the outer host one at a time, and the
// bytes read are summed over the threads.
class SharedHost final : public RunHost {
public:
    SharedHost(RunHost& outer, std::mutex& mutex, std::atomic<double>& processed, double total,
               std::thread::id starter)
        : m_outer(outer)
        , m_mutex(mutex)
        , m_processed(processed)
        , m_total(total)
        , m_starter(starter)
    {
    }

    void startFile(int position, int count, const QString& name)
    {
        const std::lock_guard lock(m_mutex);
        m_outer.currentFile(position, count, name);
    }
    void endFile(double fileBytes)
    {
        progress(fileBytes, 0);
        m_fileBytes = 0;
    }
    // Window events run on the thread that started the diff only.
    void yield() override
    {
        if (std::this_thread::get_id() == m_starter)
            m_outer.yield();
    }
    bool cancelled() const override { return m_outer.cancelled(); }
    void progress(double processedBytes, double) override
    {
        const double step = processedBytes - m_fileBytes;
        m_fileBytes = processedBytes;
        const double sum = m_processed.fetch_add(step) + step;
        const std::lock_guard lock(m_mutex);
        m_outer.progress(sum, m_total);
    }

private:
    RunHost& m_outer;
    std::mutex& m_mutex;
    std::atomic<double>& m_processed;
    double m_total;
    double m_fileBytes = 0;
    std::thread::id m_starter;
};

enum class SideOutcome { Counted, Failed, Stopped };

// The steps of one side of a pair; the progress runs over both sides of the pair.
SideOutcome countSide(const CountRules& rules, const DiffTree& tree, const QByteArray& path,
                      RunHost& host, CountProgress& progress, StepText& steps, QString& error)
{
    const QString name = tree.displayName(path);
    QString reason;
    const std::unique_ptr<QIODevice> device = tree.open(path, reason);
    if (!device) {
        error = name + QStringLiteral(": ") + reason;
        return SideOutcome::Failed;
    }
    StepCollector collector;
    collector.reserve(device->size());
    FileCountResult result;
    try {
        if (CountFile(rules, *device, name, host, result, progress, &collector) ==
            CountOutcome::Cancelled)
            return SideOutcome::Stopped;
    } catch (const CountError& e) {
        error = e.message();
        return SideOutcome::Failed;
    } catch (const std::bad_alloc&) {
        error = name + QStringLiteral(": not enough memory to count the file");
        return SideOutcome::Failed;
    }
    steps = collector.takeSteps();
    return SideOutcome::Counted;
}

enum class PairState { Pending, Done, Stopped };

PairState diffPair(const CountRules& rules, const DiffTree& oldTree, const DiffTree& newTree,
                   const FilePair& pair, bool keepSteps, RunHost& host, FileDiff& out,
                   double& bytes)
{
    out.path = pair.path;
    CountProgress progress;
    StepText oldSteps;
    StepText newSteps;
    QString error;
    SideOutcome side = SideOutcome::Counted;
    if (pair.inOld)
        side = countSide(rules, oldTree, pair.path, host, progress, oldSteps, error);
    if (side == SideOutcome::Counted && pair.inNew)
        side = countSide(rules, newTree, pair.path, host, progress, newSteps, error);
    bytes = progress.processedBytes;
    if (side == SideOutcome::Stopped)
        return PairState::Stopped;
    if (side == SideOutcome::Failed) {
        out.status = DiffStatus::Failed;
        out.error = error;
        return PairState::Done;
    }
    out.oldSteps = oldSteps.count;
    out.newSteps = newSteps.count;
    try {
        out.delta = DiffSteps(oldSteps, newSteps);
    } catch (const std::runtime_error& e) {
        out.status = DiffStatus::Failed;
        out.error =
            newTree.displayName(pair.path) + QStringLiteral(": ") + QString::fromUtf8(e.what());
        return PairState::Done;
    }
    if (!pair.inOld)
        out.status = DiffStatus::Added;
    else if (!pair.inNew)
        out.status = DiffStatus::Deleted;
    else
        out.status = out.delta.hunks.empty() ? DiffStatus::Unchanged : DiffStatus::Modified;
    if (keepSteps && out.status == DiffStatus::Modified) {
        out.oldStepTexts = std::move(oldSteps);
        out.newStepTexts = std::move(newSteps);
    }
    return PairState::Done;
}

void addToTotals(const FileDiff& file, DiffTotals& t)
{
    ++t.files;
    switch (file.status) {
    case DiffStatus::Added:
        ++t.addedFiles;
        break;
    case DiffStatus::Deleted:
        ++t.deletedFiles;
        break;
    case DiffStatus::Modified:
        ++t.modifiedFiles;
        break;
    case DiffStatus::Unchanged:
        ++t.unchangedFiles;
        break;
    case DiffStatus::Failed:
        ++t.failedFiles;
        return;
    }
    t.oldSteps += file.oldSteps;
    t.newSteps += file.newSteps;
    t.added += file.delta.added;
    t.changed += file.delta.changed;
    t.deleted += file.delta.deleted;
    t.unchanged += file.delta.unchanged;
}

} // namespace

TreeDiff DiffTrees(const CountRules& rules, const DiffTree& oldTree, const DiffTree& newTree,
                   const TreeDiffSettings& settings, RunHost& host)
{
    const std::vector<FilePair> pairs = pairFiles(oldTree.files(), newTree.files());
    double total = 0;
    for (const FilePair& pair : pairs) {
        if (pair.inOld)
            total += double(oldTree.size(pair.path));
        if (pair.inNew)
            total += double(newTree.size(pair.path));
    }

    std::vector<FileDiff> files(pairs.size());
    std::vector<PairState> states(pairs.size(), PairState::Pending);
    std::atomic<size_t> next{0};
    std::mutex hostMutex;
    std::atomic<double> processed{0};
    const int count = int(pairs.size());
    const std::thread::id starter = std::this_thread::get_id();
    auto worker = [&] {
        SharedHost shared(host, hostMutex, processed, total, starter);
        for (size_t i = next++; i < pairs.size(); i = next++) {
            if (shared.cancelled())
                return;
            double bytes = 0;
            try {
                shared.startFile(int(i) + 1, count, DecodePath(pairs[i].path));
                states[i] = diffPair(rules, oldTree, newTree, pairs[i], settings.keepSteps, shared,
                                     files[i], bytes);
                shared.endFile(bytes);
            } catch (const std::bad_alloc&) {
                files[i].path = pairs[i].path;
                files[i].status = DiffStatus::Failed;
                files[i].error = newTree.displayName(pairs[i].path) +
                                 QStringLiteral(": not enough memory to diff the file");
                states[i] = PairState::Done;
            }
        }
    };
    RunWorkers(std::min(settings.jobs, count), worker);

    TreeDiff result;
    for (size_t i = 0; i < files.size(); ++i) {
        if (states[i] != PairState::Done) {
            result.cancelled = true;
            continue;
        }
        addToTotals(files[i], result.totals);
        result.files.push_back(std::move(files[i]));
    }
    return result;
}
