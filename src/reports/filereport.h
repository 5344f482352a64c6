#pragma once

#include <QDateTime>
#include <QIODevice>
#include <QString>

#include "engine/counters.h"
#include "reports/reportjob.h"

// The file name with every "." replaced by "_"; reports are stem + "_QVX.txt" / "_QVX.html".
QString ReportStem(const QString& fileName);

inline constexpr qsizetype kCounterLabelBytes = 47;

// The label of a counter line: kCounterLabelBytes bytes in CP932, the last being ":". area 0 gives
// the whole-file label ("[TT_TOTAL]"), 1..3 that area's label ("[A2_TOTAL]").
QString CounterLabel(Counter counter, int area);

// The fixed text report of one file (the "normaltext" value), every line ending in CR LF.
QString NormalText(const ReportJob& job, const ReportFile& file, const FileCountResult& result,
                   const SourceFacts& facts, const QString& outputDate);

// The word table of an HTML report, patterns HTML-escaped; "" when the file has no words.
QString WordTableMarkup(const FileCountResult& result);

// The file's report: the HTML page when the mode's HTML template serves, and the text report
// (after the template's failure text when the template is broken). `result` holds its derived
// totals already (ComputeDerivedTotals).
ReportContent FileReportContent(const ReportJob& job, const ReportFile& file,
                                const FileCountResult& result, const QDateTime& now);

// Writes the file's report to `device`: the HTML page when there is one, else the text report.
bool WriteFileReport(QIODevice& device, const ReportJob& job, const ReportFile& file,
                     const FileCountResult& result, const QDateTime& now, QString* error = nullptr);

// Writes the file's report into the job's output folder, replacing the file whole: the HTML page
// as stem + "_QVX.html", or the text report as stem + "_QVX.txt" when there is no page or its
// file cannot be written.
WriteOutcome WriteFileReport(const ReportJob& job, const ReportFile& file,
                             const FileCountResult& result, const QDateTime& now);
