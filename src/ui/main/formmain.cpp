#include "formmain.h"

#include <algorithm>
#include <cmath>
#include <optional>

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
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>

#include "run/batchrunner.h"
#include "run/runrequest.h"
#include "settings/clsinifile.h"
#include "settings/paths.h"
#include "settings/settingsfile.h"
#include "platform/shellfolders.h"
#include "ui/common/appcontext.h"
#include "ui/common/twips.h"
#include "ui/common/dialogs.h"
#include "ui/main/formfv.h"
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

constexpr int kStatusInterval = 3000;

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
#endif

const QString kDesignCaption = QStringLiteral("Quorvix");
const QString kDesignFilePattern = QStringLiteral("*.CBL;*.COB");

// Geometry values are stored with a blank in the place of a sign when not negative.
QString twipsText(int value)
{
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

std::optional<int> wholeNumber(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::abs(value) > 1e9)
        return std::nullopt;
    return int(std::lround(value));
}

QChar separator()
{
    return QDir::separator();
}

// An absolute, clean path in the platform's notation; no trailing separator except for a root.
QString normalizedFolder(const QString& path)
{
    if (path.trimmed().isEmpty())
        return QString();
    const QString absolute = QFileInfo(QDir::fromNativeSeparators(path)).absoluteFilePath();
    return QDir::toNativeSeparators(QDir::cleanPath(absolute));
}

QString parentFolder(const QString& folder)
{
    return QDir::toNativeSeparators(QFileInfo(QDir::fromNativeSeparators(folder)).path());
}

// The drive of a path: the root of the volume that holds it.
QString driveOf(const QString& path)
{
    const QStorageInfo info(QDir::fromNativeSeparators(path));
    if (!info.isValid())
        return QString();
    return normalizedFolder(info.rootPath());
}

bool samePath(const QString& a, const QString& b)
{
    return a.compare(b, kPathCase) == 0;
}

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

QString menuText(QString caption)
{
    return caption.replace(u'&', QStringLiteral("&&"));
}

const QString kNoModeMessage = QStringLiteral("処理モードを選択してください");
const QString kNoFileMessage = QStringLiteral("ファイルを選択してください");
const QString kMissingFileMessage =
    QStringLiteral("対象ファイル検索でファイルが見つかりません\r\n再度選択してください");

} // namespace

FormMain::FormMain(AppContext& ctx, const QString& commandLine, QWidget* parent)
    : QMainWindow(parent)
    , m_ctx(ctx)
    , m_filePattern(kDesignFilePattern)
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

