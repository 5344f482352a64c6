#pragma once

#include <QDateTime>
#include <QString>

#include "engine/counters.h"
#include "reports/reportjob.h"

// "QVX" + MMdd + HHmm + ".csv" of the moment the run starts.
QString SummaryCsvName(const QDateTime& start);

// The fixed header line, without its line end: the mode's column texts and "#".
QString FixedCsvHeader(const ModeDefinition& mode, int areaCount);

// Creates or replaces outDir + csvName with the header line: line 1 of the mode's CSV template
// when it has one, else the fixed header (after a failure text when the template is broken).
WriteOutcome WriteSummaryCsvHeader(const ReportJob& job, const QString& csvName);

// Runs ComputeDerivedTotals, then appends the file's row to outDir + csvName (created when
// missing): line 2 of the CSV template expanded, else the fixed row (after a failure text when
// the template is broken).
WriteOutcome AppendSummaryCsvRow(const ReportJob& job, const QString& csvName,
                                 const ReportFile& file, FileCountResult& result,
                                 const QDateTime& now);
