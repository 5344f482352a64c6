#include "runrequest.h"

#include "run/lineendings.h"

void OutputList::addOutput(RunRequest& request, const QString& label, const QString& fullPath)
{
    request.OutputCount += 1;
    m_entries.push_back(
        {QLatin1Char('(') + QString::number(request.OutputCount) + QStringLiteral(") ") + label,
         request.OutputCount, true});
    while (request.OutputPaths.size() <= request.OutputCount)
        request.OutputPaths.append(QString());
    request.OutputPaths[request.OutputCount] = fullPath;
}

void OutputList::addSeparator()
{
    m_entries.push_back({QString(50, u'-'), 0, false});
}

void OutputList::clear(RunRequest& request)
{
    m_entries.clear();
    request.OutputPaths = QStringList{QString()};
    request.OutputCount = 0;
}

QString CsvEntryLabel(const QString& csvName, qsizetype fileCount)
{
    return csvName + QStringLiteral(" (") + QString::number(fileCount) + QStringLiteral(" Files)");
}

QString ConversionTargetName(qint16 processMode)
{
    const std::optional<LineEnd> target = LineEndForProcessMode(processMode);
    return target ? LineEndName(*target) : QString();
}

QString ConvertedEntryLabel(const QString& fileName, qint16 processMode)
{
    return fileName + QLatin1Char(' ') + ConversionTargetName(processMode);
}
