// CountFile on a fuzzed mode and file, read through LineReader at several block sizes: every
// block size must give the same outcome and counts, or the same CountError message. Every line
// lands in exactly one counter (tuning only moves lines between areas), so the counters add up
// to the number of lines a plain CR LF / CR / LF split finds.
//
// Input: 13 flag bytes (see ModeFrom), then eight LF-ended CP932 keywords (2StartWord,
// 3StartWord, PickupStart, PickupEnd, CommentStart, CommentEnd, CommentSolo, WordCount), then
// the file.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>

#include <QBuffer>
#include <QByteArray>
#include <QString>

#include "engine/countfile.h"
#include "fuzzutil.h"
#include "text/cp932.h"
#include "text/linereader.h"

namespace {

constexpr int kFlagBytes = 13;

struct Input {
    ModeDefinition mode;
    int stopAtYield = 0;                                  // 0: never stops
    qsizetype maxLineLength = LineReader::kMaxLineLength; // small ones make too long lines
    QByteArray file;
};

Input ModeFrom(QByteArrayView bytes)
{
    Input in;
    auto flag = [&](int i) { return i < bytes.size() ? qint8(bytes[i]) : qint8(0); };
    ModeDefinition& m = in.mode;
    m.ModeName = QStringLiteral("FUZZ");
    m.BinaryComp = flag(0) & 1;
    m.TABtoSpace = qint16(uchar(flag(1)) % 3);
    m.StartWord[1] = QStringLiteral("*");
    m.StartAfter[2] = qint16(uchar(flag(2)) % 3);
    m.StartAfter[3] = qint16(uchar(flag(3)) % 3);
    m.Tuning[2] = flag(4);
    m.Tuning[3] = flag(5);
    m.PickupToPickup = qint16(uchar(flag(6)) % 3);
    m.CommentStartIsValid = qint16(uchar(flag(7)) % 3);
    m.CommentColumn = flag(8);
    m.CommentLength = flag(9);
    m.NullLineMode = qint16(uchar(flag(10)) % 4);
    in.stopAtYield = uchar(flag(11)) % 64;
    if (flag(12) != 0)
        in.maxLineLength = uchar(flag(12));

    QByteArrayView rest = bytes.size() > kFlagBytes ? bytes.sliced(kFlagBytes) : QByteArrayView();
    QString* keywords[] = {&m.StartWord[2], &m.StartWord[3], &m.PickupStart, &m.PickupEnd,
                           &m.CommentStart, &m.CommentEnd,   &m.CommentSolo, &m.WordCount};
    for (QString* k : keywords) {
        const auto [field, after] = fuzz::SplitAt(rest, '\n');
        *k = Cp932::decode(field);
        rest = after;
    }
    in.file = rest.toByteArray();
    return in;
}

// Stops the run at the n-th line.
class Host final : public RunHost {
public:
    explicit Host(int stopAt)
        : m_stopAt(stopAt)
    {
    }
    void yield() override { ++m_yields; }
    bool cancelled() const override { return m_stopAt > 0 && m_yields >= m_stopAt; }

private:
    int m_stopAt;
    int m_yields = 0;
};

struct Outcome {
    std::optional<CountOutcome> outcome;
    FileCountResult result;
    QString error;

    bool operator==(const Outcome&) const = default;
};

// Takes every line, which keeps counting on its general path (decoded, matched as UTF-16).
class DiscardingSink final : public LineSink {
public:
    void line(int, Counter, QStringView) override {}
};

Outcome Count(const CountRules& rules, const Input& in, qsizetype blockSize,
              LineSink* sink = nullptr)
{
    QBuffer buffer;
    buffer.setData(in.file);
    buffer.open(QIODevice::ReadOnly);
    LineReader reader(buffer, blockSize, in.maxLineLength);
    Host host(in.stopAtYield);
    CountProgress progress;
    progress.totalBytes = double(in.file.size());
    Outcome out;
    try {
        out.outcome =
            CountFile(rules, reader, host, out.result, progress, SourceEncoding::Cp932, sink);
    } catch (const CountError& e) {
        out.result = FileCountResult{};
        out.error = e.message();
    }
    return out;
}

qint64 PlainLineCount(QByteArrayView file)
{
    qint64 lines = 0;
    for (qsizetype i = 0; i < file.size(); ++i) {
        if (file[i] == '\n' || (file[i] == '\r' && (i + 1 == file.size() || file[i + 1] != '\n')))
            ++lines;
    }
    if (!file.isEmpty() && file.back() != '\n' && file.back() != '\r')
        ++lines;
    return lines;
}

QString Describe(const Outcome& o)
{
    QString s = o.error;
    for (int a = 1; a <= 3; ++a) {
        for (qint32 v : o.result.AreaCounts[a].values)
            s += QStringLiteral(" %1").arg(v);
        s += u';';
    }
    for (qint32 v : o.result.WordCounts)
        s += QStringLiteral(" w%1").arg(v);
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Input in = ModeFrom(fuzz::View(data, size));
    const CountRules rules(in.mode, AreaCount(in.mode));

    const Outcome whole = Count(rules, in, 1 << 20);
    for (const qsizetype blockSize : {1, 2, 3, 7, 64}) {
        const Outcome part = Count(rules, in, blockSize);
        fuzz::Check(part == whole, "the block size changes the count",
                    QStringLiteral("block %1: %2\nwhole: %3")
                        .arg(blockSize)
                        .arg(Describe(part), Describe(whole)));
    }

    DiscardingSink sink;
    const Outcome general = Count(rules, in, 1 << 20, &sink);
    fuzz::Check(general == whole, "the ASCII fast path counts otherwise than the general path",
                QStringLiteral("general: %1\nfast: %2").arg(Describe(general), Describe(whole)));

    if (whole.outcome != CountOutcome::Completed)
        return 0;
    // Lines are counted without their line ends, so a file that counted has no longer line.
    qsizetype longest = 0;
    for (QByteArrayView rest = in.file; !rest.isEmpty();) {
        qsizetype end = 0;
        while (end < rest.size() && rest[end] != '\r' && rest[end] != '\n')
            ++end;
        longest = std::max(longest, end);
        rest = rest.sliced(std::min(rest.size(), end + 1));
    }
    fuzz::Check(longest <= in.maxLineLength, "a line over the limit was counted",
                QString::number(longest));
    qint64 counted = 0;
    for (int a = 1; a <= 3; ++a) {
        for (Counter c : {TT_AREA, TT_AREACOM, TT_PICKUP, TT_PICKUPCOM, TT_NULLLINE})
            counted += whole.result.AreaCounts[a][c];
    }
    fuzz::Check(counted == PlainLineCount(in.file), "the counters do not add up to the lines",
                Describe(whole));
    for (qint32 w : whole.result.WordCounts)
        fuzz::Check(w >= 0 && w <= counted, "a word count exceeds the lines", Describe(whole));
    return 0;
}
