#include "filereport.h"

#include <algorithm>
#include <optional>

#include "reports/templates.h"
#include "reports/valueformats.h"
#include "text/cp932.h"
#include "text/fileio.h"
#include "text/pathbytes.h"

namespace {

WriteOutcome writeReport(const QString& path, const QString& name, const QByteArray& bytes)
{
    if (path.isEmpty())
        return NoOutputFolder(name);
    WriteOutcome outcome{name, true, {}};
    if (!FileIo::writeFileAtomically(path, bytes, &outcome.error, kOutputWrite))
        outcome.ok = false;
    return outcome;
}

// The HTML page from the mode's template; nullopt, with `failure` set when the template is
// there but broken, when there is no page to write.
std::optional<QString> htmlPage(const ReportJob& job, const ReportFile& file,
                                const FileCountResult& result, const SourceFacts& facts,
                                const QString& outputDate, const QString& normalText,
                                QString& failure)
{
    const QString& modeName = job.mode.ModeName;
    if (!TemplatePresent(job.programFolder, modeName, HtmlTemplateSuffix))
        return std::nullopt;
    const QString text =
        LoadTemplate(TemplatePath(job.programFolder, modeName, HtmlTemplateSuffix));
    std::optional<QString> expanded;
    if (!text.isEmpty()) {
        const TemplateValues values{
            .modeName = modeName,
            .index = file.index,
            .normalText = normalText,
            .wordData = WordTableMarkup(result),
            .outputDate = outputDate,
            .filePath = DisplayPath(file.folder),
            .fileName = DisplayPath(file.name),
            .fileDate = DateTimeText(facts.modified, job.locale),
            .fileSize = SizeTextGrouped(facts.size, job.locale),
        };
        expanded = ExpandTemplate(text, values, result, ReportAreaCount(job), TemplateTarget::Html);
    }
    if (!expanded)
        failure = TemplateFailureText(TemplateFileName(modeName, HtmlTemplateSuffix),
                                      TemplateFailure::EmptyText);
    return expanded;
}

} // namespace

QString ReportStem(const QString& fileName)
{
    QString stem = fileName;
    return stem.replace(u'.', u'_');
}

QString CounterLabel(Counter counter, int area)
{
    // The widths are counted in CP932 bytes, as the label is written.
    const auto pad = [](QString& text, qsizetype width) {
        text += QString(std::max<qsizetype>(0, width - Cp932::encode(text).size()), u' ');
    };
    const CounterInfo& info = CounterInfoOf(counter);
    QString label = u' ' + QString::fromUtf16(info.label);
    pad(label, info.labelWidth);
    label += u'[' + CounterKey(counter, area) + u']';
    pad(label, kCounterLabelBytes - 1);
    return label + u':';
}

QString NormalText(const ReportJob& job, const ReportFile& file, const FileCountResult& result,
                   const SourceFacts& facts, const QString& outputDate)
{
    QString text;
    auto line = [&text](const QString& s) { text += s + QStringLiteral("\r\n"); };
    line(QStringLiteral("DATA [outputdate]: ") + outputDate);
    line(QStringLiteral("FILE PATH [filepath] : ") + DisplayPath(file.folder));
    line(QStringLiteral("FILE NAME [filename]: ") + DisplayPath(file.name));
    line(QStringLiteral("FILE DATA [filedate]: ") + DateTimeText(facts.modified, job.locale));
    line(QStringLiteral("FILE SIZE [filesize]: ") + SizeTextGrouped(facts.size, job.locale) +
         QStringLiteral(" byte"));
    line({});
    line({});
    line(QStringLiteral("TOTAL"));
    const std::vector<Counter> counters = ReportedCounters(job.mode);
    for (Counter c : counters)
        line(CounterLabel(c, 0) + CounterText(result.FileTotals[c]));
    const int areas = ReportAreaCount(job);
    if (areas > 1) {
        for (int a = 1; a <= areas; ++a) {
            line({});
            line(QStringLiteral("AREA-") + QString::number(a));
            for (Counter c : counters)
                line(CounterLabel(c, a) + CounterText(result.AreaCounts[a][c]));
        }
    }
    if (!job.mode.WordCount.isEmpty() && !result.Words.isEmpty()) {
        line({});
        line(QStringLiteral("[worddata]"));
        for (qsizetype i = 0; i < result.Words.size(); ++i) {
            const qint32 count = size_t(i) < result.WordCounts.size() ? result.WordCounts[i] : 0;
            line(result.Words[i] + QStringLiteral(" = ") + CounterText(count));
        }
    }
    return text;
}

QString WordTableMarkup(const FileCountResult& result)
{
    if (result.Words.isEmpty())
        return QString();
    QString markup = QStringLiteral("<TABLE BORDER=1>");
    for (qsizetype i = 0; i < result.Words.size(); ++i) {
        const qint32 count = size_t(i) < result.WordCounts.size() ? result.WordCounts[i] : 0;
        markup += QStringLiteral("<TR><TD NOWRAP>") + HtmlEscaped(result.Words[i]) +
                  QStringLiteral("</TD><TD>") + CounterText(count) + QStringLiteral("</TD></TR>") +
                  QStringLiteral("\r\n");
    }
    return markup + QStringLiteral("</TABLE>");
}

ReportContent FileReportContent(const ReportJob& job, const ReportFile& file,
                                const FileCountResult& result, const QDateTime& now)
{
    const SourceFacts facts = ReadSourceFacts(file);
    const QString outputDate = DateTimeText(now, job.locale);
    const QString normalText = NormalText(job, file, result, facts, outputDate);
    QString failure;
    ReportContent content;
    if (const std::optional<QString> page =
            htmlPage(job, file, result, facts, outputDate, normalText, failure))
        content.templated = Cp932::encode(*page + QStringLiteral("\r\n"));
    content.fixed = Cp932::encode(failure + normalText + QStringLiteral("\r\n\r\n\r\n"));
    return content;
}

bool WriteFileReport(QIODevice& device, const ReportJob& job, const ReportFile& file,
                     const FileCountResult& result, const QDateTime& now, QString* error)
{
    return WriteReportContent(device, FileReportContent(job, file, result, now), error);
}

WriteOutcome WriteFileReport(const ReportJob& job, const ReportFile& file,
                             const FileCountResult& result, const QDateTime& now)
{
    const ReportContent content = FileReportContent(job, file, result, now);
    const QString stem = ReportStem(file.name);
    if (content.templated) {
        const QString name = stem + QStringLiteral("_QVX.html");
        const WriteOutcome html =
            writeReport(ReportOutputPath(job, name), name, *content.templated);
        if (html.ok)
            return html;
    }
    const QString name = stem + QStringLiteral("_QVX.txt");
    return writeReport(ReportOutputPath(job, name), name, content.fixed);
}
