#pragma once

#include <optional>

#include <QString>
#include <QStringView>

#include "engine/counters.h"

inline constexpr char16_t CsvTemplateSuffix[] = u"qvx.csv";
inline constexpr char16_t HtmlTemplateSuffix[] = u"qvx.html";

// modeName + suffix: a template's file name, as failure texts show it.
QString TemplateFileName(const QString& modeName, QStringView suffix);

// AddBackslash(programFolder) + modeName + suffix.
QString TemplatePath(const QString& programFolder, const QString& modeName, QStringView suffix);

// True when the template's path passes PathIsUsable.
bool TemplatePresent(const QString& programFolder, const QString& modeName, QStringView suffix);

// Templates are a few KiB; a larger file is read as empty (the "FILE SIZE ZERO OR OVER" failure).
inline constexpr qint64 kMaxTemplateFileSize = qint64(16) << 20;
// A report or CSV row expanded past this many characters (a template full of "normaltext" tags)
// is not written; the fixed layout with the same failure text is written instead.
inline constexpr qsizetype kMaxExpandedTemplate = qsizetype(32) << 20;

// The whole file decoded from CP932; "" on any error or over kMaxTemplateFileSize.
QString LoadTemplate(const QString& path);

// Replaces every tag of `key` in `text` by `value` (see templates.cpp for the rule).
QString ReplaceTag(const QString& text, QStringView key, const QString& value);

enum class TemplateFailure { EmptyText, MissingLine };

// "* QUORVIX ERROR / " + templateName + the failure's wording, then CR LF CR LF: written in
// front of the fixed layout that replaces a broken template's output.
QString TemplateFailureText(const QString& templateName, TemplateFailure failure);

// Line `number` (1-based) of a CSV template split at CR LF (a lone CR or LF does not split);
// nullopt when the text has fewer lines.
std::optional<QString> TemplateLine(const QString& text, int number);

// Csv: values go in verbatim. Html: every value except wordData is HTML-escaped.
enum class TemplateTarget { Csv, Html };

// The values of one file, formatted by the caller.
struct TemplateValues {
    QString modeName;
    int index = 0; // 0-based; "fileno" is index + 1
    QString normalText;
    QString wordData; // markup on the HTML route, inserted as it is
    QString outputDate;
    QString filePath;
    QString fileName;
    QString fileDate;
    QString fileSize;
};

// Applies ReplaceTag for every key in order: modename, fileno, normaltext, outputdate, filepath,
// filename, filedate, filesize, the ten TT_ counters of FileTotals, the ten counters of each area
// 1..areaCount as A<a>_..., then worddata. Each pass works on the result of the previous one.
// std::nullopt when the text would grow past kMaxExpandedTemplate characters.
std::optional<QString> ExpandTemplate(const QString& pattern, const TemplateValues& values,
                                      const FileCountResult& result, int areaCount,
                                      TemplateTarget target);
