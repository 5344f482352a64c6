#include "filereport.h"

#include "reports/templates.h"
#include "reports/valueformats.h"
#include "text/cp932.h"
#include "text/fileio.h"

namespace {

// Whole-file labels; an area label puts "A<a>" where "TT" stands.
QStringView wholeFileLabel(Counter counter)
{
    switch (counter) {
    case TT_TOTAL:
        return u" 全行数                      [TT_TOTAL]       :";
    case TT_VALIDTOTAL:
        return u" 有効 行数                    [TT_VALIDTOTAL] :";
    case TT_COMTOTAL:
        return u" コメント 行数                [TT_COMTOTAL]   :";
    case TT_AREATOTAL:
        return u" ピックアップ外 行数         [TT_AREATOTAL]   :";
    case TT_AREA:
        return u" ピックアップ外 有効 行数     [TT_AREA]       :";
    case TT_AREACOM:
        return u" ピックアップ外 コメント 行数 [TT_AREACOM]    :";
    case TT_PICKUPTOTAL:
        return u" ピックアップ 行数           [TT_PICKUPTOTAL] :";
    case TT_PICKUP:
        return u" ピックアップ 有効 行数       [TT_PICKUP]     :";
    case TT_PICKUPCOM:
        return u" ピックアップ コメント 行数   [TT_PICKUPCOM]  :";
    case TT_NULLLINE:
        return u" 空行数                      [TT_NULLLINE]    :";
    }
    return {};
}

WriteOutcome writeReport(const QString& path, const QString& name, const QString& text)
{
    WriteOutcome outcome{name, true, {}};
    if (path.isEmpty()) {
        outcome.ok = false;
        outcome.error = name + QStringLiteral(": no output folder given");
    } else if (!FileIo::writeFileAtomically(path, Cp932::encode(text), &outcome.error,
                                            kOutputWrite)) {
        outcome.ok = false;
    }
    return outcome;
}

} // namespace

QString ReportStem(const QString& fileName)
{
    QString stem = fileName;
    return stem.replace(u'.', u'_');
}

QString CounterLabel(Counter counter, int area)
{
    QString label = wholeFileLabel(counter).toString();
    if (area > 0)
        label.replace(label.indexOf(u'[') + 1, 2, u'A' + QString::number(area));
    return label;
}

QString NormalText(const ReportJob& job, const ReportFile& file, const FileCountResult& result,
                   const SourceFacts& facts, const QString& outputDate)
{
    QString text;
    auto line = [&text](const QString& s) { text += s + QStringLiteral("\r\n"); };
    line(QStringLiteral("DATA [outputdate]: ") + outputDate);
    line(QStringLiteral("FILE PATH [filepath] : ") + file.folder);
    line(QStringLiteral("FILE NAME [filename]: ") + file.name);
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

WriteOutcome WriteFileReport(const ReportJob& job, const ReportFile& file, FileCountResult& result,
                             const QDateTime& now)
{
    const int areas = ReportAreaCount(job);
    ComputeDerivedTotals(result, areas);
    const SourceFacts facts = ReadSourceFacts(file);
    const QString outputDate = DateTimeText(now, job.locale);
    const QString normalText = NormalText(job, file, result, facts, outputDate);
    const QString stem = ReportStem(file.name);

    const QString& modeName = job.mode.ModeName;
    QString failure;
    if (TemplatePresent(job.programFolder, modeName, HtmlTemplateSuffix)) {
        const QString text =
            LoadTemplate(TemplatePath(job.programFolder, modeName, HtmlTemplateSuffix));
        if (text.isEmpty()) {
            failure = TemplateFailureText(TemplateFileName(modeName, HtmlTemplateSuffix),
                                          TemplateFailure::EmptyText);
        } else {
            const TemplateValues values{
                .modeName = modeName,
                .index = file.index,
                .normalText = normalText,
                .wordData = WordTableMarkup(result),
                .outputDate = outputDate,
                .filePath = file.folder,
                .fileName = file.name,
                .fileDate = DateTimeText(facts.modified, job.locale),
                .fileSize = SizeTextGrouped(facts.size, job.locale),
            };
            const std::optional<QString> expanded =
                ExpandTemplate(text, values, result, areas, TemplateTarget::Html);
            if (!expanded) {
                failure = TemplateFailureText(TemplateFileName(modeName, HtmlTemplateSuffix),
                                              TemplateFailure::EmptyText);
            } else {
                const QString name = stem + QStringLiteral("_QVX.html");
                const WriteOutcome html = writeReport(ReportOutputPath(job, name), name,
                                                      *expanded + QStringLiteral("\r\n"));
                if (html.ok)
                    return html;
            }
        }
    }

    const QString name = stem + QStringLiteral("_QVX.txt");
    return writeReport(ReportOutputPath(job, name), name,
                       failure + normalText + QStringLiteral("\r\n") + QStringLiteral("\r\n") +
                           QStringLiteral("\r\n"));
}
