// The ASCII fast path of counting against the general path (decode, then match on UTF-16):
// random lines and random modes through both, every counter and word count equal.

#include <atomic>
#include <random>

#include <QBuffer>

#include "engine/countfile.h"
#include "engine/shortline.h"
#include "support/modes.h"
#include "testutil.h"
#include "text/cp932.h"
#include "text/linereader.h"

using testutil::u8;

namespace {

// Keywords of every shape the matcher tells apart, with literals above ASCII that fold to ASCII
// (full-width letters) and ones that never do.
const char* const kPatterns[] = {
    "*PERFORM*",
    "PERFORM*",
    "*END-EXEC",
    "EXEC SQL*",
    "*EXEC SQL*",
    "CALL",
    "*CALL 'X'*",
    "*[*]/*",
    "/[*]*",
    "//*",
    "[*/]",
    "*",
    "?",
    "*#*",
    "*P?RF#RM*",
    "*[A-Z]-[!0-9]*",
    "* *",
    "*  *",
    "*ＰＥＲＦＯＲＭ*",
    "*顧客*",
    "*ｶﾅ*",
    "*perform*",
    "*A*B*C*",
    "[!*]*",
    "*'*'*",
    "*\t*",
    "*[a-c][!x]#?*",
    "**PE*RM**",
    "??*?",
    "[*]*",
    "*/",
    "END*;",
    "*ＥＸＥＣ*",
    "*ぺ*",
    "* E*C *",
    "*[ｱ-ﾝ]*",
};

// Pieces of lines: keyword fragments, blanks, TABs, digits, wildcard characters as text, and
// Japanese in several widths.
const char* const kPieces[] = {
    "PERFORM",
    "perform",
    "Perform",
    "EXEC SQL",
    "END-EXEC",
    "PROCEDURE DIVISION",
    "CALL 'X'",
    "/*",
    "*/",
    "//",
    "*",
    "/",
    "\t",
    " ",
    "   ",
    "000100",
    "A",
    "x",
    "'",
    "[",
    "]",
    "?",
    "#",
    "-",
    ";",
    "9",
    "顧客",
    "ｶﾅ",
    "ＰＥＲＦＯＲＭ",
    "ぺ",
    "ＥＸＥＣ",
    "END",
    "B",
    "C",
    "ｱ",
    "\u212A",
    "０９ＳＱＬ",
    "\u00C9",
    "／／＊",
    "＇",
};

const char* const kMasks[] = {"", "1-6,73-", "1-6", "3", "8-", "2-4, 10-12", "1-"};

// Whether a keyword holds two neighbouring literals, which lets whole lines be passed over.
bool keyed(const char* pattern)
{
    return KeywordPattern(u8(pattern), false).keyPairs()[0] >= 0;
}

class Random {
public:
    // `keyedOnly`: only keywords with a key pair, and the solo one mostly asked of one column,
    // so that most lines are answered without matching.
    explicit Random(unsigned seed, bool keyedOnly = false)
        : m_engine(seed)
        , m_keyedOnly(keyedOnly)
    {
    }
    bool keyedOnly() const { return m_keyedOnly; }
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_engine); }
    bool chance(int percent) { return below(100) < percent; }
    template <typename T, size_t N>
    const T& pick(const T (&items)[N])
    {
        return items[size_t(below(int(N)))];
    }
    QString keyword(int emptyPercent)
    {
        if (chance(emptyPercent))
            return {};
        const char* pattern = pick(kPatterns);
        while (m_keyedOnly && !keyed(pattern))
            pattern = pick(kPatterns);
        return u8(pattern);
    }

private:
    std::mt19937 m_engine;
    bool m_keyedOnly;
};

