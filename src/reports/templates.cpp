#include "templates.h"

#include <algorithm>
#include <limits>

#include "reports/valueformats.h"
#include "settings/paths.h"
#include "text/cp932.h"
#include "text/fileio.h"

QString TemplateFileName(const QString& modeName, QStringView suffix)
{
    QString name = modeName;
    name += suffix;
    return name;
}

QString TemplatePath(const QString& programFolder, const QString& modeName, QStringView suffix)
{
    return AddBackslash(programFolder) + TemplateFileName(modeName, suffix);
}

bool TemplatePresent(const QString& programFolder, const QString& modeName, QStringView suffix)
{
    QString path = TemplatePath(programFolder, modeName, suffix);
    return PathIsUsable(path);
}

QString LoadTemplate(const QString& path)
{
    QByteArray bytes;
    if (!FileIo::readRegularFile(path, bytes, nullptr, kMaxTemplateFileSize))
        return QString();
    return Cp932::decode(bytes);
}

/*
 * Tag replacement. A tag of key K is the opening mark "<WC@K>", optionally followed (anywhere
 * later) by the closing mark "</WC@K>"; marks are found without regard to case. Scanning the
 * input from the start:
 *   - text before an opening mark is copied, then the value is written;
 *   - the next closing mark after the opening mark ends the tag: everything up to and including
 *     it is dropped, even further opening marks of the same key;
 *   - an opening mark with no closing mark after it is replaced alone;
 *   - the search then resumes after what was dropped.
 * Only the input is searched, never the output, so a value holding a mark of the same key stays
 * as it is. Both searches only move forward (a closing mark found once is reused until the scan
 * passes it, and "none found" stays true), so the cost is linear in the text.
 */
namespace {

// ReplaceTag that gives up once the result would pass `limit` characters.
std::optional<QString> replaceTagWithin(const QString& text, QStringView key, const QString& value,
                                        qsizetype limit)
{
    QString open = QStringLiteral("<WC@");
    open += key;
    open += u'>';
    QString close = QStringLiteral("</WC@");
    close += key;
    close += u'>';
    const QStringView input(text);

    qsizetype p = input.indexOf(open, 0, Qt::CaseInsensitive);
    if (p < 0)
        return text;

    QString result;
    result.reserve(std::min(text.size(), limit));
    qsizetype resume = 0;
    qsizetype knownClose = -2; // -2: not searched yet; -1: none after the last search start
    while (p >= 0) {
        if (result.size() + (p - resume) + value.size() > limit)
            return std::nullopt;
        result += input.sliced(resume, p - resume);
        result += value;
        const qsizetype from = p + open.size();
        if (knownClose == -2 || (knownClose >= 0 && knownClose < from))
            knownClose = input.indexOf(close, from, Qt::CaseInsensitive);
        resume = knownClose >= 0 ? knownClose + close.size() : from;
        p = input.indexOf(open, resume, Qt::CaseInsensitive);
    }
    if (result.size() + (input.size() - resume) > limit)
        return std::nullopt;
    result += input.sliced(resume);
    return result;
}

} // namespace

QString ReplaceTag(const QString& text, QStringView key, const QString& value)
{
    return *replaceTagWithin(text, key, value, std::numeric_limits<qsizetype>::max());
}

QString TemplateFailureText(const QString& templateName, TemplateFailure failure)
{
    const QString wording = failure == TemplateFailure::EmptyText
                                ? QStringLiteral(" FILE SIZE ZERO OR OVER (32KB)")
                                : QStringLiteral(" FILE 2LINE NOTHING OR ERROR");
    return QStringLiteral("* QUORVIX ERROR / ") + templateName + wording +
           QStringLiteral("\r\n\r\n");
}

std::optional<QString> TemplateLine(const QString& text, int number)
{
    qsizetype start = 0;
    for (int n = 1; n < number; ++n) {
        const qsizetype end = text.indexOf(u"\r\n", start);
        if (end < 0)
            return std::nullopt;
        start = end + 2;
    }
    const qsizetype end = text.indexOf(u"\r\n", start);
    return text.sliced(start, (end < 0 ? text.size() : end) - start);
}

std::optional<QString> ExpandTemplate(const QString& pattern, const TemplateValues& values,
                                      const FileCountResult& result, int areaCount,
                                      TemplateTarget target)
{
    const bool html = target == TemplateTarget::Html;
    std::optional<QString> text = pattern;
    auto apply = [&](QStringView key, const QString& value) {
        if (text)
            text = replaceTagWithin(*text, key, html ? HtmlEscaped(value) : value,
                                    kMaxExpandedTemplate);
    };
    apply(u"modename", values.modeName);
    apply(u"fileno", QString::number(values.index + 1));
    apply(u"normaltext", values.normalText);
    apply(u"outputdate", values.outputDate);
    apply(u"filepath", values.filePath);
    apply(u"filename", values.fileName);
    apply(u"filedate", values.fileDate);
    apply(u"filesize", values.fileSize);
    for (const CounterInfo& info : Counters)
        apply(CounterKey(info.id), CounterText(result.FileTotals[info.id]));
    for (int a = 1; a <= std::clamp(areaCount, 1, 3); ++a) {
        for (const CounterInfo& info : Counters)
            apply(CounterKey(info.id, a), CounterText(result.AreaCounts[a][info.id]));
    }
    if (text)
        text = replaceTagWithin(*text, u"worddata", values.wordData, kMaxExpandedTemplate);
    return text;
}
