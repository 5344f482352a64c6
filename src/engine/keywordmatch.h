#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QtGlobal>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// Folding for the text (not case-sensitive) comparison: Unicode simple case folding, full-width
// ASCII U+FF01-FF5E to U+0021-007E, hiragana U+3041-3096 to katakana U+30A1-30F6, half-width
// katakana U+FF66-FF9D to full-width katakana (U+FF9E/FF9F to U+309B/309C). Always one character
// to one character, so positions found in a folded text are positions in the original.
QChar FoldChar(QChar c);

// out = FoldChar of each character of `in`, reusing the capacity of `out`.
void FoldText(QStringView in, QString& out);

class KeywordPattern;

// Which of a mode's keywords a line may match, from the pairs of neighbouring characters it
// holds: each keyword is keyed on the two rarest pairs of neighbouring literals every match of it
// holds, and one pass over a line gathers the keywords whose pairs are both there. Most lines
// hold the pairs of few keywords, and a keyword refused here needs no scan of its own. Keywords
// share the 64 bits from the 65th on (a shared bit only lets more lines through).
class KeywordPrefilter {
public:
    // The bit the keyword is gathered under, or 0 for one without a pair (always tried).
    quint64 add(const KeywordPattern& pattern);
    // How many keywords have a bit.
    int size() const { return m_added; }
    // The bits of the keywords whose pairs `text` holds. `text` is folded like the keywords: an
    // ASCII line or one from NarrowText, followed by kReadsPast readable bytes.
    quint64 candidates(std::string_view text) const;
    static constexpr qsizetype kReadsPast = 16;

    static quint16 hash(unsigned char a, unsigned char b)
    {
        return quint16(((a << 4) ^ b) & (kEmpty - 1));
    }

private:
    // Per hashed pair: the keywords keyed on it as their first pair, and as their second.
    struct alignas(16) Keys {
        quint64 first = 0;
        quint64 second = 0;
    };
    // One more entry, never keyed on, for the pairs past a text's end.
    static constexpr int kEmpty = 2048;
    std::array<Keys, kEmpty + 1> m_table{};
    int m_added = 0;
};

// A decoded line as bytes for the keyword scan when no keyword holds a character above ASCII:
// each character becomes one byte, ASCII as itself (folded unless `caseSensitive`, and
// full-width forms that fold to ASCII become that ASCII), every other character kNarrowOther.
// Every such keyword treats all characters above ASCII alike, so it matches the bytes exactly
// when it matches the folded text. Columns stay where they were.
inline constexpr char kNarrowOther = char(0x80);
void NarrowText(const char16_t* in, qsizetype n, bool caseSensitive, char* out);

// The same straight from a line's CP932 bytes, one byte per character as Cp932::decodeTo finds
// them, except that ASCII stays as it is (not folded); returns the characters. `out` holds
// `n` bytes.
qsizetype NarrowCp932(const char* bytes, qsizetype n, bool caseSensitive, char* out);

// A keyword in the wildcard syntax, compiled once and matched against many texts.
//   ?  any one character        *  any run, the empty run included     #  one digit 0-9
//   [list] / [!list]  one character in / not in the list; ranges such as A-Z; "-" first or last
//   and "!" not first are literal; "[]" matches no character; "[!]" matches any one character.
// Everything else, "]" outside a list and full-width forms such as U+FF0A included, is literal.
// Case-sensitive compares UTF-16 code units; otherwise pattern and text compare folded.
class KeywordPattern {
public:
    KeywordPattern() = default; // invalid: matches nothing
    KeywordPattern(QStringView pattern, bool caseSensitive);

    // Matching costs up to text length x pattern length; a keyword is a few words, so a longer
    // one is refused rather than matched for minutes against a long line.
    static constexpr qsizetype kMaxLength = 4096;

    // False for an unclosed "[", a range whose low end is above its high end (in text mode
    // the folded ends are compared, as matching does) or a pattern over kMaxLength characters.
    bool isValid() const { return m_kind != Kind::Invalid; }
    const QString& pattern() const { return m_pattern; }
    bool caseSensitive() const { return m_caseSensitive; }