void FormMain::createControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    client->installEventFilter(this);

    Picture1 = new QWidget(client);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    const std::array<int, 3> modeLefts{120, 1560, 3000};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QPushButton(Picture1);
        button->setObjectName(QStringLiteral("optSyori") + QString::number(i + 1));
        button->setCheckable(true);
        button->setGeometry(TwipsRect(modeLefts[size_t(i)], 40, 1335, 375));
        optSyori[size_t(i)] = button;
    }
    BtnStart = new QPushButton(QStringLiteral("START"), Picture1);
    BtnStart->setObjectName(QStringLiteral("BtnStart"));
    QFont bold = BtnStart->font();
    bold.setBold(true);
    BtnStart->setFont(bold);
    BtnStart->setGeometry(TwipsRect(120, 480, 4215, 375));
    chkStartWait = new QCheckBox(QStringLiteral("確認"), Picture1);
    chkStartWait->setObjectName(QStringLiteral("chkStartWait"));
    chkStartWait->setChecked(true);
    // The box sits on the START button; it needs at least its natural size to stay legible.
    const QSize boxSize =
        chkStartWait->sizeHint().expandedTo(QSize(TwipsToPixels(735), TwipsToPixels(200)));
    chkStartWait->setGeometry(TwipsToPixels(3360),
                              std::min(TwipsToPixels(570), TwipsToPixels(900) - boxSize.height()),
                              boxSize.width(), boxSize.height());
    chkStartWait->raise();
    BtnEnd = new QToolButton(Picture1);
    BtnEnd->setObjectName(QStringLiteral("BtnEnd"));
    BtnEnd->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    BtnEnd->setIconSize(QSize(TwipsToPixels(400), TwipsToPixels(400)));
    BtnEnd->setGeometry(TwipsRect(4440, 120, 595, 615));

    drvRootDrv = new QComboBox(client);
    drvRootDrv->setObjectName(QStringLiteral("drvRootDrv"));
    BtnMyDoc = new QPushButton(QStringLiteral("My"), client);
    BtnMyDoc->setObjectName(QStringLiteral("BtnMyDoc"));
    cmbFType = new QComboBox(client);
    cmbFType->setObjectName(QStringLiteral("cmbFType"));

    dirRootDir = new QTreeWidget(client);
    dirRootDir->setObjectName(QStringLiteral("dirRootDir"));
    dirRootDir->setHeaderHidden(true);
    dirRootDir->setRootIsDecorated(false);
    dirRootDir->setItemsExpandable(false);
    dirRootDir->setIndentation(TwipsToPixels(180));
    dirRootDir->setSelectionMode(QAbstractItemView::SingleSelection);
    dirRootDir->installEventFilter(this);

    flsRootFList = new QListWidget(client);
    flsRootFList->setObjectName(QStringLiteral("flsRootFList"));
    flsRootFList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    flsRootFList->viewport()->installEventFilter(this);

    lstOutputData = new QListWidget(client);
    lstOutputData->setObjectName(QStringLiteral("lstOutputData"));
    lstOutputData->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstOutputData->viewport()->installEventFilter(this);

    BtnClear = new QPushButton(QStringLiteral("Clear"), client);
    BtnClear->setObjectName(QStringLiteral("BtnClear"));
    BtnClear->raise();

    picStatusBar = new QWidget(client);
    picStatusBar->setObjectName(QStringLiteral("picStatusBar"));
    lblStatusBar = new QLabel(picStatusBar);
    lblStatusBar->setObjectName(QStringLiteral("lblStatusBar"));

    timMsgInterval = new QTimer(this);
    timMsgInterval->setObjectName(QStringLiteral("timMsgInterval"));
    timMsgInterval->setInterval(kStatusInterval);
    timMsgInterval->setSingleShot(true);
}

void FormMain::createMenus()
{
    const auto action = [this](QMenu* menu, const QString& name, const QString& caption) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        return a;
    };
    const auto separator = [](QMenu* menu, const QString& name) {
        QAction* a = menu->addSeparator();
        a->setObjectName(name);
        return a;
    };

    Menu1 = menuBar()->addMenu(QStringLiteral("操作"));
    Menu1->setObjectName(QStringLiteral("Menu1"));
    MenuSTART = action(Menu1, QStringLiteral("MenuSTART"), QStringLiteral("START"));
    MenuSTART->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    separator(Menu1, QStringLiteral("MenuH01"));
    MenuALL[0] = action(Menu1, QStringLiteral("MenuALL0"), QStringLiteral("全て選択"));
    MenuALL[0]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    MenuALL[1] = action(Menu1, QStringLiteral("MenuALL1"), QStringLiteral("全て選択解除"));
    separator(Menu1, QStringLiteral("MenuH02"));
    MenuRef = action(Menu1, QStringLiteral("MenuRef"), QStringLiteral("再表示"));
    MenuRef->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    separator(Menu1, QStringLiteral("MenuH03"));
    QAction* recent0 =
        action(Menu1, QStringLiteral("MenuRecent0"), QStringLiteral("最近処理したﾌｧｲﾙ"));
    recent0->setVisible(false);
    MenuRecent.push_back(recent0);
    MenuH04 = separator(Menu1, QStringLiteral("MenuH04"));
    Menu終了 = action(Menu1, QStringLiteral("Menu終了"), QStringLiteral("終了"));

    Menu2 = menuBar()->addMenu(QStringLiteral("ｵﾌﾟｼｮﾝ"));
    Menu2->setObjectName(QStringLiteral("Menu2"));
    MenuModeOption =
        action(Menu2, QStringLiteral("MenuModeOption"), QStringLiteral("ﾓｰﾄﾞ設定(&M)"));

    Menu3 = menuBar()->addMenu(QStringLiteral("ﾍﾙﾌﾟ"));
    Menu3->setObjectName(QStringLiteral("Menu3"));
    MenuHelpContents =
        action(Menu3, QStringLiteral("MenuHelpContents"), QStringLiteral("目次(&C)"));
    separator(Menu3, QStringLiteral("MenuH06"));
    MenuVersion = action(Menu3, QStringLiteral("MenuVersion"), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)"));

    pMenuFList = new QMenu(QStringLiteral("POPUP MENU FLIST"), this);
    pMenuFList->setObjectName(QStringLiteral("pMenuFList"));
    pMenuSTART = action(pMenuFList, QStringLiteral("pMenuSTART"), QStringLiteral("START"));
    separator(pMenuFList, QStringLiteral("MenuH08"));
    pMenuReturn = pMenuFList->addMenu(QStringLiteral("改行ｺｰﾄﾞ変換"));
    pMenuReturn->setObjectName(QStringLiteral("pMenuReturn"));
    const std::array<QString, 3> endings{QStringLiteral("CR+LF"), QStringLiteral("CR"),
                                         QStringLiteral("LF")};
    for (int i = 0; i < 3; ++i)
        pMenuRenCD[size_t(i)] = action(
            pMenuReturn, QStringLiteral("pMenuRenCD") + QString::number(i), endings[size_t(i)]);
    separator(pMenuFList, QStringLiteral("MenuH07"));

    pMenuOList = new QMenu(QStringLiteral("POPUP MENU OLIST"), this);
    pMenuOList->setObjectName(QStringLiteral("pMenuOList"));
}

