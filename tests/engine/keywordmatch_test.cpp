#include "engine/keywordmatch.h"

#include <cstring>
#include <random>

#include "testutil.h"

using testutil::u8;

namespace {

// The comparison modes in which a text matches a pattern.
enum Modes { None, Binary, Text, Both };

struct MatchCase {
    const char* text;
    const char* pattern;
    Modes matchesIn;
};

void PrintTo(const MatchCase& c, std::ostream* os)
{
    *os << '"' << c.text << "\" ~ \"" << c.pattern << '"';
}

QChar refFold(QChar c, bool cs)
{
    return cs ? c : FoldChar(c);
}

// Reference for one bracket list at the start of `p`: its length and whether `c` is in it, or 0
// when the list is invalid.
qsizetype refList(QStringView p, QChar c, bool cs, bool& hit)
{
    const qsizetype close = p.indexOf(u']');
    QStringView list = p.sliced(1, std::max<qsizetype>(close - 1, 0));
    const bool negated = list.startsWith(u'!');
    list = list.sliced(negated ? 1 : 0);
    hit = negated;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const bool range = i + 2 < list.size() && list[i + 1] == u'-';
        const QChar lo = refFold(list[i], cs), hi = refFold(list[range ? i + 2 : i], cs);
        if (lo > hi)
            return 0;
        if (lo <= refFold(c, cs) && refFold(c, cs) <= hi)
            hit = !negated;
        i += range ? 2 : 0;
    }
    return close < 0 ? 0 : close + 1;
}

