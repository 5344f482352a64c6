#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Whole-file reading and writing with the safety rules every writer of the program follows.
namespace FileIo {

// Reads a regular file whole. Refuses directories, FIFOs and devices (never blocks on them).
// On failure returns false and sets `error` to a message naming the file and the cause.
bool readRegularFile(const QString& path, QByteArray& out, QString* error = nullptr);

// Replaces `path` with `data` through a temp file in the same folder and a rename, so a crash
// or a full disk never leaves a truncated file. A symlink is followed and the target replaced;
// the target keeps its permissions. A read-only target, a missing folder or a target that is
// not a regular file gives false and leaves everything as it was.
bool writeFileAtomically(const QString& path, QByteArrayView data, QString* error = nullptr);

// The test writeFileAtomically makes before it writes: a missing file may be created, an
// existing one must be a regular file that is not read-only.
bool canReplace(const QString& path, QString* error = nullptr);

} // namespace FileIo
