#pragma once

#include <vector>

#include <QDateTime>
#include <QLocale>
#include <QString>

#include "engine/counters.h"
#include "engine/modedefinition.h"

// The locale reports are formatted in: QLocale::system(), except that the C/POSIX locale counts
// as Japanese.
QLocale ReportLocale();

// "yyyy/MM/dd H:mm:ss" on a Japanese (or C) locale; other locales: their short date with a
// four-digit year, a blank and their long time without the zone, in ASCII digits. The date
// alone when the time is 00:00:00 (on every locale); "" for an invalid datetime.
QString DateTimeText(const QDateTime& t, const QLocale& locale);

// Bytes in decimal digits; "0" for 0.
QString SizeTextPlain(qint64 size);

// Bytes in ASCII digits with the locale's thousands separator every three digits (a blank
// stands in for a space-like separator); "" for 0.
QString SizeTextGrouped(qint64 size, const QLocale& locale);

QString CounterText(qint32 value);

// The counters a report lists, in report order: the three basic ones, the six pickup ones when
// the mode has a pickup keyword, the blank-line one when NullLineMode is 0.
std::vector<Counter> ReportedCounters(const ModeDefinition& mode);

// The text with & < > " written as HTML character references.
QString HtmlEscaped(const QString& text);
