#include <memory>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include "settings/paths.h"
#include "support/uisupport.h"
#include "ui/common/appcontext.h"
#include "ui/main/formdiff.h"
#include "ui/main/formmain.h"
#include "ui/modes/formmoption.h"
#include "uitest.h"

namespace {

using uitest::find;

const QByteArray kSource("       MOVE A TO B.\r\n      * note\r\n\r\n");

// A program folder whose settings define modes 1 and 2 and switch "確認" off, so every run
// starts and ends by itself; a source folder with COBOL files and one text file.
struct Env : uitest::AppEnv {
    // False when a file the tests start from cannot be written.
    [[nodiscard]] bool setUp() const
    {
        for (const char* name : {"A.CBL", "B.CBL", "C.CBL", "note.txt"}) {
            if (!write(src.filePath(QString::fromLatin1(name))))
                return false;
        }
        return setIni(QStringLiteral("MODE-1"), QStringLiteral("ModeName"),
                      QStringLiteral("TEST")) &&
               setIni(QStringLiteral("MODE-1"), QStringLiteral("FileType"),
                      QStringLiteral("*.CBL")) &&
               setIni(QStringLiteral("MODE-2"), QStringLiteral("ModeName"),
                      QStringLiteral("TEXT")) &&
               setIni(QStringLiteral("MODE-2"), QStringLiteral("FileType"),
                      QStringLiteral("*.txt")) &&
               setIni(QStringLiteral("Settings"), QStringLiteral("StartWait"), QStringLiteral("0"));
    }
    QString get(const QString& section, const QString& key) const
    {
        return ini(section, key, QStringLiteral("<none>"));
    }
    QString setting(const char* key) const
    {
        return get(QStringLiteral("Settings"), QString::fromLatin1(key));
    }
    QStringList recent() const
    {
        QStringList list;
        for (int i = 0; i < 5; ++i)
            list << get(QStringLiteral("RecentFileList"), QStringLiteral("0%1").arg(i));
        return list;
    }
    [[nodiscard]] static bool write(const QString& path)
    {
        return uitest::writeFile(path, kSource);
    }
    QString path(const QString& name) const { return QDir::toNativeSeparators(src.filePath(name)); }
    std::unique_ptr<FormMain> open(const QString& commandLine = QString())
    {
        auto w = std::make_unique<FormMain>(ctx, commandLine.isNull() ? src.path() : commandLine);
        w->show();
        return w;
    }
};

QListWidget* fileList(QWidget* w)
{
    return find<QListWidget>(w, QStringLiteral("flsRootFList"));
}

QStringList texts(const QListWidget* list)
{
    QStringList t;
    for (int i = 0; i < list->count(); ++i)
        t << list->item(i)->text();
    return t;
}

// Ctrl+clicks each name; false when a name is not listed exactly once.
[[nodiscard]] bool clickFiles(QWidget* w, const QStringList& names)
{
    QListWidget* list = fileList(w);
    for (const QString& name : names) {
        const auto items = list->findItems(name, Qt::MatchExactly);
        if (items.size() != 1)
            return false;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          list->visualItemRect(items[0]).center());
    }
    return true;
}

void pressStart(QWidget* w)
{
    QTest::mouseClick(find<QPushButton>(w, QStringLiteral("BtnStart")), Qt::LeftButton);
}

QString folderShown(QWidget* w)
{
    const QTreeWidgetItem* current =
        find<QTreeWidget>(w, QStringLiteral("dirRootDir"))->currentItem();
    return current ? current->data(0, Qt::UserRole).toString() : QString();
}

// False when `target` refuses the drag or the drop.
[[nodiscard]] bool drop(QWidget* target, const QStringList& paths)
{
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls << QUrl::fromLocalFile(p);
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    return dropped.isAccepted();
}

} // namespace

class FormMainTest final : public QObject {
    Q_OBJECT

    QTemporaryDir m_dataHome; // the SendTo folder is created below it
    QByteArray m_oldDataHome;
    std::unique_ptr<Env> m_env;

private slots:
    void initTestCase()
    {
        m_oldDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", m_dataHome.path().toLocal8Bit());
    }
    void cleanupTestCase() { qputenv("XDG_DATA_HOME", m_oldDataHome); }
    void init()
    {
        m_env = std::make_unique<Env>();
        QVERIFY(m_env->setUp());
    }
    void cleanup() { m_env.reset(); }

