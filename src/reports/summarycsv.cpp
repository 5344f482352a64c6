#include "summarycsv.h"

#include <algorithm>

#include "reports/templates.h"
#include "reports/valueformats.h"
#include "text/cp932.h"
#include "text/fileio.h"
#include "text/pathbytes.h"

namespace {

QString headerText(Counter counter)
{
    return QString::fromUtf16(CounterInfoOf(counter).label) + u',';
}

// A path field: between double quotes, with an inner quote doubled.
QString quoted(QString value)
{
    value.replace(u'"', QStringLiteral("\"\""));
    return u'"' + value + u'"';
}

QString fixedRow(const ReportJob& job, const ReportFile& file, const FileCountResult& result,
                 const SourceFacts& facts, const QString& outputDate)
{
    QString row = QString::number(file.index + 1) + u',' + outputDate + u',' +
                  quoted(DisplayPath(file.folder)) + u',' + quoted(DisplayPath(file.name)) + u',' +
                  DateTimeText(facts.modified, job.locale) + u',' + SizeTextPlain(facts.size) +
                  u',';
    const std::vector<Counter> counters = ReportedCounters(job.mode);
    for (Counter c : counters)
        row += CounterText(result.FileTotals[c]) + u',';
    const int areas = ReportAreaCount(job);
    if (areas > 1) {
        for (int a = 1; a <= areas; ++a) {
            for (Counter c : counters)
                row += CounterText(result.AreaCounts[a][c]) + u',';
        }
    }
    return row + u'#';
}

// Line `number` of the mode's CSV template, when it has one that can serve; else the failure
// text to put in front of the fixed line ("" when there is no template at all).
struct CsvTemplateLine {
    std::optional<QString> line;
    QString failure;
};

CsvTemplateLine csvTemplateLine(const ReportJob& job, int number)
{
    const QString& modeName = job.mode.ModeName;
    if (!TemplatePresent(job.programFolder, modeName, CsvTemplateSuffix))
        return {};
    const QString text = LoadTemplate(TemplatePath(job.programFolder, modeName, CsvTemplateSuffix));
    const QString name = TemplateFileName(modeName, CsvTemplateSuffix);
    if (text.isEmpty())
        return {std::nullopt, TemplateFailureText(name, TemplateFailure::EmptyText)};
    std::optional<QString> line = TemplateLine(text, number);
    if (!line || line->isEmpty())
        return {std::nullopt, TemplateFailureText(name, TemplateFailure::MissingLine)};
    return {std::move(line), QString()};
}

// Writes the CSV file by `write`: the template's line first, the fixed line when that fails.
template <typename Write>
WriteOutcome writeCsv(const QString& csvName, const ReportContent& content, Write write)
{
    if (content.templated && write(*content.templated, nullptr))
        return {csvName, true, {}};
    WriteOutcome outcome{csvName, true, {}};
    if (!write(content.fixed, &outcome.error))
        outcome.ok = false;
    return outcome;
}

} // namespace

QString SummaryCsvName(const QDateTime& start)
{
    return QStringLiteral("QVX") + start.toString(QStringLiteral("MMddHHmm")) +
           QStringLiteral(".csv");
}

QString FixedCsvHeader(const ModeDefinition& mode, int areaCount)
{
    QString header = QStringLiteral("No,DATA,FILE PATH,FILE NAME,FILE DATA,FILE SIZE,");
    const std::vector<Counter> counters = ReportedCounters(mode);
    for (Counter c : counters)
        header += headerText(c);
    areaCount = std::clamp(areaCount, 1, 3);
    if (areaCount > 1) {
        for (int a = 1; a <= areaCount; ++a) {
            const QString prefix = QStringLiteral("(A") + QString::number(a) + u')';
            for (Counter c : counters)
                header += prefix + headerText(c);
        }
    }
    return header + u'#';
}

ReportContent SummaryCsvHeaderContent(const ReportJob& job)
{
    const CsvTemplateLine header = csvTemplateLine(job, 1);
    ReportContent content;
    if (header.line)
        content.templated = Cp932::encode(*header.line + QStringLiteral("\r\n"));
    content.fixed = Cp932::encode(header.failure + FixedCsvHeader(job.mode, ReportAreaCount(job)) +
                                  QStringLiteral("\r\n"));
    return content;
}

bool WriteSummaryCsvHeader(QIODevice& device, const ReportJob& job, QString* error)
{
    return WriteReportContent(device, SummaryCsvHeaderContent(job), error);
}

WriteOutcome WriteSummaryCsvHeader(const ReportJob& job, const QString& csvName)
{
    const QString path = ReportOutputPath(job, csvName);
    if (path.isEmpty())
        return NoOutputFolder(csvName);
    return writeCsv(csvName, SummaryCsvHeaderContent(job),
                    [&path](const QByteArray& bytes, QString* error) {
                        return FileIo::writeFileAtomically(path, bytes, error, kOutputWrite);
                    });
}

ReportContent SummaryCsvRowContent(const ReportJob& job, const ReportFile& file,
                                   const FileCountResult& result, const QDateTime& now)
{
    const SourceFacts facts = ReadSourceFacts(file);
    const QString outputDate = DateTimeText(now, job.locale);
    CsvTemplateLine row = csvTemplateLine(job, 2);
    ReportContent content;
    if (row.line) {
        const TemplateValues values{
            .modeName = job.mode.ModeName,
            .index = file.index,
            .normalText = {},
            .wordData = {},
            .outputDate = outputDate,
            .filePath = DisplayPath(file.folder),
            .fileName = DisplayPath(file.name),
            .fileDate = DateTimeText(facts.modified, job.locale),
            .fileSize = SizeTextPlain(facts.size),
        };
        const std::optional<QString> expanded =
            ExpandTemplate(*row.line, values, result, ReportAreaCount(job), TemplateTarget::Csv);
        if (expanded)
            content.templated = Cp932::encode(*expanded + QStringLiteral("\r\n"));
        else
            row.failure = TemplateFailureText(
                TemplateFileName(job.mode.ModeName, CsvTemplateSuffix), TemplateFailure::EmptyText);
    }
    content.fixed = Cp932::encode(row.failure + fixedRow(job, file, result, facts, outputDate) +
                                  QStringLiteral("\r\n"));
    return content;
}

bool AppendSummaryCsvRow(QIODevice& device, const ReportJob& job, const ReportFile& file,
                         const FileCountResult& result, const QDateTime& now, QString* error)
{
    return WriteReportContent(device, SummaryCsvRowContent(job, file, result, now), error);
}

WriteOutcome AppendSummaryCsvRow(const ReportJob& job, const QString& csvName,
                                 const ReportFile& file, const FileCountResult& result,
                                 const QDateTime& now)
{
    const QString path = ReportOutputPath(job, csvName);
    if (path.isEmpty())
        return NoOutputFolder(csvName);
    return writeCsv(csvName, SummaryCsvRowContent(job, file, result, now),
                    [&path](const QByteArray& bytes, QString* error) {
                        return FileIo::appendToFile(path, bytes, error);
                    });
}
