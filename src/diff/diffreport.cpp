#include "diffreport.h"

#include "text/cp932.h"
#include "text/pathbytes.h"

QString DiffCsvName(const QDateTime& when)
{
    return QStringLiteral("QVXDIFF") + when.toString(QStringLiteral("yyyyMMddHHmmss")) +
           QStringLiteral(".csv");
}

QString DiffHtmlName(const QDateTime& when)
{
    return QStringLiteral("QVXDIFF") + when.toString(QStringLiteral("yyyyMMddHHmmss")) +
           QStringLiteral(".html");
}

namespace {

QString csvQuoted(QString value)
{
    value.replace(u'"', QStringLiteral("\"\""));
    return u'"' + value + u'"';
}

QString numbers(std::initializer_list<qint64> values)
{
    QString out;
    for (qint64 v : values)
        out += u',' + QString::number(v);
    return out;
}

// Escapes markup; characters CP932 has no code for become numeric references.
QString html(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'&')
            out += QStringLiteral("&amp;");
        else if (c == u'<')
            out += QStringLiteral("&lt;");
        else if (c == u'>')
            out += QStringLiteral("&gt;");
        else if (c == u'"')
            out += QStringLiteral("&quot;");
        else if (c.unicode() < 0x80)
            out += c;
        else {
            const qsizetype n =
                c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
            const QStringView piece = text.sliced(i, n);
            if (Cp932::decode(Cp932::encode(piece)) == piece)
                out += piece;
            else
                out += QStringLiteral("&#%1;").arg(piece.toUcs4().value(0, 0xFFFD));
            i += n - 1;
        }
    }
    return out;
}

QString cell(const QString& tag, const QString& text, const char* cls = nullptr)
{
    return u'<' + tag +
           (cls ? QStringLiteral(" class=\"") + QLatin1StringView(cls) + u'"' : QString()) + u'>' +
           text + QStringLiteral("</") + tag + u'>';
}

QString numberCells(std::initializer_list<qint64> values)
{
    QString out;
    for (qint64 v : values)
        out += cell(QStringLiteral("td"), QString::number(v), "n");
    return out;
}

} // namespace

QByteArray DiffCsv(const TreeDiff& diff)
{
    QString text =
        QStringLiteral("status,added,changed,deleted,unchanged,old_steps,new_steps,path,error\r\n");
    for (const FileDiff& f : diff.files) {
        text += DiffStatusName(f.status) +
                numbers({f.delta.added, f.delta.changed, f.delta.deleted, f.delta.unchanged,
                         f.oldSteps, f.newSteps}) +
                u',' + csvQuoted(DisplayPath(DecodePath(f.path))) + u',' +
                (f.error.isEmpty() ? QString() : csvQuoted(DisplayPath(f.error))) +
                QStringLiteral("\r\n");
    }
    const DiffTotals& t = diff.totals;
    text += QStringLiteral("total") +
            numbers({t.added, t.changed, t.deleted, t.unchanged, t.oldSteps, t.newSteps}) +
            (t.files == 1 ? QStringLiteral(",\"1 file\",\r\n")
                          : QStringLiteral(",\"%1 files\",\r\n").arg(t.files));
    return Cp932::encode(text);
}