ModeDefinition randomMode(Random& r)
{
    ModeDefinition m = BareMode();
    m.BinaryComp = qint16(r.chance(30) ? 1 : 0);
    m.TABtoSpace = qint16(r.chance(70) ? 1 : 0);
    for (int k = 2; k <= 3; ++k) {
        m.StartWord[k] = r.keyword(40);
        m.StartAfter[k] = qint16(r.below(2));
    }
    if (m.StartWord[2].isEmpty())
        m.StartWord[3].clear();
    m.PickupStart = r.keyword(40);
    m.PickupEnd = r.keyword(30);
    m.PickupToPickup = qint16(r.below(2));
    m.CommentStart = r.keyword(50);
    m.CommentEnd = r.keyword(30);
    m.CommentStartIsValid = qint16(r.below(2));
    m.CommentSolo = r.keyword(30);
    m.CommentColumn = r.chance(40) ? 0 : r.below(10);
    m.CommentLength = r.below(4);
    if (r.keyedOnly() && r.chance(60)) {
        m.CommentSolo = u8(r.pick(kPatterns));
        m.CommentColumn = 1 + r.below(70);
        m.CommentLength = 1;
    }
    m.NullLineMode = qint16(r.below(3));
    QStringList words;
    // Now and then more words than the prefilter has bits.
    for (int n = r.chance(3) ? 70 : r.below(10); n > 0; --n)
        words << r.keyword(0);
    m.WordCount = words.join(u',');
    m.MaskColumns = u8(r.pick(kMasks));
    return m;
}

// Random lines in `encoding` (CP932 or UTF-8), most of them ASCII, some long, with every line end.
QByteArray randomFile(Random& r, SourceEncoding encoding)
{
    QByteArray file;
    for (int lines = r.below(60); lines > 0; --lines) {
        QString line;
        const int pieces = r.chance(5) ? 200 + r.below(200) : r.below(12);
        const bool ascii = r.chance(75);
        for (int i = 0; i < pieces; ++i) {
            QString piece = u8(r.pick(kPieces));
            while (ascii && piece.front().unicode() >= 0x80)
                piece = u8(r.pick(kPieces));
            line += piece;
        }
        file += encoding == SourceEncoding::Utf8 ? line.toUtf8() : Cp932::encode(line);
        static const char* const ends[] = {"\r\n", "\n", "\r"};
        if (lines > 1 || r.chance(50))
            file += r.pick(ends);
    }
    return file;
}

// Takes every line, so counting goes the general way (the sink needs the decoded text).
class DiscardingSink final : public LineSink {
public:
    void line(int, Counter, QStringView) override {}
};

struct Outcome {
    FileCountResult result;
    QString error;
    bool operator==(const Outcome&) const = default;
};

// A host with a stop flag lets the short-line scan take many lines in one run.
class FlagHost final : public RunHost {
public:
    const std::atomic<bool>* stopFlag() const override { return &m_stop; }

private:
    std::atomic<bool> m_stop{false};
};

// Small blocks have many lines cut by a block's end; large ones, many lines with more after.
Outcome count(const CountRules& rules, const QByteArray& bytes, SourceEncoding encoding,
              LineSink* sink, qsizetype blockSize, bool withFlag = false)
{
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    LineReader reader(buffer, blockSize);
    RunHost plainHost;
    FlagHost flagHost;
    RunHost& host = withFlag ? flagHost : plainHost;
    CountProgress progress;
    Outcome out;
    try {
        CountFile(rules, reader, host, out.result, progress, encoding, sink);
        ComputeDerivedTotals(out.result, rules.areaCount());
    } catch (const CountError& e) {
        out.error = e.message();
    }
    return out;
}

TEST(FastPath, CountsEqualTheGeneralPathOnRandomLinesAndModes)
{
    for (unsigned seed = 1; seed <= 6000; ++seed) {
        Random r(seed, seed % 2 == 0);
        ModeDefinition mode = randomMode(r);
        if (seed % 5 == 0) {
            // Without keywords (the solo one asked of one column at most), the scan answers
            // nearly every line itself.
            for (QString* k :
                 {&mode.StartWord[2], &mode.StartWord[3], &mode.PickupStart, &mode.PickupEnd,
                  &mode.CommentStart, &mode.CommentEnd, &mode.WordCount})
                k->clear();
            if (mode.CommentColumn < 1 || mode.CommentLength != 1)
                mode.CommentSolo.clear();
        }
        const CountRules rules(mode, AreaCount(mode));
        const SourceEncoding encoding = r.chance(50) ? SourceEncoding::Cp932 : SourceEncoding::Utf8;
        const QByteArray file = randomFile(r, encoding);
        DiscardingSink sink;
        const qsizetype blockSize = seed % 3 == 0 ? 64 : 4096;
        const Outcome fast = count(rules, file, encoding, nullptr, blockSize, seed % 4 != 0);
        const Outcome general = count(rules, file, encoding, &sink, blockSize);
        ASSERT_TRUE(fast == general) << "seed " << seed << ", file:\n" << file.toStdString();
    }
}