bool refValid(QStringView p, bool cs)
{
    bool hit;
    for (qsizetype i = p.indexOf(u'['); i >= 0; i = p.indexOf(u'[', i)) {
        const qsizetype length = refList(p.sliced(i), QChar(), cs, hit);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

// Reference matcher: plain recursion over the pattern as written, no compilation.
bool refMatch(QStringView t, QStringView p, bool cs)
{
    if (p.isEmpty())
        return t.isEmpty();
    if (p[0] == u'*') {
        for (qsizetype k = 0; k <= t.size(); ++k) {
            if (refMatch(t.sliced(k), p.sliced(1), cs))
                return true;
        }
        return false;
    }
    bool hit = false;
    const qsizetype length = p[0] == u'[' ? refList(p, t.isEmpty() ? QChar() : t[0], cs, hit) : 1;
    if (length == 2) // "[]"
        return refMatch(t, p.sliced(2), cs);
    if (t.isEmpty())
        return false;
    const QChar c = refFold(t[0], cs);
    if (p[0] == u'?')
        hit = true;
    else if (p[0] == u'#')
        hit = c >= u'0' && c <= u'9';
    else if (p[0] != u'[')
        hit = refFold(p[0], cs) == c;
    return hit && refMatch(t.sliced(1), p.sliced(length), cs);
}

class KeywordMatchCase : public testing::TestWithParam<MatchCase> {};

} // namespace

TEST_P(KeywordMatchCase, MatchesWholeText)
{
    const MatchCase& c = GetParam();
    EXPECT_EQ(MatchKeyword(u8(c.text), u8(c.pattern), true), (c.matchesIn & Binary) != 0)
        << "binary";
    EXPECT_EQ(MatchKeyword(u8(c.text), u8(c.pattern), false), (c.matchesIn & Text) != 0) << "text";
}

INSTANTIATE_TEST_SUITE_P(
    KeywordMatch, KeywordMatchCase,
    testing::Values(
        MatchCase{"PROCEDURE DIVISION.", "PROCEDURE DIVISION", None},
        MatchCase{"PROCEDURE DIVISION.", "PROCEDURE DIVISION*", Both},
        MatchCase{"perform", "*PERFORM*", Text}, MatchCase{"", "", Both}, MatchCase{"x", "", None},
        MatchCase{"", "*", Both}, MatchCase{"", "?", None}, MatchCase{"END-EXEC.", "*EXEC", None},
        MatchCase{"abax", "*ab*ba*", None}, MatchCase{"MOVE 12 TO X", "MOVE ## TO ?", Both},
        MatchCase{":", "#", None},
        // Bracket lists.
        MatchCase{"ab", "a[]b", Both}, MatchCase{"", "[]", Both}, MatchCase{"x", "[!]", Both},
        MatchCase{"", "[!]", None}, MatchCase{"-", "[-a]", Both}, MatchCase{"-", "[a-]", Both},
        MatchCase{"-", "[a-c]", None}, MatchCase{"-", "[a-b-c]", Both},
        MatchCase{"!", "[a!]", Both}, MatchCase{"a", "[!a]", None}, MatchCase{"a]", "a]", Both},
        MatchCase{"]", "[]]", Both}, MatchCase{"[", "[[]", Both}, MatchCase{"*/", "[*][/]", Both},
        MatchCase{"5", "[!0-9]", None}, MatchCase{"\u0080", "[~-\u0080]", Both},
        // Wildcards only as written; folding on both sides in text mode, list ends included.
        MatchCase{"*", "＊", Text}, MatchCase{"B", "[a-c]", Text}, MatchCase{"ｂ", "[A-C]", Text},
        MatchCase{"É", "[à-ï]", Text}, MatchCase{"ａ", "[!ａ-ｚ]", None},
        MatchCase{"１２", "##", Text}, MatchCase{"ｍｏｖｅ", "MOVE", Text},
        MatchCase{"ぱーす", "*パース", Text}, MatchCase{"ｱｲｳ", "アイウ", Text},
        MatchCase{"ΣΑΣ", "σας", Text}));

TEST(KeywordMatch, InvalidPatternsMatchNothing)
{
    for (const char* p : {"[", "[a", "a[b-", "*[!", "[z-a]", "MOVE [9-0]*"}) {
        const KeywordPattern pattern(u8(p), true);
        EXPECT_FALSE(pattern.isValid()) << p;
        EXPECT_EQ(pattern.pattern(), u8(p));
        EXPECT_FALSE(pattern.match(u8(p))) << p;
    }
    // Text mode compares the folded range ends.
    EXPECT_TRUE(KeywordPattern(u"[Z-a]", true).isValid());
    EXPECT_FALSE(KeywordPattern(u"[Z-a]", false).isValid());
    EXPECT_TRUE(KeywordPattern(u"[a-Z]", false).isValid());
    EXPECT_FALSE(KeywordPattern().match(u""));
}

TEST(KeywordMatch, FoldsCharacters)
{
    const char16_t cases[][2] = {{u'A', u'a'},   {u'Ｑ', u'q'}, {u'！', u'!'}, {u'ぁ', u'ァ'},
                                 {u'ゖ', u'ヶ'}, {u'ﾞ', u'゛'}, {u'ﾟ', u'゜'}, {u'Ä', u'ä'},
                                 {u'漢', u'漢'}, {u'＊', u'*'}, {u'　', u'　'}};
    for (const auto& c : cases)
        EXPECT_EQ(FoldChar(QChar(c[0])), QChar(c[1])) << int(c[0]);
    for (char16_t c = 0xFF66; c <= 0xFF9D; ++c) // half-width kana: their compatibility forms
        EXPECT_EQ(FoldChar(QChar(c)),
                  QString(QChar(c)).normalized(QString::NormalizationForm_KC)[0]);
    // Outside the kana rules a character folds as Unicode's simple case folding has it.
    for (char16_t c = 0x2F00; c < 0xA100; ++c) {
        if (c >= 0x3041 && c <= 0x3096)
            continue;
        ASSERT_EQ(FoldChar(QChar(c)), QChar(char16_t(QChar::toCaseFolded(char32_t(c))))) << int(c);
    }
}

TEST(KeywordMatch, PreparesLinesAndPieces)
{
    PreparedLine out;
    PrepareLine(u"\t  MOVE A", 0, out);
    EXPECT_EQ(out.trimmed, u8("\t  MOVE A"));
    PrepareLine(u"\t  MOVE A", 1, out);
    EXPECT_EQ(out.line, u8("   MOVE A"));
    EXPECT_EQ(out.trimmed, u8("MOVE A"));
    PrepareLine(u"　X\t", 1, out);
    EXPECT_EQ(out.trimmed, u8("　X "));

    const QString line = u8("      *TEXT");
    EXPECT_EQ(CommentPiece(line, 7, 1), QStringView(u"*"));
    EXPECT_EQ(CommentPiece(line, 7, 100), QStringView(u"*TEXT"));
    EXPECT_TRUE(CommentPiece(u"abc", 4, 1).isEmpty());
    EXPECT_TRUE(CommentPiece(u"abc", 7, 1).isEmpty());
    EXPECT_EQ(BlankTrim(u"\t  */ x\ty"), u8("*/ x y"));
}

TEST(KeywordMatch, SplitsWordList)
{
    using L = QStringList;
    EXPECT_EQ(SplitWordList(u8("MOVE,PERFORM")), (L{u8("MOVE"), u8("PERFORM")}));
    const QStringList spaced = SplitWordList(u8("MOVE, PERFORM"));
    EXPECT_EQ(spaced, (L{u8("MOVE"), u8(" PERFORM")}));
    EXPECT_FALSE(MatchKeyword(u8("PERFORM"), spaced[1], true)); // a trimmed line never matches
    EXPECT_EQ(SplitWordList(u8("A,,B,")), (L{u8("A"), QString(), u8("B"), QString()}));
    EXPECT_TRUE(SplitWordList(QString()).isEmpty());
}

TEST(KeywordMatch, PathologicalPatternsFinish)
{
    QString text(10000, u'a');
    EXPECT_FALSE(MatchKeyword(text, u"*a*a*a*a*a*a*a*a*b", true));
    EXPECT_FALSE(MatchKeyword(text, u"*a*a*a*a*a*a*a*a*b*", false));
    EXPECT_FALSE(MatchKeyword(text, u"*a?a*[a]#*a*a*?", true));
    text[5000] = u'b';
    EXPECT_TRUE(MatchKeyword(text, u"*a*a*a*a*a*a*a*a*b*", false));
}

// A literal between stars is searched for in blocks of positions, the last block overlapping
// the one before: found at every position of every length of text, as text and as bytes.
TEST(KeywordMatch, FindsALiteralWhereverItLies)
{
    for (const char* literal :
         {"ab", "a-b", "ab1ab", " ab ", "abcdefghijklmnop", "abcdefghijklmnopq"}) {
        const KeywordPattern pattern(u8("*") + u8(literal) + u8("*"), false);
        const qsizetype length = qsizetype(std::strlen(literal));
        // Bytes followed by padding that holds the literal: the search must end with the text.
        const auto matchPadded = [&](const std::string& bytes) {
            std::string padded = bytes;
            while (padded.size() < bytes.size() + size_t(KeywordPattern::kPadding))
                padded += QString::fromLatin1(literal).toLower().toStdString();
            return pattern.matchPadded(std::string_view(padded).substr(0, bytes.size()));
        };
        for (qsizetype n = 0; n <= 48; ++n) {
            const QString blank(n, u'x');
            EXPECT_FALSE(pattern.match(blank)) << n;
            for (qsizetype at = 0; at + length <= n; ++at) {
                QString text = blank;
                text.replace(at, length, u8(literal).toUpper());
                const std::string bytes = text.toLower().toStdString();
                ASSERT_TRUE(pattern.match(text)) << text.toStdString();
                ASSERT_TRUE(pattern.matchFolded(std::string_view(bytes))) << bytes;
                ASSERT_TRUE(matchPadded(bytes)) << bytes;
                // The literal cut short by the end of the text.
                const std::string cut = bytes.substr(0, size_t(at + length - 1));
                ASSERT_FALSE(pattern.matchFolded(std::string_view(cut))) << cut;
                ASSERT_FALSE(matchPadded(cut)) << cut;
            }
        }
    }
}

TEST(KeywordMatch, AgreesWithReferenceMatcher)
{
    std::mt19937 rng(20240611);
    const QString patternChars = u8("aAb1*?#[]!-");
    const QString textChars = u8("aAb1- ");
    auto pick = [&](const QString& alphabet) { return alphabet[int(rng() % alphabet.size())]; };
    // Half the patterns are written for the text, with stars, slips and, when `wild`, other
    // wildcards, so that many match; without them they take the shapes that have fast paths.
    auto patternFor = [&](const QString& t, bool wild) {
        QString p;
        for (qsizetype k = 0; k < t.size(); ++k) {
            const unsigned r = rng() % 6;
            if (r == 0) {
                p += u'*';
                k += qsizetype(rng() % 3) - 1; // the star stands for 0 to 2 characters
            } else if (r == 1) {
                p += pick(wild ? patternChars : textChars);
            } else if (wild && r == 2) {
                p += u'?';
            } else if (wild && r == 3) {
                p += QString(u'[') + pick(patternChars) + t[k] + u']';
            } else {
                p += t[k];
            }
        }
        return p;
    };
    int matches = 0;
    for (int i = 0; i < 6000; ++i) {
        const bool cs = i % 2 == 0;
        // Some texts are long enough for the vectorised search to run, on bytes too.
        QString t(int(rng() % (i % 3 == 0 || i % 4 == 1 ? 40 : 9)), Qt::Uninitialized), p, folded;
        for (QChar& c : t)
            c = pick(textChars);
        if (i % 3 == 0) {
            for (unsigned k = rng() % 10; k > 0; --k)
                p += pick(patternChars);
        } else {
            p = patternFor(t, i % 3 == 1);
        }
        const KeywordPattern compiled(p, cs);
        ASSERT_EQ(compiled.isValid(), refValid(p, cs)) << p.toStdString();
        const bool expected = compiled.isValid() && refMatch(t, p, cs);
        FoldText(t, folded);
        ASSERT_EQ(compiled.match(t), expected) << p.toStdString() << " ~ " << t.toStdString();
        ASSERT_EQ(compiled.matchFolded(cs ? t : folded), expected);
        const std::string bytes = (cs ? t : folded).toStdString();
        ASSERT_EQ(compiled.matchFolded(std::string_view(bytes)), expected)
            << p.toStdString() << " ~ " << bytes;
        const std::string padded = bytes + std::string(KeywordPattern::kPadding, 'a');
        ASSERT_EQ(compiled.matchPadded(std::string_view(padded).substr(0, bytes.size())), expected)
            << p.toStdString() << " ~ " << bytes;
        matches += expected;
    }
    EXPECT_GT(matches, 1500) << matches;
}
