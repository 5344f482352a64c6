#pragma once

#include <QString>

// The path ending in the platform's separator ("/" here). On Windows a lone drive letter first
// gets its ":" (C gives C:\).
QString AddBackslash(const QString& path);

// True only for an existing folder, written with or without a trailing separator.
bool FolderExists(const QString& path);

// Trims leading and trailing spaces from `path` in place, then tells whether it can be used: a
// path ending in the separator must be an existing folder, any other path a regular file that
// can be opened for reading. Never creates anything and never opens a folder, FIFO or device.
bool PathIsUsable(QString& path);

// Folder of the running executable.
QString ProgramFolder();

// Makes `folder` and the folders above it that are missing (by the path's bytes, mode 0700 for
// what it makes); "" when the folder is there afterwards, else the system's reason.
QString MakeFolder(const QString& folder);

// Compares two paths as the file system does: without regard to case on Windows only.
bool SamePath(const QString& a, const QString& b);

// An absolute, clean path in the platform's notation, without trailing separator except for a
// root; "" for a blank path.
QString NormalizedFolder(const QString& path);

// The folder holding `folder` (a root is its own parent).
QString ParentFolder(const QString& folder);

// The root of the volume that holds `path`, normalized; "" when there is none.
QString DriveOf(const QString& path);
