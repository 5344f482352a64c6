#include <functional>
#include <memory>
#include <utility>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include "settings/paths.h"
#include "support/uisupport.h"
#include "ui/common/appcontext.h"
#include "ui/run/formwait.h"
#include "uitest.h"

namespace {

using uitest::find;

// A program folder with a settings file holding mode 1, and a source folder with four files.
struct Env : uitest::AppEnv {
    int outputsChanged = 0;
    int statusTimers = 0;
    std::function<void()> onOutput; // runs inside the batch after each listed output

    // False when a file the tests start from cannot be written.
    [[nodiscard]] bool setUp()
    {
        for (const char* name : {"A.CBL", "B.CBL", "C.CBL", "D.CBL"}) {
            if (!write(QString::fromLatin1(name), "       MOVE A TO B.\r\n      * note\r\n\r\n"))
                return false;
        }
        ctx.request.SourceDir = AddBackslash(src.path());
        ctx.request.ProcessMode = 1;
        setFiles(3);
        return setIni(QStringLiteral("MODE-1"), QStringLiteral("ModeName"),
                      QStringLiteral("TEST")) &&
               setIni(QStringLiteral("MODE-1"), QStringLiteral("CommentSolo"),
                      QStringLiteral("[*]"));
    }
    QString outputOption(const QString& key) const { return ini(QStringLiteral("Output"), key); }
    [[nodiscard]] bool write(const QString& name, const QByteArray& bytes) const
    {
        return uitest::writeFile(src.filePath(name), bytes);
    }
    void setFiles(int n)
    {
        const QStringList all{QStringLiteral("A.CBL"), QStringLiteral("B.CBL"),
                              QStringLiteral("C.CBL"), QStringLiteral("D.CBL")};
        ctx.request.Files = all.mid(0, n);
        ctx.request.TotalBytes = 0;
        for (const QString& name : std::as_const(ctx.request.Files))
            ctx.request.TotalBytes += double(QFileInfo(src.filePath(name)).size());
    }
    QStringList entries() const
    {
        QStringList t;
        for (const OutputEntry& e : ctx.outputs.entries())
            t << e.text;
        return t;
    }
    std::unique_ptr<FormWait> open()
    {
        return std::make_unique<FormWait>(
            ctx, nullptr,
            [this] {
                ++outputsChanged;
                if (onOutput)
                    std::exchange(onOutput, nullptr)();
            },
            [this] { ++statusTimers; });
    }
};

QString status(QWidget* w)
{
    return find<QLabel>(w, "lblStatusBar")->text();
}

const QString kText = QStringLiteral("各ファイル別 単純ＴＥＸＴ出力 (フォーマットなし)");

} // namespace

class FormWaitTest final : public QObject {
    Q_OBJECT

    std::unique_ptr<Env> m_env;

private slots:
    void init()
    {
        m_env = std::make_unique<Env>();
        QVERIFY(m_env->setUp());
    }
    void cleanup() { m_env.reset(); }

    void perFileRunListsEveryReport()
    {
        Env& env = *m_env;
        // The bar moves every 20 lines: the last file's 20th line fills it.
        QVERIFY(env.write(QStringLiteral("C.CBL"), QByteArray("       CALL X.\r\n").repeated(20)));
        env.setFiles(3);
        auto dlg = env.open();
        dlg->show();
        QCOMPARE(status(dlg.get()), kText);
        QWidget* bar = find<QWidget>(dlg.get(), "picStatusBar");
        QVERIFY(bar->grab().toImage().pixelColor(bar->width() - 1, 8) != QColor(0, 0, 255));

        QTest::mouseClick(find<QPushButton>(dlg.get(), "BtnYES"), Qt::LeftButton);
        QVERIFY(!dlg->isVisible());
        QCOMPARE(env.entries(), (QStringList{QStringLiteral("(1) A_CBL_QVX.txt"),
                                             QStringLiteral("(2) B_CBL_QVX.txt"),
                                             QStringLiteral("(3) C_CBL_QVX.txt")}));
        QVERIFY(QFile::exists(env.src.filePath(QStringLiteral("C_CBL_QVX.txt"))));
        QCOMPARE(env.outputsChanged, 3);
        QCOMPARE(env.statusTimers, 1);
        QCOMPARE(env.ctx.request.Cancelled, false);
        QCOMPARE(find<QLabel>(dlg.get(), "lblMsg")->text(), QStringLiteral("3 / 3\r\nC.CBL"));
        QCOMPARE(bar->grab().toImage().pixelColor(bar->width() - 1, 8), QColor(0, 0, 255));
        QVERIFY(env.dialogs.messages.empty());
    }

