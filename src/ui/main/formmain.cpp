#include "formmain.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>

#include "run/batchrunner.h"
#include "run/runrequest.h"
#include "settings/clsinifile.h"
#include "settings/paths.h"
#include "settings/recentfiles.h"
#include "settings/settingsfile.h"
#include "platform/shellfolders.h"
#include "ui/common/appcontext.h"
#include "ui/common/dialogs.h"
#include "ui/common/statusline.h"
#include "ui/common/twips.h"
#include "ui/common/windowgeometry.h"
#include "ui/common/windowkit.h"
#include "ui/main/folderbrowserview.h"
#include "ui/main/formdiff.h"
#include "ui/main/formfv.h"
#include "ui/main/mainwindowstate.h"
#include "ui/main/outputlistview.h"
#include "ui/main/recentfilesmenu.h"
#include "ui/main/runfiles.h"
#include "ui/main/sendto.h"
#include "ui/modes/formmoption.h"
#include "ui/run/formwait.h"

namespace {

// Designed client area and position, in twips.
constexpr int kDesignLeft = 4965;
constexpr int kDesignTop = 2550;
constexpr int kDesignClientWidth = 6075;
constexpr int kDesignClientHeight = 6525;
constexpr int kMinOuterWidth = 5300;
constexpr int kMinOuterHeight = 5500;

constexpr int kSlots = SettingsKeys::ModeSlotCount;

const QString kDesignCaption = QStringLiteral("Quorvix");

const QString kNoModeMessage = QStringLiteral("処理モードを選択してください");
const QString kNoFileMessage = QStringLiteral("ファイルを選択してください");
const QString kMissingFileMessage =
    QStringLiteral("対象ファイル検索でファイルが見つかりません\r\n再度選択してください");

bool isModeSlot(int mode)
{
    return mode >= 1 && mode <= kSlots;
}

} // namespace

FormMain::FormMain(AppContext& ctx, const QString& commandLine, QWidget* parent)
    : QMainWindow(parent)
    , m_ctx(ctx)
{
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(kDesignCaption);
    setWindowIcon(QuorvixIcon());
    setAcceptDrops(true);
    createControls();
    createMenus();
    connectControls();

    setMinimumSize(int(std::ceil(kMinOuterWidth / kTwipsPerPixel)),
                   int(std::ceil(kMinOuterHeight / kTwipsPerPixel)));
    move(TwipsToPixels(kDesignLeft), TwipsToPixels(kDesignTop));
    resize(TwipsToPixels(kDesignClientWidth),
           TwipsToPixels(kDesignClientHeight) + menuBar()->sizeHint().height());

    Form_Load(commandLine);
    Form_Resize();
}

FormMain::~FormMain() = default;
void FormMain::connectControls()
{
    for (int i = 0; i < kSlots; ++i)
        connect(optSyori[size_t(i)], &QPushButton::clicked, this,
                [this, i] { pressModeButton(i + 1); });
    connect(BtnStart, &QPushButton::clicked, this, &FormMain::BtnStart_Click);
    connect(BtnEnd, &QToolButton::clicked, this, &FormMain::close);
    connect(BtnMyDoc, &QPushButton::clicked, this, &FormMain::BtnMyDoc_Click);
    connect(cmbFType, &QComboBox::currentIndexChanged, this, &FormMain::cmbFType_Click);
    connect(flsRootFList, &QListWidget::itemDoubleClicked, this, &FormMain::BtnStart_Click);
    connect(lstOutputData, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (m_sendTo)
            m_sendTo->openOutput(item->data(Qt::UserRole).toInt());
    });
    connect(BtnClear, &QPushButton::clicked, this, &FormMain::BtnClear_Click);

    connect(MenuSTART, &QAction::triggered, this, &FormMain::BtnStart_Click);
    connect(MenuALL[0], &QAction::triggered, this, [this] { MenuALL_Click(0); });
    connect(MenuALL[1], &QAction::triggered, this, [this] { MenuALL_Click(1); });
    connect(MenuRef, &QAction::triggered, this, &FormMain::MenuRef_Click);
    connect(m_recentMenu, &RecentFilesMenu::chosen, this, &FormMain::MenuRecent_Click);
    connect(Menu終了, &QAction::triggered, this, &FormMain::close);
    connect(MenuModeOption, &QAction::triggered, this, &FormMain::MenuModeOption_Click);
    connect(MenuDiff, &QAction::triggered, this, &FormMain::MenuDiff_Click);
    connect(MenuHelpContents, &QAction::triggered, this, [this] { m_sendTo->openHelp(); });
    connect(MenuVersion, &QAction::triggered, this, [this] {
        FormFV version(m_ctx, this);
        version.exec();
    });
    connect(pMenuSTART, &QAction::triggered, this, &FormMain::BtnStart_Click);
    for (int i = 0; i < int(pMenuRenCD.size()); ++i)
        connect(pMenuRenCD[size_t(i)], &QAction::triggered, this,
                [this, i] { pMenuRenCD_Click(i); });
}

