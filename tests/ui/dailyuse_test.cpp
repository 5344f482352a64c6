// What a daily user of the desktop program meets beyond its own windows: a restored place that
// stays on screen, Qt's standard dialogs in Japanese, the input box and the fixed dialogs' title
// bars.

#include <memory>

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTranslator>

#include "support/uisupport.h"
#include "ui/common/dialogs.h"
#include "ui/common/inputbox.h"
#include "ui/common/translations.h"
#include "ui/main/formfv.h"
#include "ui/main/formmain.h"
#include "ui/modes/formmodesel.h"
#include "ui/run/formwait.h"
#include "uitest.h"

namespace {

using uitest::find;

// Runs `answer` on the modal box that `ask` opens, once its event loop runs.
template <typename Ask, typename Answer>
void whileModal(Ask ask, Answer answer)
{
    QTimer::singleShot(0, qApp, [&] {
        if (QWidget* box = QApplication::activeModalWidget())
            answer(box);
    });
    ask();
}

bool hasOnlyTheCloseBox(const QWidget& dialog)
{
    const Qt::WindowFlags flags = dialog.windowFlags();
    return (flags & Qt::WindowCloseButtonHint) && (flags & Qt::WindowTitleHint) &&
           !(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)) &&
           (flags & Qt::CustomizeWindowHint);
}

} // namespace