    void joinedRunToChosenFolder()
    {
        Env& env = *m_env;
        QTemporaryDir out;
        env.dialogs.folderAnswer = out.path();
        auto dlg = env.open();
        dlg->show();
        QTest::mouseClick(find<QRadioButton>(dlg.get(), "optOutType1"), Qt::LeftButton);
        QTest::mouseClick(find<QCheckBox>(dlg.get(), "chkOutDirSrc"), Qt::LeftButton);
        QTest::mouseClick(find<QPushButton>(dlg.get(), "BtnDir"), Qt::LeftButton);
        QCOMPARE(env.dialogs.folderTitles, QStringList{QStringLiteral("出力先フォルダの選択")});
        QCOMPARE(find<QLineEdit>(dlg.get(), "txtOutDirPath")->text(), AddBackslash(out.path()));

        QTest::mouseClick(find<QPushButton>(dlg.get(), "BtnYES"), Qt::LeftButton);
        QCOMPARE(env.entries().size(), 1);
        QVERIFY2(QRegularExpression(QStringLiteral(R"(^\(1\) QVX\d{8}\.csv \(3 Files\)$)"))
                     .match(env.entries().constFirst())
                     .hasMatch(),
                 qPrintable(env.entries().constFirst()));
        QCOMPARE(QDir(out.path()).entryList({QStringLiteral("QVX*.csv")}).size(), 1);
        QCOMPARE(env.outputsChanged, 1);
    }

