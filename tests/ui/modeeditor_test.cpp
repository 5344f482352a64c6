#include <algorithm>
#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTimer>

#include "engine/countfile.h"
#include "engine/keywordtest.h"
#include "support/uisupport.h"
#include "text/cp932.h"
#include "ui/common/appcontext.h"
#include "ui/modes/formmodesel.h"
#include "ui/modes/formmoption.h"
#include "uitest.h"

namespace {

using uitest::find;

// Check boxes and option buttons are hit on their indicator, whatever width the layout gives
// them.
void press(QWidget* button)
{
    const bool box = qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button);
    QTest::mouseClick(button, Qt::LeftButton, {},
                      box ? QPoint(6, button->height() / 2) : button->rect().center());
}

// A program folder with its settings file, and an editor whose slot dialog answers
// `slotAnswer`.
struct Env : uitest::AppEnv {
    std::optional<int> slotAnswer;
    std::vector<SlotQuestion> questions;
    std::unique_ptr<FormMOption> w;

    [[nodiscard]] bool writeSettings(const QByteArray& text) const
    {
        return uitest::writeFile(ctx.settingsPath(), text);
    }
    QByteArray bytes() const
    {
        QFile f(ctx.settingsPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The entry lines of one section, as they stand in the file.
    QStringList section(const QString& name) const
    {
        QStringList lines;
        bool inside = false;
        for (const QString& line : Cp932::decode(bytes()).split(QStringLiteral("\r\n"))) {
            if (line.startsWith(u'['))
                inside = line == u'[' + name + u']';
            else if (inside && !line.isEmpty())
                lines << line;
        }
        return lines;
    }
    void open()
    {
        w = std::make_unique<FormMOption>(ctx);
        w->setSlotChooser([this](const SlotQuestion& q) {
            questions.push_back(q);
            return slotAnswer;
        });
        w->show();
    }

    void click(const char* name) { press(find(w.get(), name)); }
    QLineEdit* edit(const char* name) { return find<QLineEdit>(w.get(), name); }
    bool checked(const char* name) { return find<QAbstractButton>(w.get(), name)->isChecked(); }
    bool enabled(const char* name) { return find(w.get(), name)->isEnabled(); }
    QScrollBar* bar(const char* name) { return find<QScrollBar>(w.get(), name); }
    QString label(const char* name) { return find<QLabel>(w.get(), name)->text(); }
    QString status() { return label("lblStatusBar"); }
    QComboBox* encoding() { return find<QComboBox>(w.get(), "cmbEncoding"); }
    QTimer* timer() { return find<QTimer>(w.get(), "tmrStatusInterval"); }
    // Typed key by key; text beyond ASCII, which the test keyboard lacks, is pasted.
    void type(const char* name, const QString& text)
    {
        QLineEdit* box = edit(name);
        box->clear();
        if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; }))
            QTest::keyClicks(box, text);
        else
            box->insert(text);
    }
    QStringList slotCaptions()
    {
        QStringList captions;
        for (const char* name : {"optModeSelect1", "optModeSelect2", "optModeSelect3"})
            captions << find<QRadioButton>(w.get(), name)->text();
        return captions;
    }
    int checkedSlot()
    {
        const std::array<const char*, 3> names{"optModeSelect1", "optModeSelect2",
                                               "optModeSelect3"};
        for (int n = 1; n <= 3; ++n) {
            if (checked(names[size_t(n - 1)]))
                return n;
        }
        return 0;
    }
    // The controls that do not show an empty mode, whichever slot it belongs to.
    QStringList differingFromEmptyMode()
    {
        QStringList differing;
        for (const char* name : {"txtModeName", "txtFileType", "txtStartWord2", "txtStartWord3",
                                 "txtPUStart", "txtPUEnd", "txtCOMStart", "txtCOMEnd", "txtCOMSolo",
                                 "txtWordCount", "txtMaskColumns"}) {
            if (!edit(name)->text().isEmpty())
                differing << QString::fromLatin1(name);
        }
        for (const char* name : {"chkStartAfter2", "chkStartAfter3", "chkPUtoPU",
                                 "chkCOMStartValid", "chkBinaryComp", "chkTABtoSpace"}) {
            if (checked(name))
                differing << QString::fromLatin1(name);
        }
        for (const char* name : {"lblTuningU2", "lblTuningD2", "lblTuningU3", "lblTuningD3",
                                 "lblColumn", "lblLength"}) {
            if (label(name) != QStringLiteral("0"))
                differing << QString::fromLatin1(name);
        }
        if (encoding()->currentText() != QStringLiteral("auto"))
            differing << QStringLiteral("cmbEncoding");
        if (!checked("optNullLine0"))
            differing << QStringLiteral("optNullLine0");
        for (const char* name :
             {"scrLength", "scrTuning2", "scrTuning3", "chkStartAfter2", "chkStartAfter3"}) {
            if (enabled(name))
                differing << QString::fromLatin1(name);
        }
        return differing;
    }
};

