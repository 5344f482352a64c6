// FormMain's controls and menus: where each widget sits (in twips, as designed), its name and its
// caption. The behaviour behind them lives in formmain.cpp.

#include "formmain.h"

#include <array>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>

#include "settings/settingsfile.h"
#include "ui/common/appcontext.h"
#include "ui/common/statusline.h"
#include "ui/common/twips.h"
#include "ui/common/windowkit.h"
#include "ui/main/folderbrowserview.h"
#include "ui/main/recentfilesmenu.h"

namespace {

constexpr int kSlots = SettingsKeys::ModeSlotCount;
const QString kDesignFilePattern = QStringLiteral("*.CBL;*.COB");

} // namespace

void FormMain::createControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    client->installEventFilter(this);

    Picture1 = new QWidget(client);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    const std::array<int, kSlots> modeLefts{120, 1560, 3000};
    for (int i = 0; i < kSlots; ++i) {
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
    m_browserView = new FolderBrowserView(drvRootDrv, dirRootDir, flsRootFList, m_ctx.dialogs,
                                          kDesignFilePattern, this);

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
    m_status = new StatusLine(lblStatusBar, this);
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
    m_recentMenu =
        new RecentFilesMenu(Menu1, recent0, separator(Menu1, QStringLiteral("MenuH04")), this);
    Menu終了 = action(Menu1, QStringLiteral("Menu終了"), QStringLiteral("終了"));

    Menu2 = menuBar()->addMenu(QStringLiteral("ｵﾌﾟｼｮﾝ"));
    Menu2->setObjectName(QStringLiteral("Menu2"));
    MenuModeOption =
        action(Menu2, QStringLiteral("MenuModeOption"), QStringLiteral("ﾓｰﾄﾞ設定(&M)"));
    MenuDiff = action(Menu2, QStringLiteral("MenuDiff"), QStringLiteral("差分カウント(&D)..."));

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
    for (size_t i = 0; i < LineEnds.size(); ++i)
        pMenuRenCD[i] = action(pMenuReturn, QStringLiteral("pMenuRenCD") + QString::number(i),
                               LineEndName(LineEnds[i]));
    separator(pMenuFList, QStringLiteral("MenuH07"));

    pMenuOList = new QMenu(QStringLiteral("POPUP MENU OLIST"), this);
    pMenuOList->setObjectName(QStringLiteral("pMenuOList"));
}
