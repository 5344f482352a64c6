#include "splitcount.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <QByteArray>
#include <QIODevice>

#include "engine/workers.h"
#include "text/fileio.h"
#include "text/linereader.h"
#include "text/pathbytes.h"
#include "text/sourceencoding.h"

namespace {

QString systemReason(int code)
{
    return QString::fromStdString(std::generic_category().message(code));
}

// The bytes [begin, end) of a file on a descriptor of their own, read with pread(2) in the
// blocks the reader asks for; end < 0 reads to the end of the file, as a whole count would.
class RangeFile final : public QIODevice {
public:
    RangeFile() = default;
    ~RangeFile() override { close(); }
    RangeFile(const RangeFile&) = delete;
    RangeFile& operator=(const RangeFile&) = delete;

    bool openRange(const QString& path, qint64 begin, qint64 end)
    {
        m_fd = ::open(EncodePath(path).constData(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0) {
            setErrorString(systemReason(errno));
            return false;
        }
        m_pos = begin;
        m_end = end;
        return QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    void close() override
    {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
        if (isOpen())
            QIODevice::close();
    }

    // Up to `size` bytes at `offset`, fewer only at the end of the file; -1 on a read error.
    qint64 readAt(qint64 offset, char* data, qint64 size)
    {
        qint64 got = 0;
        while (got < size) {
            const ssize_t n = ::pread(m_fd, data + got, size_t(size - got), off_t(offset + got));
            if (n == 0)
                break;
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                setErrorString(systemReason(errno));
                return -1;
            }
            got += n;
        }
        return got;
    }

    // The offset just past the first LF at or after `offset`; -1 when there is none.
    qint64 lineStartFrom(qint64 offset)
    {
        QByteArray block(1 << 16, Qt::Uninitialized);
        for (;;) {
            const qint64 n = readAt(offset, block.data(), block.size());
            if (n <= 0)
                return -1;
            if (const void* lf = std::memchr(block.constData(), '\n', size_t(n)))
                return offset + (static_cast<const char*>(lf) - block.constData()) + 1;
            offset += n;
        }
    }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        // After the end has been seen once, no further call: the file is counted as it was then.
        if (m_atEnd)
            return 0;
        if (m_end >= 0)
            maxSize = std::min(maxSize, m_end - m_pos);
        if (maxSize <= 0)
            return 0;
        for (;;) {
            const ssize_t n = ::pread(m_fd, data, size_t(maxSize), off_t(m_pos));
            if (n >= 0) {
                m_atEnd = n == 0;
                m_pos += n;
                return n;
            }
            if (errno != EINTR) {
                setErrorString(systemReason(errno));
                return -1;
            }
        }
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    int m_fd = -1;
    qint64 m_pos = 0;
    qint64 m_end = -1;
    bool m_atEnd = false;
};

struct Range {
    qint64 begin = 0;
    qint64 end = -1;
    FileCountResult result;
    CountOutcome outcome = CountOutcome::Completed;
};

// What the threads of one file share. The caller's host is called from the calling thread
// alone (it may pump window events, or draw on a terminal): the other threads learn of a stop
// through `stop` and add their bytes to `bytes`, which the calling thread passes on.
struct Shared {
    explicit Shared(RunHost& host, double startBytes, double totalBytes, int rangeCount)
        : outer(host)
        , start(startBytes)
        , total(totalBytes)
        , left(rangeCount)
    {
    }

    RunHost& outer;
    const std::thread::id caller = std::this_thread::get_id();
    const double start;
    const double total;
    std::atomic<bool> stop{false};   // the user stopped, or a range failed
    std::atomic<bool> failed{false}; // a range threw: the file is counted again whole
    std::atomic<double> bytes{0};
    std::mutex mutex;
    std::condition_variable rangeDone;
    int left; // ranges not yet counted, under `mutex`

    bool onCaller() const { return std::this_thread::get_id() == caller; }
    void fail()
    {
        failed = true;
        stop = true;
    }
    void forwardProgress() { outer.progress(start + bytes.load(), total); }
};

// The host one range is counted with.
class RangeHost final : public RunHost {
public:
    explicit RangeHost(Shared& shared)
        : m_shared(shared)
        , m_onCaller(shared.onCaller())
    {
    }

    void yield() override
    {
        if (m_onCaller)
            m_shared.outer.yield();
    }
    bool cancelled() const override
    {
        if (m_onCaller && m_shared.outer.cancelled())
            m_shared.stop = true;
        return m_shared.stop.load(std::memory_order_relaxed);
    }
    const std::atomic<bool>* stopFlag() const override
    {
        return m_onCaller ? nullptr : &m_shared.stop;
    }
    void progress(double processedBytes, double) override
    {
        add(processedBytes);
        if (m_onCaller)
            m_shared.forwardProgress();
    }
    // The stop message is given once, for the whole file.
    void message(const QString&) override {}

