#include "summarycsv.h"

#include <algorithm>

#include "reports/templates.h"
#include "reports/valueformats.h"
#include "text/cp932.h"
#include "text/fileio.h"

namespace {

QStringView headerText(Counter counter)
{
    switch (counter) {
    case TT_TOTAL:
        return u"全行数,";
    case TT_VALIDTOTAL:
        return u"有効 行数,";
    case TT_COMTOTAL:
        return u"コメント 行数,";
    case TT_AREATOTAL:
        return u"ピックアップ外 行数,";
    case TT_AREA:
        return u"ピックアップ外 有効 行数,";
    case TT_AREACOM:
        return u"ピックアップ外 コメント 行数,";
    case TT_PICKUPTOTAL:
        return u"ピックアップ 行数,";
    case TT_PICKUP:
        return u"ピックアップ 有効 行数,";
    case TT_PICKUPCOM:
        return u"ピックアップ コメント 行数,";
    case TT_NULLLINE:
        return u"空行数,";
    }
    return {};
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
    QString row = QString::number(file.index + 1) + u',' + outputDate + u',' + quoted(file.folder) +
                  u',' + quoted(file.name) + u',' + DateTimeText(facts.modified, job.locale) +
                  u',' + SizeTextPlain(facts.size) + u',';
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

WriteOutcome noOutputFolder(const QString& name)
{
    return {name, false, name + QStringLiteral(": no output folder given")};
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
                header += prefix + headerText(c).toString();
        }
    }
    return header + u'#';
}

WriteOutcome WriteSummaryCsvHeader(const ReportJob& job, const QString& csvName)
{
    const QString path = ReportOutputPath(job, csvName);
    if (path.isEmpty())
        return noOutputFolder(csvName);

    const CsvTemplateLine header = csvTemplateLine(job, 1);
    if (header.line &&
        FileIo::writeFileAtomically(path, Cp932::encode(*header.line + QStringLiteral("\r\n")),
                                    nullptr, kOutputWrite))
        return {csvName, true, {}};

    const QString line =
        header.failure + FixedCsvHeader(job.mode, ReportAreaCount(job)) + QStringLiteral("\r\n");
    WriteOutcome outcome{csvName, true, {}};
    if (!FileIo::writeFileAtomically(path, Cp932::encode(line), &outcome.error, kOutputWrite))
        outcome.ok = false;
    return outcome;
}

WriteOutcome AppendSummaryCsvRow(const ReportJob& job, const QString& csvName,
                                 const ReportFile& file, FileCountResult& result,
                                 const QDateTime& now)
{
    const int areas = ReportAreaCount(job);
    ComputeDerivedTotals(result, areas);
    const QString path = ReportOutputPath(job, csvName);
    if (path.isEmpty())
        return noOutputFolder(csvName);

    const SourceFacts facts = ReadSourceFacts(file);
    const QString outputDate = DateTimeText(now, job.locale);
    CsvTemplateLine row = csvTemplateLine(job, 2);
    if (row.line) {
        const TemplateValues values{
            .modeName = job.mode.ModeName,
            .index = file.index,
            .normalText = {},
            .wordData = {},
            .outputDate = outputDate,
            .filePath = file.folder,
            .fileName = file.name,
            .fileDate = DateTimeText(facts.modified, job.locale),
            .fileSize = SizeTextPlain(facts.size),
        };
        const std::optional<QString> expanded =
            ExpandTemplate(*row.line, values, result, areas, TemplateTarget::Csv);
        if (!expanded)
            row.failure = TemplateFailureText(
                TemplateFileName(job.mode.ModeName, CsvTemplateSuffix), TemplateFailure::EmptyText);
        else if (FileIo::appendToFile(path, Cp932::encode(*expanded + QStringLiteral("\r\n"))))
            return {csvName, true, {}};
    }

    const QString line =
        row.failure + fixedRow(job, file, result, facts, outputDate) + QStringLiteral("\r\n");
    WriteOutcome outcome{csvName, true, {}};
    if (!FileIo::appendToFile(path, Cp932::encode(line), &outcome.error))
        outcome.ok = false;
    return outcome;
}