void FormMain::connectControls()
{
    for (int i = 0; i < 3; ++i)
        connect(optSyori[size_t(i)], &QPushButton::clicked, this,
                [this, i] { pressModeButton(i + 1); });
    connect(BtnStart, &QPushButton::clicked, this, &FormMain::BtnStart_Click);
    connect(BtnEnd, &QToolButton::clicked, this, &FormMain::close);
    connect(drvRootDrv, &QComboBox::currentIndexChanged, this, &FormMain::drvRootDrv_Change);
    connect(dirRootDir, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { dirRootDir_Click(item); });
    connect(BtnMyDoc, &QPushButton::clicked, this, &FormMain::BtnMyDoc_Click);
    connect(cmbFType, &QComboBox::currentIndexChanged, this, &FormMain::cmbFType_Click);
    connect(flsRootFList, &QListWidget::itemDoubleClicked, this, &FormMain::BtnStart_Click);
    connect(lstOutputData, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (m_sendTo)
            m_sendTo->openOutput(item->data(Qt::UserRole).toInt());
    });
    connect(BtnClear, &QPushButton::clicked, this, &FormMain::BtnClear_Click);
    connect(timMsgInterval, &QTimer::timeout, this, &FormMain::timMsgInterval_Timer);

    connect(MenuSTART, &QAction::triggered, this, &FormMain::BtnStart_Click);
    connect(MenuALL[0], &QAction::triggered, this, [this] { MenuALL_Click(0); });
    connect(MenuALL[1], &QAction::triggered, this, [this] { MenuALL_Click(1); });
    connect(MenuRef, &QAction::triggered, this, &FormMain::MenuRef_Click);
    connect(MenuRecent[0], &QAction::triggered, this,
            [this] { MenuRecent_Click(MenuRecent[0]->data().toString()); });
    connect(Menu終了, &QAction::triggered, this, &FormMain::close);
    connect(MenuModeOption, &QAction::triggered, this, &FormMain::MenuModeOption_Click);
    connect(MenuHelpContents, &QAction::triggered, this, [this] {
        if (m_sendTo)
            m_sendTo->openHelp();
    });
    connect(MenuVersion, &QAction::triggered, this, [this] {
        FormFV version(m_ctx, this);
        version.exec();
    });
    connect(pMenuSTART, &QAction::triggered, this, &FormMain::BtnStart_Click);
    for (int i = 0; i < 3; ++i)
        connect(pMenuRenCD[size_t(i)], &QAction::triggered, this,
                [this, i] { pMenuRenCD_Click(i); });
}

// ---------------------------------------------------------------------------------------------
// Start-up, layout, close