// Without keywords, lines of every length up to past the longest the scan takes, blank or not
// at their last byte or their solo column only (a byte above ASCII too, which is never blank),
// with each line end, cut by small blocks too.
TEST(FastPath, KeywordFreeLinesOfEveryLengthCountAsTheGeneralPath)
{
    for (const auto& [masks, tab] : {std::pair{"", 1}, std::pair{"1-6,73-", 1}, std::pair{"", 0}}) {
        ModeDefinition m = BareMode();
        m.TABtoSpace = qint16(tab);
        m.CommentSolo = QStringLiteral("*");
        m.CommentColumn = 7;
        m.CommentLength = 1;
        m.MaskColumns = QString::fromLatin1(masks);
        const CountRules rules(m, AreaCount(m));
        QByteArray file;
        for (int length = 0; length <= 140; ++length) {
            for (const char* end : {"\n", "\r\n", "\r"}) {
                for (const char last : {' ', '\t', 'X', '*', '\x80'}) {
                    QByteArray line(length, ' ');
                    if (length > 0)
                        line[length - 1] = last;
                    file += line + end;
                }
            }
        }
        DiscardingSink sink;
        for (const qsizetype blockSize : {64, 4096}) {
            const Outcome fast =
                count(rules, file, SourceEncoding::Cp932, nullptr, blockSize, true);
            ASSERT_TRUE(fast == count(rules, file, SourceEncoding::Cp932, &sink, blockSize))
                << masks << ", TABs " << tab << ", block " << blockSize;
        }
    }
}

