#pragma once

#include <QDateTime>
#include <QString>

#include "engine/counters.h"
#include "reports/reportjob.h"

// The file name with every "." replaced by "_"; reports are stem + "_QVX.txt" / "_QVX.html".
QString ReportStem(const QString& fileName);

// The label of a counter line: 47 bytes in CP932, the 47th being ":". area 0 gives the
// whole-file label ("[TT_TOTAL]"), 1..3 that area's label ("[A2_TOTAL]").
QString CounterLabel(Counter counter, int area);

// The fixed text report of one file (the "normaltext" value), every line ending in CR LF.
QString NormalText(const ReportJob& job, const ReportFile& file, const FileCountResult& result,
                   const SourceFacts& facts, const QString& outputDate);

// The word table of an HTML report, patterns HTML-escaped; "" when the file has no words.
QString WordTableMarkup(const FileCountResult& result);

// Runs ComputeDerivedTotals, then writes the file's report into outDir: HTML from the mode's
// HTML template when it has one, else (or when that fails) the fixed text report.
WriteOutcome WriteFileReport(const ReportJob& job, const ReportFile& file, FileCountResult& result,
                             const QDateTime& now);