void FormMain::Form_Load(const QString& commandLine)
{
    using namespace SettingsKeys;
    clsIniFile ini;
    ini.setPFileName(m_ctx.settingsPath());

    if (const auto v =
            wholeNumber(ini.mGetString(SectionSettings, MainLeft, twipsText(PixelsToTwips(x())))))
        move(TwipsToPixels(*v), y());
    if (const auto v =
            wholeNumber(ini.mGetString(SectionSettings, MainTop, twipsText(PixelsToTwips(y())))))
        move(x(), TwipsToPixels(*v));
    if (const auto v = wholeNumber(
            ini.mGetString(SectionSettings, MainWidth, twipsText(PixelsToTwips(width())))))
        resize(TwipsToPixels(*v), height());
    if (const auto v = wholeNumber(
            ini.mGetString(SectionSettings, MainHeight, twipsText(PixelsToTwips(height())))))
        resize(width(), TwipsToPixels(*v));

    int idxFType = 0;
    bool ok = false;
    const int storedIdx =
        ini.mGetString(SectionSettings, IdxFType, DefaultIdxFType).trimmed().toInt(&ok);
    if (ok)
        idxFType = storedIdx;
    const qint16 nextStartMode =
        ini.mGetInteger(SectionSettings, NextStartMode, DefaultNextStartMode)
            .value_or(DefaultNextStartMode);
    const int startWait =
        ini.mGetString(SectionSettings, StartWait, DefaultStartWait).trimmed().toInt(&ok);
    if (ok)
        chkStartWait->setChecked(startWait != 0);

    const auto storedStartPath = [&] {
        return ini.mGetString(SectionSettings, NextStartPath, m_ctx.programFolder);
    };
    bool placed = false;
    if (commandLine.isEmpty()) {
        placed = setFolder(storedStartPath());
    } else {
        QString path = commandLine;
        path.remove(u'"');
        path = QDir::toNativeSeparators(path);
        if (FolderExists(path))
            placed = setFolder(path);
        else
            placed = setFolder(path.left(path.lastIndexOf(separator()) + 1));
        if (!placed)
            placed = setFolder(storedStartPath());
    }
    if (!placed && !setFolder(m_ctx.programFolder))
        setFolder(QDir::rootPath());

    const QString sendTo = GetShellFolder(QStringLiteral("SendTo"));
    SendToDir = AddBackslash(sendTo);
    PersonalDir = AddBackslash(GetShellFolder(QStringLiteral("Personal")));
    // Without a SendTo folder SendToDir is a lone "/": the menus then list nothing instead.
    m_sendTo = new SendToController(m_ctx, sendTo.isEmpty() ? QString() : SendToDir, this);
    m_sendTo->setCurrentFileProvider([this]() -> QString {
        const QListWidgetItem* item = flsRootFList->currentItem();
        return item ? AddBackslash(m_folder) + item->text() : QString();
    });
    m_sendTo->setCurrentOutputProvider([this]() -> qint32 {
        const QListWidgetItem* item = lstOutputData->currentItem();
        return item ? item->data(Qt::UserRole).toInt() : 0;
    });
    connect(m_sendTo, &SendToController::statusMessage, this, &FormMain::showStatus);
    connect(m_sendTo, &SendToController::startStatusTimer, timMsgInterval,
            qOverload<>(&QTimer::start));
    pMenuFList->addMenu(m_sendTo->fileListSubmenu());
    pMenuOList->addMenu(m_sendTo->outputListSubmenu());

    LoadRecentMenu();
    LastDrive = currentDrive();
    LoadModeList();

    if (idxFType >= 0 && idxFType < cmbFType->count())
        cmbFType->setCurrentIndex(idxFType);

    m_ctx.request.ProcessMode = nextStartMode;
    if (nextStartMode >= 1 && nextStartMode <= 3)
        pressModeButton(nextStartMode);

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
    using namespace SettingsKeys;
    clsIniFile ini;
    ini.setPFileName(m_ctx.settingsPath());
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        ini.mSetString(SectionSettings, MainLeft, twipsText(PixelsToTwips(x())));
        ini.mSetString(SectionSettings, MainTop, twipsText(PixelsToTwips(y())));
        ini.mSetString(SectionSettings, MainWidth, twipsText(PixelsToTwips(width())));
        ini.mSetString(SectionSettings, MainHeight, twipsText(PixelsToTwips(height())));
    }
    ini.mSetString(SectionSettings, NextStartPath, m_folder);
    ini.mSetString(SectionSettings, IdxFType, QString::number(cmbFType->currentIndex()));
    ini.mSetString(SectionSettings, StartWait,
                   chkStartWait->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    ini.mSetString(SectionSettings, NextStartMode, QString::number(GetSelectedMode()));
}

