#pragma once

#include <array>

#include <QMainWindow>

#include "run/lineendings.h"
#include "settings/settingsfile.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QToolButton;
class QTreeWidget;
class FolderBrowserView;
class RecentFilesMenu;
class SendToController;
class StatusLine;
struct AppContext;
struct RunFiles;

// The main window: file browser, mode buttons, START, output list, menus; lives as long as the
// program.
class FormMain final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FormMain)

public:
    // `commandLine` is the one path the program was started with ("" for none).
    FormMain(AppContext& ctx, const QString& commandLine, QWidget* parent = nullptr);
    ~FormMain() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createControls();
    void createMenus();
    void connectControls();
    void Form_Load(const QString& commandLine);
    void Form_Resize();
    void Form_QueryUnload();

    // Counting and conversion.
    void BtnStart_Click();
    void pMenuRenCD_Click(int index);
    void runSelectedFiles();
    // Every run starts here; `noFileStatus` is the status text when there is no file.
    void StartRun(const RunFiles& run, const QString& noFileStatus);
    qint16 GetSelectedMode() const;
    void reportMissingFile();

    // Browser.
    void BtnMyDoc_Click();
    void cmbFType_Click(int index);
    void MenuALL_Click(int index);
    void MenuRef_Click();
    void flsRootFList_MouseUp(const QPoint& globalPos);
    void lstOutputData_MouseUp(const QPoint& globalPos);
    void BtnClear_Click();
    void OLEDragDrop(const QStringList& paths);

    // Recent files and modes.
    void LoadRecentMenu();
    void MenuRecent_Click(const QString& path);
    void LoadModeList();
    void pressModeButton(int index);
    void optSyori_Click(int index);
    void MenuModeOption_Click();
    void MenuDiff_Click();
    void showModeEditor();

    AppContext& m_ctx;
    bool m_placed = false; // kept on screen once its frame was known

    // Window fields.
    QString SendToDir;
    QString PersonalDir;
    // File patterns of the mode slots, then "*.*".
    std::array<QString, SettingsKeys::ModeSlotCount + 1> FilePatterns;

    FolderBrowserView* m_browserView = nullptr;
    RecentFilesMenu* m_recentMenu = nullptr;
    SendToController* m_sendTo = nullptr;
    StatusLine* m_status = nullptr;

    QWidget* Picture1 = nullptr;
    std::array<QPushButton*, SettingsKeys::ModeSlotCount> optSyori{}; // buttons 1..3 at 0..2
    QPushButton* BtnStart = nullptr;
    QCheckBox* chkStartWait = nullptr;
    QToolButton* BtnEnd = nullptr;
    QComboBox* drvRootDrv = nullptr;
    QPushButton* BtnMyDoc = nullptr;
    QComboBox* cmbFType = nullptr;
    QTreeWidget* dirRootDir = nullptr;
    QListWidget* flsRootFList = nullptr;
    QListWidget* lstOutputData = nullptr;
    QPushButton* BtnClear = nullptr;
    QWidget* picStatusBar = nullptr;
    QLabel* lblStatusBar = nullptr;

    QMenu* Menu1 = nullptr;
    QMenu* Menu2 = nullptr;
    QMenu* Menu3 = nullptr;
    QAction* MenuSTART = nullptr;
    std::array<QAction*, 2> MenuALL{};
    QAction* MenuRef = nullptr;
    QAction* Menu終了 = nullptr;
    QAction* MenuModeOption = nullptr;
    QAction* MenuDiff = nullptr;
    QAction* MenuHelpContents = nullptr;
    QAction* MenuVersion = nullptr;
    QMenu* pMenuFList = nullptr;
    QAction* pMenuSTART = nullptr;
    QMenu* pMenuReturn = nullptr;
    std::array<QAction*, LineEnds.size()> pMenuRenCD{}; // one per line end, in LineEnds order
    QMenu* pMenuOList = nullptr;
};