// The short-line scan answers for a line only when it can hold no keyword, and then as the
// classifier sees the line: TABs replaced, masked columns blanked, folded.
TEST(FastPath, ShortLineScanAnswersOnlyLinesWithoutAKeyPair)
{
    const KeywordPattern perform(u"*PERFORM*", false);
    const KeywordPattern qz(u"*QZ*", false); // one pair only
    const KeywordPattern solo(u"[*/]", false);
    const std::vector<MaskRange> masks{{1, 6}, {73, 0}};
    ShortLineScan::Settings settings;
    settings.tabToSpace = true;
    settings.keywords = {&perform, &qz};
    settings.solo = &solo;
    settings.soloColumn = 7;
    settings.soloLength = 1;
    const ShortLineScan plain(settings);
    settings.masks = &masks;
    const ShortLineScan masked(settings);
    if (!plain.usable())
        GTEST_SKIP() << "no AVX2 on this CPU";

    // Each line is followed by `end`, then by the zeros the reader keeps after its block. The
    // facts, or kNotFound when the scan did not find the line's end.
    constexpr int kNotFound = 100;
    // Each line is scanned twice: as the last in the reader's block, and with more lines after
    // it; both must agree.
    const auto scan = [](const ShortLineScan& s, const std::string& line,
                         const std::string& end = "\n") {
        const std::string more = std::string(70, 'Q') + "\n";
        const std::string buffer =
            line + end + more + std::string(size_t(ShortLineScan::kReadsPast), '\0');
        std::string prepared(size_t(ShortLineScan::kPreparedRoom), '\0');
        const qsizetype available = qsizetype(line.size() + end.size());
        const ShortLineScan::Line found = s.scan(buffer.data(), available, prepared.data());
        const ShortLineScan::Line followed =
            s.scan(buffer.data(), available + qsizetype(more.size()), prepared.data());
        if (found.length < 0) {
            EXPECT_TRUE(end.empty() || followed.length < 0) << line;
            return kNotFound;
        }
        EXPECT_EQ(found.length, qsizetype(line.size())) << line;
        EXPECT_EQ(followed.length, found.length) << line;
        EXPECT_EQ(followed.facts, found.facts) << line;
        return found.facts;
    };
    using F = ShortLineScan::Facts;
    EXPECT_EQ(scan(plain, ""), F::kBlank);
    EXPECT_EQ(scan(plain, "  \t  ", "\r\n"), F::kBlank);
    EXPECT_EQ(scan(plain, "      * note", "\r"), F::kSolo);
    EXPECT_EQ(scan(plain, "     \t/"), F::kSolo);
    EXPECT_EQ(scan(plain, "      \t*"), 0); // the TAB is column 7
    EXPECT_EQ(scan(plain, "000100"), 0);
    EXPECT_EQ(scan(masked, "000100"), F::kBlank);
    EXPECT_EQ(scan(masked, "000100*"), F::kSolo);
    EXPECT_EQ(scan(plain, "       perform x."), F::kFull);
    EXPECT_EQ(scan(plain, "       Perform"), F::kFull);
    EXPECT_EQ(scan(plain, "       MOVE A TO B."), 0);
    EXPECT_EQ(scan(plain, "       MOVE \xE9 TO B."), F::kAboveAscii);
    EXPECT_EQ(scan(plain, std::string(100, ' ') + "\xE9" + std::string(100, 'x')), F::kAboveAscii);
    EXPECT_EQ(scan(plain, "       Q", "\nZ"), 0);
    EXPECT_EQ(scan(plain, "       QZ"), F::kFull);
    // Ends too far out, or none among the bytes available.
    EXPECT_EQ(scan(plain, std::string(ShortLineScan::kMaxLength, ' ')), kNotFound);
    EXPECT_EQ(scan(plain, "       MOVE", ""), kNotFound);
    EXPECT_EQ(scan(plain, "\xE9", ""), kNotFound);
    // Without keywords, only blanks and the solo keyword count.
    settings.keywords.clear();
    const ShortLineScan bare(settings);
    EXPECT_EQ(scan(bare, "000100*", "\r\n"), F::kSolo);
    EXPECT_EQ(scan(bare, "000100  QZ perform"), 0);
    EXPECT_EQ(scan(bare, "000100" + std::string(66, ' ') + "PERFORM"), F::kBlank);
    // A byte above ASCII is a character that is not blank: enough, unless masked or at or
    // before the solo column.
    EXPECT_EQ(scan(bare, "       perform \xE9"), 0);
    EXPECT_EQ(scan(bare, "000100*\x82\xA0", "\r\n"), F::kSolo);
    EXPECT_EQ(scan(bare, "000100\xE9"), F::kAboveAscii);
    EXPECT_EQ(scan(bare, "00\xE9"), F::kAboveAscii);
    EXPECT_EQ(scan(bare, std::string(80, ' ') + "\xE9"), F::kAboveAscii);
    settings.masks = nullptr;
    const ShortLineScan bareUnmasked(settings);
    EXPECT_EQ(scan(bareUnmasked, std::string(80, ' ') + "\xE9 " + std::string(20, ' ')), 0);
    EXPECT_EQ(scan(bareUnmasked, "      *" + std::string(90, ' ') + "\xE9"), F::kSolo);
    // A keyword in masked columns is blanked away.
    EXPECT_EQ(scan(masked, std::string(72, ' ') + "PERFORM"), F::kBlank);
    // A pair and a line end found wherever they lie, across every block boundary.
    for (size_t at = 0; at + 2 < size_t(ShortLineScan::kMaxLength); ++at) {
        std::string line(size_t(ShortLineScan::kMaxLength) - 1, ' ');
        line.replace(at, 2, "qZ");
        ASSERT_EQ(scan(plain, line), F::kFull) << "at " << at;
        ASSERT_EQ(scan(plain, line.substr(0, at + 1), "\rZ"), 0) << "at " << at;
        ASSERT_EQ(scan(plain, std::string(at, ' ')), F::kBlank) << "at " << at;
    }
    // Lines of 64 to 95 bytes (three blocks) name the buckets a longer line with the same pairs
    // names (the block loop).
    const auto buckets = [&](const std::string& line) {
        // Pairs after the line end must not count.
        const std::string buffer = line + "\nqzperform" + std::string(128, '\0');
        std::string prepared(size_t(ShortLineScan::kPreparedRoom), '\0');
        const ShortLineScan::Line l =
            plain.scan(buffer.data(), qsizetype(line.size()) + 1, prepared.data());
        EXPECT_EQ(l.length, qsizetype(line.size()));
        EXPECT_EQ(prepared.substr(0, line.size()), line); // folded: the line is lower case
        return l.facts == F::kFull ? int(l.buckets) : -1;
    };
    for (size_t length = 64; length < 96; ++length) {
        ASSERT_EQ(buckets(std::string(length - 1, ' ') + "q"), -1) << length;
        for (size_t at = 0; at + 7 <= length; at += 3) {
            std::string line(length, ' ');
            line.replace(at, 7, at % 2 ? "xxxxxqz" : "perform");
            const int found = buckets(line);
            ASSERT_GT(found, 0) << length << " at " << at;
            ASSERT_EQ(found, buckets(line + std::string(100 - length, ' ')))
                << length << " at " << at;
        }
    }
}

