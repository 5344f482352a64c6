#pragma once

#include <QString>

#include "engine/countfile.h"

// Below this size a file is counted on one thread: splitting costs more than it saves.
inline constexpr qint64 kSplitMinSize = qint64(64) << 20;

// Whether no line's classification depends on the lines before it under `rules`: one area, no
// pickup region and no comment block. A file's lines can then be counted in pieces and summed.
bool CanCountInRanges(const CountRules& rules);

// Counts the file at `path` exactly as CountFile(rules, path, ...) does (the same result,
// progress, outcome, stop message and errors), on up to `threads` threads when the file is larger
// than `minSize`, CanCountInRanges(rules) holds and the file is read in a byte encoding (CP932,
// UTF-8, EUC-JP; never UTF-16 or binary): each thread counts byte ranges that end after an LF.
// `host` is called on this thread only. `ranges`, when given, receives how many byte ranges the
// file was counted in: 1 when it was counted whole, also after a range failed and the file was
// counted again on one thread for the error.
CountOutcome CountFileSplit(const CountRules& rules, const QString& path, RunHost& host,
                            FileCountResult& result, CountProgress& progress, int threads,
                            qint64 minSize = kSplitMinSize, int* ranges = nullptr);

// Adds the line counters of every area and the word counts of `part` to `total` (counted under
// the same rules). Throws CountError as counting does when a counter would pass 2,147,483,647.
void AddCounts(FileCountResult& total, const FileCountResult& part);