    // Whole-text match. Unless the pattern is case-sensitive, `text` must already be folded with
    // FoldText (a line is folded once and tested against many patterns).
    bool matchFolded(QStringView text) const;
    // The same for a text of ASCII bytes (each below 0x80), folded unless case-sensitive: the
    // counting's fast path for lines that need no decoding. Same answer as the UTF-16 overload
    // for the text widened. Also for NarrowText's bytes when the pattern is narrowable().
    bool matchFolded(std::string_view asciiText) const
    {
        if (m_oneChar) {
            const auto c = static_cast<unsigned char>(asciiText.empty() ? 0 : asciiText[0]);
            return asciiText.size() == 1 && ((m_oneCharSet[c >> 6] >> (c & 63)) & 1);
        }
        return matchAscii(asciiText);
    }
    // Readable bytes matchPadded needs after its text.
    static constexpr qsizetype kPadding = 16;
    // matchFolded for a text followed by kPadding readable bytes (the counting's line buffer): a
    // *literal* keyword of up to 16 characters is then one masked block search, done in place.
    bool matchPadded(std::string_view asciiText) const
    {
#ifdef __SSE2__
        if (m_shortContains)
            return containsPadded(asciiText.data(), qsizetype(asciiText.size()));
#endif
        return matchFolded(asciiText);
    }
    // For a *literal* keyword of 2 to 16 ASCII characters, matched by matchPadded in one masked
    // block search: the literal as matched; else empty.
    std::string_view shortLiteral() const
    {
        return m_shortContains ? std::string_view(m_needle.data(), size_t(m_needleLength))
                               : std::string_view();
    }
    // The two positions in it whose characters such a search looks for first.
    std::array<qsizetype, 2> shortLiteralProbes() const
    {
        return {m_probeAt1, m_probeAt2};
    }
    // Two pairs of neighbouring literals (KeywordPrefilter::hash) any match holds, the rarest
    // in source text; -1 when there is none, the first twice when there is one.
    std::array<int, 2> keyPairs() const
    {
        return m_keyPairs;
    }
    // The two literals of the first key pair, as matched (folded unless case-sensitive); of use
    // only when keyPairs()[0] >= 0.
    std::array<unsigned char, 2> keyBytes() const
    {
        return m_keyBytes;
    }
    // Whether matchFolded on NarrowText's bytes answers as on the folded text: no literal or
    // list holds a character above ASCII.
    bool narrowable() const
    {
        return m_narrowable;
    }
    // Whole-text match of a text as it stands; folds it first when needed.
    bool match(QStringView text) const;

private:
    enum class Kind : quint8 { Invalid, Everything, Exact, Fixed, Starred };
    enum class Op : quint8 { Literal, AnyChar, Digit, Set, Star };

    struct Element {
        Op op;
        char16_t ch; // Literal: the character (folded in text mode)
        quint32 set; // Set: index into m_sets
    };

    // Characters of one bracket list: a bitmap for ASCII, ranges for the rest.
    struct CharSet {
        bool negated = false;
        std::array<quint64, 2> ascii{};
        std::vector<std::pair<char16_t, char16_t>> wide;
        bool contains(char16_t c) const;
    };

    // A run of elements without a star; `literal` when every element is a Literal.
    struct Run {
        qsizetype begin = 0;
        qsizetype length = 0;
        bool literal = true;
        qsizetype anchor = -1; // Literal a search scans for first, preferably not a blank
        // A literal run's two probe positions for a search: its first and last non-blanks.
        qsizetype probe1 = 0;
        qsizetype probe2 = 0;
    };

    bool matchAscii(std::string_view asciiText) const;
#ifdef __SSE2__
    bool containsPadded(const char* text, qsizetype n) const;
#endif
    bool matchElement(const Element& e, char16_t c) const;
    template <typename Char>
    bool matchRun(const Run& run, const Char* text) const;
    template <typename Char>
    qsizetype findRun(const Run& run, const Char* text, qsizetype from, qsizetype end) const;
    template <typename Char>
    bool matchText(const Char* text, qsizetype n) const;
    template <typename Char>
    const Char* literals() const;
    Run makeRun(qsizetype begin, qsizetype end) const;