    void startNeedsModeAndFile()
    {
        Env& env = *m_env;
        auto w = env.open();
        auto* status = find<QLabel>(w.get(), QStringLiteral("lblStatusBar"));
        auto* timer = find<QTimer>(w.get(), QStringLiteral("timMsgInterval"));
        QVERIFY(timer->isSingleShot());
        QCOMPARE(timer->interval(), 3000);
        QVERIFY(!timer->isActive());

        pressStart(w.get());
        QCOMPARE(status->text(), QStringLiteral("処理モードを選択してください"));
        QVERIFY(timer->isActive());
        QMetaObject::invokeMethod(timer, "timeout");
        QCOMPARE(status->text(), QString());

        QTest::mouseClick(find<QPushButton>(w.get(), QStringLiteral("optSyori1")), Qt::LeftButton);
        pressStart(w.get());
        QCOMPARE(status->text(), QStringLiteral("ファイルを選択してください"));
        QVERIFY(env.ctx.outputs.entries().empty());
    }

    void countOfSelectedFilesListsReportsAndRecentFiles()
    {
        Env& env = *m_env;
        auto w = env.open();
        QTest::mouseClick(find<QPushButton>(w.get(), QStringLiteral("optSyori1")), Qt::LeftButton);
        QCOMPARE(texts(fileList(w.get())),
                 (QStringList{QStringLiteral("A.CBL"), QStringLiteral("B.CBL"),
                              QStringLiteral("C.CBL")}));
        QVERIFY(clickFiles(
            w.get(), {QStringLiteral("C.CBL"), QStringLiteral("A.CBL"), QStringLiteral("B.CBL")}));
        pressStart(w.get());

        auto* outputs = find<QListWidget>(w.get(), QStringLiteral("lstOutputData"));
        QCOMPARE(texts(outputs), (QStringList{QStringLiteral("(1) A_CBL_QVX.txt"),
                                              QStringLiteral("(2) B_CBL_QVX.txt"),
                                              QStringLiteral("(3) C_CBL_QVX.txt")}));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(outputs->item(i)->data(Qt::UserRole).toInt(), i + 1);
            QVERIFY(outputs->item(i)->isSelected());
        }
        QVERIFY(QFile::exists(env.src.filePath(QStringLiteral("B_CBL_QVX.txt"))));
        QCOMPARE(env.recent().mid(0, 4),
                 (QStringList{env.path(QStringLiteral("C.CBL")), env.path(QStringLiteral("B.CBL")),
                              env.path(QStringLiteral("A.CBL")), QStringLiteral("<none>")}));
        auto* recent1 = find<QAction>(w.get(), QStringLiteral("MenuRecent1"));
        QVERIFY(recent1->isVisible());
        QCOMPARE(recent1->text(), env.path(QStringLiteral("B.CBL")));

