#pragma once

#include <QString>
#include <QStringList>

#include "engine/modedefinition.h"

// The mode editor's keyword test: which keywords of `mode` (the editor's values as they stand)
// one typed line hits. It looks at the one line only: no areas, blocks or regions. With
// TABtoSpace 1 the TABs of `line` are turned into spaces in place, as the editor keeps the line
// for the next test. Masked columns (MaskColumns) are blanked in a copy after that; an invalid
// MaskColumns masks nothing here. Keywords are matched against that copy without its leading
// spaces, and the solo keyword's column piece is cut from the copy itself, as counting does.
// Any BinaryComp but 0 compares case-sensitively. Each hit is one of the editor's fixed texts,
// in test order.
QStringList KeywordTestHits(const ModeDefinition& mode, QString& line);

// The text of the box that shows the hits: a heading, a blank line and one hit per line, or the
// no-hit text.
QString KeywordTestMessage(const QStringList& hits);

inline constexpr char16_t kKeywordTestTitle[] = u"キーワードチェック";
inline constexpr char16_t kKeywordTestPrompt[] =
    u"入力した文字列が設定されているキーワードに\r\nヒットするかチェックします。\r\n\r\n"
    u"実際のソースから一行コピーして確認することを\r\n推奨します。";