    QString m_pattern;
    bool m_caseSensitive = false;
    Kind m_kind = Kind::Invalid;
    std::vector<Element> m_elements;
    std::vector<CharSet> m_sets;
    QString m_chars;           // per element: its literal character, else U+0000
    std::string m_asciiChars;  // the same as bytes, for ASCII texts
    bool m_asciiNever = false; // a literal above ASCII: no ASCII text can match
    std::array<int, 2> m_keyPairs{-1, -1};
    std::array<unsigned char, 2> m_keyBytes{};
    bool m_narrowable = true;
    // A pattern of one character (no star): the bytes it matches, kNarrowOther for the rest.
    bool m_oneChar = false;
    std::array<quint64, 4> m_oneCharSet{};
    qsizetype m_minLength = 0; // characters any match needs: the elements other than stars
    bool m_contains = false;   // *literal*, the commonest keyword: one search
    Run m_head;                // elements before the first star, anchored at the start
    Run m_tail;                // elements after the last star, anchored at the end
    std::vector<Run> m_middle; // runs between stars, left to right
    // A *literal* keyword of 2 to 16 ASCII characters, for matchPadded: the literal, its two
    // probe characters (see findLiteral) each repeated 16 times, and where they lie in it.
    bool m_shortContains = false;
    std::array<char, 16> m_needle{};
    std::array<char, 16> m_probe1{};
    std::array<char, 16> m_probe2{};
    quint32 m_needleMask = 0; // one bit per character of the literal
    qsizetype m_needleLength = 0;
    qsizetype m_probeAt1 = 0;
    qsizetype m_probeAt2 = 0;
};

#ifdef __SSE2__
inline bool KeywordPattern::containsPadded(const char* text, qsizetype n) const
{
    const auto load = [](const char* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    };
    const __m128i needle = load(m_needle.data());
    const __m128i probe1 = load(m_probe1.data());
    const __m128i probe2 = load(m_probe2.data());
    const qsizetype last = n - m_needleLength; // the last position a match may start at
    // Each block of 16 positions reads at most 15 bytes past the last one's literal, and the
    // compare of a candidate 16 - length: within the padding.
    for (qsizetype at = 0; at <= last; at += 16) {
        unsigned hits = unsigned(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(load(text + at + m_probeAt1), probe1),
                                            _mm_cmpeq_epi8(load(text + at + m_probeAt2), probe2))));
        if (last - at < 15)
            hits &= (2u << (last - at)) - 1;
        for (; hits; hits &= hits - 1) {
            const char* candidate = text + at + __builtin_ctz(hits);
            const unsigned same =
                unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(load(candidate), needle)));
            if ((same & m_needleMask) == m_needleMask)
                return true;
        }
    }
    return false;
}
#endif

// Whole-text wildcard match, compiling `pattern` for this one call; an invalid pattern matches
// nothing.
bool MatchKeyword(QStringView text, QStringView pattern, bool caseSensitive);

// A source line made ready for matching.
struct PreparedLine {
    QString line;
    QString trimmed;
};

// line: `raw` with every TAB turned into a space when tabToSpace is 1, else unchanged. trimmed:
// line without its leading U+0020 (TABs and U+3000 are not removed). Reuses the capacity of
// `out`; `raw` must not point into `out`.
void PrepareLine(QStringView raw, qint16 tabToSpace, PreparedLine& out);

// The piece of `line` that begins at the 1-based `column` and is `length` characters long,
// shorter where the line ends first; "" when the column lies beyond the end (or is below 1, or
// the length is not positive).
QStringView CommentPiece(QStringView line, int column, int length);

// `s` with every TAB turned into a space, then without its leading spaces.
QString BlankTrim(QStringView s);

// Items of a word list, cut at every ",", nothing trimmed; "" gives no items.
QStringList SplitWordList(const QString& wordCount);
