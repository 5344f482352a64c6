#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "ui/main/folderbrowser.h"
#include "uitest.h"

class FolderBrowserTest final : public QObject {
    Q_OBJECT

private slots:
    void listsMatchingFilesAndSubfolders()
    {
        QTemporaryDir dir;
        for (const char* name : {"a.cbl", "B.COB", "c.txt", "README"}) {
            QFile file(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));

        FolderBrowser browser(QStringLiteral("*.CBL;*.COB"));
        QVERIFY(!browser.setFolder(dir.filePath(QStringLiteral("missing"))));
        QVERIFY(browser.setFolder(dir.path() + u'/'));
        QCOMPARE(browser.folder(), QDir::toNativeSeparators(dir.path()));
        QCOMPARE(browser.files(), (QStringList{QStringLiteral("a.cbl"), QStringLiteral("B.COB")}));
        QCOMPARE(browser.subfolders(), QStringList{QStringLiteral("sub")});
        QCOMPARE(browser.folderChain().constLast(), browser.folder());

        // "*.*" also takes names without a dot.
        browser.setFilePattern(QStringLiteral("*.*"));
        QCOMPARE(browser.files().size(), 4);
    }

    void returnsToTheLastFolderOfADriveWhileItExists()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        FolderBrowser browser(QStringLiteral("*.*"));
        QVERIFY(browser.setFolder(dir.filePath(QStringLiteral("sub"))));
        const QString drive = browser.drive();
        QCOMPARE(browser.folderOnDrive(drive), browser.folder());
        QVERIFY(QDir(dir.filePath(QStringLiteral("sub"))).removeRecursively());
        QCOMPARE(browser.folderOnDrive(drive), drive);
        QCOMPARE(browser.nearestExistingFolder(), QDir::toNativeSeparators(dir.path()));
    }
};

QUORVIX_UI_TEST(FolderBrowserTest);

#include "folderbrowser_test.moc"
