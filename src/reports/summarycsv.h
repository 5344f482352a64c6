#pragma once

#include <QDateTime>
#include <QIODevice>
#include <QString>

#include "engine/counters.h"
#include "reports/reportjob.h"

// "QVX" + MMdd + HHmm + ".csv" of the moment the run starts.
QString SummaryCsvName(const QDateTime& start);

// The fixed header line, without its line end: the mode's column texts and "#".
QString FixedCsvHeader(const ModeDefinition& mode, int areaCount);

// The header line: line 1 of the mode's CSV template when it has one, and the fixed header
// (after a failure text when the template is broken).
ReportContent SummaryCsvHeaderContent(const ReportJob& job);

// Writes the header line to `device`: the template's line when there is one, else the fixed one.
bool WriteSummaryCsvHeader(QIODevice& device, const ReportJob& job, QString* error = nullptr);

// Creates or replaces outDir + csvName with the header line; the fixed header when the
// template's line cannot be written.
WriteOutcome WriteSummaryCsvHeader(const ReportJob& job, const QString& csvName);

// The file's row: line 2 of the CSV template expanded when it serves, and the fixed row (after a
// failure text when the template is broken). `result` holds its derived totals already
// (ComputeDerivedTotals).
ReportContent SummaryCsvRowContent(const ReportJob& job, const ReportFile& file,
                                   const FileCountResult& result, const QDateTime& now);

// Writes the file's row to `device`: the template's row when there is one, else the fixed row.
bool AppendSummaryCsvRow(QIODevice& device, const ReportJob& job, const ReportFile& file,
                         const FileCountResult& result, const QDateTime& now,
                         QString* error = nullptr);

// Appends the file's row to outDir + csvName (created when missing); the fixed row when the
// template's row cannot be written.
WriteOutcome AppendSummaryCsvRow(const ReportJob& job, const QString& csvName,
                                 const ReportFile& file, const FileCountResult& result,
                                 const QDateTime& now);