FileCountResult count(const ModeDefinition& mode, const QString& path)
{
    const CountRules rules(mode, AreaCount(mode));
    RunHost host;
    FileCountResult result;
    CountProgress progress;
    if (CountFile(rules, path, host, result, progress) != CountOutcome::Completed)
        qFatal("count did not complete");
    ComputeDerivedTotals(result, AreaCount(mode));
    return result;
}

} // namespace

class ModeEditorTest final : public QObject {
    Q_OBJECT

private slots:
    void opensEmptyOnFileWithoutModes()
    {
        Env env;
        env.ctx.ModesChanged = true;
        env.open();
        QCOMPARE(env.w->windowTitle(), QStringLiteral("Quorvix モード設定"));
        QCOMPARE(env.slotCaptions(), (QStringList{QString(), QString(), QString()}));
        QCOMPARE(env.checkedSlot(), 0);
        QCOMPARE(env.differingFromEmptyMode(), QStringList());
        QVERIFY(!env.ctx.ModesChanged);
        QCOMPARE(env.timer()->interval(), 3000);
        QVERIFY(!env.timer()->isActive());

        env.click("optModeSelect2");
        QCOMPARE(env.checkedSlot(), 2);
        QCOMPARE(env.differingFromEmptyMode(), QStringList());
        QVERIFY(!QFile::exists(env.ctx.settingsPath()));
    }

    void saveNeedsNameAndFileType()
    {
        Env env;
        env.slotAnswer = 1;
        env.open();
        env.click("BtnSave");
        QCOMPARE(env.status(), QStringLiteral("MODE NAME を設定してください"));
        QVERIFY(env.timer()->isActive());
        QMetaObject::invokeMethod(env.timer(), "timeout");
        QCOMPARE(env.status(), QString());

        env.type("txtModeName", QStringLiteral("  ")); // blanks pass as a name
        env.click("BtnSave");
        QCOMPARE(env.status(), QStringLiteral("FILE TYPE を設定してください"));
        QVERIFY(env.questions.empty());
        QVERIFY(!QFile::exists(env.ctx.settingsPath()));
        QVERIFY(!env.ctx.ModesChanged);
    }

    void dependentDisplay()
    {
        Env env;
        env.open();
        env.type("txtStartWord2", QStringLiteral("X"));
        QVERIFY(env.enabled("scrTuning2") && env.enabled("chkStartAfter2"));
        QVERIFY(!env.enabled("scrTuning3"));
        env.bar("scrTuning2")->setValue(3);
        QCOMPARE(env.label("lblTuningU2") + env.label("lblTuningD2"), QStringLiteral("-3+3"));

        // Emptying the keyword disables the area's controls but keeps their values.
        env.click("chkStartAfter2");
        env.edit("txtStartWord2")->clear();
        QVERIFY(!env.enabled("scrTuning2") && !env.enabled("chkStartAfter2"));
        QCOMPARE(env.bar("scrTuning2")->value(), 3);
        QVERIFY(env.checked("chkStartAfter2"));

        env.bar("scrColumn")->setValue(12);
        env.bar("scrLength")->setValue(4);
        QCOMPARE(env.label("lblColumn") + u'/' + env.label("lblLength"), QStringLiteral("12/4"));
        QVERIFY(env.enabled("scrLength"));
        env.bar("scrColumn")->setValue(0);
        QVERIFY(!env.enabled("scrLength"));
        QCOMPARE(env.label("lblLength"), QStringLiteral("4"));
    }

