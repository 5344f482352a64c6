#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>

#include "text/pathbytes.h"
#include "ui/main/folderbrowser.h"
#include "ui/main/runfiles.h"
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

    // What unpacking a Windows archive gives: names in CP932 bytes, not UTF-8.
    void listsAndRunsNamesThatAreNotUtf8()
    {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path()) + '/';
        const QByteArray folderName("\x8E\x91\x97\xBF");   // 資料
        const QByteArray fileName("\x95\x5C\x8E\xA6.CBL"); // 表示.CBL
        QVERIFY(::mkdir((root + folderName).constData(), 0700) == 0);
        const int fd = ::open((root + fileName).constData(), O_WRONLY | O_CREAT, 0600);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, "12345", 5), ssize_t(5));
        ::close(fd);

        FolderBrowser browser(QStringLiteral("*.cbl"));
        QVERIFY(browser.setFolder(dir.path()));
        QCOMPARE(browser.files().size(), 1);
        QCOMPARE(EncodePath(browser.files().constFirst()), fileName);
        QCOMPARE(DisplayPath(browser.files().constFirst()),
                 QStringLiteral("\uFFFD\\\uFFFD\uFFFD.CBL"));
        QCOMPARE(browser.subfolders().size(), 1);
        QVERIFY(browser.setFolder(browser.folder() + u'/' + browser.subfolders().constFirst()));
        QCOMPARE(EncodePath(browser.folder()), root + folderName);
        QVERIFY(!browser.drive().isEmpty());
        QVERIFY(browser.setFolder(QFile::decodeName(root)));

        const RunFiles selected = SelectedRunFiles(browser.folder(), browser.files());
        QVERIFY(!selected.missing);
        QCOMPARE(selected.totalBytes, 5.0);
        QCOMPARE(EncodePath(selected.files.front().folder + selected.files.front().name),
                 root + fileName);

        QMimeData drop;
        drop.setData(QStringLiteral("text/uri-list"),
                     UrlOfLocalPath(DecodePath(root + fileName)).toEncoded() + "\r\n");
        QVERIFY(IsLocalDrop(&drop));
        const RunFiles dropped = DroppedRunFiles(DroppedPaths(&drop));
        QVERIFY(!dropped.missing);
        QCOMPARE(dropped.files.size(), size_t(1));
        QCOMPARE(EncodePath(dropped.files.front().name), fileName);

        // QTemporaryDir cannot remove what it cannot name.
        QCOMPARE(::unlink((root + fileName).constData()), 0);
        QCOMPARE(::rmdir((root + folderName).constData()), 0);
    }
};

QUORVIX_UI_TEST(FolderBrowserTest);

#include "folderbrowser_test.moc"
