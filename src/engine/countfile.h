#pragma once

#include <array>
#include <exception>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include <QByteArray>
#include <QString>

#include "engine/asciipass.h"
#include "engine/counters.h"
#include "engine/keywordmatch.h"
#include "engine/modedefinition.h"
#include "engine/runhost.h"
#include "engine/shortline.h"
#include "engine/wordscan.h"
#include "text/sourceencoding.h"

class LineReader;
class QIODevice;

// An error that ends the counting of one file; the per-file step reports it and goes on.
class CountError final : public std::exception {
public:
    explicit CountError(QString message)
        : m_message(std::move(message))
        , m_utf8(m_message.toUtf8())
    {
    }
    const QString& message() const { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// Adds `by` to a line counter; one that would pass 2,147,483,647 ends the file's counting.
inline void AddToCounter(qint32& counter, int by)
{
    if (by > std::numeric_limits<qint32>::max() - counter)
        throw CountError(QStringLiteral("a line counter passed 2,147,483,647"));
    counter += by;
}

// A mode made ready for counting: its keywords compiled once for the whole run.
class CountRules final {
public:
    CountRules(const ModeDefinition& mode, int areaCount);
    // The word scan points into the word patterns.
    CountRules(const CountRules&) = delete;
    CountRules& operator=(const CountRules&) = delete;

    const ModeDefinition& mode() const { return m_mode; }
    int areaCount() const { return m_areaCount; }
    // How source files are decoded: the mode's Encoding, Auto when it has none.
    SourceEncoding encoding() const { return m_encoding; }
    // The mode's Encoding when it names no encoding.
    std::optional<QString> invalidEncoding() const { return m_invalidEncoding; }

    // The word patterns of the mode's WordCount, in list order.
    const QStringList& words() const { return m_words; }

    // The first keyword that is not a valid pattern, in the order they are checked.
    std::optional<QString> invalidPattern() const { return m_invalid; }

private:
    friend class LineClassifier;

    ModeDefinition m_mode;
    int m_areaCount = 1;
    SourceEncoding m_encoding = SourceEncoding::Auto;
    bool m_caseSensitive = false;
    PerArea<KeywordPattern> m_startWord;
    KeywordPattern m_pickupStart;
    KeywordPattern m_pickupEnd;
    KeywordPattern m_commentStart;
    KeywordPattern m_commentEnd;
    bool m_hasRemainder = false; // the leading-asterisk rule applies
    KeywordPattern m_commentRemainder;
    KeywordPattern m_commentSolo;
    std::vector<MaskRange> m_masks;
    AsciiPass::AsciiMask m_asciiMask{{}};
    bool m_invalidMasks = false; // every file fails, once it starts
    QStringList m_words;
    std::vector<KeywordPattern> m_wordPatterns;
    // The keywords matched against whole lines go through one prefilter pass per line once
    // there are this many with a key pair; below that a scan each costs less.
    static constexpr int kPrefilterPatterns = 3;
    KeywordPrefilter m_prefilter;
    // Each keyword's prefilter bit; 0 when it is always tried.
    PerArea<quint64> m_startBit{};
    quint64 m_pickupStartBit = 0;
    quint64 m_pickupEndBit = 0;
    quint64 m_commentStartBit = 0;
    quint64 m_commentEndBit = 0;
    std::vector<quint64> m_wordBits;
    // The words by prefilter bit: a line tries only its candidates.
    WordScan m_wordScan;
    // Every keyword answers on NarrowText's bytes as on the folded text, so lines above ASCII
    // are matched as bytes too.
    bool m_narrowable = false;
    ShortLineScan m_shortLines;
    // The prefilter bits of the keywords in each set of the scan's buckets, when those tell a
    // line's candidates.
    bool m_scanCandidates = false;
    std::array<quint64, 1 << ShortLineScan::kBuckets> m_bucketCandidates{};
    std::optional<QString> m_invalid;
    std::optional<QString> m_invalidEncoding;
};

// Bytes of the batch read so far and the batch's total, for the progress bar.
struct CountProgress {
    double processedBytes = 0;
    double totalBytes = 0;
};

enum class CountOutcome { Completed, Cancelled };

// Where each line of a file went, in file order: for views that need more than the counters
// (diff counting takes the steps from it), so that they never classify a line on their own.
class LineSink {
public:
    virtual ~LineSink() = default;
    // `counter` is the one the line was counted in (TT_AREA, TT_AREACOM, TT_PICKUP, TT_PICKUPCOM
    // or TT_NULLLINE) in `area`, before tuning; `text` is the line as the rules saw it, TABs
    // replaced and masked columns blanked, not case-folded. Valid during the call only.
    virtual void line(int area, Counter counter, QStringView text) = 0;

    // A sink that can take a line of ASCII bytes as those bytes says so; its lines then go the
    // fast way of counting and reach it through asciiLine() instead of line().
    virtual bool acceptsAscii() const { return false; }
    // The same as line() for a line of ASCII bytes (the same text, one byte per character).
    virtual void asciiLine(int area, Counter counter, std::string_view text)
    {
        Q_UNUSED(area);
        Q_UNUSED(counter);
        Q_UNUSED(text);
    }
};

inline constexpr char16_t kStoppedMessage[] = u"処理が中断されました！";

// Counts the lines of `lines`, bytes in `lineEncoding` (CP932, UTF-8 or EUC-JP), into `result`
// (cleared first, its Encoding set to `lineEncoding`) and applies the tuning. Yields to
// the host before each line and stops when it reports a stop ("処理が中断されました！", no
// tuning). Throws CountError for an invalid keyword, a negative comment column, a counter
// overflow, a read error or a line longer than the reader's limit (a file is counted whole or
// not at all). Each line is also handed to `sink` when there is one.
CountOutcome CountFile(const CountRules& rules, LineReader& lines, RunHost& host,
                       FileCountResult& result, CountProgress& progress,
                       SourceEncoding lineEncoding = SourceEncoding::Cp932,
                       LineSink* sink = nullptr);

// The same for a file on disk, decoded by the rules' encoding (see SourceReader); the result
// names the encoding used. Folders, FIFOs and devices are refused without being opened for
// reading, a binary file is not counted, and an unknown encoding fails every file; every error
// message names the file.
CountOutcome CountFile(const CountRules& rules, const QString& path, RunHost& host,
                       FileCountResult& result, CountProgress& progress, LineSink* sink = nullptr);

// The same for a file's content in `device` (open for reading, at its start), such as a blob of
// a git repository; `name` names it in error messages.
CountOutcome CountFile(const CountRules& rules, QIODevice& device, const QString& name,
                       RunHost& host, FileCountResult& result, CountProgress& progress,
                       LineSink* sink = nullptr);