    // A tuning bar's thumb takes a small part of its track, so it can be dragged step by step.
    void tuningBarsHaveRoomToMove()
    {
        Env env;
        env.open();
        for (const char* name : {"scrTuning2", "scrTuning3"}) {
            QScrollBar* bar = env.bar(name);
            QStyleOptionSlider option;
            option.initFrom(bar);
            option.orientation = bar->orientation();
            option.minimum = bar->minimum();
            option.maximum = bar->maximum();
            option.pageStep = bar->pageStep();
            option.singleStep = bar->singleStep();
            option.sliderPosition = bar->value();
            option.sliderValue = bar->value();
            const QRect groove = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                                              QStyle::SC_ScrollBarGroove, bar);
            const QRect thumb = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                                             QStyle::SC_ScrollBarSlider, bar);
            QVERIFY2(groove.height() >= 3 * thumb.height(),
                     qPrintable(QStringLiteral("%1: track %2, thumb %3")
                                    .arg(QLatin1StringView(name))
                                    .arg(groove.height())
                                    .arg(thumb.height())));
        }
    }

    void saveIntoSlotTwoWritesWhatIsShown()
    {
        Env env;
        QVERIFY(env.writeSettings("[MODE-1]\r\nModeName=ONE\r\n"));
        env.slotAnswer = 2;
        env.open();
        env.type("txtModeName", QStringLiteral("新 COBOL"));
        env.type("txtFileType", QStringLiteral("*.CBL"));
        env.click("chkBinaryComp");
        env.type("txtStartWord3", QStringLiteral("  LINKAGE*"));
        env.bar("scrTuning3")->setValue(-10);
        env.type("txtCOMStart", QStringLiteral("*/* "));
        env.click("chkCOMStartValid");
        env.bar("scrLength")->setValue(9); // disabled while the column is 0, saved all the same
        env.click("optNullLine2");
        env.type("txtWordCount", QStringLiteral(" A*,B*"));
        QCOMPARE(env.label("lblTuningU3") + env.label("lblTuningD3"), QStringLiteral("+10-10"));
        env.click("BtnSave");

        QCOMPARE(env.questions.size(), size_t(1));
        QCOMPARE(env.questions[0].SlotAction, QStringLiteral("SAVE"));
        QCOMPARE(
            env.questions[0].SlotCaptions,
            (std::array<QString, 4>{QStringLiteral("新 COBOL"), QStringLiteral("ONE"), {}, {}}));
        const QString expected = QStringLiteral(
            "ModeName=新 COBOL|FileType=*.CBL|BinaryComp=1|TABtoSpace=0|2StartWord=|2Tuning=0|"
            "2StartAfter=0|3StartWord=  LINKAGE*|3Tuning=-10|3StartAfter=0|PickupStart=|"
            "PickupEnd=|PickupToPickup=0|CommentStart=*/* |CommentEnd=|CommentStartIsValid=1|"
            "CommentSolo=|CommentColumn=0|CommentLength=9|NullLineMode=2|WordCount= A*,B*");
        QCOMPARE(env.section(QStringLiteral("MODE-2")), expected.split(u'|'));

        // The window shows the slot as the file now holds it.
        QCOMPARE(env.checkedSlot(), 2);
        QCOMPARE(env.slotCaptions(),
                 (QStringList{QStringLiteral("ONE"), QStringLiteral("新 COBOL"), QString()}));
        QVERIFY(env.ctx.ModesChanged);
        QCOMPARE(env.edit("txtStartWord3")->text(), QStringLiteral("  LINKAGE*"));
        QCOMPARE(env.bar("scrTuning3")->value(), -10);
        QCOMPARE(env.bar("scrLength")->value(), 9);
        QVERIFY(env.checked("optNullLine2") && env.checked("chkCOMStartValid"));

        // Saving the shown slot again rewrites the keys where they stand.
        env.type("txtFileType", QStringLiteral("*.COB"));
        env.click("BtnSave");
        QCOMPARE(env.section(QStringLiteral("MODE-2")),
                 QString(expected)
                     .replace(QStringLiteral("*.CBL"), QStringLiteral("*.COB"))
                     .split(u'|'));
    }

    void optionalKeysShownSavedAndEmptied()
    {
        Env env;
        QVERIFY(env.writeSettings("[MODE-1]\r\nModeName=ONE\r\nFileType=*.CBL\r\n"
                                  "Encoding=euc-jp\r\nMaskColumns=1-6,73-\r\n"
                                  "[MODE-2]\r\nModeName=TWO\r\nEncoding=latin1\r\n"));
        env.open();
        QCOMPARE(env.encoding()->count(), 6);
        env.click("optModeSelect1");
        QCOMPARE(env.encoding()->currentText(), QStringLiteral("euc-jp"));
        QCOMPARE(env.edit("txtMaskColumns")->text(), QStringLiteral("1-6,73-"));
        // A name the list lacks is shown as stored, and goes with the next mode shown.
        env.click("optModeSelect2");
        QCOMPARE(env.encoding()->currentText(), QStringLiteral("latin1"));
        QCOMPARE(env.edit("txtMaskColumns")->text(), QString());
        env.click("optModeSelect3");
        QCOMPARE(env.encoding()->count(), 6);
        QCOMPARE(env.differingFromEmptyMode(), QStringList());

        // In a new section set values follow the 21 keys.
        env.click("optModeSelect1");
        env.encoding()->setCurrentIndex(int(env.encoding()->findText(QStringLiteral("utf-16le"))));
        env.type("txtMaskColumns", QStringLiteral("1-6"));
        env.slotAnswer = 3;
        env.click("BtnSave");
        QStringList section = env.section(QStringLiteral("MODE-3"));
        QCOMPARE(section.mid(section.size() - 3),
                 (QStringList{QStringLiteral("WordCount="), QStringLiteral("Encoding=utf-16le"),
                              QStringLiteral("MaskColumns=1-6")}));

        // Back at the defaults, the keys are emptied: the slot reads as the editor showed it.
        env.encoding()->setCurrentIndex(0);
        env.edit("txtMaskColumns")->clear();
        env.click("BtnSave");
        section = env.section(QStringLiteral("MODE-3"));
        QCOMPARE(section.mid(section.size() - 2),
                 (QStringList{QStringLiteral("Encoding="), QStringLiteral("MaskColumns=")}));
        const ModeDefinition saved =
            LoadModeDefinition(QStringLiteral("MODE-3"), false, env.ctx.settingsPath());
        QVERIFY(saved.Encoding.isEmpty() && saved.MaskColumns.isEmpty());
    }

    void cancelledSlotDialogChangesNothing()
    {
        Env env;
        QVERIFY(env.writeSettings("[MODE-1]\r\nModeName=ONE\r\n"));
        const QByteArray before = env.bytes();
        env.open();
        env.type("txtModeName", QStringLiteral("TWO"));
        env.type("txtFileType", QStringLiteral("*.2"));
        env.click("BtnSave");
        env.click("BtnDelete");
        QCOMPARE(env.questions.size(), size_t(2));
        QCOMPARE(env.questions[1].SlotAction, QStringLiteral("DELETE"));
        QCOMPARE(env.bytes(), before);
        QVERIFY(!env.ctx.ModesChanged);
        QCOMPARE(env.checkedSlot(), 0);
        QCOMPARE(env.edit("txtModeName")->text(), QStringLiteral("TWO"));
    }

    void deleteOfTheShownSlot()
    {
        Env env;
        QVERIFY(env.writeSettings("[MODE-1]\r\nModeName=ONE\r\n[MODE-2]\r\nModeName=TWO\r\n"
                                  "CommentColumn=5\r\n"));
        env.slotAnswer = 2;
        env.open();
        env.click("optModeSelect2");
        QCOMPARE(env.label("lblColumn"), QStringLiteral("5"));
        QVERIFY(env.checked("chkCOMStartValid")); // a missing key reads as 1

        env.click("BtnDelete");
        QCOMPARE(env.questions[0].SlotCaptions,
                 (std::array<QString, 4>{
                     QStringLiteral("TWO"), QStringLiteral("ONE"), QStringLiteral("TWO"), {}}));
        QCOMPARE(env.section(QStringLiteral("MODE-2")), QStringList());
        QCOMPARE(env.section(QStringLiteral("MODE-1")),
                 QStringList{QStringLiteral("ModeName=ONE")});
        QCOMPARE(env.checkedSlot(), 2);
        QCOMPARE(env.slotCaptions(), (QStringList{QStringLiteral("ONE"), QString(), QString()}));
        QCOMPARE(env.differingFromEmptyMode(), QStringList());
        QVERIFY(env.ctx.ModesChanged);
    }

    void importShowsTheModeAndWritesNothing()
    {
        Env env;
        QVERIFY(env.writeSettings("[MODE-3]\r\nModeName=THREE\r\n"));
        const QByteArray before = env.bytes();
        const QString import = env.home.filePath(QStringLiteral("cobolqvx.ini"));
        QVERIFY(uitest::writeFile(import, "[Other]\r\nModeName=NO\r\n[Def]\r\nModeName=IMP\r\n"
                                          "2StartWord=DIV*\r\n2Tuning=-2\r\nNullLineMode=1\r\n"));
        env.open();
        env.click("BtnOpen"); // cancelled
        QCOMPARE(env.dialogs.fileTitles, QStringList{QStringLiteral("設定ﾌｧｲﾙの指定")});
        QCOMPARE(env.dialogs.fileFilters, (QStringList{QStringLiteral("Quorvix設定ﾌｧｲﾙ(*qvx.ini)"),
                                                       QStringLiteral("全ての設定ﾌｧｲﾙ(*.ini)"),
                                                       QStringLiteral("全てのﾌｧｲﾙ(*.*)")}));
        QCOMPARE(env.differingFromEmptyMode(), QStringList());

        env.dialogs.fileAnswer = import;
        env.click("BtnOpen");
        QCOMPARE(env.edit("txtModeName")->text(), QStringLiteral("IMP"));
        QCOMPARE(env.label("lblTuningU2"), QStringLiteral("+2"));
        QVERIFY(env.enabled("scrTuning2"));
        QVERIFY(env.checked("optNullLine1") && env.checked("chkCOMStartValid"));
        QCOMPARE(env.checkedSlot(), 0);
        QCOMPARE(env.slotCaptions(), (QStringList{QString(), QString(), QStringLiteral("THREE")}));

        env.dialogs.fileAnswer = env.ctx.settingsPath(); // no "Def": every key at its default
        env.click("BtnOpen");
        QCOMPARE(env.edit("txtModeName")->text(), QString());
        QVERIFY(env.checked("optNullLine0") && env.checked("chkCOMStartValid"));

        env.click("BtnClose");
        QVERIFY(!env.w->isVisible());
        QCOMPARE(env.bytes(), before);
    }

    // Values the controls cannot hold are shown at the nearest end of their range, not as the
    // mode shown before had them, and a save writes them so.
    void outOfRangeValuesAreClamped()
    {
        Env env;
        QVERIFY(env.writeSettings(
            "[MODE-1]\r\nModeName=WILD\r\nFileType=*.W\r\nBinaryComp=5\r\n"
            "2Tuning=20\r\n2StartAfter=-1\r\n3Tuning=-30\r\nCommentColumn=80\r\n"
            "CommentLength=-5\r\nNullLineMode=3\r\n"
            "[MODE-2]\r\nModeName=TAME\r\n2Tuning=4\r\n2StartAfter=1\r\n3Tuning=2\r\n"
            "CommentColumn=10\r\nCommentLength=3\r\nNullLineMode=1\r\n"
            "[MODE-3]\r\nModeName=NEG\r\nNullLineMode=-4\r\n"));
        env.slotAnswer = 3;
        env.open();
        env.click("optModeSelect3");
        QVERIFY(env.checked("optNullLine0"));

        env.click("optModeSelect2");
        env.click("optModeSelect1");
        QCOMPARE(env.bar("scrTuning2")->value(), 10);
        QCOMPARE(env.label("lblTuningU2") + env.label("lblTuningD2"), QStringLiteral("-10+10"));
        QCOMPARE(env.bar("scrTuning3")->value(), -10);
        QVERIFY(env.checked("chkBinaryComp") && !env.checked("chkStartAfter2"));
        QCOMPARE(env.label("lblColumn") + u'/' + env.label("lblLength"), QStringLiteral("50/0"));
        QVERIFY(env.enabled("scrLength"));
        QVERIFY(env.checked("optNullLine2"));

        env.click("BtnSave");
        const QStringList saved = env.section(QStringLiteral("MODE-3"));
        for (const char* line : {"BinaryComp=1", "2Tuning=10", "2StartAfter=0", "3Tuning=-10",
                                 "CommentColumn=50", "CommentLength=0", "NullLineMode=2"})
            QVERIFY2(saved.contains(QString::fromLatin1(line)), line);
    }

    void keywordTestMessages()
    {
        Env env;
        env.open();
        const auto test = [&](std::optional<QString> line) {
            env.dialogs.inputAnswer = std::move(line);
            env.dialogs.messages.clear();
            env.click("BtnWordTest");
            return env.dialogs.messages.empty() ? QString() : env.dialogs.messages[0].text;
        };
        const QString heading = QStringLiteral("以下のキーワードにヒットしました\r\n\r\n");

        QCOMPARE(test(QStringLiteral("    ")),
                 heading + QStringLiteral("[COMMENT]【空行カウント】に該当します "));
        QCOMPARE(env.dialogs.inputs, QStringList{QString::fromUtf16(kKeywordTestTitle) + u'|' +
                                                 QString::fromUtf16(kKeywordTestPrompt)});
        QCOMPARE(env.dialogs.messages[0].icon, Dialogs::Icon::Information);

        env.type("txtStartWord2", QStringLiteral("MOVE*"));
        env.type("txtStartWord3", QStringLiteral("*TO*"));
        QCOMPARE(test(QStringLiteral("  MOVE A TO B")),
                 heading + QStringLiteral("[AREA-2]【開始キーワード】に該当します \r\n"
                                          "[AREA-3]【開始キーワード】に該当します "));

        // A comment start hit hides the word hits; case matters once BinaryComp is on.
        env.type("txtCOMStart", QStringLiteral("*move*"));
        env.type("txtWordCount", QStringLiteral("MOVE*"));
        QCOMPARE(test(QStringLiteral("MOVE C")),
                 heading + QStringLiteral("[AREA-2]【開始キーワード】に該当します \r\n"
                                          "[COMMENT]【開始キーワード】に該当します "));
        env.click("chkBinaryComp");
        QCOMPARE(test(QStringLiteral("MOVE C")),
                 heading + QStringLiteral("[AREA-2]【開始キーワード】に該当します \r\n"
                                          "[WORDCOUNT]【MOVE*】に該当します "));
        QCOMPARE(test(QStringLiteral("ADD 1")),
                 QStringLiteral("入力された文字列にヒットするキーワードはありません"));

        // The next test offers the last line, its TABs turned into spaces; Cancel forgets it.
        env.click("chkTABtoSpace");
        test(QStringLiteral("\tMOVE D"));
        QCOMPARE(test(std::nullopt), QString());
        QCOMPARE(test(QString()), QString());
        QCOMPARE(env.dialogs.initials.mid(5),
                 (QStringList{QStringLiteral("ADD 1"), QStringLiteral(" MOVE D"), QString()}));
    }

    void helpReportsShellFailures()
    {
        Env env;
        env.open();
        const QString help = env.home.path() + QStringLiteral("/Quorvix.chm");
        env.shell.result = ShellServices::FileNotFound;
        env.click("BtnSettingHelp");
        QCOMPARE(env.shell.opened, QStringList{help + u'|'});
        QCOMPARE(env.status(), help + QStringLiteral("が見つかりません"));
        QVERIFY(env.timer()->isActive());

        env.shell.result = ShellServices::NoAssociation;
        env.click("BtnSettingHelp");
        QCOMPARE(env.status(),
                 help + QStringLiteral("の拡張子に ｱﾌﾟﾘｹｰｼｮﾝが関連付けされていません"));

        QMetaObject::invokeMethod(env.timer(), "timeout");
        env.shell.result = ShellServices::Success;
        env.click("BtnSettingHelp");
        QCOMPARE(env.status(), QString());
        QVERIFY(env.timer()->isActive());
    }

    // A mode typed into the editor and saved counts a file as the same mode written by hand.
    void savedModeCountsLikeAModeFile()
    {
        Env env;
        env.slotAnswer = 3;
        env.open();
        env.type("txtModeName", QStringLiteral("COBOL"));
        env.type("txtFileType", QStringLiteral("*.CBL"));
        env.type("txtStartWord2", QStringLiteral("PROCEDURE DIVISION*"));
        env.bar("scrTuning2")->setValue(1);
        env.click("chkStartAfter2");
        env.type("txtPUStart", QStringLiteral("EXEC SQL*"));
        env.type("txtPUEnd", QStringLiteral("*END-EXEC*"));
        env.click("chkPUtoPU");
        env.type("txtCOMSolo", QStringLiteral("[*/]"));
        env.bar("scrColumn")->setValue(7);
        env.bar("scrLength")->setValue(1);
        env.click("optNullLine1");
        env.type("txtWordCount", QStringLiteral("MOVE *,DISPLAY *"));
        env.click("chkTABtoSpace");
        env.click("BtnSave");

        const QString modeFile = env.home.filePath(QStringLiteral("cobolqvx.ini"));
        QVERIFY(uitest::writeFile(
            modeFile, "[Def]\r\nModeName=COBOL\r\nFileType=*.CBL\r\nTABtoSpace=1\r\n"
                      "2StartWord=PROCEDURE DIVISION*\r\n2Tuning=1\r\n2StartAfter=1\r\n"
                      "PickupStart=EXEC SQL*\r\nPickupEnd=*END-EXEC*\r\nPickupToPickup=1\r\n"
                      "CommentStartIsValid=0\r\nCommentSolo=[*/]\r\nCommentColumn=7\r\n"
                      "CommentLength=1\r\nNullLineMode=1\r\nWordCount=MOVE *,DISPLAY *\r\n"));
        const QString source = env.home.filePath(QStringLiteral("A.CBL"));
        QVERIFY(uitest::writeFile(
            source, "       IDENTIFICATION DIVISION.\r\n      * header\r\n"
                    "       PROCEDURE DIVISION.\r\n\tMOVE A TO B.\r\n      / page\r\n\r\n"
                    "           EXEC SQL\r\n             SELECT 1\r\n"
                    "           END-EXEC.\r\n           DISPLAY 'X'.\r\n"));

        const ModeDefinition saved =
            LoadModeDefinition(QStringLiteral("MODE-3"), false, env.ctx.settingsPath());
        const ModeDefinition written = LoadModeDefinition(modeFile, true, env.ctx.settingsPath());
        QCOMPARE(ModeKeyValues(saved), ModeKeyValues(written));
        const FileCountResult result = count(saved, source);
        QVERIFY(result == count(written, source));
        QCOMPARE(result.FileTotals[TT_TOTAL], 10);
        QCOMPARE(result.FileTotals[TT_PICKUPTOTAL], 3);
        QCOMPARE(result.WordCounts, (std::vector<qint32>{1, 1}));
    }

    // The editor's own slot dialog, answered while it runs modally.
    void saveThroughTheSlotDialog()
    {
        Env env;
        env.w = std::make_unique<FormMOption>(env.ctx);
        env.w->show();
        env.type("txtModeName", QStringLiteral("ABC"));
        env.type("txtFileType", QStringLiteral("*.abc"));
        QString caption;
        QTimer::singleShot(0, env.w.get(), [&] {
            auto* dialog = env.w->findChild<FormModeSel*>();
            if (!dialog)
                return;
            caption = dialog->windowTitle();
            press(find(dialog, "optModeNumber3"));
            press(find(dialog, "BtnOK"));
            if (dialog->isVisible())
                dialog->reject();
        });
        env.click("BtnSave");
        QCOMPARE(caption, QStringLiteral("SAVE MODE SELECT [ ABC ]"));
        QCOMPARE(env.checkedSlot(), 3);
        QCOMPARE(env.section(QStringLiteral("MODE-3")).value(0), QStringLiteral("ModeName=ABC"));
    }
};