class DailyUseTest final : public QObject {
    Q_OBJECT

private slots:
    // A damaged or hand-edited settings file cannot put the main window off the screen or make
    // it taller than the screen.
    void wildGeometryIsKeptOnScreen_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::newRow("far right, above, very tall")
            << QStringLiteral(" 99999") << QStringLiteral("-500") << QStringLiteral(" 6075")
            << QStringLiteral(" 999999");
        QTest::newRow("far left and below, very wide")
            << QStringLiteral("-99999") << QStringLiteral(" 99999") << QStringLiteral(" 999999")
            << QStringLiteral(" 6000");
        QTest::newRow("too small") << QStringLiteral(" 0") << QStringLiteral(" 0")
                                   << QStringLiteral(" 15") << QStringLiteral(" 15");
    }
    void wildGeometryIsKeptOnScreen()
    {
        QFETCH(QString, left);
        QFETCH(QString, top);
        QFETCH(QString, width);
        QFETCH(QString, height);
        uitest::AppEnv env;
        const QString settings = QStringLiteral("Settings");
        QVERIFY(env.setIni(settings, QStringLiteral("MainLeft"), left));
        QVERIFY(env.setIni(settings, QStringLiteral("MainTop"), top));
        QVERIFY(env.setIni(settings, QStringLiteral("MainWidth"), width));
        QVERIFY(env.setIni(settings, QStringLiteral("MainHeight"), height));

        FormMain window(env.ctx, env.src.path());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect screen = window.screen()->availableGeometry();
        QVERIFY2(screen.contains(window.frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4 outside the screen")
                                .arg(window.frameGeometry().x())
                                .arg(window.frameGeometry().y())
                                .arg(window.frameGeometry().width())
                                .arg(window.frameGeometry().height())));
        QVERIFY(window.width() >= window.minimumWidth());
        QVERIFY(window.height() >= window.minimumHeight());
    }

    // A place that fits is kept as stored.
    void fittingGeometryIsKept()
    {
        uitest::AppEnv env;
        const QString settings = QStringLiteral("Settings");
        QVERIFY(env.setIni(settings, QStringLiteral("MainLeft"), QStringLiteral(" 750")));
        QVERIFY(env.setIni(settings, QStringLiteral("MainTop"), QStringLiteral(" 1500")));
        QVERIFY(env.setIni(settings, QStringLiteral("MainWidth"), QStringLiteral(" 6000")));
        QVERIFY(env.setIni(settings, QStringLiteral("MainHeight"), QStringLiteral(" 6300")));
        FormMain window(env.ctx, env.src.path());
        QCOMPARE(window.pos(), QPoint(50, 100));
        QCOMPARE(window.size(), QSize(400, 420));
    }

    // With Qt's translations the standard dialogs speak Japanese, here the stop question; a C
    // locale takes Japanese like the program's own texts.
    void standardDialogsInJapanese()
    {
        QVERIFY(InstallQtTranslations(*qApp, QLocale::c()));
        QStringList buttons;
        QString text;
        bool answer = true;
        QtDialogs dialogs;
        whileModal(
            [&] {
                answer =
                    dialogs.question(nullptr, QStringLiteral("処理を中断します  よろしいですか？"));
            },
            [&](QWidget* box) {
                auto* message = qobject_cast<QMessageBox*>(box);
                if (!message)
                    return;
                text = message->text();
                for (QAbstractButton* b : message->buttons())
                    buttons << b->text();
                message->button(QMessageBox::No)->click();
            });
        for (QTranslator* t : qApp->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
        QCOMPARE(text, QStringLiteral("処理を中断します  よろしいですか？"));
        QVERIFY(!answer);
        buttons.sort();
        QCOMPARE(buttons.size(), 2);
        QVERIFY2(buttons[0].startsWith(QStringLiteral("いいえ")), qPrintable(buttons.join(u'|')));
        QVERIFY2(buttons[1].startsWith(QStringLiteral("はい")), qPrintable(buttons.join(u'|')));
    }

    // The input box holds an 80-column source line in a fixed-pitch font; OK gives the text,
    // キャンセル nothing.
    void inputBoxHoldsAWholeSourceLine()
    {
        const QString line =
            QStringLiteral("000100") + QString(66, u'X') + QStringLiteral("ABCDEFGH");
        InputBox box(QStringLiteral("キーワードチェック"), QStringLiteral("一行目\r\n二行目"),
                     line);
        box.show();
        QVERIFY(hasOnlyTheCloseBox(box));
        QCOMPARE(box.windowTitle(), QStringLiteral("キーワードチェック"));
        QCOMPARE(find<QLabel>(&box, "lblPrompt")->text(), QStringLiteral("一行目\n二行目"));
        auto* edit = find<QLineEdit>(&box, "txtInput");
        QVERIFY(QFontInfo(edit->font()).fixedPitch());
        const QMargins margins = edit->textMargins();
        QVERIFY(edit->width() - margins.left() - margins.right() >=
                edit->fontMetrics().horizontalAdvance(line));
        QCOMPARE(edit->text(), line);

        QtDialogs dialogs;
        std::optional<QString> typed;
        whileModal(
            [&] {
                typed = dialogs.input(nullptr, QStringLiteral("T"), QStringLiteral("P"),
                                      QStringLiteral("old"));
            },
            [](QWidget* shown) {
                auto* input = find<QLineEdit>(shown, "txtInput");
                QTest::keyClicks(input, QStringLiteral("      * NOTE"));
                find<QPushButton>(shown, "BtnOK")->click();
            });
        QCOMPARE(typed, std::optional<QString>(QStringLiteral("      * NOTE")));
        whileModal(
            [&] {
                typed = dialogs.input(nullptr, QStringLiteral("T"), QStringLiteral("P"),
                                      QStringLiteral("old"));
            },
            [](QWidget* shown) { find<QPushButton>(shown, "BtnCancel")->click(); });
        QCOMPARE(typed, std::nullopt);
    }

    // Dialogs of a fixed size have a close box and neither a minimise nor a maximise box; the
    // version window shows no caption text, not even the program's name.
    void fixedDialogsHaveOnlyACloseBox()
    {
        uitest::AppEnv env;
        FormWait wait(
            env.ctx, nullptr, [] {}, [] {});
        FormModeSel slotDialog(SlotQuestion{QStringLiteral("DELETE"), {}});
        FormFV version(env.ctx, nullptr);
        for (QWidget* dialog : std::initializer_list<QWidget*>{&wait, &slotDialog, &version})
            QVERIFY2(hasOnlyTheCloseBox(*dialog), qPrintable(dialog->objectName()));
        // An empty title would make Qt show the program's name in its place.
        QCOMPARE(version.windowTitle(), QStringLiteral(" "));
    }
};

QUORVIX_UI_TEST(DailyUseTest);

#include "dailyuse_test.moc"
