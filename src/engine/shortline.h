#pragma once

// Most source lines are short, ASCII, and hold no keyword. For such a line one branch-light pass
// over its bytes, 32 at a time, tells the line classifier all it needs (whether the line is blank
// and whether the solo comment keyword matches at its column) without copying, folding or
// matching it: the pass replaces TABs, blanks masked columns and folds case in registers, and
// looks for every keyword's rarest pair of literals at once with nibble tables (Teddy, as in
// Hyperscan and Rust's regex). A line with such a pair or over kMaxLength bytes goes the
// classifier's full way, as does one above ASCII unless its bytes prove that no keyword matches.

#include <array>
#include <atomic>
#include <vector>

#include <QtGlobal>

#include "engine/modedefinition.h"

class KeywordPattern;

class ShortLineScan {
public:
    static constexpr qsizetype kMaxLength = 128;
    static constexpr size_t kBuckets = 8; // of keywords, by their index in Settings::keywords
    // How far past a line's end scan() reads.
    static constexpr qsizetype kReadsPast = 32;
    // How far past its data's end run() reads.
    static constexpr qsizetype kRunReadsPast = 129;

    struct Settings {
        bool caseSensitive = false;
        bool tabToSpace = false;
        const std::vector<MaskRange>* masks = nullptr;
        // Every keyword a line may be matched against as a whole; empty ones are left out.
        std::vector<const KeywordPattern*> keywords;
        // How many of the last keywords are only counted (the mode's words): they change no
        // line's place, so a line that holds only their pairs goes where a keyword-free one goes.
        size_t words = 0;
        // The solo comment keyword, with its column and length as the mode gives them.
        const KeywordPattern* solo = nullptr;
        int soloColumn = 0;
        int soloLength = 0;
    };

    ShortLineScan() = default; // not usable
    // Usable when the CPU has AVX2 and every keyword has a key pair (a keyword without one could
    // match a line the scan passes over), or, for the solo keyword, is asked of one column.
    explicit ShortLineScan(const Settings& settings);

    bool usable() const { return m_scan != nullptr; }
    // Whether Line::buckets is told: each bucket then holds one keyword.
    bool tellsBuckets() const { return m_tellsBuckets; }

    enum Facts : int { kAboveAscii = -2, kFull = -1, kBlank = 1, kSolo = 2 };
    struct Line {
        qsizetype length = -1; // up to its CR or LF; -1 when not found
        int facts = kFull;
        // For kFull, when tellsBuckets(): a bit per bucket of keywords whose pair the line
        // holds. A keyword's bucket is its index in Settings::keywords (the solo keyword, when
        // it is not asked of one column, comes last).
        quint16 buckets = 0;
        // For kFull: when the line holds no pairs but those of words, its facts as for a line
        // without them (kBlank, kSolo); else -1.
        qint16 onlyWords = -1;
    };
    static_assert(sizeof(Line) <= 16, "returned in registers");
    static constexpr qsizetype kPreparedRoom = kMaxLength + 32;
    // One line as run() scans each: the line at `data`, which ends at the first CR or LF among
    // the `available` bytes (followed by kReadsPast readable bytes); its length is -1 when no line
    // end comes within them, or within kMaxLength bytes for an ASCII line. Facts: negative when the
    // line needs the full classifier (kAboveAscii when it holds a byte above ASCII, else kFull),
    // otherwise kBlank when it is blank after TABs and masks, or'ed with kSolo when the solo
    // keyword matches. For an ASCII line found, `prepared` (kPreparedRoom bytes) then holds it as
    // the classifier sees it: TABs replaced, masked columns blanked, folded. A line above ASCII is
    // answered (never blank) when the column of its first such byte is not masked, the solo column
    // comes before it, and the mode has no keywords or, with `cp932`, the line's own bytes (TABs
    // replaced, folded, not masked) hold no key pair and none of its characters folds to a byte of
    // one.
    Line scan(const char* data, qsizetype available, char* prepared, bool cp932 = false) const
    {
        return m_scan(*this, data, available, prepared, cp932);
    }

    // Where the line after one of `length` bytes at `line` starts: past its CR, LF or CR LF. The
    // data is followed by readable bytes, never an LF.
    static const char* nextLine(const char* line, qsizetype length)
    {
        // Branches, not a select: a file's lines mostly end alike, and a predicted branch lets
        // the next line's scan start before these bytes are read.
        const char* next = line + length + 1;
        if (__builtin_expect_with_probability(next[-1] == '\r' && *next == '\n', 1, 0.99))
            return next + 1;
        return next;
    }