QUORVIX_UI_TEST(ModeEditorTest);

class ModeSelectionTest final : public QObject {
    Q_OBJECT

private slots:
    void deleteOfEmptySlots()
    {
        FormModeSel dialog(SlotQuestion{QStringLiteral("DELETE"), {QStringLiteral("X")}});
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("DELETE MODE SELECT"));
        auto* ok = find<QPushButton>(&dialog, "BtnOK");
        QCOMPARE(ok->text(), QStringLiteral("DELETE"));
        QCOMPARE(ok->palette().color(QPalette::Button), QColor(0xFF, 0xC0, 0xC0));
        for (const char* name : {"optModeNumber1", "optModeNumber2", "optModeNumber3"}) {
            QCOMPARE(find<QRadioButton>(&dialog, name)->text(), QString());
            QVERIFY(!find<QRadioButton>(&dialog, name)->isChecked());
        }
        QCOMPARE(find<QLabel>(&dialog, "lblModeNumber3")->text(), QStringLiteral("MODE-3"));
        QVERIFY(!find<QLabel>(&dialog, "lblModeName")->isVisible());
        press(find(&dialog, "optModeNumber3"));
        press(ok);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.SelectedSlot(), qint16(3));
        QVERIFY(!dialog.Cancelled());
    }

    // The whole title fits the dialog's width, and the mode being saved is named inside too.
    void saveNamesTheModeInTitleAndDialog()
    {
        const QString name = QStringLiteral("COBOLX改 (固定形式・ｼｰｹﾝｽ番号付き)");
        FormModeSel dialog(SlotQuestion{QStringLiteral("SAVE"), {name}});
        dialog.show();
        const QString title = QStringLiteral("SAVE MODE SELECT [ ") + name + QStringLiteral(" ]");
        QCOMPARE(dialog.windowTitle(), title);
        QFont bold = dialog.font();
        bold.setBold(true);
        QVERIFY(dialog.width() > QFontMetrics(bold).horizontalAdvance(title));
        auto* shown = find<QLabel>(&dialog, "lblModeName");
        QVERIFY(shown->isVisible());
        QCOMPARE(shown->text(), QStringLiteral("MODE NAME [ ") + name + QStringLiteral(" ]"));
    }

    void saveThenOkWithoutChoiceAndCancel()
    {
        const SlotQuestion question{QStringLiteral("SAVE"),
                                    {QStringLiteral("  "), QStringLiteral("ONE"), {}, {}}};
        FormModeSel dialog(question);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("SAVE MODE SELECT [    ]"));
        QCOMPARE(find<QPushButton>(&dialog, "BtnOK")->text(), QStringLiteral("OK"));
        QCOMPARE(find<QRadioButton>(&dialog, "optModeNumber1")->text(), QStringLiteral("ONE"));
        press(find(&dialog, "BtnOK"));
        QVERIFY(dialog.isVisible());
        press(find(&dialog, "BtnCancel"));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.SelectedSlot(), qint16(0));
        QVERIFY(dialog.Cancelled());

        // The close box cancels, even with a slot chosen.
        FormModeSel closed(question);
        closed.show();
        press(find(&closed, "optModeNumber2"));
        QVERIFY(closed.close());
        QCOMPARE(closed.SelectedSlot(), qint16(0));
        QVERIFY(closed.Cancelled());
    }
};

QUORVIX_UI_TEST(ModeSelectionTest);

#include "modeeditor_test.moc"
