#pragma once

#include <array>
#include <optional>

#include <QString>
#include <QStringView>

enum class LineEnd { CrLf, Cr, Lf };

// Every line end, in the order menus and messages list them.
inline constexpr std::array<LineEnd, 3> LineEnds{LineEnd::CrLf, LineEnd::Cr, LineEnd::Lf};

// "CR+LF", "CR" or "LF": a line end as menus and messages name it.
QString LineEndName(LineEnd end);

// "crlf", "cr" or "lf": a line end as the command line names it.
QString LineEndWord(LineEnd end);
std::optional<LineEnd> LineEndFromWord(QStringView word);

// The target of a conversion run (ProcessMode 90, 91, 92), or nothing for a count.
std::optional<LineEnd> LineEndForProcessMode(qint16 processMode);
qint16 ProcessModeForLineEnd(LineEnd end);

struct ConversionResult {
    bool converted = false; // false: the file already had the target line end, left untouched
    qint64 size = 0;        // bytes of the file as it was read
};

// Rewrites the line ends of a file in place: every CR LF, lone CR and lone LF becomes the
// target. The file is left untouched when its first line end of the kind that matters
// already is the target: for CR the first CR is a lone CR, for LF the first LF is a lone LF,
// for CR LF the first CR and the first LF form one pair. A file without any line end is
// rewritten as it is. Only CR and LF bytes change (CP932 trail bytes are never CR or LF), and
// the file is streamed, so its size does not matter. The new content goes to a temp file in the
// same folder that replaces the original (FileIo::AtomicFile: permissions, owner and group kept,
// a symlink to it kept); a file with several hard links is refused. On failure returns false
// with `error` naming the file and the cause; the file is unchanged.
bool ConvertLineEnds(const QString& path, LineEnd target, ConversionResult& result,
                     QString* error = nullptr);