void FormMain::closeEvent(QCloseEvent* event)
{
    Form_QueryUnload();
    event->accept();
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
            dirRootDir_Click(dirRootDir->currentItem());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Status line

void FormMain::showStatus(const QString& text)
{
    lblStatusBar->setText(text);
    timMsgInterval->start();
}

void FormMain::timMsgInterval_Timer()
{
    lblStatusBar->clear();
    timMsgInterval->stop();
}

// ---------------------------------------------------------------------------------------------
// Counting and conversion

qint16 FormMain::GetSelectedMode() const
{
    for (int n = 1; n <= 3; ++n) {
        const QPushButton* button = optSyori[size_t(n - 1)];
        if (button->isEnabled() && button->isChecked())
            return qint16(n);
    }
    return ProcessModes::NoMode;
}

void FormMain::BtnStart_Click()
{
    m_ctx.request.ProcessMode = GetSelectedMode();
    if (m_ctx.request.ProcessMode < 1 || m_ctx.request.ProcessMode > 3) {
        showStatus(kNoModeMessage);
        return;
    }
    runSelectedFiles();
}

void FormMain::pMenuRenCD_Click(int index)
{
    m_ctx.request.ProcessMode = qint16(ProcessModes::ToCrLf + index);
    runSelectedFiles();
}

void FormMain::runSelectedFiles()
{
    std::vector<BatchFile> files;
    double totalBytes = 0;
    const QString folder = AddBackslash(m_folder);
    for (int i = 0; i < flsRootFList->count(); ++i) {
        const QListWidgetItem* item = flsRootFList->item(i);
        if (!item->isSelected())
            continue;
        const QFileInfo info(folder + item->text());
        if (!info.exists() || info.isDir()) {
            reportMissingFile();
            return;
        }
        totalBytes += double(info.size());
        files.push_back({folder, item->text()});
    }
    if (files.empty()) {
        showStatus(kNoFileMessage);
        return;
    }
    m_ctx.request.TotalBytes = totalBytes;
    StartRun(files);
}

void FormMain::reportMissingFile()
{
    m_ctx.dialogs.message(this, kMissingFileMessage, Dialogs::Icon::Critical);
    MenuRef_Click();
}

// The run dialog works from the request: SourceDir and Files, and when the files come from
// several folders, their full paths in FilePaths. TotalBytes and ProcessMode are the caller's.
void FormMain::StartRun(const std::vector<BatchFile>& files)
{
    RunRequest& request = m_ctx.request;
    request.SourceDir = files.empty() ? QString() : files.front().folder;
    request.Files.clear();
    request.FilePaths.clear();
    bool severalFolders = false;
    for (const BatchFile& file : files) {
        request.Files.append(file.name);
        severalFolders = severalFolders || !samePath(file.folder, request.SourceDir);
    }
    if (severalFolders) {
        for (const BatchFile& file : files)
            request.FilePaths.append(file.folder + file.name);
    }
    request.Cancelled = false;
    request.StartWait = chkStartWait->isChecked();

    {
        FormWait wait(
            m_ctx, this, [this] { syncOutputList(); }, [this] { timMsgInterval->start(); });
        wait.exec();
    }
    raise();
    activateWindow();
    if (request.Cancelled)
        return;

    const size_t n = files.size();
    for (size_t i = n > 5 ? n - 5 : 0; i < n; ++i)
        AddRecentFile(files[i].folder + files[i].name);
    LoadRecentMenu();
}

// Appends what the run added to the output list; anything else (a cleared list) rebuilds it.
void FormMain::syncOutputList()
{
    const std::vector<OutputEntry>& entries = m_ctx.outputs.entries();
    int shown = lstOutputData->count();
    const auto matches = [&](int row) {
        const QListWidgetItem* item = lstOutputData->item(row);
        const OutputEntry& entry = entries[size_t(row)];
        return item->text() == entry.text && item->data(Qt::UserRole).toInt() == entry.itemData;
    };
    if (size_t(shown) > entries.size() || (shown > 0 && !matches(shown - 1))) {
        lstOutputData->clear();
        shown = 0;
    }
    for (size_t i = size_t(shown); i < entries.size(); ++i) {
        auto* item = new QListWidgetItem(entries[i].text, lstOutputData);
        item->setData(Qt::UserRole, entries[i].itemData);
        item->setSelected(entries[i].selected);
        if (entries[i].selected)
            lstOutputData->setCurrentItem(item, QItemSelectionModel::NoUpdate);
    }
    if (lstOutputData->count() > 0)
        lstOutputData->scrollToItem(lstOutputData->item(lstOutputData->count() - 1));
}

// ---------------------------------------------------------------------------------------------
// Browser

// Moves the folder list (and with it the drive list and the file list) to `path`; false, with
// nothing changed, when `path` is not an existing folder.
bool FormMain::setFolder(const QString& path)
{
    const QString folder = normalizedFolder(path);
    if (!FolderExists(folder))
        return false;
    m_folder = folder;
    fillFolderList();
    dirRootDir_Change();
    return true;
}

void FormMain::dirRootDir_Change()
{
    const QString drive = driveOf(m_folder);
    if (!drive.isEmpty() && !samePath(drive, currentDrive()))
        selectDrive(drive);
    m_driveFolders.insert(drive, m_folder);
    fillFileList();
}

void FormMain::dirRootDir_Click(QTreeWidgetItem* item)
{
    if (!item)
        return;
    const QString path = item->data(0, Qt::UserRole).toString();
    if (samePath(path, m_folder))
        return;
    if (!setFolder(path))
        fillFolderList();
}

QString FormMain::currentDrive() const
{
    return drvRootDrv->currentData().toString();
}

void FormMain::fillDriveList()
{
    const QSignalBlocker blocker(drvRootDrv);
    drvRootDrv->clear();
    QStringList roots;
    QStringList labels;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = normalizedFolder(volume.rootPath());
        if (!volume.isValid() || !FolderExists(root) ||
            std::any_of(roots.cbegin(), roots.cend(),
                        [&](const QString& r) { return samePath(r, root); }))
            continue;
        roots << root;
        labels << volume.name();
    }
    // The root of the file system first, the other volumes in path order.
    std::vector<int> order(size_t(roots.size()));
    for (int i = 0; i < roots.size(); ++i)
        order[size_t(i)] = i;
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return roots[a].compare(roots[b], Qt::CaseInsensitive) < 0; });
    for (const int i : order) {
        const QString text =
            labels[i].isEmpty() ? roots[i] : roots[i] + QStringLiteral(" [") + labels[i] + u']';
        drvRootDrv->addItem(text, roots[i]);
    }
    const QString drive = driveOf(m_folder);
    if (!drive.isEmpty()) {
        int index = -1;
        for (int i = 0; i < drvRootDrv->count(); ++i) {
            if (samePath(drvRootDrv->itemData(i).toString(), drive))
                index = i;
        }
        if (index < 0) {
            drvRootDrv->addItem(drive, drive);
            index = drvRootDrv->count() - 1;
        }
        drvRootDrv->setCurrentIndex(index);
    }
}

