#include "folderbrowser.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>

#include "settings/paths.h"

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
    return QDir(QDir::fromNativeSeparators(m_folder))
        .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

QStringList FolderBrowser::files() const
{
    const std::vector<QRegularExpression> patterns = compilePatterns(m_filePattern);
    const QStringList names = QDir(QDir::fromNativeSeparators(m_folder))
                                  .entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    QStringList matching;
    for (const QString& name : names) {
        if (std::any_of(patterns.cbegin(), patterns.cend(),
                        [&](const QRegularExpression& re) { return re.match(name).hasMatch(); }))
            matching << name;
    }
    return matching;
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
