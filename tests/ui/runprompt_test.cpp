#include <QStringList>

#include "run/runrequest.h"
#include "ui/run/runprompt.h"
#include "uitest.h"

class RunPromptTest final : public QObject {
    Q_OBJECT

private slots:
    void namesUpToThreeFilesThenTheirNumber_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("prompt");
        const QStringList four{QStringLiteral("A.CBL"), QStringLiteral("B.CBL"),
                               QStringLiteral("C.CBL"), QStringLiteral("D.CBL")};
        QTest::newRow("count one")
            << 2 << four.mid(0, 1) << QStringLiteral(" A.CBL  のカウントを開始します");
        QTest::newRow("count three")
            << 3 << four.mid(0, 3)
            << QStringLiteral(" A.CBL  B.CBL  C.CBL  のカウントを開始します");
        QTest::newRow("count four")
            << 1 << four << QStringLiteral("4 ファイルのカウントを開始します");
        QTest::newRow("to CR, one") << int(ProcessModes::ToCr) << four.mid(0, 1)
                                    << QStringLiteral(" A.CBL  の CR+LF LF を CR に置換します");
        QTest::newRow("to CR+LF, four")
            << int(ProcessModes::ToCrLf) << four
            << QStringLiteral("4 ファイルの CR LF を CR+LF に置換します");
    }
    void namesUpToThreeFilesThenTheirNumber()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, files);
        QFETCH(QString, prompt);
        QCOMPARE(RunPromptText(files, qint16(mode)), prompt);
    }
};

QUORVIX_UI_TEST(RunPromptTest);

#include "runprompt_test.moc"
