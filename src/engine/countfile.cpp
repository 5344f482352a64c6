#include "countfile.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "engine/lineclassifier.h"
#include "text/cp932.h"
#include "text/fileio.h"
#include "text/linedecoder.h"
#include "text/linereader.h"
#include "text/sourcereader.h"

namespace {

// The line loop, with the decoder inlined: CP932 (the common case) calls Cp932::decodeTo
// directly.
template <typename Decode>
CountOutcome countLines(const CountRules& rules, LineReader& lines, RunHost& host,
                        FileCountResult& result, CountProgress& progress, LineSink* sink,
                        bool cp932, Decode decode)
{
    LineClassifier classifier(rules, result);
    const bool asciiSink = sink && sink->acceptsAscii();
    const bool narrowCp932 = cp932 && !sink && classifier.narrowable();
    static_assert(LineReader::kReadablePast >= ShortLineScan::kRunReadsPast);
    bool shortLines = !sink && classifier.shortLinesUsable();
    // A file whose lines mostly take another way (Japanese text, long lines) is better off
    // without the scan: it is dropped when 1,024 lines in a row hold fewer than 256 it counts.
    constexpr int kShortWindow = 1024;
    constexpr int kShortMissesAllowed = kShortWindow - kShortWindow / 4;
    int shortLeft = kShortWindow;
    int shortMisses = 0;
    const auto shortTried = [&](int counted, bool missed) {
        shortMisses += missed ? 1 : 0;
        shortLeft -= counted + (missed ? 1 : 0);
        if (shortLeft <= 0) {
            shortLines = shortMisses <= kShortMissesAllowed;
            shortLeft = kShortWindow;
            shortMisses = 0;
        }
    };
    std::vector<char16_t> raw(256);
    QByteArrayView bytes;
    qint64 lineNumber = 0;
    // The host hears of every 20th line once it is counted; one that gives a stop flag, of the
    // 20th line or the first after it that ends a run of the short-line scan (at most a
    // block's lines).
    int untilProgress = 20;
    // Bytes are summed here and handed to `progress` when the host is told and on every way
    // out: adding to it on each line would chain each line's add to the last through memory.
    struct BytesRead {
        CountProgress& progress;
        double start = progress.processedBytes;
        qint64 bytes = 0;
        double total() const { return start + double(bytes); }
        ~BytesRead() { progress.processedBytes = total(); }
    } read{progress};
    // `count` lines of `lengths` bytes, line ends left out.
    const auto linesRead = [&](int count, qint64 lengths) {
        lineNumber += count;
        read.bytes += lengths + 2 * qint64(count);
        untilProgress -= count;
    };
    // Before each line: whether the user stopped.
    const std::atomic<bool>* const stopFlag = host.stopFlag();
    const auto stopAsked = [&] { return StopAskedBeforeLine(host, stopFlag); };
    const auto stopped = [&] {
        host.message(QString::fromUtf16(kStoppedMessage));
        return CountOutcome::Cancelled;
    };
    for (;;) {
        if (untilProgress <= 0) {
            untilProgress = 20;
            progress.processedBytes = read.total();
            host.progress(progress.processedBytes, progress.totalBytes);
        }
        if (stopAsked())
            return stopped();
        // The short-line scan takes the lines of the reader's block in a run, counting most of
        // them itself, until one holds a byte above ASCII (taken below) or must come from the
        // reader. The host is asked above before the run's first line, and by the run before
        // each line after it. A host without a stop flag has runs end at every 20th line, for
        // its progress.
        bool aboveAscii = false;
        if (const QByteArrayView rest = shortLines ? lines.rest() : QByteArrayView();
            !rest.isEmpty()) {
            using End = LineClassifier::ShortRun::End;
            // A line longer than the reader allows is left to it, for its error.
            const LineClassifier::ShortRun run = classifier.classifyShortRun(
                rest.data(), rest.data() + rest.size(), lines.maxLineLength() + 1, cp932,
                stopFlag ? shortLeft : std::min(untilProgress, shortLeft), host, stopFlag);
            lines.skipTo(run.next);
            linesRead(run.lines, run.lengths);
            aboveAscii = run.end == End::AboveAscii;
            shortTried(run.lines - (aboveAscii ? 1 : 0), aboveAscii || run.end == End::NotFound);
            if (run.end == End::Stopped)
                return stopped();
            if (run.end == End::More)
                continue; // the host is asked before the next line at the top
            bytes = run.aboveAscii;
        }
        if (!aboveAscii) {
            if (!lines.next(bytes))
                break;
            linesRead(1, bytes.size());
        }
        // A sink that wants UTF-16 text takes the general path; one that accepts ASCII bytes
        // gets the line's own bytes with TABs and masks applied (the classifier's are folded).
        if ((!sink || asciiSink) && !aboveAscii &&
            classifier.classifyAscii(bytes.data(), bytes.size())) {
            if (asciiSink)
                sink->asciiLine(classifier.lastArea(), classifier.lastCounter(),
                                classifier.unfoldedAscii(bytes.data(), bytes.size()));
            continue;
        }
        if (narrowCp932) {
            classifier.classifyCp932(bytes.data(), bytes.size());
            continue;
        }
        if (raw.size() < size_t(bytes.size()))
            raw.resize(size_t(bytes.size()));
        const qsizetype length = decode(bytes, raw.data());
        classifier.classify(raw.data(), length, !sink);
        if (sink)
            sink->line(classifier.lastArea(), classifier.lastCounter(),
                       QStringView(raw.data(), length));
    }
    if (lines.failed())
        throw CountError(QStringLiteral("read error: ") + lines.errorString());
    if (lines.lineTooLong())
        throw CountError(QStringLiteral("line %1 is longer than %2; a file with such a line is "
                                        "not counted")
                             .arg(lineNumber + 1)
                             .arg(FileIo::LimitText(lines.maxLineLength())));
    return CountOutcome::Completed;
}

} // namespace