    // What run() calls back.
    class RunCallbacks {
    public:
        // An ASCII line that holds a key pair, prepared as scan() prepares it; the lines the run
        // counted before it are in `byFacts`. True when the run must end after it.
        virtual bool take(const Line& line, std::array<int, 4>& byFacts) = 0;
        // Before each line after the first when run() has no stop flag: whether to stop.
        // (A run given the flag reads it itself, without a call.)
        virtual bool stopAsked() = 0;

    protected:
        ~RunCallbacks() = default;
    };
    // Lines taken by run(). Those it answered are counted in `byFacts` (per facts, 0 to 3), those
    // with a key pair handed to take(); the run ends before a line above ASCII or one whose end
    // it did not find, which is then `last`, or on `maxLines`, the data's end or a stop.
    struct Run {
        const char* next = nullptr; // the first line not taken
        int lines = 0;              // taken
        qint64 lengths = 0;         // the taken lines' lengths, line ends left out
        enum class End { Limit, Stopped, Unanswered } end = End::Limit;
        Line last; // for Unanswered: the line at `next`
    };
    // scan() for the lines from `data` up to `end`, each at most `longest` bytes before its
    // end: one call for a run of lines, with the scan's set-up done once. Before each line after
    // the first, `stop` is read, or without one the callbacks are asked. Its data is followed by
    // kRunReadsPast readable bytes, zeros.
    Run run(const char* data, const char* end, qsizetype longest, char* prepared, bool cp932,
            int maxLines, const std::atomic<bool>* stop, std::array<int, 4>& byFacts,
            RunCallbacks& callbacks) const
    {
        return m_run(*this, data, end, longest, prepared, cp932, maxLines, stop, byFacts,
                     callbacks);
    }

    // What the CP932 character of these two bytes folds to when that is ASCII (see FoldChar),
    // else 0.
    static char cp932FoldsTo(unsigned char lead, unsigned char trail);

    // A set of bytes as two tables of a bit per high nibble (0-7, 8-15) for each low nibble,
    // each 16 bytes twice (one per 128-bit lane).
    struct ByteSet {
        alignas(32) std::array<unsigned char, 32> lower{};
        alignas(32) std::array<unsigned char, 32> upper{};
        void add(unsigned char b);
    };

private:
    using Scan = Line (*)(const ShortLineScan&, const char*, qsizetype, char*, bool);
    using RunLines = Run (*)(const ShortLineScan&, const char*, const char*, qsizetype, char*, bool,
                             int, const std::atomic<bool>*, std::array<int, 4>&, RunCallbacks&);
    friend struct ShortLineKernel;
    friend struct ShortKeywordFreeLine;

    Scan m_scan = nullptr;
    RunLines m_run = nullptr;
    bool m_tellsBuckets = false;
    // The buckets that hold only words (Settings::words).
    unsigned m_wordBuckets = 0;
    // Whether a CP932 line above ASCII may be answered in a mode with keywords: no mask, or no
    // key pair with a blank (blanking a column could make one).
    bool m_aboveAsciiKeywords = false;
    // After the lead bytes 0x81, 0x82, and 0xEE or 0xFA, the trail bytes of the characters that
    // fold to a byte of a key pair.
    ByteSet m_fold81;
    ByteSet m_fold82;
    ByteSet m_foldIbm;
    enum FoldLeads : unsigned { kFolds81 = 1, kFolds82 = 2, kFoldsIbm = 4 };
    unsigned m_foldLeads = 0; // those of the three sets that are not empty
    // Nibble tables of the first and the second byte of the key pairs, each 16 bytes twice (one
    // per 128-bit lane): a bit per bucket of keywords.
    alignas(32) std::array<std::array<unsigned char, 32>, 4> m_nibbles{};
    // 0xFF for each masked column, as far as a line's last block reaches.
    alignas(32) std::array<unsigned char, kMaxLength + 32> m_masked{};
    std::array<quint32, (kMaxLength + 32) / 32> m_maskedBits{}; // the same, a bit per column
    unsigned char m_tab = 0x80;  // the byte replaced by a space (none in an ASCII line: 0x80)
    unsigned char m_foldAdd = 0; // 32 when folding
    int m_soloColumn = -1;       // 0-based, -1 when no solo keyword is asked of one column
    bool m_soloPastEnd = false;  // the answer for a line that ends before it
    // Per byte at that column, as the line holds it: whether the solo keyword matches it.
    std::array<bool, 128> m_soloByte{};
};
