#include "folderbrowser.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>

#include "settings/paths.h"
#include "text/fileio.h"
#include "text/pathbytes.h"

namespace {

// File-list patterns: ";"-separated wildcards, matched against the whole name without regard to
// case. As in Windows file lists, a pattern ending in ".*" also takes names without a dot,
// so "*.*" lists every file.
std::vector<QRegularExpression> compilePatterns(const QString& patterns)
{
    std::vector<QRegularExpression> result;
    const auto add = [&result](const QString& wildcard) {
        result.emplace_back(QRegularExpression::wildcardToRegularExpression(wildcard),
                            QRegularExpression::CaseInsensitiveOption);
    };
    for (const QString& part : patterns.split(u';', Qt::SkipEmptyParts)) {
        const QString pattern = part.trimmed();
        if (pattern.isEmpty())
            continue;
        add(pattern);
        if (pattern.endsWith(QStringLiteral(".*")))
            add(pattern.chopped(2));
    }
    return result;
}

// Names of the folder's entries that `keep` takes, in name order ignoring case. Names are read
// by their bytes, so one that is not UTF-8 is listed and can be opened again.
template <typename Keep>
QStringList entryNames(const QString& folder, Keep keep)
{
    QStringList names;
    for (const FileIo::FolderEntry& entry : FileIo::listFolder(folder)) {
        if (keep(entry))
            names << entry.name;
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

} // namespace

FolderBrowser::FolderBrowser(QString filePattern)
    : m_filePattern(std::move(filePattern))
{
}

QString FolderBrowser::drive() const
{
    return DriveOf(m_folder);
}

bool FolderBrowser::setFolder(const QString& path)
{
    const QString folder = NormalizedFolder(path);
    if (!FolderExists(folder))
        return false;
    m_folder = folder;
    m_driveFolders.insert(drive(), m_folder);
    return true;
}

bool FolderBrowser::setFirstFolder(const QStringList& candidates)
{
    return std::any_of(candidates.cbegin(), candidates.cend(),
                       [this](const QString& path) { return setFolder(path); });
}

QString FolderBrowser::folderOnDrive(const QString& driveRoot) const
{
    // Like a drive's current folder elsewhere: return to where the user last was on it.
    const QString target = m_driveFolders.value(driveRoot, driveRoot);
    return FolderExists(target) ? target : driveRoot;
}

QString FolderBrowser::nearestExistingFolder() const
{
    QString folder = m_folder;
    while (!FolderExists(folder) && !SamePath(ParentFolder(folder), folder))
        folder = ParentFolder(folder);
    return folder;
}

QStringList FolderBrowser::folderChain() const
{
    const QString root = drive();
    QStringList chain{m_folder};
    for (QString path = m_folder; !SamePath(path, root);) {
        const QString parent = ParentFolder(path);
        if (SamePath(parent, path))
            break;
        chain.prepend(parent);
        path = parent;
    }
    return chain;
}

QStringList FolderBrowser::subfolders() const
{
    return entryNames(m_folder, [](const FileIo::FolderEntry& e) { return e.folder; });
}

QStringList FolderBrowser::files() const
{
    const std::vector<QRegularExpression> patterns = compilePatterns(m_filePattern);
    return entryNames(m_folder, [&patterns](const FileIo::FolderEntry& e) {
        // Matched as shown: a lone escape is not text the expression engine accepts.
        const QString shown = DisplayPath(e.name);
        return !e.folder &&
               std::any_of(patterns.cbegin(), patterns.cend(), [&](const QRegularExpression& re) {
                   return re.match(shown).hasMatch();
               });
    });
}

std::vector<DriveEntry> FolderBrowser::drives()
{
    std::vector<DriveEntry> entries;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = NormalizedFolder(volume.rootPath());
        if (!volume.isValid() || !FolderExists(root) ||
            std::any_of(entries.cbegin(), entries.cend(),
                        [&](const DriveEntry& e) { return SamePath(e.root, root); }))
            continue;
        const QString label = volume.name();
        entries.push_back(
            {root, label.isEmpty() ? root : root + QStringLiteral(" [") + label + u']'});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const DriveEntry& a, const DriveEntry& b) {
        return a.root.compare(b.root, Qt::CaseInsensitive) < 0;
    });
    return entries;
}

QStringList FolderBrowser::startFolders(const QString& commandLine, const QString& storedPath,
                                        const QString& programFolder)
{
    QStringList candidates;
    if (!commandLine.isEmpty()) {
        QString path = commandLine;
        path.remove(u'"');
        path = QDir::toNativeSeparators(path);
        candidates << (FolderExists(path) ? path
                                          : path.left(path.lastIndexOf(QDir::separator()) + 1));
    }
    candidates << storedPath << programFolder << QDir::rootPath();
    return candidates;
}