    // The range's bytes read so far: what is new since the last call goes to the sum.
    void add(double processedBytes)
    {
        m_shared.bytes.fetch_add(processedBytes - m_reported);
        m_reported = processedBytes;
    }

private:
    Shared& m_shared;
    const bool m_onCaller;
    double m_reported = 0;
};

// The byte ranges of a file of `size` bytes whose lines start at `first`: up to `count`, each
// ending just after an LF (the last one at the end of the file). An LF ends a line alone or as
// the end of CR LF, and no trail byte of CP932, UTF-8 or EUC-JP is an LF, so a line always
// starts there. One range when no LF is found after the first start.
std::vector<Range> planRanges(RangeFile& file, qint64 size, qint64 first, int count)
{
    std::vector<qint64> starts{first};
    for (int k = 1; k < count; ++k) {
        const qint64 at = file.lineStartFrom(std::max(size * k / count, starts.back()));
        if (at < 0 || at >= size)
            break;
        if (at > starts.back())
            starts.push_back(at);
    }
    std::vector<Range> ranges(starts.size());
    for (size_t i = 0; i < starts.size(); ++i) {
        ranges[i].begin = starts[i];
        ranges[i].end = i + 1 < starts.size() ? starts[i + 1] : -1;
    }
    return ranges;
}

// Counts `ranges` on up to `threads` threads; `shared.failed` tells whether one failed.
void countRanges(const CountRules& rules, const QString& path, SourceEncoding encoding,
                 std::vector<Range>& ranges, Shared& shared, int threads)
{
    std::atomic<size_t> next{1};
    const auto countOne = [&](Range& range) {
        RangeHost host(shared);
        CountProgress progress;
        try {
            RangeFile file;
            if (file.openRange(path, range.begin, range.end)) {
                LineReader lines(file);
                range.outcome = CountFile(rules, lines, host, range.result, progress, encoding);
            } else {
                shared.fail();
            }
        } catch (...) {
            // A read error, a line too long, no memory: the whole count on one thread says
            // which, at the line it says.
            shared.fail();
        }
        host.add(progress.processedBytes);
        const std::lock_guard lock(shared.mutex);
        --shared.left;
        shared.rangeDone.notify_all();
    };
    // Once its own ranges are counted, the calling thread keeps the host up to date (events,
    // stop, progress) until the others are done.
    const auto watch = [&] {
        std::unique_lock lock(shared.mutex);
        while (shared.left > 0) {
            lock.unlock();
            try {
                shared.outer.yield();
                if (shared.outer.cancelled())
                    shared.stop = true;
                shared.forwardProgress();
            } catch (...) {
                shared.fail();
            }
            lock.lock();
            shared.rangeDone.wait_for(lock, std::chrono::milliseconds(20),
                                      [&] { return shared.left == 0; });
        }
    };
    // The calling thread takes the first range, so the host hears from the count at once.
    RunWorkers(threads, [&] {
        if (shared.onCaller())
            countOne(ranges.front());
        for (size_t i = next++; i < ranges.size(); i = next++)
            countOne(ranges[i]);
        if (shared.onCaller())
            watch();
    });
}

} // namespace

bool CanCountInRanges(const CountRules& rules)
{
    const ModeDefinition& mode = rules.mode();
    return rules.areaCount() <= 1 && mode.PickupStart.isEmpty() && mode.CommentStart.isEmpty();
}

void AddCounts(FileCountResult& total, const FileCountResult& part)
{
    const auto add = [](qint32& to, qint32 value) { AddToCounter(to, value); };
    for (int area = 1; area <= 3; ++area) {
        for (size_t c = 0; c < total.AreaCounts[area].values.size(); ++c)
            add(total.AreaCounts[area].values[c], part.AreaCounts[area].values[c]);
    }
    const size_t words = std::min(total.WordCounts.size(), part.WordCounts.size());
    for (size_t i = 0; i < words; ++i)
        add(total.WordCounts[i], part.WordCounts[i]);
}

CountOutcome CountFileSplit(const CountRules& rules, const QString& path, RunHost& host,
                            FileCountResult& result, CountProgress& progress, int threads,
                            qint64 minSize, int* ranges)
{
    const double startBytes = progress.processedBytes;
    const auto whole = [&] {
        if (ranges)
            *ranges = 1;
        progress.processedBytes = startBytes;
        return CountFile(rules, path, host, result, progress);
    };
    // Invalid rules fail every file: the whole count gives those errors.
    if (threads < 2 || !CanCountInRanges(rules) || rules.invalidPattern() ||
        rules.invalidEncoding())
        return whole();
    const std::optional<qint64> size = FileIo::regularFileSize(path);
    if (!size || *size <= minSize)
        return whole();

    // The encoding is chosen on the file's start as SourceReader chooses it.
    RangeFile head;
    if (!head.openRange(path, 0, -1))
        return whole();
    QByteArray sample(kEncodingSampleSize + 1, Qt::Uninitialized);
    const qint64 got = head.readAt(0, sample.data(), sample.size());
    if (got < 0)
        return whole();
    sample.truncate(got);
    const EncodingChoice choice = ChooseSourceEncoding(
        QByteArrayView(sample).first(std::min(sample.size(), kEncodingSampleSize)),
        rules.encoding(), sample.size() <= kEncodingSampleSize);
    if (choice.binary || IsUtf16(choice.encoding))
        return whole();

    std::vector<Range> parts =
        planRanges(head, *size, choice.bomLength, std::min(threads, kMaxWorkerThreads));
    head.close();
    if (parts.size() < 2)
        return whole();

    Shared shared(host, startBytes, progress.totalBytes, int(parts.size()));
    // A stop asked for already ends every range at its first line, as it ends a whole count.
    shared.stop = host.cancelled();
    countRanges(rules, path, choice.encoding, parts, shared, std::min(threads, int(parts.size())));
    if (shared.failed)
        return whole();
    if (ranges)
        *ranges = int(parts.size());
    progress.processedBytes = startBytes + shared.bytes.load();
    result = FileCountResult{};
    result.Words = rules.words();
    result.WordCounts.assign(size_t(result.Words.size()), 0);
    result.Encoding = choice.encoding;
    for (const Range& part : parts) {
        if (part.outcome == CountOutcome::Cancelled) {
            host.message(QString::fromUtf16(kStoppedMessage));
            return CountOutcome::Cancelled;
        }
    }
    try {
        for (const Range& part : parts)
            AddCounts(result, part.result);
    } catch (const CountError& e) {
        throw CountError(path + QStringLiteral(": ") + e.message());
    }
    return CountOutcome::Completed;
}
