#pragma once

#include <vector>

#include <QHash>
#include <QString>
#include <QStringList>

// One entry of the drive list: a mounted volume's root and the text shown for it.
struct DriveEntry {
    QString root;
    QString text;
};

// The main window's file browser without its widgets: the current folder, the file pattern,
// and the last folder shown per drive.
class FolderBrowser final {
public:
    explicit FolderBrowser(QString filePattern);

    // Path of the folder list and the file list: absolute, in the platform's notation.
    const QString& folder() const { return m_folder; }
    // The root of the volume that holds the folder.
    QString drive() const;

    // Moves to `path`; false, with nothing changed, when it is not an existing folder.
    bool setFolder(const QString& path);
    // The first of `candidates` that setFolder() takes; false when none does.
    bool setFirstFolder(const QStringList& candidates);

    // Where a change to `drive` goes: the folder last shown on it while it still exists, else
    // the drive's root.
    QString folderOnDrive(const QString& drive) const;
    // The folder, or its nearest existing parent when it has gone meanwhile.
    QString nearestExistingFolder() const;

    // The way from the drive's root down to the folder, both included.
    QStringList folderChain() const;
    // Names of the folder's subfolders, in name order ignoring case. Names here and in files()
    // are in the lossless form of DecodePath: show them with DisplayPath.
    QStringList subfolders() const;

    // ";"-separated wildcard patterns of the file list.
    void setFilePattern(const QString& pattern) { m_filePattern = pattern; }
    // Names of the folder's files that match the pattern, in name order ignoring case.
    QStringList files() const;

    // The mounted volumes: the root of the file system first, the others in path order.
    static std::vector<DriveEntry> drives();

    // Where the browser starts: from the path the program was started with (a folder, or a
    // file's folder), then the stored start path, the program folder and the root.
    static QStringList startFolders(const QString& commandLine, const QString& storedPath,
                                    const QString& programFolder);

private:
    QString m_folder;
    QString m_filePattern;
    QHash<QString, QString> m_driveFolders;
};