        QTest::mouseClick(find<QPushButton>(w.get(), QStringLiteral("BtnClear")), Qt::LeftButton);
        QCOMPARE(outputs->count(), 0);
        QCOMPARE(env.ctx.request.OutputCount, 0);
    }

    void noInTheRunDialogLeavesTheRecentListAlone()
    {
        Env& env = *m_env;
        QVERIFY(env.setIni(QStringLiteral("Settings"), QStringLiteral("StartWait"),
                           QStringLiteral("1")));
        auto w = env.open();
        QTest::mouseClick(find<QPushButton>(w.get(), QStringLiteral("optSyori1")), Qt::LeftButton);
        QVERIFY(clickFiles(w.get(), {QStringLiteral("A.CBL")}));
        bool answered = false;
        // The run dialog waits for the user: answer it with いいえ once it is up.
        QTimer::singleShot(0, w.get(), [&] {
            auto* dialog = w->findChild<QDialog*>(QStringLiteral("FormWait"));
            if (!dialog)
                dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            QTest::mouseClick(find<QPushButton>(dialog, QStringLiteral("BtnNO")), Qt::LeftButton);
            answered = true;
        });
        pressStart(w.get());
        QVERIFY(answered);
        QVERIFY(env.ctx.request.Cancelled);
        QCOMPARE(env.recent(), QStringList(5, QStringLiteral("<none>")));
        QCOMPARE(find<QListWidget>(w.get(), QStringLiteral("lstOutputData"))->count(), 0);
        QVERIFY(!QFile::exists(env.src.filePath(QStringLiteral("A_CBL_QVX.txt"))));
    }

    void recentListAfterSevenFiles()
    {
        Env& env = *m_env;
        QStringList names;
        for (int i = 1; i <= 7; ++i) {
            names << QStringLiteral("F%1.CBL").arg(i);
            QVERIFY(env.write(env.src.filePath(names.back())));
        }
        auto w = env.open();
        QTest::mouseClick(find<QPushButton>(w.get(), QStringLiteral("optSyori1")), Qt::LeftButton);
        QVERIFY(clickFiles(w.get(), names));
        pressStart(w.get());
        QCOMPARE(env.ctx.outputs.entries().size(), size_t(7));
        QStringList expected;
        for (int i = 7; i >= 3; --i)
            expected << env.path(QStringLiteral("F%1.CBL").arg(i));
        QCOMPARE(env.recent(), expected);
    }

    void recentListDropsOnlyTheSamePath()
    {
        Env& env = *m_env;
        const QString a = env.path(QStringLiteral("A.CBL"));
        QVERIFY(env.write(a + QStringLiteral(".bak")));
        QVERIFY(env.setIni(QStringLiteral("RecentFileList"), QStringLiteral("00"),
                           a + QStringLiteral(".bak")));
        QVERIFY(env.setIni(QStringLiteral("RecentFileList"), QStringLiteral("01"), a));
        QVERIFY(env.setIni(QStringLiteral("RecentFileList"), QStringLiteral("02"),
                           env.path(QStringLiteral("gone.CBL"))));
        auto w = env.open();
        QCOMPARE(find<QAction>(w.get(), QStringLiteral("MenuRecent2"))->text(),
                 env.path(QStringLiteral("gone.CBL")));

        // No mode pressed: the entry runs with the mode as it stands.
        find<QAction>(w.get(), QStringLiteral("MenuRecent1"))->trigger();
        QCOMPARE(env.ctx.outputs.entries().size(), size_t(1));
        QCOMPARE(env.recent(),
                 (QStringList{a, a + QStringLiteral(".bak"), env.path(QStringLiteral("gone.CBL")),
                              QStringLiteral("<none>"), QStringLiteral("<none>")}));

        find<QAction>(w.get(), QStringLiteral("MenuRecent2"))->trigger();
        QCOMPARE(env.dialogs.messages.size(), size_t(1));
        QCOMPARE(
            env.dialogs.messages[0].text,
            QStringLiteral("対象ファイル検索でファイルが見つかりません\r\n再度選択してください"));
        QCOMPARE(env.dialogs.messages[0].icon, Dialogs::Icon::Critical);
        QCOMPARE(env.ctx.outputs.entries().size(), size_t(1));
    }

    void dropOfFolderOrFiles()
    {
        Env& env = *m_env;
        QVERIFY(QDir(env.src.path()).mkdir(QStringLiteral("sub")));
        const QString sub = env.path(QStringLiteral("sub"));
        QVERIFY(env.write(sub + QStringLiteral("/X.CBL")));
        auto w = env.open();
        auto* outputs = find<QListWidget>(w.get(), QStringLiteral("lstOutputData"));

        QVERIFY(drop(find<QWidget>(w.get(), QStringLiteral("dirRootDir")), {sub}));
        QTRY_COMPARE(folderShown(w.get()), sub);
        QCOMPARE(outputs->count(), 0);

        QVERIFY(drop(fileList(w.get()),
                     {env.path(QStringLiteral("B.CBL")), env.path(QStringLiteral("A.CBL"))}));
        QTRY_COMPARE(texts(outputs), (QStringList{QStringLiteral("(1) B_CBL_QVX.txt"),
                                                  QStringLiteral("(2) A_CBL_QVX.txt")}));
        QCOMPARE(folderShown(w.get()), QDir::toNativeSeparators(env.src.path()));

        // Files of two folders: each is counted where it lies.
        QVERIFY(drop(w.get(), {sub + QStringLiteral("/X.CBL"), env.path(QStringLiteral("C.CBL"))}));
        QTRY_COMPARE(outputs->count(), 5);
        QCOMPARE(outputs->item(3)->text(), QStringLiteral("(3) X_CBL_QVX.txt"));
        QVERIFY(env.dialogs.messages.empty());
        // C.CBL was found in its own folder, though the run's folder is that of X.CBL; with
        // "SRCと同じ" its report lies beside it.
        QFile report(env.src.filePath(QStringLiteral("C_CBL_QVX.txt")));
        QVERIFY(report.open(QIODevice::ReadOnly));
        const QString line = QStringLiteral("FILE PATH [filepath] : ") +
                             AddBackslash(QDir::toNativeSeparators(env.src.path())) +
                             QStringLiteral("\r\n");
        QVERIFY(report.readAll().contains(line.toLocal8Bit()));
        QCOMPARE(folderShown(w.get()), sub);
    }

    void geometryIsSavedOnlyInTheNormalState()
    {
        Env& env = *m_env;
        for (const char* key : {"MainLeft", "MainTop"})
            QVERIFY(env.setIni(QStringLiteral("Settings"), QString::fromLatin1(key),
                               QStringLiteral(" 1500")));
        for (const char* key : {"MainWidth", "MainHeight"})
            QVERIFY(env.setIni(QStringLiteral("Settings"), QString::fromLatin1(key),
                               QStringLiteral(" 6000")));
        {
            auto w = env.open();
            QCOMPARE(w->pos(), QPoint(100, 100));
            QCOMPARE(w->size(), QSize(400, 400));
            w->setWindowState(Qt::WindowMaximized);
            w->close();
        }
        QCOMPARE(env.setting("MainWidth"), QStringLiteral(" 6000"));
        QCOMPARE(env.setting("StartWait"), QStringLiteral("0"));
        QCOMPARE(env.setting("NextStartMode"), QStringLiteral("4"));
        {
            auto w = env.open();
            w->resize(500, 450);
            w->close();
        }
        QCOMPARE(env.setting("MainWidth"), QStringLiteral(" 7500"));
        QCOMPARE(env.setting("MainLeft"), QStringLiteral(" 1500"));
        QCOMPARE(env.setting("NextStartPath"), QDir::toNativeSeparators(env.src.path()));
    }

    void startModeAndFileTypeEntries()
    {
        Env& env = *m_env;
        QVERIFY(env.setIni(QStringLiteral("Settings"), QStringLiteral("NextStartMode"),
                           QStringLiteral("2")));
        QVERIFY(env.setIni(QStringLiteral("Settings"), QStringLiteral("IDX_FType"),
                           QStringLiteral("0")));
        {
            auto w = env.open();
            auto* types = find<QComboBox>(w.get(), QStringLiteral("cmbFType"));
            QCOMPARE(types->count(), 3);
            QCOMPARE(types->itemText(2), QStringLiteral("全て(*.*)"));
            QVERIFY(find<QPushButton>(w.get(), QStringLiteral("optSyori2"))->isChecked());
            QCOMPARE(types->currentIndex(), 1);
            QCOMPARE(texts(fileList(w.get())), QStringList{QStringLiteral("note.txt")});
            auto* third = find<QPushButton>(w.get(), QStringLiteral("optSyori3"));
            QVERIFY(!third->isEnabled());
            QCOMPARE(third->text(), QString());
            QVERIFY(w->windowTitle().startsWith(QStringLiteral("Quorvix   Version.")));
        }
        QVERIFY(env.setIni(QStringLiteral("Settings"), QStringLiteral("NextStartMode"),
                           QStringLiteral("4")));
        QVERIFY(env.setIni(QStringLiteral("Settings"), QStringLiteral("IDX_FType"),
                           QStringLiteral("2")));
        auto w = env.open();
        QCOMPARE(find<QComboBox>(w.get(), QStringLiteral("cmbFType"))->currentIndex(), 2);
        QCOMPARE(fileList(w.get())->count(), 4);
        for (int n = 1; n <= 3; ++n)
            QVERIFY(!find<QPushButton>(w.get(), QStringLiteral("optSyori%1").arg(n))->isChecked());
    }

    // A new filter lists a new set of files, shown from its top.
    void fileListStartsAtTheTopAfterAFilterChange()
    {
        Env& env = *m_env;
        for (int i = 0; i < 60; ++i) {
            QVERIFY(Env::write(
                env.src.filePath(QStringLiteral("M%1.CBL").arg(i, 2, 10, QLatin1Char('0')))));
            QVERIFY(Env::write(
                env.src.filePath(QStringLiteral("N%1.txt").arg(i, 2, 10, QLatin1Char('0')))));
        }
        auto w = env.open();
        auto* types = find<QComboBox>(w.get(), QStringLiteral("cmbFType"));
        types->setCurrentIndex(types->count() - 1);
        QListWidget* list = fileList(w.get());
        QCOMPARE(list->count(), 124);
        list->scrollToBottom();
        QVERIFY(list->verticalScrollBar()->value() > 0);
        types->setCurrentIndex(0);
        QCOMPARE(list->count(), 63);
        QCOMPARE(list->verticalScrollBar()->value(), 0);
    }

    void layoutKeepsTheMinimumSize()
    {
        Env& env = *m_env;
        auto w = env.open();
        w->resize(100, 100);
        QVERIFY(w->width() * 15 >= 5300 && w->width() * 15 < 5300 + 15);
        QVERIFY(w->height() * 15 >= 5500 && w->height() * 15 < 5500 + 15);
        w->resize(600, 500);
        // Widths follow the outer width, frame included.
        const int outer = w->frameGeometry().width();
        QTRY_COMPARE(fileList(w.get())->x(), qRound(outer / 2.0));
        auto* outputs = find<QListWidget>(w.get(), QStringLiteral("lstOutputData"));
        auto* clear = find<QPushButton>(w.get(), QStringLiteral("BtnClear"));
        QCOMPARE(outputs->width(), outer - 24);
        QVERIFY(qAbs(clear->geometry().right() - (outputs->geometry().right() - 19)) <= 1);
        QCOMPARE(outputs->y() + outputs->height(), w->centralWidget()->height() - 21);
    }

    void startsInTheFolderOfTheFileItIsGiven()
    {
        Env& env = *m_env;
        auto w = env.open(QLatin1Char('"') + env.path(QStringLiteral("A.CBL")) + QLatin1Char('"'));
        QCOMPARE(folderShown(w.get()), QDir::toNativeSeparators(env.src.path()));
    }

    void fileListPopupNeedsASelectionAndOffersSendTo()
    {
        Env& env = *m_env;
        auto w = env.open();
        auto* popup = find<QMenu>(w.get(), QStringLiteral("pMenuFList"));
        QListWidget* files = fileList(w.get());
        QTest::mouseClick(files->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(200, 200));
        QVERIFY(!popup->isVisible());
        find<QAction>(w.get(), QStringLiteral("MenuALL0"))->trigger();
        QCOMPARE(files->selectedItems().size(), files->count());
        QTest::mouseClick(files->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(200, 200));
        QVERIFY(popup->isVisible());
        bool hasSendTo = false;
        for (QAction* a : popup->actions()) {
            if (const auto* m = a->menu<QMenu*>())
                hasSendTo = hasSendTo || m->objectName() == QStringLiteral("pMenuSendToFList");
        }
        QVERIFY(hasSendTo);
        popup->hide();
        find<QAction>(w.get(), QStringLiteral("MenuALL1"))->trigger();
        QVERIFY(files->selectedItems().isEmpty());
    }

    void conversionIgnoresTheModeButtons()
    {
        Env& env = *m_env;
        auto w = env.open();
        QVERIFY(clickFiles(w.get(), {QStringLiteral("A.CBL")}));
        find<QAction>(w.get(), QStringLiteral("pMenuRenCD2"))->trigger();
        auto* outputs = find<QListWidget>(w.get(), QStringLiteral("lstOutputData"));
        QCOMPARE(texts(outputs), QStringList{QStringLiteral("(1) A.CBL LF")});
        QFile converted(env.src.filePath(QStringLiteral("A.CBL")));
        QVERIFY(converted.open(QIODevice::ReadOnly));
        QVERIFY(!converted.readAll().contains('\r'));
    }

    // A selected file that vanished: critical box, refreshed list, no run.
    void vanishedFileIsReportedAndNotRun()
    {
        Env& env = *m_env;
        auto w = env.open();
        QListWidget* files = fileList(w.get());
        QVERIFY(clickFiles(w.get(), {QStringLiteral("B.CBL")}));
        QVERIFY(QFile::remove(env.src.filePath(QStringLiteral("B.CBL"))));
        QTest::mouseClick(find<QPushButton>(w.get(), QStringLiteral("optSyori1")), Qt::LeftButton);
        pressStart(w.get());
        QCOMPARE(env.dialogs.messages.size(), size_t(1));
        QVERIFY(files->findItems(QStringLiteral("B.CBL"), Qt::MatchExactly).isEmpty());
        QCOMPARE(find<QListWidget>(w.get(), QStringLiteral("lstOutputData"))->count(), 0);
    }

    void clickOnASubfolderShowsIt()
    {
        Env& env = *m_env;
        QVERIFY(QDir(env.src.path()).mkdir(QStringLiteral("sub")));
        auto w = env.open();
        auto* tree = find<QTreeWidget>(w.get(), QStringLiteral("dirRootDir"));
        const auto subItems =
            tree->findItems(QStringLiteral("sub"), Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(subItems.size(), 1);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier,
                          tree->visualItemRect(subItems[0]).center());
        QCOMPARE(folderShown(w.get()), env.path(QStringLiteral("sub")));
    }

    void myDocButtonAlternatesWithTheProgramFolder()
    {
        Env& env = *m_env;
        auto w = env.open();
        auto* myDoc = find<QPushButton>(w.get(), QStringLiteral("BtnMyDoc"));
        QTest::mouseClick(myDoc, Qt::LeftButton);
        QCOMPARE(myDoc->text(), QStringLiteral("App"));
        QTest::mouseClick(myDoc, Qt::LeftButton);
        QCOMPARE(myDoc->text(), QStringLiteral("My"));
        QCOMPARE(folderShown(w.get()), QDir::toNativeSeparators(env.home.path()));
    }

    // A save in the mode editor makes the window rebuild its mode buttons and file types once
    // the editor has closed. The editor runs modally; a queued call answers it from inside.
    void modeEditorSaveRebuildsModeButtons()
    {
        Env& env = *m_env;
        auto w = env.open();
        QTest::mouseClick(find<QPushButton>(w.get(), QStringLiteral("optSyori2")), Qt::LeftButton);
        bool edited = false;
        QTimer::singleShot(0, w.get(), [&] {
            auto* editor = w->findChild<FormMOption*>();
            if (!editor)
                return;
            editor->setSlotChooser([](const SlotQuestion&) { return std::optional<int>(3); });
            find<QLineEdit>(editor, QStringLiteral("txtModeName"))->setText(QStringLiteral("C"));
            find<QLineEdit>(editor, QStringLiteral("txtFileType"))->setText(QStringLiteral("*.c"));
            QTest::mouseClick(find<QPushButton>(editor, QStringLiteral("BtnSave")), Qt::LeftButton);
            edited = env.ctx.ModesChanged;
            editor->close();
        });
        find<QAction>(w.get(), QStringLiteral("MenuModeOption"))->trigger();
        QVERIFY(edited);
        QVERIFY(env.dialogs.messages.empty());
        auto* third = find<QPushButton>(w.get(), QStringLiteral("optSyori3"));
        QVERIFY(third->isEnabled());
        QCOMPARE(third->text(), QStringLiteral("C"));
        auto* types = find<QComboBox>(w.get(), QStringLiteral("cmbFType"));
        QCOMPARE(types->count(), 4);
        QCOMPARE(types->itemText(2), QStringLiteral("C(*.c)"));
        // The pressed mode stays pressed.
        QVERIFY(find<QPushButton>(w.get(), QStringLiteral("optSyori2"))->isChecked());
        QCOMPARE(types->currentIndex(), 1);
    }

    // 差分カウント opens with the browser's folder as the new side and the pressed mode.
    void diffMenuOpensTheDiffDialogForTheBrowsedFolder()
    {
        Env& env = *m_env;
        auto w = env.open();
        QTest::mouseClick(find<QPushButton>(w.get(), QStringLiteral("optSyori2")), Qt::LeftButton);
        QString newSide;
        QString mode;
        QTimer::singleShot(0, w.get(), [&] {
            auto* form = w->findChild<FormDiff*>();
            if (!form)
                return;
            newSide = find<QLineEdit>(form, QStringLiteral("txtNewDir"))->text();
            mode = find<QLabel>(form, QStringLiteral("lblMode"))->text();
            form->reject();
        });
        find<QAction>(w.get(), QStringLiteral("MenuDiff"))->trigger();
        QCOMPARE(newSide, w->findChild<QTreeWidget*>(QStringLiteral("dirRootDir"))
                              ->currentItem()
                              ->data(0, Qt::UserRole)
                              .toString());
        QVERIFY(mode.startsWith(QStringLiteral("MODE-2 : ")));
    }
};

QUORVIX_UI_TEST(FormMainTest);

#include "formmain_test.moc"
