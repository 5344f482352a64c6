#include "engine/keywordtest.h"

#include "testutil.h"

using testutil::u8;

namespace {

ModeDefinition cobolMode()
{
    ModeDefinition m;
    m.StartWord[1] = QStringLiteral("*");
    m.StartWord[2] = QStringLiteral("*DIVISION*");
    m.StartWord[3] = QStringLiteral("*PROCEDURE*");
    m.PickupStart = QStringLiteral("EXEC SQL*");
    m.PickupEnd = QStringLiteral("*END-EXEC*");
    m.WordCount = QStringLiteral("*PERFORM*,*CALL*");
    return m;
}

QStringList hitsFor(const ModeDefinition& mode, const QString& line)
{
    QString stored = line;
    return KeywordTestHits(mode, stored);
}

} // namespace

TEST(KeywordTest, HitsInTestOrder)
{
    const ModeDefinition m = cobolMode();
    EXPECT_EQ(hitsFor(m, QStringLiteral("   PROCEDURE DIVISION.")),
              (QStringList{u8("[AREA-2]【開始キーワード】に該当します "),
                           u8("[AREA-3]【開始キーワード】に該当します ")}));
    EXPECT_EQ(hitsFor(m, QStringLiteral("EXEC SQL PERFORM END-EXEC")),
              (QStringList{u8("[PICKUP]【開始キーワード】に該当します "),
                           u8("[PICKUP]【終了キーワード】に該当します "),
                           u8("[WORDCOUNT]【*PERFORM*】に該当します ")}));
    EXPECT_EQ(KeywordTestMessage(hitsFor(m, QStringLiteral("MOVE A TO B"))),
              u8("入力された文字列にヒットするキーワードはありません"));
    EXPECT_EQ(KeywordTestMessage({QStringLiteral("a "), QStringLiteral("b ")}),
              u8("以下のキーワードにヒットしました\r\n\r\na \r\nb "));
}

TEST(KeywordTest, CommentHitsSuppressWords)
{
    ModeDefinition m = cobolMode();
    m.CommentStart = QStringLiteral("*/[*]*");
    m.CommentStartIsValid = 1;
    // Opens a block but counts as valid; still no word hits.
    EXPECT_EQ(hitsFor(m, QStringLiteral("CALL X /* note")),
              (QStringList{u8("[COMMENT]【開始キーワード】に該当します "),
                           u8("[COMMENT]ただし有効行としカウントします ")}));
    EXPECT_EQ(hitsFor(m, QStringLiteral("  /* CALL")),
              QStringList{u8("[COMMENT]【開始キーワード】に該当します ")});

    ModeDefinition cobol = cobolMode();
    cobol.CommentSolo = QStringLiteral("[*/]");
    cobol.CommentColumn = -1; // cannot cut: the test is skipped, words still count
    EXPECT_EQ(hitsFor(cobol, QStringLiteral("X* CALL")),
              QStringList{u8("[WORDCOUNT]【*CALL*】に該当します ")});
}

// The solo keyword's column piece is cut from the line as typed (TABs replaced, masked columns
// blanked), leading spaces included, so the test agrees with counting.
TEST(KeywordTest, SoloColumnCountsFromTheLineStart)
{
    ModeDefinition cobol = cobolMode();
    cobol.CommentSolo = QStringLiteral("[*/]");
    cobol.CommentColumn = 7;
    cobol.CommentLength = 1;
    const QStringList solo{u8("[COMMENT]【単独キーワード】に該当します ")};
    EXPECT_EQ(hitsFor(cobol, u8("      * コメント")), solo);
    EXPECT_EQ(hitsFor(cobol, u8("000100/ PAGE")), solo);
    EXPECT_EQ(hitsFor(cobol, QStringLiteral("  * CALL X")),
              QStringList{u8("[WORDCOUNT]【*CALL*】に該当します ")});

    cobol.MaskColumns = QStringLiteral("1-6");
    EXPECT_EQ(hitsFor(cobol, u8("ABCDEF* コメント")), solo);
    cobol.TABtoSpace = 1;
    EXPECT_EQ(hitsFor(cobol, QStringLiteral("\t\t\t\t\t\t*")), solo);

    // Length 0 runs to the end of the line; column 0 looks at the line without leading spaces.
    cobol.CommentSolo = QStringLiteral("[*]*");
    cobol.CommentLength = 0;
    EXPECT_EQ(hitsFor(cobol, QStringLiteral("      * NOTE")), solo);
    cobol.CommentColumn = 0;
    cobol.MaskColumns.clear();
    EXPECT_EQ(hitsFor(cobol, QStringLiteral("   * NOTE")), solo);
}

// Any BinaryComp but 0 (a hand-edited file) compares case-sensitively, as counting does.
TEST(KeywordTest, BinaryCompOtherThanOneIsCaseSensitive)
{
    ModeDefinition m = cobolMode();
    const QStringList hit{u8("[WORDCOUNT]【*PERFORM*】に該当します ")};
    for (const qint16 value : {1, 2, -1}) {
        m.BinaryComp = value;
        EXPECT_TRUE(hitsFor(m, QStringLiteral("perform x")).isEmpty()) << value;
        EXPECT_EQ(hitsFor(m, QStringLiteral("PERFORM X")), hit) << value;
    }
    m.BinaryComp = 0;
    EXPECT_EQ(hitsFor(m, QStringLiteral("perform x")), hit);
}

TEST(KeywordTest, BlankLinesAndTabs)
{
    ModeDefinition none;
    none.StartWord[1] = QStringLiteral("*");
    EXPECT_EQ(KeywordTestMessage(hitsFor(none, QStringLiteral("    "))),
              u8("以下のキーワードにヒットしました\r\n\r\n[COMMENT]【空行カウント】に該当します "));
    EXPECT_TRUE(hitsFor(none, QStringLiteral("\t")).isEmpty());
    none.TABtoSpace = 1;
    QString line = QStringLiteral("\tPERFORM\t");
    none.WordCount = QStringLiteral("PERFORM ");
    EXPECT_EQ(KeywordTestHits(none, line), QStringList{u8("[WORDCOUNT]【PERFORM 】に該当します ")});
    EXPECT_EQ(line, QStringLiteral(" PERFORM ")); // the stored line keeps the replacement
}

TEST(KeywordTest, MaskedColumnsNeverHit)
{
    ModeDefinition cobol = cobolMode();
    cobol.MaskColumns = QStringLiteral("1-6,73-");
    QString line =
        QStringLiteral("000100     PERFORM X.") + QString(51, u' ') + QStringLiteral("CALL");
    EXPECT_EQ(KeywordTestHits(cobol, line),
              QStringList{u8("[WORDCOUNT]【*PERFORM*】に該当します ")});
    EXPECT_TRUE(line.startsWith(QStringLiteral("000100"))); // the stored line stays as typed
    EXPECT_EQ(hitsFor(cobol, QStringLiteral("000100")),
              QStringList{u8("[COMMENT]【空行カウント】に該当します ")});
    cobol.MaskColumns = QStringLiteral("7-3"); // invalid: nothing is masked
    EXPECT_EQ(hitsFor(cobol, QStringLiteral("CALL")),
              QStringList{u8("[WORDCOUNT]【*CALL*】に該当します ")});
}