// ---------------------------------------------------------------------------------------------
// Start-up, layout, close

void FormMain::Form_Load(const QString& commandLine)
{
    clsIniFile ini;
    ini.setPFileName(m_ctx.settingsPath());
    RestoreWindowGeometry(*this, ini);

    const MainWindowState state = MainWindowState::read(ini, m_ctx.programFolder);
    if (state.startWait)
        chkStartWait->setChecked(*state.startWait);
    for (const QString& folder :
         FolderBrowser::startFolders(commandLine, state.startPath, m_ctx.programFolder)) {
        if (m_browserView->setFolder(folder))
            break;
    }

    const QString sendTo = GetShellFolder(QStringLiteral("SendTo"));
    SendToDir = AddBackslash(sendTo);
    PersonalDir = AddBackslash(GetShellFolder(QStringLiteral("Personal")));
    // Without a SendTo folder SendToDir is a lone "/": the menus then list nothing instead.
    m_sendTo = new SendToController(m_ctx, sendTo.isEmpty() ? QString() : SendToDir, this);
    m_sendTo->setCurrentFileProvider([this]() -> QString {
        const QListWidgetItem* item = flsRootFList->currentItem();
        return item ? AddBackslash(m_browserView->browser().folder()) +
                          item->data(Qt::UserRole).toString()
                    : QString();
    });
    m_sendTo->setCurrentOutputProvider([this]() -> qint32 {
        const QListWidgetItem* item = lstOutputData->currentItem();
        return item ? item->data(Qt::UserRole).toInt() : 0;
    });
    connect(m_sendTo, &SendToController::statusMessage, m_status, &StatusLine::show);
    connect(m_sendTo, &SendToController::startStatusTimer, m_status, &StatusLine::startTimer);
    pMenuFList->addMenu(m_sendTo->fileListSubmenu());
    pMenuOList->addMenu(m_sendTo->outputListSubmenu());

    LoadRecentMenu();
    m_browserView->rememberDrive();
    LoadModeList();

    if (state.fileTypeIndex >= 0 && state.fileTypeIndex < cmbFType->count())
        cmbFType->setCurrentIndex(state.fileTypeIndex);

    m_ctx.request.ProcessMode = state.startMode;
    if (isModeSlot(state.startMode))
        pressModeButton(state.startMode);

    setWindowTitle(kDesignCaption + QStringLiteral("   Version.") + FormFV::versionNumbers());
}

