#pragma once

#include <QObject>

#include "ui/main/folderbrowser.h"

class Dialogs;
class QComboBox;
class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// Keeps the main window's drive list, folder list and file list in step with a FolderBrowser.
class FolderBrowserView final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FolderBrowserView)

public:
    // The widgets belong to `owner`, which is also the parent of the messages.
    FolderBrowserView(QComboBox* drvRootDrv, QTreeWidget* dirRootDir, QListWidget* flsRootFList,
                      Dialogs& dialogs, QString filePattern, QWidget* owner);

    const FolderBrowser& browser() const { return m_browser; }

    // Moves all three lists to `path`; false, with nothing changed, when it is not an existing
    // folder.
    bool setFolder(const QString& path);
    void setFilePattern(const QString& pattern);
    // The drive a failed drive change returns to: the one shown now.
    void rememberDrive();
    // Fills all three lists again; a folder that has gone gives way to its nearest parent.
    void refresh();
    // A click (or Return) on an entry of the folder list.
    void dirRootDir_Click(QTreeWidgetItem* item);

private:
    QString currentDrive() const;
    void fillDriveList();
    void selectDrive(const QString& root);
    void fillFolderList();
    void fillFileList();
    void dirRootDir_Change();
    void drvRootDrv_Change();

    FolderBrowser m_browser;
    QString LastDrive;
    Dialogs& m_dialogs;
    QWidget* m_owner;
    QComboBox* drvRootDrv;
    QTreeWidget* dirRootDir;
    QListWidget* flsRootFList;
};
