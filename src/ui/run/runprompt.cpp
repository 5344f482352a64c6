#include "runprompt.h"

#include <array>

#include "run/runrequest.h"

namespace {

constexpr qsizetype kNamedFiles = 3;

const std::array<QString, 3> kLineEndNames{QStringLiteral("CR+LF"), QStringLiteral("CR"),
                                           QStringLiteral("LF")};

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
    if (!ProcessModes::isConversion(processMode))
        return filesText(files, QStringLiteral(" のカウントを開始します"),
                         QStringLiteral("カウントを開始します"));
    QString text = filesText(files, QStringLiteral(" の "), QStringLiteral(" "));
    const int target = processMode - ProcessModes::ToCrLf;
    for (int i = 0; i < int(kLineEndNames.size()); ++i) {
        if (i != target)
            text += kLineEndNames[size_t(i)] + QStringLiteral(" ");
    }
    return text + QStringLiteral("を ") + ConversionTargetName(processMode) +
           QStringLiteral(" に置換します");
}