void FormMain::Form_Resize()
{
    if (isMinimized())
        return;
    QWidget* client = centralWidget();
    const int clientWidth = client->width();
    const int clientHeight = client->height();
    Picture1->setGeometry(0, 0, clientWidth, TwipsToPixels(900));
    picStatusBar->setGeometry(0, clientHeight - TwipsToPixels(255), clientWidth,
                              TwipsToPixels(255));
    lblStatusBar->setGeometry(TwipsToPixels(120), 0, std::max(clientWidth - TwipsToPixels(120), 1),
                              TwipsToPixels(255));

    const double W = PixelsToTwips(frameGeometry().width());
    const double H = PixelsToTwips(clientHeight);
    const double half = W / 2;
    drvRootDrv->setGeometry(TwipsRect(120, 960, half - 820, 300));
    BtnMyDoc->setGeometry(TwipsRect(half - 600, 960, 495, 295));
    flsRootFList->setGeometry(TwipsRect(half, 1360, half - 240, H - 2640));
    cmbFType->setGeometry(TwipsRect(half, 960, half - 240, 300));
    dirRootDir->setGeometry(TwipsRect(120, 1360, half - 220, H - 2640));
    lstOutputData->setGeometry(TwipsRect(120, H - 1100, W - 360, 780));
    BtnClear->setGeometry(TwipsRect(120 + (W - 360) - 1025, (H - 1100) + 780 - 295, 735, 255));
}

void FormMain::Form_QueryUnload()
{
    clsIniFile ini;
    ini.setPFileName(m_ctx.settingsPath());
    SaveWindowGeometry(*this, ini);
    MainWindowState state;
    state.startPath = m_browserView->browser().folder();
    state.fileTypeIndex = cmbFType->currentIndex();
    state.startWait = chkStartWait->isChecked();
    state.startMode = GetSelectedMode();
    state.write(ini);
}

void FormMain::closeEvent(QCloseEvent* event)
{
    Form_QueryUnload();
    event->accept();
}

// The restored place is fitted again when the window is first shown, now with its real frame.
void FormMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!std::exchange(m_placed, true))
        KeepWindowOnScreen(*this);
}