// A CP932 line above ASCII is answered when it holds no key pair among its bytes and no
// character that folds to a byte of one; every character that folds to ASCII is known.
TEST(FastPath, ShortLineScanAnswersCp932LinesWithoutAKeyPair)
{
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const char pair[2] = {char(lead), char(trail)};
            char narrow[2];
            const bool ascii = NarrowCp932(pair, 2, false, narrow) == 1 && uchar(narrow[0]) < 0x80;
            ASSERT_EQ(ShortLineScan::cp932FoldsTo(uchar(lead), uchar(trail)), ascii ? narrow[0] : 0)
                << lead << " " << trail;
        }
    }

    const KeywordPattern perform(u"*PERFORM*", false);
    const KeywordPattern solo(u"[*/]", false);
    ShortLineScan::Settings settings;
    settings.keywords = {&perform};
    settings.solo = &solo;
    settings.soloColumn = 7;
    settings.soloLength = 1;
    const ShortLineScan plain(settings);
    if (!plain.usable())
        GTEST_SKIP() << "no AVX2 on this CPU";
    const auto scan = [](const ShortLineScan& s, const QString& line, bool cp932 = true) {
        const QByteArray bytes = Cp932::encode(line) + "\n" + QByteArray(100, '\0');
        std::string prepared(size_t(ShortLineScan::kPreparedRoom), '\0');
        return s
            .scan(bytes.constData(), bytes.size() - ShortLineScan::kReadsPast, prepared.data(),
                  cp932)
            .facts;
    };
    using F = ShortLineScan::Facts;
    EXPECT_EQ(scan(plain, u8("      * 顧客マスタを読み込み、残高を更新する")), F::kSolo);
    EXPECT_EQ(scan(plain, u8("      * 顧客マスタを読み込み、残高を更新する"), false),
              F::kAboveAscii);
    EXPECT_EQ(scan(plain, u8("       顧客 PERFORM")), F::kAboveAscii);
    EXPECT_EQ(scan(plain, u8("       顧客 ＰＥＲＦＯＲＭ")), F::kAboveAscii); // folds to perform
    EXPECT_EQ(scan(plain, u8("       顧客：（１）")), 0); // ':', '(', '1': in no key pair
    EXPECT_EQ(scan(plain, u8("       顧客ｆ")), F::kAboveAscii);
    EXPECT_EQ(scan(plain, u8("      顧客")), F::kAboveAscii); // in the solo column
    // Longer lines, with a pair wherever it lies.
    const QString kanji(40, QChar(u'顧'));
    EXPECT_EQ(scan(plain, u8("      *") + kanji), F::kSolo);
    for (qsizetype at = 0; at <= kanji.size(); ++at) {
        ASSERT_EQ(scan(plain, u8("       ") + QString(kanji).insert(at, u8("perform"))),
                  F::kAboveAscii)
            << at;
    }
    // Masks blank columns, which past the first such character are not bytes: a key pair
    // with a blank could be made.
    const KeywordPattern blanks(u"*A  *", false);
    const std::vector<MaskRange> masks{{30, 0}};
    settings.keywords = {&blanks};
    settings.solo = nullptr;
    settings.masks = &masks;
    EXPECT_EQ(scan(ShortLineScan(settings), u8("顧客 A")), F::kAboveAscii);
    settings.masks = nullptr;
    EXPECT_EQ(scan(ShortLineScan(settings), u8("顧客 A")), 0);
    // Full-width symbols fold too.
    const KeywordPattern assign(u"*:=*", false);
    settings.keywords = {&assign};
    EXPECT_EQ(scan(ShortLineScan(settings), u8("顧客：＝")), F::kAboveAscii);
    EXPECT_EQ(scan(ShortLineScan(settings), u8("顧客（：")), F::kAboveAscii);
    EXPECT_EQ(scan(ShortLineScan(settings), u8("顧客（")), 0);
}

