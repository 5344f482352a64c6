// The send-to submenus, opening outputs and help, the version window and the desktop shell.

#include <memory>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>

#include "platform/shellservices.h"
#include "support/uisupport.h"
#include "text/pathbytes.h"
#include "ui/common/appcontext.h"
#include "ui/common/windowkit.h"
#include "ui/main/formfv.h"
#include "ui/main/sendto.h"
#include "uitest.h"

namespace {

const QString kNotFound = QStringLiteral("選択したﾌｧｲﾙが見つかりません");
const QString kNoAssociation =
    QStringLiteral("選択したﾌｧｲﾙの拡張子に ｱﾌﾟﾘｹｰｼｮﾝが関連付けされていません");

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList captions(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << action->text();
    return texts;
}

QStringList texts(const QSignalSpy& spy)
{
    QStringList result;
    for (const QList<QVariant>& args : spy)
        result << args.at(0).toString();
    return result;
}

} // namespace

class ShellTest final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_sendToDir = m_dir->filePath(QStringLiteral("SendTo")) + u'/';
        QVERIFY(QDir().mkpath(m_sendToDir));
        m_shell.opened.clear();
        m_shell.result = ShellServices::Success;
        m_dialogs.messages.clear();
        m_ctx = std::make_unique<AppContext>(m_dir->path(), m_dialogs, m_shell);
        m_sendTo = std::make_unique<SendToController>(*m_ctx, m_sendToDir, nullptr);
        m_status = std::make_unique<QSignalSpy>(m_sendTo.get(), &SendToController::statusMessage);
        m_timer = std::make_unique<QSignalSpy>(m_sendTo.get(), &SendToController::startStatusTimer);
    }

    void cleanup()
    {
        m_status.reset();
        m_timer.reset();
        m_sendTo.reset();
    }

    void menusListOnlyQualifyingShortcuts()
    {
        for (const char* name : {"Notepad.lnk", "3.5 Floppy.lnk", "Upper.LNK", "readme.txt"})
            QVERIFY(uitest::writeFile(m_sendToDir + QLatin1StringView(name)));
        QVERIFY(QDir().mkpath(m_sendToDir + QStringLiteral("Tools.lnk")));
        const QMenu* files = m_sendTo->fileListSubmenu();
        const QMenu* outputs = m_sendTo->outputListSubmenu();
        QCOMPARE(captions(files), QStringList{QStringLiteral("送るＡＰ")});

        for (int rebuild = 0; rebuild < 2; ++rebuild) {
            m_sendTo->BuildSendToMenus();
            QCOMPARE(captions(files), QStringList{QStringLiteral("Notepad")});
            QCOMPARE(captions(outputs), QStringList{QStringLiteral("Notepad")});
        }
        QCOMPARE(files->actions().at(0)->objectName(), QStringLiteral("pMenuSendFList"));
        QCOMPARE(outputs->actions().at(0)->objectName(), QStringLiteral("pMenuSendOList"));

        QVERIFY(uitest::writeFile(m_sendToDir + QStringLiteral("Viewer.lnk")));
        m_sendTo->BuildSendToMenus();
        QCOMPARE(captions(outputs),
                 (QStringList{QStringLiteral("Notepad"), QStringLiteral("Viewer")}));

        // With nothing left to list, entry 0 keeps its last caption.
        QVERIFY(QDir(m_sendToDir).removeRecursively());
        m_sendTo->BuildSendToMenus();
        QCOMPARE(captions(files), QStringList{QStringLiteral("Notepad")});
    }

    void sendFilePassesBarePath_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("status");
        QTest::newRow("success") << int(ShellServices::Success) << QStringList();
        QTest::newRow("not found") << int(ShellServices::FileNotFound) << QStringList{kNotFound};
        QTest::newRow("no association")
            << int(ShellServices::NoAssociation) << QStringList{kNoAssociation};
    }

    void sendFilePassesBarePath()
    {
        QFETCH(int, result);
        QFETCH(QStringList, status);
        const QString file = m_dir->filePath(QStringLiteral("my source file.cbl"));
        QVERIFY(uitest::writeFile(file));
        m_sendTo->setCurrentFileProvider([&file] { return QStringLiteral("  ") + file; });
        m_shell.result = result;

        m_sendTo->fileListSubmenu()->actions().at(0)->trigger();
        QCOMPARE(m_shell.opened, QStringList{m_sendToDir + QStringLiteral("送るＡＰ.lnk|") + file});
        QCOMPARE(texts(*m_status), status);
        QCOMPARE(m_timer->count(), 1);
    }

    void sendMissingFileRunsNothing()
    {
        const QString output = m_dir->filePath(QStringLiteral("a_cbl_QVX.txt"));
        m_ctx->outputs.addOutput(m_ctx->request, QStringLiteral("a_cbl_QVX.txt"), output);
        m_sendTo->setCurrentFileProvider([&output] { return output; });
        qint32 current = 0;
        m_sendTo->setCurrentOutputProvider([&current] { return current; });

        m_sendTo->fileListSubmenu()->actions().at(0)->trigger();
        m_sendTo->outputListSubmenu()->actions().at(0)->trigger();
        QCOMPARE(m_timer->count(), 1); // a separator line starts nothing
        current = 1;
        m_sendTo->outputListSubmenu()->actions().at(0)->trigger();
        QVERIFY(m_shell.opened.isEmpty());
        QCOMPARE(m_status->count(), 0);
        QCOMPARE(m_timer->count(), 2);

        QVERIFY(uitest::writeFile(output));
        m_sendTo->outputListSubmenu()->actions().at(0)->trigger();
        QCOMPARE(m_shell.opened,
                 QStringList{m_sendToDir + QStringLiteral("送るＡＰ.lnk|") + output});
    }

    void openOutputAndHelp()
    {
        m_sendTo->openOutput(0);
        QVERIFY(m_shell.opened.isEmpty());
        QCOMPARE(m_timer->count(), 0);

        m_shell.result = ShellServices::FileNotFound;
        m_sendTo->openHelp();
        const QString help = m_dir->path() + QStringLiteral("/Quorvix.chm");
        QCOMPARE(m_shell.opened, QStringList{help + u'|'});
        m_shell.result = ShellServices::NoAssociation;
        m_sendTo->openHelp();
        QCOMPARE(
            texts(*m_status),
            (QStringList{help + QStringLiteral("が見つかりません"),
                         help + QStringLiteral("の拡張子に ｱﾌﾟﾘｹｰｼｮﾝが関連付けされていません")}));
        QCOMPARE(m_timer->count(), 2);

        // The real shell: an output deleted since the run is reported without a check of ours.
        DesktopShellServices desktop;
        AppContext ctx(m_dir->path(), m_dialogs, desktop);
        ctx.outputs.addOutput(ctx.request, QStringLiteral("gone.txt"),
                              m_dir->filePath(QStringLiteral("gone.txt")));
        SendToController sendTo(ctx, m_sendToDir, nullptr);
        QSignalSpy status(&sendTo, &SendToController::statusMessage);
        sendTo.openOutput(1);
        QCOMPARE(texts(status), QStringList{kNotFound});
    }

    void versionWindow()
    {
        FormFV window(*m_ctx, nullptr);
        window.show();
        QVERIFY(window.windowTitle().trimmed().isEmpty());
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("lblVersion"))->text(),
                 QStringLiteral("Version.%1.%2.%3")
                     .arg(QUORVIX_VERSION_MAJOR)
                     .arg(QUORVIX_VERSION_MINOR)
                     .arg(QUORVIX_VERSION_PATCH));
        auto* url = window.findChild<QToolButton*>(QStringLiteral("BtnURL"));
        QCOMPARE(url->toolTip(), window.findChild<QLineEdit*>(QStringLiteral("Text1"))->text());

        QTest::mouseClick(url, Qt::LeftButton);
        QVERIFY(m_shell.opened.isEmpty());
        QCOMPARE(m_dialogs.messages.size(), size_t(1));
        QCOMPARE(m_dialogs.messages[0].text,
                 QStringLiteral("Pelindor ｲﾝﾀｰﾈｯﾄｼｮｰﾄｶｯﾄﾌｧｲﾙが存在しません"));
        QCOMPARE(m_dialogs.messages[0].icon, Dialogs::Icon::Exclamation);
        QVERIFY(window.isVisible());

        const QString shortcut = m_dir->filePath(QStringLiteral("Pelindor.url"));
        QVERIFY(
            uitest::writeFile(shortcut, "[InternetShortcut]\r\nURL=https://quorvix.example/\r\n"));
        m_shell.result = ShellServices::FileNotFound;
        QTest::mouseClick(url, Qt::LeftButton);
        QCOMPARE(m_shell.opened, QStringList{shortcut + u'|'});
        QCOMPARE(m_dialogs.messages.size(), size_t(1));

        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("BtnEnd")), Qt::LeftButton);
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QVERIFY(!QuorvixIcon().pixmap(16, 16).isNull());
    }

    void desktopShellResults()
    {
        DesktopShellServices shell;
        const QString gone = m_dir->filePath(QStringLiteral("gone.txt"));
        const QString dangling = m_sendToDir + QStringLiteral("Dangling.lnk");
        QVERIFY(QFile::link(gone, dangling));
        QCOMPARE(shell.open(gone, QString()), int(ShellServices::FileNotFound));
        QCOMPARE(shell.open(dangling, QStringLiteral("x")), int(ShellServices::FileNotFound));

        const QString text = m_dir->filePath(QStringLiteral("notes.txt"));
        QVERIFY(uitest::writeFile(text, "not a program\n"));
        QVERIFY(QFile::link(text, m_sendToDir + QStringLiteral("Notes.lnk")));
        QVERIFY(QFile::link(m_dir->path(), m_sendToDir + QStringLiteral("Folder.lnk")));
        for (const char* name : {"Notes.lnk", "Folder.lnk"}) {
            QCOMPARE(shell.open(m_sendToDir + QLatin1StringView(name), QStringLiteral("x")),
                     int(ShellServices::NoAssociation));
        }

        const QString out = m_dir->filePath(QStringLiteral("out.txt"));
        const QString script = m_dir->filePath(QStringLiteral("echo.sh"));
        QVERIFY(
            uitest::writeFile(script, "#!/bin/sh\nprintf '%s' \"$1\" > '" + out.toUtf8() + "'\n"));
        QVERIFY(QFile::setPermissions(script, QFile::permissions(script) | QFile::ExeOwner));
        QVERIFY(QFile::link(script, m_sendToDir + QStringLiteral("Echo.lnk")));
        // The path goes over by its bytes, also when they are not UTF-8.
        const QByteArray argument = QFile::encodeName(m_dir->path()) + "/my \x95\x5C.cbl";
        QCOMPARE(shell.open(m_sendToDir + QStringLiteral("Echo.lnk"), DecodePath(argument)),
                 int(ShellServices::Success));
        QTRY_COMPARE_WITH_TIMEOUT(readFile(out), argument, 10000);
    }

private:
    uitest::FakeShell m_shell;
    uitest::FakeDialogs m_dialogs;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_sendToDir;
    std::unique_ptr<AppContext> m_ctx;
    std::unique_ptr<SendToController> m_sendTo;
    std::unique_ptr<QSignalSpy> m_status;
    std::unique_ptr<QSignalSpy> m_timer;
};
QUORVIX_UI_TEST(ShellTest);

#include "shell_test.moc"