bool FormMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        Form_Resize();
    } else if ((event->type() == QEvent::MouseButtonPress ||
                event->type() == QEvent::MouseButtonDblClick ||
                event->type() == QEvent::MouseButtonRelease) &&
               (watched == flsRootFList->viewport() || watched == lstOutputData->viewport())) {
        // The right button leaves selection and current entry alone: the popup works on what
        // was selected before.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::RightButton)
            return QMainWindow::eventFilter(watched, event);
        if (event->type() == QEvent::MouseButtonRelease) {
            const QPoint global = mouse->globalPosition().toPoint();
            if (watched == flsRootFList->viewport())
                flsRootFList_MouseUp(global);
            else
                lstOutputData_MouseUp(global);
        }
        return true;
    } else if (watched == dirRootDir && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_browserView->dirRootDir_Click(dirRootDir->currentItem());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Counting and conversion

qint16 FormMain::GetSelectedMode() const
{
    for (int n = 1; n <= kSlots; ++n) {
        const QPushButton* button = optSyori[size_t(n - 1)];
        if (button->isEnabled() && button->isChecked())
            return qint16(n);
    }
    return ProcessModes::NoMode;
}

void FormMain::BtnStart_Click()
{
    m_ctx.request.ProcessMode = GetSelectedMode();
    if (!isModeSlot(m_ctx.request.ProcessMode)) {
        m_status->show(kNoModeMessage);
        return;
    }
    runSelectedFiles();
}

void FormMain::pMenuRenCD_Click(int index)
{
    m_ctx.request.ProcessMode = ProcessModeForLineEnd(LineEnds[size_t(index)]);
    runSelectedFiles();
}

void FormMain::runSelectedFiles()
{
    QStringList names;
    for (int i = 0; i < flsRootFList->count(); ++i) {
        const QListWidgetItem* item = flsRootFList->item(i);
        if (item->isSelected())
            names << item->data(Qt::UserRole).toString();
    }
    StartRun(SelectedRunFiles(m_browserView->browser().folder(), names), kNoFileMessage);
}

void FormMain::reportMissingFile()
{
    m_ctx.dialogs.message(this, kMissingFileMessage, Dialogs::Icon::Critical);
    MenuRef_Click();
}

// Every run starts here: a missing file is reported, no file at all gets `noFileStatus` (a drop
// without files says nothing), the rest goes to the run dialog; a run that was not declined
// puts its last files into the recent list.
void FormMain::StartRun(const RunFiles& run, const QString& noFileStatus)
{
    if (run.missing) {
        reportMissingFile();
        return;
    }
    if (run.files.empty()) {
        if (!noFileStatus.isEmpty())
            m_status->show(noFileStatus);
        return;
    }
    AssembleRunRequest(m_ctx.request, run, chkStartWait->isChecked());
    {
        FormWait wait(
            m_ctx, this, [this] { ShowOutputEntries(*lstOutputData, m_ctx.outputs.entries()); },
            [this] { m_status->startTimer(); });
        wait.exec();
    }
    raise();
    activateWindow();
    if (m_ctx.request.Cancelled)
        return;

    const RecentFiles recent(m_ctx.settingsPath());
    const size_t n = run.files.size();
    const size_t keep = size_t(SettingsKeys::RecentFileCount);
    for (size_t i = n > keep ? n - keep : 0; i < n; ++i)
        recent.add(run.files[i].folder + run.files[i].name);
    LoadRecentMenu();
}

// ---------------------------------------------------------------------------------------------
// Browser

void FormMain::BtnMyDoc_Click()
{
    if (BtnMyDoc->text() == QLatin1StringView("My")) {
        if (m_browserView->setFolder(PersonalDir))
            BtnMyDoc->setText(QStringLiteral("App"));
    } else if (m_browserView->setFolder(m_ctx.programFolder)) {
        BtnMyDoc->setText(QStringLiteral("My"));
    }
}

void FormMain::cmbFType_Click(int index)
{
    if (index < 0)
        return;
    const int k = cmbFType->itemData(index).toInt();
    if (k < 1 || k > int(FilePatterns.size()))
        return;
    m_browserView->setFilePattern(FilePatterns[size_t(k - 1)]);
}

void FormMain::MenuALL_Click(int index)
{
    const int scroll = flsRootFList->verticalScrollBar()->value();
    flsRootFList->setUpdatesEnabled(false);
    if (index == 0)
        flsRootFList->selectAll();
    else
        flsRootFList->clearSelection();
    flsRootFList->verticalScrollBar()->setValue(scroll);
    flsRootFList->setUpdatesEnabled(true);
    flsRootFList->setFocus();
}

void FormMain::MenuRef_Click()
{
    m_browserView->refresh();
    update();
}

void FormMain::flsRootFList_MouseUp(const QPoint& globalPos)
{
    if (flsRootFList->selectedItems().isEmpty())
        return;
    m_sendTo->BuildSendToMenus();
    pMenuFList->popup(globalPos);
}

void FormMain::lstOutputData_MouseUp(const QPoint& globalPos)
{
    const QListWidgetItem* current = lstOutputData->currentItem();
    if (lstOutputData->selectedItems().isEmpty() || !current ||
        current->data(Qt::UserRole).toInt() == 0)
        return;
    m_sendTo->BuildSendToMenus();
    pMenuOList->popup(globalPos);
}

void FormMain::BtnClear_Click()
{
    m_ctx.outputs.clear(m_ctx.request);
    lstOutputData->clear();
}

// ---------------------------------------------------------------------------------------------
// Drag and drop: the window, the drive list, the folder list and the file list all take the
// drop here, since none of them accepts drops itself.

void FormMain::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void FormMain::dragMoveEvent(QDragMoveEvent* event)
{
    if (IsLocalDrop(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void FormMain::dropEvent(QDropEvent* event)
{
    if (!IsLocalDrop(event->mimeData())) {
        event->ignore();
        return;
    }
    const QStringList paths = DroppedPaths(event->mimeData());
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // The run opens a modal dialog; the drag source must not wait for it to end.
    QMetaObject::invokeMethod(
        this, [this, paths] { OLEDragDrop(paths); }, Qt::QueuedConnection);
}

void FormMain::OLEDragDrop(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    const QString f1 = paths.constFirst();
    if (f1.isEmpty() || IsNetworkPath(f1))
        return;
    if (FolderExists(f1)) {
        m_browserView->setFolder(AddBackslash(f1));
        return;
    }
    if (!m_browserView->setFolder(f1.left(f1.lastIndexOf(QDir::separator()) + 1))) {
        reportMissingFile();
        return;
    }
    raise();
    activateWindow();
    StartRun(DroppedRunFiles(paths), QString());
}

// ---------------------------------------------------------------------------------------------
// Recent files

void FormMain::LoadRecentMenu()
{
    m_recentMenu->showPaths(RecentFiles(m_ctx.settingsPath()).read());
}

void FormMain::MenuRecent_Click(const QString& path)
{
    StartRun(RecentRunFile(path), QString());
}

// ---------------------------------------------------------------------------------------------
// Modes

void FormMain::LoadModeList()
{
    const QSignalBlocker blocker(cmbFType);
    cmbFType->clear();
    clsIniFile ini;
    ini.setPFileName(m_ctx.settingsPath());
    const auto labels = ReadModeSlotLabels(ini);
    FilePatterns.fill(QString());
    for (int n = 1; n <= kSlots; ++n) {
        QPushButton* button = optSyori[size_t(n - 1)];
        const QString& name = labels[size_t(n - 1)].name;
        const QString& type = labels[size_t(n - 1)].fileType;
        button->setChecked(false);
        if (!name.isEmpty() && !type.isEmpty()) {
            cmbFType->addItem(name + u'(' + type + u')', n);
            FilePatterns[size_t(n - 1)] = type;
            button->setText(EscapedCaption(name));
            button->setEnabled(true);
        } else {
            button->setText(QString());
            button->setEnabled(false);
        }
    }
    cmbFType->addItem(QStringLiteral("全て(*.*)"), kSlots + 1);
    FilePatterns[kSlots] = QStringLiteral("*.*");
    cmbFType->setCurrentIndex(-1);
}

// Presses button `index` (1..3) as one of a group of option buttons, then runs its click.
void FormMain::pressModeButton(int index)
{
    for (int n = 1; n <= kSlots; ++n)
        optSyori[size_t(n - 1)]->setChecked(n == index);
    optSyori_Click(index);
}

void FormMain::optSyori_Click(int index)
{
    m_ctx.request.ProcessMode = qint16(index);
    const int entry = cmbFType->findData(index);
    cmbFType->setCurrentIndex(entry >= 0 ? entry : 0);
}

void FormMain::MenuModeOption_Click()
{
    m_ctx.ModesChanged = false;
    showModeEditor();
    if (!m_ctx.ModesChanged)
        return;
    LoadModeList();
    const qint16 mode = m_ctx.request.ProcessMode;
    if (isModeSlot(mode) && optSyori[size_t(mode - 1)]->isEnabled()) {
        pressModeButton(mode);
        return;
    }
    for (int n = 1; n <= kSlots; ++n) {
        if (optSyori[size_t(n - 1)]->isEnabled()) {
            pressModeButton(n);
            return;
        }
    }
    m_ctx.request.ProcessMode = ProcessModes::NoMode;
    cmbFType->setCurrentIndex(0);
}

// 差分カウント: the browser's folder against an old one, under the selected mode.
void FormMain::MenuDiff_Click()
{
    const qint16 mode = GetSelectedMode();
    if (!isModeSlot(mode)) {
        m_status->show(kNoModeMessage);
        return;
    }
    FormDiff(m_ctx, this, m_browserView->browser().folder(), mode, [this] {
        ShowOutputEntries(*lstOutputData, m_ctx.outputs.entries());
    }).exec();
    raise();
    activateWindow();
}

// The mode editor; it sets ModesChanged when it saved or deleted a mode.
void FormMain::showModeEditor()
{
    FormMOption(m_ctx, this).exec();
}
