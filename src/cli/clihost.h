#pragma once

#include <QTextStream>

#include "engine/runhost.h"
#include "run/batchrunner.h"
#include "run/folderwalk.h"

// The CLI's run host: Ctrl+C stops the run between lines; with stderr on a terminal a progress
// line (file k of n, bytes) is kept up to date there. Per-file errors are collected from the
// batch's outcomes and printed once at the end, so error() stays quiet.
class CliHost final : public RunHost {
public:
    explicit CliHost(QTextStream& err);

    // Installs the Ctrl+C handler that makes cancelled() true.
    static void catchInterrupt();
    // Whether a progress line is drawn: only when standard error is a terminal.
    static bool drawsProgress();

    bool cancelled() const override;
    const std::atomic<bool>* stopFlag() const override;
    void progress(double processedBytes, double totalBytes) override;
    void message(const QString& text) override;
    void currentFile(int position, int count, const QString& name) override;

    // Clears the progress line before other output.
    void finish();

private:
    void draw(double processedBytes);

    QTextStream& m_err;
    bool m_terminal = false;
    bool m_drawn = false;
    int m_position = 0;
    int m_count = 0;
    double m_total = 0;
    qint64 m_lastDrawMs = 0;
};

// `path` made absolute and clean as QFileInfo::absoluteFilePath does, but on the lossless form
// (see DecodePath): QFileInfo passes a relative path through the lossy 8-bit conversion.
QString AbsolutePath(const QString& path);
// The same against a known working folder (lossless form).
QString AbsolutePath(const QString& path, const QString& workingFolder);

// Files named on the command line: folders are walked by `rules` with `recursive` (see
// WalkFolder); without it every path is taken as a file, a folder failing as one. `given`
// receives each file's path as the user gave it (the folder as given joined with the path below
// it), `walkErrors` one "path: reason" for each path a walk could not read. `totalBytes`, when
// given, receives TotalBytesOf the files (a walk's files by the sizes it saw), or 0 without
// WalkRules::sizes.
std::vector<BatchFile> ExpandPaths(const QStringList& paths, bool recursive, const WalkRules& rules,
                                   QStringList& given, QStringList& walkErrors,
                                   double* totalBytes = nullptr);

// `text` with every control character (C0, DEL, C1) written as \xNN, so a file name or message
// cannot move the cursor, recolour or retitle the terminal it is printed on.
// A name's byte that is not UTF-8 is written as \xNN too, and then so is every backslash.
QString Printable(const QString& text);

// `text` as a JSON string, quoted; a name's byte that is not UTF-8 becomes U+FFFD.
QString JsonString(const QString& text);

// False, with a message naming the file on `err`, when a settings or mode file exists but cannot
// be read whole (too large, not a regular file, unreadable): its modes would come out empty.
bool ProfileFileReadable(const QString& path, QTextStream& err);
