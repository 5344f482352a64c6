#pragma once

#include <array>
#include <vector>

#include <QHash>
#include <QMainWindow>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QMenu;
class QMimeData;
class QPushButton;
class QTimer;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class SendToController;
struct AppContext;
struct BatchFile;

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

    // Status line: the text stays until the timer fires 3000 ms after the last message.
    void showStatus(const QString& text);
    void timMsgInterval_Timer();

    // Counting and conversion.
    void BtnStart_Click();
    void pMenuRenCD_Click(int index);
    void runSelectedFiles();
    void StartRun(const std::vector<BatchFile>& files);
    qint16 GetSelectedMode() const;
    void reportMissingFile();
    void syncOutputList();

    // Browser.
    bool setFolder(const QString& path);
    void fillDriveList();
    void selectDrive(const QString& root);
    QString currentDrive() const;
    void fillFolderList();
    void fillFileList();
    void drvRootDrv_Change();
    void dirRootDir_Change();
    void dirRootDir_Click(QTreeWidgetItem* item);
    void BtnMyDoc_Click();
    void cmbFType_Click(int index);
    void MenuALL_Click(int index);
    void MenuRef_Click();
    void flsRootFList_MouseUp(const QPoint& globalPos);
    void lstOutputData_MouseUp(const QPoint& globalPos);
    void BtnClear_Click();
    bool acceptsDrag(const QMimeData* data) const;
    void OLEDragDrop(const QStringList& paths);

    // Recent files and modes.
    void LoadRecentMenu();
    void AddRecentFile(const QString& path);
    void MenuRecent_Click(const QString& path);
    void LoadModeList();
    void pressModeButton(int index);
    void optSyori_Click(int index);
    void MenuModeOption_Click();
    void showModeEditor();

    AppContext& m_ctx;

    // Window fields.
    QString LastDrive;
    QString SendToDir;
    QString PersonalDir;
    std::array<QString, 4> FilePatterns;

    QString m_folder;                       // path of the folder list and the file list
    QString m_filePattern;                  // ";"-separated wildcard patterns of the file list
    QHash<QString, QString> m_driveFolders; // last folder shown per drive
    SendToController* m_sendTo = nullptr;

    QWidget* Picture1 = nullptr;
    std::array<QPushButton*, 3> optSyori{}; // buttons 1..3 at indices 0..2
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
    QTimer* timMsgInterval = nullptr;

    QMenu* Menu1 = nullptr;
    QMenu* Menu2 = nullptr;
    QMenu* Menu3 = nullptr;
    QAction* MenuSTART = nullptr;
    std::array<QAction*, 2> MenuALL{};
    QAction* MenuRef = nullptr;
    std::vector<QAction*> MenuRecent; // entry 0 always exists
    QAction* MenuH04 = nullptr;       // separator below the recent entries
    QAction* Menu終了 = nullptr;
    QAction* MenuModeOption = nullptr;
    QAction* MenuHelpContents = nullptr;
    QAction* MenuVersion = nullptr;
    QMenu* pMenuFList = nullptr;
    QAction* pMenuSTART = nullptr;
    QMenu* pMenuReturn = nullptr;
    std::array<QAction*, 3> pMenuRenCD{};
    QMenu* pMenuOList = nullptr;
};
