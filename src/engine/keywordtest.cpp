#include "keywordtest.h"

#include "engine/keywordmatch.h"

QStringList KeywordTestHits(const ModeDefinition& mode, QString& line)
{
    // Any value but 0 compares case-sensitively, as counting does with a hand-edited file.
    const bool caseSensitive = mode.BinaryComp != 0;
    if (mode.TABtoSpace == 1)
        line.replace(u'\t', u' ');
    // Masked columns are blanked in a copy: the kept line stays as typed.
    QString masked = line;
    if (!mode.MaskColumns.isEmpty()) {
        if (const auto masks = ParseMaskColumns(mode.MaskColumns))
            ApplyMaskColumns(*masks, reinterpret_cast<char16_t*>(masked.data()), masked.size());
    }
    qsizetype lead = 0;
    while (lead < masked.size() && masked[lead] == u' ')
        ++lead;
    const QString text = masked.mid(lead);
    auto hit = [&](const QString& keyword) {
        return !keyword.isEmpty() && MatchKeyword(text, keyword, caseSensitive);
    };

    QStringList hits;
    bool commentHit = false;
    if (hit(mode.StartWord[2]))
        hits << QStringLiteral("[AREA-2]【開始キーワード】に該当します ");
    if (hit(mode.StartWord[3]))
        hits << QStringLiteral("[AREA-3]【開始キーワード】に該当します ");
    if (hit(mode.PickupStart))
        hits << QStringLiteral("[PICKUP]【開始キーワード】に該当します ");
    if (hit(mode.PickupEnd))
        hits << QStringLiteral("[PICKUP]【終了キーワード】に該当します ");
    const bool startHit = hit(mode.CommentStart);
    if (startHit) {
        hits << QStringLiteral("[COMMENT]【開始キーワード】に該当します ");
        commentHit = true;
    }
    if (hit(mode.CommentEnd)) {
        hits << QStringLiteral("[COMMENT]【終了キーワード】に該当します ");
        commentHit = true;
    }

    // Leading-asterisk rule: the line opens a block but, with code before the keyword, counts
    // as valid. An empty remainder matches only an empty text.
    if (startHit && mode.CommentStartIsValid == 1 && mode.CommentStart.startsWith(u'*') &&
        !MatchKeyword(BlankTrim(text), QStringView(mode.CommentStart).sliced(1), caseSensitive))
        hits << QStringLiteral("[COMMENT]ただし有効行としカウントします ");

    // As in counting, a column piece is cut from the whole line, leading spaces included, so a
    // column-7 comment pasted from a fixed-format source hits. A negative column or length
    // cannot cut a piece: that test is skipped.
    if (!mode.CommentSolo.isEmpty() && mode.CommentColumn >= 0 &&
        (mode.CommentColumn == 0 || mode.CommentLength >= 0)) {
        const QStringView piece =
            mode.CommentColumn == 0
                ? QStringView(text)
                : CommentPiece(masked, mode.CommentColumn,
                               mode.CommentLength == 0 ? int(masked.size()) : mode.CommentLength);
        if (MatchKeyword(piece, mode.CommentSolo, caseSensitive)) {
            hits << QStringLiteral("[COMMENT]【単独キーワード】に該当します ");
            commentHit = true;
        }
    }

    // Leading spaces are gone already, so only an all-blank line leaves nothing.
    if (text.isEmpty())
        hits << QStringLiteral("[COMMENT]【空行カウント】に該当します ");

    if (!mode.WordCount.isEmpty() && !commentHit) {
        for (const QString& word : SplitWordList(mode.WordCount)) {
            if (MatchKeyword(text, word, caseSensitive))
                hits << QStringLiteral("[WORDCOUNT]【") + word + QStringLiteral("】に該当します ");
        }
    }
    return hits;
}

QString KeywordTestMessage(const QStringList& hits)
{
    if (hits.isEmpty())
        return QStringLiteral("入力された文字列にヒットするキーワードはありません");
    QString text = QStringLiteral("以下のキーワードにヒットしました\r\n");
    for (const QString& h : hits)
        text += QStringLiteral("\r\n") + h;
    return text;
}
