#pragma once

#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "diff/difftree.h"
#include "diff/stepdiff.h"
#include "engine/countfile.h"

enum class DiffStatus { Added, Deleted, Modified, Unchanged, Failed };

// "added", "deleted", "modified", "unchanged" or "failed".
QString DiffStatusName(DiffStatus status);

// One file of a diff, paired by its path below the two trees.
struct FileDiff {
    QByteArray path;
    DiffStatus status = DiffStatus::Unchanged;
    qint64 oldSteps = 0;
    qint64 newSteps = 0;
    StepDelta delta;
    QString error; // when failed: the message naming the file and the cause
    // The steps, kept for reports that show the changed ones.
    StepText oldStepTexts;
    StepText newStepTexts;
};

struct DiffTotals {
    qint64 files = 0;
    qint64 addedFiles = 0;
    qint64 deletedFiles = 0;
    qint64 modifiedFiles = 0;
    qint64 unchangedFiles = 0;
    qint64 failedFiles = 0;
    qint64 oldSteps = 0;
    qint64 newSteps = 0;
    qint64 added = 0;
    qint64 changed = 0;
    qint64 deleted = 0;
    qint64 unchanged = 0;
};

struct TreeDiff {
    std::vector<FileDiff> files; // in byte order of their paths
    DiffTotals totals;           // over the files that did not fail
    bool cancelled = false;      // stopped by the host: files is incomplete
};

struct TreeDiffSettings {
    int jobs = 1;           // file pairs counted in parallel
    bool keepSteps = false; // fill oldStepTexts/newStepTexts of modified files
};

// Counts both sides of every file pair under `rules` and diffs their steps. A file that fails
// on either side is failed (its error names the side's file), and the others go on. The host
// hears of each file pair and the bytes read; a stop ends the diff between files.
TreeDiff DiffTrees(const CountRules& rules, const DiffTree& oldTree, const DiffTree& newTree,
                   const TreeDiffSettings& settings, RunHost& host);
