#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "settings/paths.h"
#include "support/uisupport.h"
#include "ui/main/formdiff.h"
#include "uitest.h"

using uitest::find;

class FormDiffTest final : public QObject {
    Q_OBJECT

private slots:
    void diffsTheOldFolderAgainstTheBrowsedOneIntoTheOutputList()
    {
        uitest::AppEnv env;
        QVERIFY(env.setIni(QStringLiteral("MODE-1"), QStringLiteral("ModeName"),
                           QStringLiteral("COBOL")));
        QVERIFY(env.setIni(QStringLiteral("MODE-1"), QStringLiteral("FileType"),
                           QStringLiteral("*.CBL")));
        QVERIFY(env.setIni(QStringLiteral("MODE-1"), QStringLiteral("CommentSolo"),
                           QStringLiteral("[*]")));
        QVERIFY(env.setIni(QStringLiteral("MODE-1"), QStringLiteral("CommentColumn"),
                           QStringLiteral("7")));
        QVERIFY(env.setIni(QStringLiteral("MODE-1"), QStringLiteral("CommentLength"),
                           QStringLiteral("1")));
        QTemporaryDir old;
        QVERIFY(
            uitest::writeFile(old.filePath(QStringLiteral("A.CBL")),
                              "       MOVE A TO B.\r\n      * old note\r\n       STOP RUN.\r\n"));
        QVERIFY(uitest::writeFile(old.filePath(QStringLiteral("GONE.CBL")), "       EXIT.\r\n"));
        QVERIFY(uitest::writeFile(env.src.filePath(QStringLiteral("A.CBL")),
                                  "       MOVE A TO C.\r\n      * new note\r\n       STOP RUN.\r\n"
                                  "       GOBACK.\r\n"));
        QVERIFY(uitest::writeFile(env.src.filePath(QStringLiteral("NOTE.TXT")), "skipped\n"));
        QTemporaryDir out;
        env.dialogs.folderAnswer = old.path();

        int listed = 0;
        FormDiff form(env.ctx, nullptr, env.src.path(), 1, [&listed] { ++listed; });
        find<QPushButton>(&form, QStringLiteral("BtnOldDir"))->click();
        QCOMPARE(find<QLineEdit>(&form, QStringLiteral("txtOldDir"))->text(), old.path());
        find<QLineEdit>(&form, QStringLiteral("txtOutDir"))->setText(out.path());
        find<QRadioButton>(&form, QStringLiteral("optCsv"))->setChecked(true);
        form.show();
        find<QPushButton>(&form, QStringLiteral("BtnYES"))->click();

        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(listed, 1);
        QVERIFY(env.dialogs.messages.empty());
        QCOMPARE(env.ctx.request.OutputCount, 1);
        const QString written = env.ctx.request.OutputPaths.at(1);
        QVERIFY(written.startsWith(AddBackslash(out.path()) + QStringLiteral("QVXDIFF")));
        QFile csv(written);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QByteArray text = csv.readAll();
        QVERIFY2(text.contains("modified,1,1,0,1,2,3,\"A.CBL\","), text.constData());
        QVERIFY2(text.contains("deleted,0,0,1,0,1,0,\"GONE.CBL\","), text.constData());
        QVERIFY2(text.contains("total,1,1,1,1,3,3,\"2 files\","), text.constData());
        QVERIFY(env.ctx.outputs.entries().back().text.contains(QStringLiteral("(差分 2 Files)")));
    }

    void aMissingOldFolderRunsNothing()
    {
        uitest::AppEnv env;
        FormDiff form(env.ctx, nullptr, env.src.path(), 1, {});
        find<QLineEdit>(&form, QStringLiteral("txtOldDir"))
            ->setText(env.src.filePath(QStringLiteral("missing")));
        find<QPushButton>(&form, QStringLiteral("BtnYES"))->click();
        QCOMPARE(env.ctx.request.OutputCount, 0);
        QVERIFY(form.isVisible() || form.result() != int(QDialog::Accepted));
    }
};

QUORVIX_UI_TEST(FormDiffTest);

#include "formdiff_test.moc"
