#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "diff/treediff.h"

// What the diff reports say besides the files: the mode and the two trees as the user named them.
struct DiffReportInfo {
    QString modeName;
    QString oldName;
    QString newName;
    QDateTime when;
};

// The output file names: "QVXDIFF" + yyyymmddhhmmss + ".csv" / ".html".
QString DiffCsvName(const QDateTime& when);
QString DiffHtmlName(const QDateTime& when);

// The summary for a spreadsheet: CP932, CR LF, a header row, one row per file and a total row.
QByteArray DiffCsv(const TreeDiff& diff);

// One CP932 page (its charset declared): the totals, the per-file table, and per modified file
// its changed steps, old beside new. Text CP932 cannot hold is written as character references.
QByteArray DiffHtml(const TreeDiff& diff, const DiffReportInfo& info);