QByteArray DiffHtml(const TreeDiff& diff, const DiffReportInfo& info)
{
    const DiffTotals& t = diff.totals;
    const QString th = QStringLiteral("th");
    const QString td = QStringLiteral("td");
    QString page = QStringLiteral(
        "<!DOCTYPE html>\r\n<html lang=\"ja\">\r\n<head>\r\n"
        "<meta charset=\"Shift_JIS\">\r\n<title>差分カウント</title>\r\n<style>\r\n"
        "body{font-family:sans-serif}table{border-collapse:collapse;margin-bottom:1em}"
        "th,td{border:1px solid #999;padding:2px 6px}td.n{text-align:right}"
        "td.s{font-family:monospace;white-space:pre;vertical-align:top}"
        "td.s.old{background:#fdd}td.s.new{background:#dfd}\r\n"
        "</style>\r\n</head>\r\n<body>\r\n<h1>差分カウント</h1>\r\n");
    page += QStringLiteral("<table>\r\n<tr>") + cell(th, QStringLiteral("モード")) +
            cell(td, html(info.modeName)) + QStringLiteral("</tr>\r\n<tr>") +
            cell(th, QStringLiteral("旧")) + cell(td, html(DisplayPath(info.oldName))) +
            QStringLiteral("</tr>\r\n<tr>") + cell(th, QStringLiteral("新")) +
            cell(td, html(DisplayPath(info.newName))) + QStringLiteral("</tr>\r\n<tr>") +
            cell(th, QStringLiteral("日時")) +
            cell(td, info.when.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))) +
            QStringLiteral("</tr>\r\n</table>\r\n");

    const QString header = QStringLiteral("<tr>") + cell(th, QStringLiteral("STATUS")) +
                           cell(th, QStringLiteral("ADDED")) + cell(th, QStringLiteral("CHANGED")) +
                           cell(th, QStringLiteral("DELETED")) +
                           cell(th, QStringLiteral("UNCHANGED")) + cell(th, QStringLiteral("OLD")) +
                           cell(th, QStringLiteral("NEW")) + cell(th, QStringLiteral("FILE")) +
                           QStringLiteral("</tr>\r\n");
    page += QStringLiteral("<h2>合計</h2>\r\n<table>\r\n") + header + QStringLiteral("<tr>") +
            cell(td, QStringLiteral("%1 files: %2 added, %3 deleted, %4 modified, %5 unchanged, "
                                    "%6 failed")
                         .arg(t.files)
                         .arg(t.addedFiles)
                         .arg(t.deletedFiles)
                         .arg(t.modifiedFiles)
                         .arg(t.unchangedFiles)
                         .arg(t.failedFiles)) +
            numberCells({t.added, t.changed, t.deleted, t.unchanged, t.oldSteps, t.newSteps}) +
            cell(td, QString()) + QStringLiteral("</tr>\r\n</table>\r\n");

    page += QStringLiteral("<h2>ファイル</h2>\r\n<table>\r\n") + header;
    int anchor = 0;
    for (const FileDiff& f : diff.files) {
        QString name = html(DisplayPath(DecodePath(f.path)));
        if (f.status == DiffStatus::Modified)
            name =
                QStringLiteral("<a href=\"#f%1\">").arg(++anchor) + name + QStringLiteral("</a>");
        if (f.status == DiffStatus::Failed)
            name += QStringLiteral("<br>") + html(DisplayPath(f.error));
        page += QStringLiteral("<tr>") + cell(td, DiffStatusName(f.status)) +
                numberCells({f.delta.added, f.delta.changed, f.delta.deleted, f.delta.unchanged,
                             f.oldSteps, f.newSteps}) +
                cell(td, name) + QStringLiteral("</tr>\r\n");
    }
    page += QStringLiteral("</table>\r\n");

    anchor = 0;
    for (const FileDiff& f : diff.files) {
        if (f.status != DiffStatus::Modified)
            continue;
        page += QStringLiteral("<h3 id=\"f%1\">").arg(++anchor) +
                html(DisplayPath(DecodePath(f.path))) + QStringLiteral("</h3>\r\n<table>\r\n<tr>") +
                cell(th, QStringLiteral("旧")) + cell(th, QStringLiteral("新")) +
                QStringLiteral("</tr>\r\n");
        const QStringList oldLines = f.oldStepTexts.lines();
        const QStringList newLines = f.newStepTexts.lines();
        for (const StepHunk& h : f.delta.hunks) {
            QString oldText;
            QString newText;
            for (qsizetype i = 0; i < h.oldCount && h.oldStart + i < oldLines.size(); ++i)
                oldText += html(oldLines[h.oldStart + i]) + QStringLiteral("\r\n");
            for (qsizetype i = 0; i < h.newCount && h.newStart + i < newLines.size(); ++i)
                newText += html(newLines[h.newStart + i]) + QStringLiteral("\r\n");
            page += QStringLiteral("<tr>") + cell(td, oldText, "s old") +
                    cell(td, newText, "s new") + QStringLiteral("</tr>\r\n");
        }
        page += QStringLiteral("</table>\r\n");
    }
    page += QStringLiteral("</body>\r\n</html>\r\n");
    return Cp932::encode(page);
}