    // Stopping from inside the batch, right after the first report is listed.
    void stopDuringRun_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("answerYes");
        QTest::addColumn<int>("reports");
        QTest::addColumn<int>("questions");
        QTest::newRow("中止, yes") << QStringLiteral("stop") << true << 1 << 1;
        QTest::newRow("中止, no") << QStringLiteral("stop") << false << 3 << 1;
        QTest::newRow("close box, yes") << QStringLiteral("close") << true << 1 << 1;
        QTest::newRow("close box, no") << QStringLiteral("close") << false << 3 << 1;
        QTest::newRow("Esc") << QStringLiteral("esc") << true << 3 << 0;
    }
    void stopDuringRun()
    {
        QFETCH(QString, how);
        QFETCH(bool, answerYes);
        QFETCH(int, reports);
        QFETCH(int, questions);
        Env& env = *m_env;
        env.dialogs.answerYes = answerYes;
        auto dlg = env.open();
        bool visibleAfter = false;
        env.onOutput = [&] {
            QWidget* stop = find<QPushButton>(dlg.get(), "BtnStop");
            QVERIFY(stop->isVisible());
            QVERIFY(find<QPushButton>(dlg.get(), "BtnYES")->isHidden());
            QVERIFY(find<QPushButton>(dlg.get(), "BtnOptSAVE")->isHidden());
            QVERIFY(!find<QRadioButton>(dlg.get(), "optOutType1")->isEnabled());
            if (how == QStringLiteral("stop"))
                QTest::mouseClick(stop, Qt::LeftButton);
            else if (how == QStringLiteral("close"))
                dlg->close();
            else
                QTest::keyClick(dlg.get(), Qt::Key_Escape);
            visibleAfter = dlg->isVisible();
        };
        dlg->show();
        QTest::mouseClick(find<QPushButton>(dlg.get(), "BtnYES"), Qt::LeftButton);
        if (QTest::currentTestFailed())
            return; // a check inside the batch failed
        QVERIFY(visibleAfter);
        QVERIFY(!dlg->isVisible());
        QCOMPARE(int(env.entries().size()), reports);
        QCOMPARE(int(env.dialogs.questions.size()), questions);
        if (questions > 0)
            QCOMPARE(env.dialogs.questions.constFirst(),
                     QStringLiteral("処理を中断します  よろしいですか？"));
        QCOMPARE(env.ctx.request.Cancelled, false);
        QCOMPARE(env.statusTimers, 1);
    }

    void noLeavesCancelledAndWritesNothing()
    {
        Env& env = *m_env;
        auto dlg = env.open();
        dlg->show();
        QTest::mouseClick(find<QPushButton>(dlg.get(), "BtnNO"), Qt::LeftButton);
        QVERIFY(!dlg->isVisible());
        QCOMPARE(env.ctx.request.Cancelled, true);
        QVERIFY(env.entries().isEmpty());
        QCOMPARE(QDir(env.src.path()).entryList(QDir::Files).size(), 4);
        QCOMPARE(env.statusTimers, 0);
    }

    void startsAtOnceWithoutStartWait()
    {
        Env& env = *m_env;
        env.ctx.request.StartWait = false;
        auto dlg = env.open();
        QVERIFY(find<QPushButton>(dlg.get(), "BtnYES")->isHidden());
        QVERIFY(!find<QPushButton>(dlg.get(), "BtnStop")->isHidden());
        dlg->show();
        QTRY_VERIFY(!dlg->isVisible());
        QCOMPARE(env.entries().size(), 3);
        QCOMPARE(env.ctx.request.Cancelled, false);
    }

    void messageAndTitle_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("files");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");
        const QString count = QStringLiteral("Quorvix ( MODE-1 : TEST )");
        QTest::newRow("1") << 1 << 1 << QStringLiteral(" A.CBL  のカウントを開始します") << count;
        QTest::newRow("3") << 1 << 3
                           << QStringLiteral(" A.CBL  B.CBL  C.CBL  のカウントを開始します")
                           << count;
        QTest::newRow("4") << 1 << 4 << QStringLiteral("4 ファイルのカウントを開始します") << count;
        QTest::newRow("no mode") << 4 << 4 << QStringLiteral("4 ファイルのカウントを開始します")
                                 << QStringLiteral("Quorvix ( MODE-4 :  )");
        const QString conv = QStringLiteral("Quorvix ( 改行コード変換 )");
        QTest::newRow("to LF") << 92 << 4
                               << QStringLiteral("4 ファイルの CR+LF CR を LF に置換します")
                               << conv;
        QTest::newRow("2 to CR+LF")
            << 90 << 2 << QStringLiteral(" A.CBL  B.CBL  の CR LF を CR+LF に置換します") << conv;
    }
    void messageAndTitle()
    {
        QFETCH(int, mode);
        QFETCH(int, files);
        QFETCH(QString, message);
        QFETCH(QString, title);
        Env& env = *m_env;
        env.ctx.request.ProcessMode = qint16(mode);
        env.setFiles(files);
        auto dlg = env.open();
        QCOMPARE(find<QLabel>(dlg.get(), "lblMsg")->text(), message);
        QCOMPARE(dlg->windowTitle(), title);
        QCOMPARE(env.ctx.request.Cancelled, true);
    }

    void statusDescription_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("templateFile");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("text");
        QTest::newRow("個別") << 1 << QString() << QStringLiteral("optOutType0") << kText;
        QTest::newRow("個別 html")
            << 1 << QStringLiteral("TESTqvx.html") << QStringLiteral("optOutType0")
            << QStringLiteral("各ファイル別 ＨＴＭＬ出力 (フォーマットあり)");
        QTest::newRow("連結") << 1 << QStringLiteral("TESTqvx.html")
                              << QStringLiteral("optOutType1")
                              << QStringLiteral("選択ファイルまとめ ＣＳＶ出力 (フォーマットなし)");
        QTest::newRow("連結 csv") << 1 << QStringLiteral("TESTqvx.csv")
                                  << QStringLiteral("optOutType1")
                                  << QStringLiteral(
                                         "選択ファイルまとめ ＣＳＶ出力 (フォーマットあり)");
        QTest::newRow("conversion") << 91 << QString() << QStringLiteral("optOutType0")
                                    << QStringLiteral("現在選択されているファイルを上書きします。");
    }
    void statusDescription()
    {
        QFETCH(int, mode);
        QFETCH(QString, templateFile);
        QFETCH(QString, option);
        QFETCH(QString, text);
        Env& env = *m_env;
        env.ctx.request.ProcessMode = qint16(mode);
        if (!templateFile.isEmpty()) {
            QFile f(QDir(env.home.path()).filePath(templateFile));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        auto dlg = env.open();
        dlg->show();
        QTest::mouseClick(find<QRadioButton>(dlg.get(), qPrintable(option)), Qt::LeftButton);
        QCOMPARE(status(dlg.get()), text);
    }

    void missingFolderWarnings()
    {
        Env& env = *m_env;
        const QString missing = QDir(env.src.path()).filePath(QStringLiteral("gone"));
        QVERIFY(
            env.setIni(QStringLiteral("Output"), QStringLiteral("SourceDir"), QStringLiteral("0")));
        QVERIFY(env.setIni(QStringLiteral("Output"), QStringLiteral("SelectDir"), missing));
        env.ctx.request.StartWait = false;
        auto dlg = env.open();
        const QString savedMissing = QStringLiteral("現在設定されている出力先パスは存在しません。");
        QCOMPARE(status(dlg.get()), savedMissing);
        auto* timer = dlg->findChild<QTimer*>(QStringLiteral("timMsgInterval"));
        QVERIFY(timer && timer->isActive());
        QCOMPARE(timer->interval(), 3000);
        QCOMPARE(env.ctx.request.StartWait, true);
        dlg->show();
        // show() queues the dialog's start; a call queued after it has run once it has.
        bool settled = false;
        QTimer::singleShot(0, dlg.get(), [&settled] { settled = true; });
        QTRY_VERIFY(settled);
        QVERIFY(dlg->isVisible());
        QVERIFY(env.entries().isEmpty());
        QMetaObject::invokeMethod(timer, "timeout");
        QCOMPARE(status(dlg.get()), kText);
        QVERIFY(!timer->isActive());

        // A file name is no output folder.
        find<QLineEdit>(dlg.get(), "txtOutDirPath")
            ->setText(QDir(env.src.path()).filePath(QStringLiteral("A.CBL")));
        QTest::mouseClick(find<QPushButton>(dlg.get(), "BtnYES"), Qt::LeftButton);
        QCOMPARE(status(dlg.get()),
                 QStringLiteral("出力先はパスを指定してください（ファイル名は指定不可）"));
        QVERIFY(timer->isActive());
        QVERIFY(dlg->isVisible());
        QVERIFY(!find<QPushButton>(dlg.get(), "BtnYES")->isHidden());
        QVERIFY(env.entries().isEmpty());
        QCOMPARE(env.ctx.request.Cancelled, true);

        auto* box = find<QCheckBox>(dlg.get(), "chkOutDirSrc");
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(!find<QLineEdit>(dlg.get(), "txtOutDirPath")->isEnabled());
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(find<QLineEdit>(dlg.get(), "txtOutDirPath")->isEnabled());
        QCOMPARE(status(dlg.get()), savedMissing);
    }

    void savedOptionsAreRestored()
    {
        Env& env = *m_env;
        QTemporaryDir out;
        {
            auto dlg = env.open();
            dlg->show();
            QTest::mouseClick(find<QRadioButton>(dlg.get(), "optOutType1"), Qt::LeftButton);
            QTest::mouseClick(find<QCheckBox>(dlg.get(), "chkOutDirSrc"), Qt::LeftButton);
            find<QLineEdit>(dlg.get(), "txtOutDirPath")->setText(out.path());
            QTest::mouseClick(find<QPushButton>(dlg.get(), "BtnOptSAVE"), Qt::LeftButton);
            QVERIFY(dlg->isVisible());
        }
        QCOMPARE(env.outputOption(QStringLiteral("FileType")), QStringLiteral("1"));
        QCOMPARE(env.outputOption(QStringLiteral("SourceDir")), QStringLiteral("0"));
        QCOMPARE(env.outputOption(QStringLiteral("SelectDir")), out.path());

        auto dlg = env.open();
        QVERIFY(find<QRadioButton>(dlg.get(), "optOutType1")->isChecked());
        QVERIFY(!find<QCheckBox>(dlg.get(), "chkOutDirSrc")->isChecked());
        QCOMPARE(find<QLineEdit>(dlg.get(), "txtOutDirPath")->text(), out.path());
    }

    void conversionRun()
    {
        Env& env = *m_env;
        env.ctx.request.ProcessMode = 92;
        env.setFiles(2);
        auto dlg = env.open();
        QVERIFY(!find<QCheckBox>(dlg.get(), "chkOutDirSrc")->isEnabled());
        QVERIFY(!find<QPushButton>(dlg.get(), "BtnOptSAVE")->isEnabled());
        dlg->show();
        QTest::mouseClick(find<QPushButton>(dlg.get(), "BtnYES"), Qt::LeftButton);
        QVERIFY(!dlg->isVisible());
        QCOMPARE(env.entries(),
                 (QStringList{QStringLiteral("(1) A.CBL LF"), QStringLiteral("(2) B.CBL LF")}));
        QFile f(env.src.filePath(QStringLiteral("B.CBL")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("       MOVE A TO B.\n      * note\n\n"));
    }
};

QUORVIX_UI_TEST(FormWaitTest);

#include "formwait_test.moc"
