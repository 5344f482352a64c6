#pragma once

#include <vector>

#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

// What a folder walk keeps.
struct WalkRules {
    // ";"-separated wildcard patterns matched against each file name, ignoring case; empty
    // keeps every file.
    QString fileType;
    // Globs (fnmatch): one with "/" matches the path below the walked folder, one without the
    // base name; a trailing "/" matches folders only. A match is skipped, a folder with all
    // it holds.
    QStringList excludes;
    // Skip what git ignores when the folder lies in a git work tree.
    bool gitIgnore = true;
    // Give each file's size (FolderWalkResult::sizes); without them a file costs no stat where
    // the folder records the types of its entries.
    bool sizes = true;
};

// The file-type and exclusion rules of a walk, without its ignore rules: a walk applies them,
// and so do trees that are not folders on disk (a git revision).
class WalkFilter final {
public:
    explicit WalkFilter(const WalkRules& rules);

    // Whether `relative` (a path below the walked folder; `name` its last part) is excluded.
    bool excluded(const QByteArray& relative, const QByteArray& name, bool folder) const;
    // Whether a file `name` matches the file type.
    bool typeMatches(const QByteArray& name) const;
    // Whether a walk keeps `relative`: a folder unless excluded, a file unless excluded and when
    // its type matches. The folders above `relative` are not looked at.
    bool keeps(const QByteArray& relative, bool folder) const;

private:
    struct Exclude {
        QByteArray glob;
        bool byPath = false; // matches the path below the walked folder, else the base name
        bool foldersOnly = false;
    };
    std::vector<QRegularExpression> m_patterns;
    // Per pattern of the form "*.ext" with an ASCII extension: ".ext" in lower case, which an
    // ASCII name's end is compared with directly; "" for the other patterns.
    std::vector<QByteArray> m_suffixes;
    std::vector<Exclude> m_excludes;
};

// A path the walk could not read, and why.
struct WalkError {
    QByteArray path; // the folder as given joined with the path below it
    QString reason;
};

struct FolderWalkResult {
    std::vector<QByteArray> files; // in byte order
    std::vector<qint64> sizes;     // of each file as the walk found it (the progress scale);
                                   // zeros without WalkRules::sizes
    std::vector<WalkError> errors;
};

// The files below `folder`, as paths made of the folder as given (bytes as on disk) and the
// path below it. Never enters `.git` or a symlinked folder; a symlink to a file (or to
// nothing, so that its failure is reported) is a file; fifos, sockets and devices are left
// out. An unreadable folder becomes an error and the walk goes on.
FolderWalkResult WalkFolder(const QByteArray& folder, const WalkRules& rules);
