#pragma once

#include <vector>

#include <QString>
#include <QStringList>

#include "engine/countfile.h"

// Steps as UTF-8 text, each followed by a line feed (a step holds no line break).
struct StepText {
    QByteArray text;
    qsizetype count = 0;

    void append(QStringView step);
    void append(std::string_view asciiStep);
    // The steps one by one.
    QStringList lines() const;
    static StepText fromLines(const QStringList& steps);

    bool operator==(const StepText&) const = default;
};

// The steps of a file: the lines counting puts in TT_AREA or TT_PICKUP (not comments, not blank
// lines counted apart), each as its comparison text: the line as the rules saw it (TABs
// replaced, masked columns blanked) without trailing blanks. Renumbered sequence columns or an
// edited comment therefore change no step.
class StepCollector final : public LineSink {
public:
    void line(int area, Counter counter, QStringView text) override;
    bool acceptsAscii() const override { return true; }
    void asciiLine(int area, Counter counter, std::string_view text) override;

    // Room for the steps of a file of `bytes` bytes (they take at most as many), so that
    // collecting them does not copy them over and over as they grow.
    void reserve(qint64 bytes);
    const StepText& steps() const { return m_steps; }
    StepText takeSteps();

private:
    StepText m_steps;
};

// `line` without trailing spaces and TABs.
QStringView ComparisonText(QStringView line);

// One hunk of a minimal diff: old steps [oldStart, oldStart + oldCount) became new steps
// [newStart, newStart + newCount); indexes from 0.
struct StepHunk {
    qsizetype oldStart = 0;
    qsizetype oldCount = 0;
    qsizetype newStart = 0;
    qsizetype newCount = 0;
};

// How two step sequences differ. In each hunk min(old, new) steps are changed, the rest of the
// new ones added and of the old ones deleted; the steps outside every hunk are unchanged, so
// old steps = unchanged + changed + deleted and new steps = unchanged + changed + added.
struct StepDelta {
    qint64 added = 0;
    qint64 changed = 0;
    qint64 deleted = 0;
    qint64 unchanged = 0;
    std::vector<StepHunk> hunks;

    bool operator==(const StepDelta&) const = default;
};

// The delta of a minimal diff (the unchanged steps are a longest common subsequence), compared
// exactly. Throws std::runtime_error when the diff cannot be made (libgit2's size limits).
StepDelta DiffSteps(const StepText& oldSteps, const StepText& newSteps);