CountOutcome CountFile(const CountRules& rules, LineReader& lines, RunHost& host,
                       FileCountResult& result, CountProgress& progress,
                       SourceEncoding lineEncoding, LineSink* sink)
{
    if (const auto invalid = rules.invalidPattern())
        throw CountError(QStringLiteral("invalid keyword pattern: ") + *invalid);

    result = FileCountResult{};
    result.Words = rules.words();
    result.WordCounts.assign(size_t(result.Words.size()), 0);
    result.Encoding = lineEncoding;

    CountOutcome outcome;
    if (lineEncoding == SourceEncoding::Cp932) {
        outcome = countLines(
            rules, lines, host, result, progress, sink, true,
            [](QByteArrayView bytes, char16_t* dst) { return Cp932::decodeTo(bytes, dst); });
    } else {
        LineDecoder decoder(lineEncoding);
        outcome = countLines(rules, lines, host, result, progress, sink, false,
                             [&decoder](QByteArrayView bytes, char16_t* dst) {
                                 return decoder.decodeTo(bytes, dst);
                             });
    }
    if (outcome == CountOutcome::Completed)
        ApplyTuning(result, rules.mode(), rules.areaCount());
    return outcome;
}

namespace {

CountOutcome countSource(const CountRules& rules, QIODevice& device, RunHost& host,
                         FileCountResult& result, CountProgress& progress, LineSink* sink)
{
    SourceReader source(device, rules.encoding());
    if (source.isBinary())
        throw CountError(QStringLiteral("binary file, not counted"));
    const CountOutcome outcome =
        CountFile(rules, source.lines(), host, result, progress, source.lineEncoding(), sink);
    result.Encoding = source.encoding();
    return outcome;
}

void checkEncoding(const CountRules& rules)
{
    if (const auto invalid = rules.invalidEncoding())
        throw CountError(QStringLiteral("unknown encoding: %1 (known: %2)")
                             .arg(*invalid, SourceEncodingNames()));
}

} // namespace

CountOutcome CountFile(const CountRules& rules, const QString& path, RunHost& host,
                       FileCountResult& result, CountProgress& progress, LineSink* sink)
{
    try {
        checkEncoding(rules);
        FileIo::SequentialFile file;
        QString reason;
        if (!file.openRegular(path, &reason))
            throw CountError(reason);
        return countSource(rules, file, host, result, progress, sink);
    } catch (const CountError& e) {
        throw CountError(path + QStringLiteral(": ") + e.message());
    }
}

CountOutcome CountFile(const CountRules& rules, QIODevice& device, const QString& name,
                       RunHost& host, FileCountResult& result, CountProgress& progress,
                       LineSink* sink)
{
    try {
        checkEncoding(rules);
        return countSource(rules, device, host, result, progress, sink);
    } catch (const CountError& e) {
        throw CountError(name + QStringLiteral(": ") + e.message());
    }
}
