#include "runprompt.h"

#include <optional>

#include "run/lineendings.h"

namespace {

constexpr qsizetype kNamedFiles = 3;

// " A.CBL  B.CBL " + `tail`, or "4 ファイルの" + `countTail` beyond three files.
QString filesText(const QStringList& files, const QString& tail, const QString& countTail)
{
    if (files.size() > kNamedFiles)
        return QString::number(files.size()) + QStringLiteral(" ファイルの") + countTail;
    QString text;
    for (const QString& name : files)
        text += QStringLiteral(" ") + name + QStringLiteral(" ");
    return text + tail;
}

} // namespace

QString RunPromptText(const QStringList& files, qint16 processMode)
{
    const std::optional<LineEnd> target = LineEndForProcessMode(processMode);
    if (!target)
        return filesText(files, QStringLiteral(" のカウントを開始します"),
                         QStringLiteral("カウントを開始します"));
    QString text = filesText(files, QStringLiteral(" の "), QStringLiteral(" "));
    for (const LineEnd end : LineEnds) {
        if (end != *target)
            text += LineEndName(end) + QStringLiteral(" ");
    }
    return text + QStringLiteral("を ") + LineEndName(*target) + QStringLiteral(" に置換します");
}
