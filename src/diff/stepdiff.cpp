#include "stepdiff.h"

#include <algorithm>
#include <stdexcept>

#include <git2.h>

#include "diff/libgit.h"

void StepText::append(QStringView step)
{
    // Source lines are mostly ASCII: bytes as they are, the rest through Qt's encoder.
    qsizetype i = 0;
    while (i < step.size() && step[i].unicode() < 0x80)
        ++i;
    const qsizetype at = text.size();
    text.resize(at + i);
    char* out = text.data() + at;
    for (qsizetype k = 0; k < i; ++k)
        out[k] = char(step[k].unicode());
    if (i < step.size())
        text += step.sliced(i).toUtf8();
    text += '\n';
    ++count;
}

void StepText::append(std::string_view asciiStep)
{
    text.append(asciiStep.data(), qsizetype(asciiStep.size()));
    text += '\n';
    ++count;
}

QStringList StepText::lines() const
{
    QStringList out;
    out.reserve(count);
    qsizetype start = 0;
    for (qsizetype end = text.indexOf('\n'); end >= 0; end = text.indexOf('\n', start)) {
        out << QString::fromUtf8(QByteArrayView(text).sliced(start, end - start));
        start = end + 1;
    }
    return out;
}

StepText StepText::fromLines(const QStringList& steps)
{
    StepText out;
    for (const QString& step : steps)
        out.append(step);
    return out;
}

void StepCollector::reserve(qint64 bytes)
{
    // A step takes the line's bytes or fewer (trailing blanks dropped, a CR LF one line feed),
    // except for text decoded from another encoding (half-width kana take three bytes in UTF-8)
    // and a last line without a line end; then the array grows as usual. Past 256 MiB it grows
    // as usual too, rather than asking for a file's size at once.
    constexpr qint64 kLargest = qint64(256) << 20;
    if (bytes > 0)
        m_steps.text.reserve(qsizetype(std::min(bytes, kLargest)));
}

StepText StepCollector::takeSteps()
{
    // Kept steps (a modified file's, for the report) should not hold the room of a file that
    // was mostly comments: no more than twice their size, as growing would leave.
    if (m_steps.text.capacity() / 2 > m_steps.text.size())
        m_steps.text.squeeze();
    return std::move(m_steps);
}

void StepCollector::line(int, Counter counter, QStringView text)
{
    if (counter == TT_AREA || counter == TT_PICKUP)
        m_steps.append(ComparisonText(text));
}

void StepCollector::asciiLine(int, Counter counter, std::string_view text)
{
    if (counter != TT_AREA && counter != TT_PICKUP)
        return;
    size_t end = text.size();
    while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    m_steps.append(text.substr(0, end));
}

QStringView ComparisonText(QStringView line)
{
    qsizetype end = line.size();
    while (end > 0 && (line[end - 1] == u' ' || line[end - 1] == u'\t'))
        --end;
    return line.first(end);
}

namespace {

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

StepDelta DiffSteps(const StepText& oldSteps, const StepText& newSteps)
{
    StepDelta delta;
    if (oldSteps.text == newSteps.text) {
        delta.unchanged = oldSteps.count;
        return delta;
    }
    QString unloaded;
    const LibGit::Api* git = LibGit::load(unloaded);
    if (!git)
        throw std::runtime_error(unloaded.toStdString());
    const QByteArray& oldText = oldSteps.text;
    const QByteArray& newText = newSteps.text;
    git_diff_options options = GIT_DIFF_OPTIONS_INIT;
    options.flags = GIT_DIFF_MINIMAL | GIT_DIFF_FORCE_TEXT;
    options.context_lines = 0;
    options.interhunk_lines = 0;
    if (git->git_diff_buffers(oldText.constData(), size_t(oldText.size()), nullptr,
                              newText.constData(), size_t(newText.size()), nullptr, &options,
                              nullptr, nullptr, onHunk, nullptr, &delta) != 0)
        throw std::runtime_error(LibGit::lastError().toStdString());
    delta.unchanged = oldSteps.count - delta.changed - delta.deleted;
    return delta;
}
