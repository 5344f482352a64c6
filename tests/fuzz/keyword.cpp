// The keyword matcher against a plain dynamic-programming matcher written from the wildcard
// grammar: ? * # [list] [!list], ranges, "-" first or last and "!" not first literal, "]"
// outside a list literal, "[]" matches nothing, "[!]" any one character; an unclosed "[" or a
// reversed range (or more than KeywordPattern::kMaxLength characters) makes the pattern invalid.
// Input: pattern, LF, text (see fuzz::ToUtf16).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include <QString>

#include "engine/keywordmatch.h"
#include "fuzzutil.h"

namespace {

struct Token {
    enum Kind { Literal, AnyChar, Digit, Set, Star } kind = Literal;
    char16_t ch = 0;
    bool negated = false;
    std::vector<std::pair<char16_t, char16_t>> ranges;

    static Token Of(Kind kind, char16_t ch = 0)
    {
        Token t;
        t.kind = kind;
        t.ch = ch;
        return t;
    }
};

char16_t Fold(char16_t c, bool caseSensitive)
{
    return caseSensitive ? c : FoldChar(QChar(c)).unicode();
}

// Wildcards are recognised in the pattern as written; only literals and list ends are folded.
std::optional<std::vector<Token>> Parse(QStringView p, bool caseSensitive)
{
    if (p.size() > KeywordPattern::kMaxLength)
        return std::nullopt;
    std::vector<Token> tokens;
    for (qsizetype i = 0; i < p.size(); ++i) {
        const char16_t c = p[i].unicode();
        if (c == u'*') {
            tokens.push_back(Token::Of(Token::Star));
        } else if (c == u'?') {
            tokens.push_back(Token::Of(Token::AnyChar));
        } else if (c == u'#') {
            tokens.push_back(Token::Of(Token::Digit));
        } else if (c == u'[') {
            const qsizetype close = p.indexOf(u']', i + 1);
            if (close < 0)
                return std::nullopt;
            Token set = Token::Of(Token::Set);
            qsizetype j = i + 1;
            if (j < close && p[j] == u'!') {
                set.negated = true;
                ++j;
            }
            while (j < close) {
                const char16_t lo = Fold(p[j].unicode(), caseSensitive);
                if (j + 2 < close && p[j + 1] == u'-') {
                    const char16_t hi = Fold(p[j + 2].unicode(), caseSensitive);
                    if (lo > hi)
                        return std::nullopt;
                    set.ranges.emplace_back(lo, hi);
                    j += 3;
                } else {
                    set.ranges.emplace_back(lo, lo);
                    ++j;
                }
            }
            i = close;
            if (set.ranges.empty() && !set.negated)
                continue; // "[]": nothing to match
            tokens.push_back(std::move(set));
        } else {
            tokens.push_back(Token::Of(Token::Literal, Fold(c, caseSensitive)));
        }
    }
    return tokens;
}

bool MatchesOne(const Token& t, char16_t c)
{
    switch (t.kind) {
    case Token::Literal:
        return c == t.ch;
    case Token::AnyChar:
        return true;
    case Token::Digit:
        return c >= u'0' && c <= u'9';
    case Token::Set: {
        bool in = false;
        for (const auto& [lo, hi] : t.ranges)
            in = in || (lo <= c && c <= hi);
        return in != t.negated;
    }
    case Token::Star:
        break;
    }
    return false;
}

// reach[j]: the tokens so far match text[0, j).
bool ReferenceMatch(const std::vector<Token>& tokens, QStringView text)
{
    const qsizetype n = text.size();
    std::vector<char> reach(size_t(n + 1), 0);
    reach[0] = 1;
    for (const Token& t : tokens) {
        std::vector<char> next(size_t(n + 1), 0);
        if (t.kind == Token::Star) {
            char any = 0;
            for (qsizetype j = 0; j <= n; ++j) {
                any = any || reach[size_t(j)];
                next[size_t(j)] = any;
            }
        } else {
            for (qsizetype j = 0; j < n; ++j)
                next[size_t(j + 1)] = reach[size_t(j)] && MatchesOne(t, text[j].unicode());
        }
        reach.swap(next);
    }
    return reach[size_t(n)];
}

void CheckMode(const QString& pattern, const QString& text, bool caseSensitive)
{
    const QString where = QStringLiteral("pattern \"%1\" text \"%2\" caseSensitive %3")
                              .arg(fuzz::Escaped(pattern), fuzz::Escaped(text))
                              .arg(caseSensitive);
    QString folded;
    FoldText(text, folded);
    const QString& compared = caseSensitive ? text : folded;

    const std::optional<std::vector<Token>> tokens = Parse(pattern, caseSensitive);
    const KeywordPattern compiled(pattern, caseSensitive);
    fuzz::Check(compiled.isValid() == tokens.has_value(), "validity differs from the grammar",
                where);
    const bool expected = tokens && ReferenceMatch(*tokens, compared);
    fuzz::Check(compiled.match(text) == expected, "match() differs from the reference", where);
    fuzz::Check(compiled.matchFolded(compared) == expected,
                "matchFolded() differs from the reference", where);
    fuzz::Check(MatchKeyword(text, pattern, caseSensitive) == expected,
                "MatchKeyword() differs from the reference", where);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto [patternBytes, textBytes] = fuzz::SplitAt(fuzz::View(data, size), '\n');
    const QString pattern = fuzz::ToUtf16(patternBytes);
    const QString text = fuzz::ToUtf16(textBytes);

    // FoldText is FoldChar on every character (its fast path must not change that).
    QString folded;
    FoldText(text, folded);
    fuzz::Check(folded.size() == text.size(), "FoldText changed the length");
    for (qsizetype i = 0; i < text.size(); ++i)
        fuzz::Check(folded[i] == FoldChar(text[i]), "FoldText differs from FoldChar",
                    fuzz::Escaped(text.sliced(i, 1)));

    CheckMode(pattern, text, true);
    CheckMode(pattern, text, false);
    return 0;
}
