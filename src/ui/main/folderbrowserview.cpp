#include "folderbrowserview.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStyle>
#include <QTreeWidget>

#include "settings/paths.h"
#include "text/pathbytes.h"
#include "ui/common/dialogs.h"

FolderBrowserView::FolderBrowserView(QComboBox* drives, QTreeWidget* folders, QListWidget* files,
                                     Dialogs& dialogs, QString filePattern, QWidget* owner)
    : QObject(owner)
    , m_browser(std::move(filePattern))
    , m_dialogs(dialogs)
    , m_owner(owner)
    , drvRootDrv(drives)
    , dirRootDir(folders)
    , flsRootFList(files)
{
    connect(drvRootDrv, &QComboBox::currentIndexChanged, this,
            &FolderBrowserView::drvRootDrv_Change);
    connect(dirRootDir, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { dirRootDir_Click(item); });
}

void FolderBrowserView::setFilePattern(const QString& pattern)
{
    m_browser.setFilePattern(pattern);
    fillFileList();
    flsRootFList->scrollToTop();
}

void FolderBrowserView::rememberDrive()
{
    LastDrive = currentDrive();
}

// Moves the folder list (and with it the drive list and the file list) to `path`; false, with
// nothing changed, when `path` is not an existing folder.
bool FolderBrowserView::setFolder(const QString& path)
{
    if (!m_browser.setFolder(path))
        return false;
    fillFolderList();
    dirRootDir_Change();
    return true;
}

void FolderBrowserView::dirRootDir_Change()
{
    const QString drive = m_browser.drive();
    if (!drive.isEmpty() && !SamePath(drive, currentDrive()))
        selectDrive(drive);
    fillFileList();
    flsRootFList->scrollToTop();
}

void FolderBrowserView::dirRootDir_Click(QTreeWidgetItem* item)
{
    if (!item)
        return;
    const QString path = item->data(0, Qt::UserRole).toString();
    if (SamePath(path, m_browser.folder()))
        return;
    if (!setFolder(path))
        fillFolderList();
}

QString FolderBrowserView::currentDrive() const
{
    return drvRootDrv->currentData().toString();
}

void FolderBrowserView::fillDriveList()
{
    const QSignalBlocker blocker(drvRootDrv);
    drvRootDrv->clear();
    for (const DriveEntry& entry : FolderBrowser::drives())
        drvRootDrv->addItem(entry.text, entry.root);
    const QString drive = m_browser.drive();
    if (drive.isEmpty())
        return;
    int index = -1;
    for (int i = 0; i < drvRootDrv->count(); ++i) {
        if (SamePath(drvRootDrv->itemData(i).toString(), drive))
            index = i;
    }
    if (index < 0) {
        drvRootDrv->addItem(drive, drive);
        index = drvRootDrv->count() - 1;
    }
    drvRootDrv->setCurrentIndex(index);
}

void FolderBrowserView::selectDrive(const QString& root)
{
    if (drvRootDrv->count() == 0)
        fillDriveList();
    for (int i = 0; i < drvRootDrv->count(); ++i) {
        if (SamePath(drvRootDrv->itemData(i).toString(), root)) {
            drvRootDrv->setCurrentIndex(i);
            return;
        }
    }
    drvRootDrv->addItem(root, root);
    drvRootDrv->setCurrentIndex(drvRootDrv->count() - 1);
}

void FolderBrowserView::drvRootDrv_Change()
{
    const QString drive = currentDrive();
    if (drive.isEmpty())
        return;
    if (SamePath(m_browser.drive(), drive)) {
        LastDrive = drive;
        return;
    }
    if (!QDir(drive).isReadable() || !setFolder(m_browser.folderOnDrive(drive))) {
        m_dialogs.message(m_owner,
                          AddBackslash(drive) +
                              QStringLiteral(" にｱｸｾｽできません。ﾃﾞﾊﾞｲｽの準備が出来ていません。"),
                          Dialogs::Icon::Critical);
        selectDrive(LastDrive);
        return;
    }
    LastDrive = drive;
}

// The folder list shows the way from the drive's root down to the current folder, then the
// current folder's subfolders; the current folder is the selected entry.
void FolderBrowserView::fillFolderList()
{
    const QSignalBlocker blocker(dirRootDir);
    dirRootDir->clear();
    const QStringList chain = m_browser.folderChain();
    const QIcon open = m_owner->style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = m_owner->style()->standardIcon(QStyle::SP_DirIcon);
    QTreeWidgetItem* parentItem = nullptr;
    for (qsizetype i = 0; i < chain.size(); ++i) {
        const QString text = DisplayPath(i == 0 ? chain[i] : QFileInfo(chain[i]).fileName());
        auto* item = parentItem ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(dirRootDir);
        item->setText(0, text);
        item->setIcon(0, open);
        item->setData(0, Qt::UserRole, chain[i]);
        item->setExpanded(true);
        parentItem = item;
    }
    const QString folder = AddBackslash(m_browser.folder());
    for (const QString& name : m_browser.subfolders()) {
        auto* item = new QTreeWidgetItem(parentItem);
        item->setText(0, DisplayPath(name));
        item->setIcon(0, closed);
        item->setData(0, Qt::UserRole, folder + name);
    }
    parentItem->setExpanded(true);
    dirRootDir->setCurrentItem(parentItem);
    dirRootDir->scrollToItem(parentItem);
}

void FolderBrowserView::fillFileList()
{
    flsRootFList->clear();
    for (const QString& name : m_browser.files()) {
        auto* item = new QListWidgetItem(DisplayPath(name), flsRootFList);
        item->setData(Qt::UserRole, name);
    }
}

void FolderBrowserView::refresh()
{
    // The folder may have gone meanwhile: the lists stay on its nearest existing parent.
    const QString folder = m_browser.nearestExistingFolder();
    if (!SamePath(folder, m_browser.folder()) && setFolder(folder)) {
        fillDriveList();
        return;
    }
    fillFileList();
    fillFolderList();
    fillDriveList();
}
