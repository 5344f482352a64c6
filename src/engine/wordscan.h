#pragma once

#include <array>
#include <string_view>
#include <vector>

#include <QtGlobal>

class KeywordPattern;

// A mode's words (the keywords whose lines are counted) grouped by prefilter bit, so that a line
// tries only its candidates. On a line of bytes, a *literal* word of 2 to 16 ASCII characters
// is searched with AVX2 where the CPU has it: in a line of up to 64 bytes, all positions at once
// and without a branch on the line's length or on whether a candidate proves true.
class WordScan {
public:
    // How far past its text count() reads.
    static constexpr qsizetype kReadsPast = 80;

    WordScan() = default; // no words
    // `words` with their prefilter bits (0: tried on every line).
    WordScan(const std::vector<KeywordPattern>& words, const std::vector<quint64>& bits);

    // Calls f(i, words[i]) for each word whose bit is among `candidates`, then for those always
    // tried.
    template <typename F>
    void forEachCandidate(quint64 candidates, F&& f) const
    {
        const auto tryRange = [&](size_t begin, size_t end) {
            for (size_t k = begin; k < end; ++k)
                f(m_words[k].index, *m_words[k].pattern);
        };
        for (quint64 bits = candidates & m_anyBit; bits != 0; bits &= bits - 1) {
            const auto bit = size_t(__builtin_ctzll(bits));
            tryRange(m_begin[bit], m_begin[bit + 1]);
        }
        tryRange(m_begin[64], m_words.size());
    }

    // Adds one to counts[i] for each candidate word i (as forEachCandidate) that `text`
    // matches. `text` is folded like the words and followed by kReadsPast readable bytes.
    // Throws CountError when a count would pass 2,147,483,647.
    void count(std::string_view text, quint64 candidates, qint32* counts) const
    {
        if (m_avx2 && qsizetype(text.size()) <= kLongestShort)
            countShort(text, candidates, counts);
        else
            countGeneral(text, candidates, counts);
    }

private:
    struct Word {
        std::array<char, 16> needle{};
        quint32 mask = 0;   // a bit per character of the literal
        qint8 length = 0;   // 0: not such a literal
        qint8 probeAt1 = 0; // two characters of the literal looked for first
        qint8 probeAt2 = 0;
        int index = 0;
        const KeywordPattern* pattern = nullptr;
    };
    // count() for a text of up to kLongestShort bytes, with AVX2, and for any text.
    static constexpr qsizetype kLongestShort = 64;
    void countShort(std::string_view text, quint64 candidates, qint32* counts) const;
    void countGeneral(std::string_view text, quint64 candidates, qint32* counts) const;

    bool m_avx2 = false;
    // By bit, then those always tried: bit b's are [m_begin[b], m_begin[b + 1]), the others
    // [m_begin[64], end).
    std::vector<Word> m_words;
    std::array<size_t, 65> m_begin{};
    quint64 m_anyBit = 0;
};
