#include "stepdiff.h"

#include <stdexcept>

#include <git2.h>

#include "diff/libgit.h"

void StepCollector::line(int, Counter counter, QStringView text)
{
    if (counter == TT_AREA || counter == TT_PICKUP)
        m_steps.append(ComparisonText(text).toString());
}

QStringView ComparisonText(QStringView line)
{
    qsizetype end = line.size();
    while (end > 0 && (line[end - 1] == u' ' || line[end - 1] == u'\t'))
        --end;
    return line.first(end);
}

namespace {

// One step per line; a step holds no line break, so the lines of the buffer are the steps.
QByteArray joined(const QStringList& steps)
{
    QByteArray out;
    for (const QString& step : steps) {
        out += step.toUtf8();
        out += '\n';
    }
    return out;
}

int onHunk(const git_diff_delta*, const git_diff_hunk* hunk, void* payload)
{
    auto* delta = static_cast<StepDelta*>(payload);
    // A side without lines names the line before the hunk (0 at the start).
    const qsizetype oldStart = hunk->old_lines == 0 ? hunk->old_start : hunk->old_start - 1;
    const qsizetype newStart = hunk->new_lines == 0 ? hunk->new_start : hunk->new_start - 1;
    delta->hunks.push_back({oldStart, hunk->old_lines, newStart, hunk->new_lines});
    const qint64 changed = std::min<qint64>(hunk->old_lines, hunk->new_lines);
    delta->changed += changed;
    delta->added += hunk->new_lines - changed;
    delta->deleted += hunk->old_lines - changed;
    return 0;
}

} // namespace

StepDelta DiffSteps(const QStringList& oldSteps, const QStringList& newSteps)
{
    StepDelta delta;
    if (oldSteps == newSteps) {
        delta.unchanged = oldSteps.size();
        return delta;
    }
    LibGit::init();
    const QByteArray oldText = joined(oldSteps);
    const QByteArray newText = joined(newSteps);
    git_diff_options options = GIT_DIFF_OPTIONS_INIT;
    options.flags = GIT_DIFF_MINIMAL | GIT_DIFF_FORCE_TEXT;
    options.context_lines = 0;
    options.interhunk_lines = 0;
    if (git_diff_buffers(oldText.constData(), size_t(oldText.size()), nullptr, newText.constData(),
                         size_t(newText.size()), nullptr, &options, nullptr, nullptr, onHunk,
                         nullptr, &delta) != 0)
        throw std::runtime_error(LibGit::lastError().toStdString());
    delta.unchanged = oldSteps.size() - delta.changed - delta.deleted;
    return delta;
}