void FormMain::selectDrive(const QString& root)
{
    if (drvRootDrv->count() == 0)
        fillDriveList();
    for (int i = 0; i < drvRootDrv->count(); ++i) {
        if (samePath(drvRootDrv->itemData(i).toString(), root)) {
            drvRootDrv->setCurrentIndex(i);
            return;
        }
    }
    drvRootDrv->addItem(root, root);
    drvRootDrv->setCurrentIndex(drvRootDrv->count() - 1);
}

void FormMain::drvRootDrv_Change()
{
    const QString drive = currentDrive();
    if (drive.isEmpty())
        return;
    if (samePath(driveOf(m_folder), drive)) {
        LastDrive = drive;
        return;
    }
    // Like a drive's current folder elsewhere: return to where the user last was on it.
    QString target = m_driveFolders.value(drive, drive);
    if (!FolderExists(target))
        target = drive;
    if (!QDir(drive).isReadable() || !setFolder(target)) {
        m_ctx.dialogs.message(
            this,
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
void FormMain::fillFolderList()
{
    const QSignalBlocker blocker(dirRootDir);
    dirRootDir->clear();
    const QString drive = driveOf(m_folder);
    QStringList chain{m_folder};
    for (QString path = m_folder; !samePath(path, drive);) {
        const QString parent = parentFolder(path);
        if (samePath(parent, path))
            break;
        chain.prepend(parent);
        path = parent;
    }

    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirIcon);
    QTreeWidgetItem* parentItem = nullptr;
    for (qsizetype i = 0; i < chain.size(); ++i) {
        const QString text = i == 0 ? chain[i] : QFileInfo(chain[i]).fileName();
        auto* item = parentItem ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(dirRootDir);
        item->setText(0, text);
        item->setIcon(0, open);
        item->setData(0, Qt::UserRole, chain[i]);
        item->setExpanded(true);
        parentItem = item;
    }
    const QDir dir(QDir::fromNativeSeparators(m_folder));
    const QStringList subfolders =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : subfolders) {
        auto* item = new QTreeWidgetItem(parentItem);
        item->setText(0, name);
        item->setIcon(0, closed);
        item->setData(0, Qt::UserRole, AddBackslash(m_folder) + name);
    }
    parentItem->setExpanded(true);
    dirRootDir->setCurrentItem(parentItem);
    dirRootDir->scrollToItem(parentItem);
}

void FormMain::fillFileList()
{
    flsRootFList->clear();
    const std::vector<QRegularExpression> patterns = compilePatterns(m_filePattern);
    const QDir dir(QDir::fromNativeSeparators(m_folder));
    const QStringList names = dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names) {
        if (std::any_of(patterns.cbegin(), patterns.cend(),
                        [&](const QRegularExpression& re) { return re.match(name).hasMatch(); }))
            flsRootFList->addItem(name);
    }
}