// Every pattern on random ASCII texts: bytes and UTF-16 give the same answer, folded or not,
// and the prefilter never refuses a text the pattern matches.
TEST(FastPath, PatternsMatchAsciiBytesAsTheirUtf16)
{
    Random r(7);
    for (const char* source : kPatterns) {
        for (const bool cs : {false, true}) {
            const KeywordPattern pattern(u8(source), cs);
            KeywordPrefilter prefilter;
            const quint64 bit = prefilter.add(pattern);
            for (int i = 0; i < 400; ++i) {
                QString text;
                for (int n = r.below(8); n > 0; --n) {
                    QString piece = u8(r.pick(kPieces));
                    if (piece.front().unicode() < 0x80)
                        text += piece;
                }
                if (!cs)
                    text = text.toLower();
                const std::string bytes = text.toStdString();
                const bool expected = pattern.matchFolded(text);
                ASSERT_EQ(pattern.matchFolded(std::string_view(bytes)), expected)
                    << source << (cs ? " (case-sensitive)" : "") << " ~ \"" << bytes << '"';
                if (expected) {
                    const std::string padded =
                        bytes + std::string(KeywordPrefilter::kReadsPast, 'x');
                    ASSERT_EQ(
                        prefilter.candidates(std::string_view(padded).substr(0, bytes.size())) &
                            bit,
                        bit)
                        << source << (cs ? " (case-sensitive)" : "") << " ~ \"" << bytes
                        << "\" refused by the prefilter";
                }
            }
        }
    }
}

// Lines above ASCII as NarrowText bytes: every narrowable pattern answers as on the folded
// UTF-16 text.
TEST(FastPath, NarrowablePatternsMatchNarrowedTextAsTheUtf16)
{
    Random r(11);
    int narrowable = 0;
    for (const char* source : kPatterns) {
        for (const bool cs : {false, true}) {
            const KeywordPattern pattern(u8(source), cs);
            if (!pattern.narrowable())
                continue;
            ++narrowable;
            for (int i = 0; i < 400; ++i) {
                QString text;
                for (int n = r.below(8); n > 0; --n)
                    text += u8(r.pick(kPieces));
                QString folded;
                if (cs)
                    folded = text;
                else
                    FoldText(text, folded);
                std::string bytes(size_t(text.size()), '\0');
                NarrowText(reinterpret_cast<const char16_t*>(text.utf16()), text.size(), cs,
                           bytes.data());
                ASSERT_EQ(pattern.matchFolded(std::string_view(bytes)), pattern.matchFolded(folded))
                    << source << (cs ? " (case-sensitive)" : "") << " ~ \"" << text.toStdString()
                    << '"';
            }
        }
    }
    EXPECT_GT(narrowable, 40);
}

// A CP932 line narrowed from its bytes gives what narrowing its decoded text gives (ASCII left
// for the byte pass to fold): every pair of bytes from a lead position on, then random lines.
TEST(FastPath, Cp932BytesNarrowAsTheirDecodedText)
{
    const auto expected = [](const QByteArray& bytes, bool cs) {
        const QString text = Cp932::decode(bytes);
        std::string narrow(size_t(text.size()), '\0');
        NarrowText(reinterpret_cast<const char16_t*>(text.utf16()), text.size(), cs, narrow.data());
        return narrow;
    };
    const auto narrowed = [](const QByteArray& bytes, bool cs) {
        std::string out(size_t(bytes.size()), '\0');
        out.resize(size_t(NarrowCp932(bytes.constData(), bytes.size(), cs, out.data())));
        if (!cs) {
            for (char& c : out)
                c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
        }
        return out;
    };
    for (const bool cs : {false, true}) {
        for (int lead = 0x80; lead < 0x100; ++lead) {
            for (int trail = 0; trail < 0x100; ++trail) {
                const char pair[2] = {char(lead), char(trail)};
                const QByteArray bytes(pair, 2);
                ASSERT_EQ(narrowed(bytes, cs), expected(bytes, cs))
                    << std::hex << lead << ' ' << trail << (cs ? " (case-sensitive)" : "");
            }
        }
    }
    Random r(13);
    for (int i = 0; i < 2000; ++i) {
        QByteArray bytes;
        for (int n = r.below(40); n > 0; --n)
            bytes += char(r.chance(50) ? 0x80 + r.below(0x80) : r.below(0x80));
        const bool cs = r.chance(50);
        ASSERT_EQ(narrowed(bytes, cs), expected(bytes, cs)) << bytes.toHex().toStdString();
    }
}

} // namespace