void FormMain::BtnMyDoc_Click()
{
    if (BtnMyDoc->text() == QLatin1StringView("My")) {
        if (setFolder(PersonalDir))
            BtnMyDoc->setText(QStringLiteral("App"));
    } else if (setFolder(m_ctx.programFolder)) {
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
    m_filePattern = FilePatterns[size_t(k - 1)];
    fillFileList();
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
    // The folder may have gone meanwhile: the lists stay on its nearest existing parent.
    QString folder = m_folder;
    while (!FolderExists(folder) && !samePath(parentFolder(folder), folder))
        folder = parentFolder(folder);
    if (!samePath(folder, m_folder) && setFolder(folder)) {
        fillDriveList();
        update();
        return;
    }
    fillFileList();
    fillFolderList();
    fillDriveList();
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

bool FormMain::acceptsDrag(const QMimeData* data) const
{
    if (!data || !data->hasUrls() || data->urls().isEmpty())
        return false;
    const QUrl first = data->urls().constFirst();
    if (!first.isLocalFile())
        return false;
    const QString path = QDir::toNativeSeparators(first.toLocalFile());
    return !path.startsWith(QStringLiteral("//")) && !path.startsWith(QStringLiteral("\\\\"));
}

void FormMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (acceptsDrag(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void FormMain::dragMoveEvent(QDragMoveEvent* event)
{
    if (acceptsDrag(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void FormMain::dropEvent(QDropEvent* event)
{
    if (!acceptsDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        paths << (url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile()) : QString());
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
    if (f1.isEmpty() || f1.startsWith(QStringLiteral("//")) ||
        f1.startsWith(QStringLiteral("\\\\")))
        return;
    if (FolderExists(f1)) {
        setFolder(AddBackslash(f1));
        return;
    }
    if (!setFolder(f1.left(f1.lastIndexOf(separator()) + 1))) {
        reportMissingFile();
        return;
    }
    raise();
    activateWindow();

    // Each file keeps its own folder, so files dropped from several folders are all found.
    std::vector<BatchFile> files;
    double totalBytes = 0;
    for (const QString& path : paths) {
        const qsizetype p = path.lastIndexOf(separator());
        if (path.isEmpty() || FolderExists(path) || p < 0)
            continue;
        const QFileInfo info(path);
        if (!info.exists()) {
            reportMissingFile();
            return;
        }
        totalBytes += double(info.size());
        files.push_back({path.left(p + 1), path.mid(p + 1)});
    }
    if (files.empty())
        return;
    m_ctx.request.TotalBytes = totalBytes;
    StartRun(files);
}

// ---------------------------------------------------------------------------------------------
// Recent files

void FormMain::LoadRecentMenu()
{
    // An entry may be the one whose click led here: it goes later, out of the menu now.
    while (MenuRecent.size() > 1) {
        QAction* entry = MenuRecent.back();
        Menu1->removeAction(entry);
        entry->setObjectName(QString());
        entry->deleteLater();
        MenuRecent.pop_back();
    }
    clsIniFile ini;
    ini.setPFileName(m_ctx.settingsPath());
    size_t n = 0;
    for (int i = 0; i < SettingsKeys::RecentFileCount; ++i) {
        const QString path =
            ini.mGetString(SettingsKeys::SectionRecentFiles, SettingsKeys::recentFileKey(i));
        if (path.isEmpty())
            continue;
        if (n >= MenuRecent.size()) {
            auto* entry = new QAction(Menu1);
            entry->setObjectName(QStringLiteral("MenuRecent") + QString::number(n));
            Menu1->insertAction(MenuH04, entry);
            connect(entry, &QAction::triggered, this,
                    [this, entry] { MenuRecent_Click(entry->data().toString()); });
            MenuRecent.push_back(entry);
        }
        MenuRecent[n]->setText(menuText(path));
        MenuRecent[n]->setData(path);
        MenuRecent[n]->setVisible(true);
        ++n;
    }
}

// Puts `path` first; a stored entry goes only when it is the very same path, and keys past the
// end of the list are removed so that no stale entry stays behind.
void FormMain::AddRecentFile(const QString& path)
{
    clsIniFile ini;
    ini.setPFileName(m_ctx.settingsPath());
    QStringList kept{path};
    for (int i = 0; i < SettingsKeys::RecentFileCount; ++i) {
        const QString stored =
            ini.mGetString(SettingsKeys::SectionRecentFiles, SettingsKeys::recentFileKey(i));
        if (!stored.isEmpty() && !samePath(stored, path))
            kept << stored;
    }
    QStringList items;
    for (int i = 0; i < std::min<int>(int(kept.size()), SettingsKeys::RecentFileCount); ++i)
        items << SettingsKeys::recentFileKey(i) + u'=' + kept[i];
    ini.mSetSection(SettingsKeys::SectionRecentFiles, items.join(QChar(0)));
}

void FormMain::MenuRecent_Click(const QString& path)
{
    const qsizetype p = path.lastIndexOf(separator());
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || info.isDir()) {
        reportMissingFile();
        return;
    }
    m_ctx.request.TotalBytes = double(info.size());
    StartRun({{AddBackslash(path.left(std::max<qsizetype>(p, 0))), path.mid(p + 1)}});
}

// ---------------------------------------------------------------------------------------------
// Modes

void FormMain::LoadModeList()
{
    const QSignalBlocker blocker(cmbFType);
    cmbFType->clear();
    clsIniFile ini;
    ini.setPFileName(m_ctx.settingsPath());
    std::array<QString, 3> names;
    std::array<QString, 3> types;
    for (int n = 1; n <= 3; ++n) {
        const QString section = SettingsKeys::modeSection(n);
        names[size_t(n - 1)] = ini.mGetString(section, SettingsKeys::ModeKeys[0]);
        types[size_t(n - 1)] = ini.mGetString(section, SettingsKeys::ModeKeys[1]);
    }
    FilePatterns.fill(QString());
    for (int n = 1; n <= 3; ++n) {
        QPushButton* button = optSyori[size_t(n - 1)];
        const QString& name = names[size_t(n - 1)];
        const QString& type = types[size_t(n - 1)];
        button->setChecked(false);
        if (!name.isEmpty() && !type.isEmpty()) {
            cmbFType->addItem(name + u'(' + type + u')', n);
            FilePatterns[size_t(n - 1)] = type;
            button->setText(menuText(name));
            button->setEnabled(true);
        } else {
            button->setText(QString());
            button->setEnabled(false);
        }
    }
    cmbFType->addItem(QStringLiteral("全て(*.*)"), 4);
    FilePatterns[3] = QStringLiteral("*.*");
    cmbFType->setCurrentIndex(-1);
}

// Presses button `index` (1..3) as one of a group of option buttons, then runs its click.
void FormMain::pressModeButton(int index)
{
    for (int n = 1; n <= 3; ++n)
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
    if (mode >= 1 && mode <= 3 && optSyori[size_t(mode - 1)]->isEnabled()) {
        pressModeButton(mode);
        return;
    }
    for (int n = 1; n <= 3; ++n) {
        if (optSyori[size_t(n - 1)]->isEnabled()) {
            pressModeButton(n);
            return;
        }
    }
    m_ctx.request.ProcessMode = ProcessModes::NoMode;
    cmbFType->setCurrentIndex(0);
}

// The mode editor; it sets ModesChanged when it saved or deleted a mode.
void FormMain::showModeEditor()
{
    FormMOption(m_ctx, this).exec();
}
