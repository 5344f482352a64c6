#include <algorithm>

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "support/cli.h"
#include "testutil.h"

using clitest::Result;
using clitest::runCli;

namespace {

const QString kBundle = QStringLiteral(QUORVIX_TEST_DATA "/history/cobol-course-history.bundle");
const QString kOld = QStringLiteral("07ea969"); // 2022-10-17
const QString kNew = QStringLiteral("3c4693d"); // 2023-08-31

bool git(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("git"), args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The course history cloned once, and two revisions of it checked out as plain folders.
class History : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        const QString repo = s_dir->filePath(QStringLiteral("repo"));
        ASSERT_TRUE(git({QStringLiteral("clone"), QStringLiteral("-q"), kBundle, repo}));
        for (const QString& rev : {kOld, kNew}) {
            const QString folder = s_dir->filePath(rev);
            ASSERT_TRUE(QDir().mkpath(folder));
            ASSERT_TRUE(
                git({QStringLiteral("-C"), repo, QStringLiteral("--work-tree=") + folder,
                     QStringLiteral("checkout"), rev, QStringLiteral("--"), QStringLiteral(".")}));
        }
    }
    static void TearDownTestSuite() { delete s_dir; }

    static QString path(const QString& name) { return s_dir->filePath(name); }

    static Result diff(QStringList args)
    {
        args.prepend(QStringLiteral("diff"));
        args << QStringLiteral("--mode") << QStringLiteral("1") << QStringLiteral("--home")
             << QStringLiteral(QUORVIX_SAMPLES);
        return runCli(args);
    }

    static inline QTemporaryDir* s_dir = nullptr;
};

// The document without the names of the two sides.
QString withoutSides(QString json)
{
    static const QRegularExpression sides(QStringLiteral(R"("old": "[^"]*", "new": "[^"]*", )"));
    return json.remove(sides);
}

} // namespace

TEST_F(History, FoldersAndRevisionsGiveTheSameDiff)
{
    const Result folders = diff({QStringLiteral("--json"), path(kOld), path(kNew),
                                 QStringLiteral("--jobs"), QStringLiteral("2")});
    const Result revisions = diff({QStringLiteral("--json"), QStringLiteral("--git"),
                                   path(QStringLiteral("repo")), kOld, kNew});
    ASSERT_EQ(folders.exitCode, 0) << folders.err.toStdString();
    ASSERT_EQ(revisions.exitCode, 0) << revisions.err.toStdString();
    EXPECT_EQ(withoutSides(folders.out), withoutSides(revisions.out));
    EXPECT_TRUE(folders.out.contains(
        QStringLiteral(R"("totals": {"files": 7, "added_files": 2, "deleted_files": 0, )"
                       R"("modified_files": 5, "unchanged_files": 0, "failed_files": 0, )"
                       R"("old_steps": 617, "new_steps": 832, "added": 216, "changed": 23, )"
                       R"("deleted": 1, "unchanged": 593}})")))
        << folders.out.toStdString();

    const Result same = diff({QStringLiteral("--git"), path(QStringLiteral("repo")), kNew, kNew});
    EXPECT_EQ(same.exitCode, 0);
    EXPECT_TRUE(same.out.contains(QStringLiteral("0 modified, 7 unchanged")))
        << same.out.toStdString();
}

TEST_F(History, AnEmptySideIsAllAddedOrAllDeleted)
{
    QTemporaryDir empty;
    const Result added = diff({QStringLiteral("--json"), empty.path(), path(kNew)});
    EXPECT_EQ(added.exitCode, 0);
    EXPECT_TRUE(added.out.contains(QStringLiteral(R"("added_files": 7, )")));
    EXPECT_TRUE(added.out.contains(QStringLiteral(R"("added": 832, "changed": 0, "deleted": 0)")));
    const Result deleted = diff({QStringLiteral("--json"), path(kOld), empty.path()});
    EXPECT_TRUE(deleted.out.contains(QStringLiteral(R"("deleted_files": 5, )")))
        << deleted.out.toStdString();
}

TEST_F(History, BadTreesAreUsageErrors)
{
    const QString repo = path(QStringLiteral("repo"));
    for (const QStringList& args :
         {QStringList{QStringLiteral("--git"), repo, QStringLiteral("no-such-rev"), kNew},
          QStringList{QStringLiteral("--git"), path(kOld), kOld, kNew},
          QStringList{QStringLiteral("--git"), repo, kOld},
          QStringList{path(kOld), path(QStringLiteral("missing"))},
          QStringList{path(kOld), kBundle}}) {
        const Result r = diff(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("quorvix-cli diff: "))) << r.err.toStdString();
    }
}

TEST_F(History, OutputsAreWrittenBesideEarlierOnes)
{
    QTemporaryDir out;
    const QString folder = out.filePath(QStringLiteral("made/here"));
    for (int run = 0; run < 2; ++run) {
        const Result r = diff({QStringLiteral("--output"), QStringLiteral("csv"),
                               QStringLiteral("--out"), folder, path(kOld), path(kNew)});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
    const Result page = diff({QStringLiteral("--output"), QStringLiteral("html"),
                              QStringLiteral("--out"), folder, path(kOld), path(kNew)});
    ASSERT_EQ(page.exitCode, 0);
    const QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(names.size(), 3) << names.join(u' ').toStdString();
    const QByteArray csv = testutil::readBytes(folder + u'/' + names.constFirst()); // a .csv
    EXPECT_TRUE(csv.startsWith("status,added,changed,deleted,unchanged,old_steps,new_steps,path"));
    EXPECT_TRUE(csv.contains("\r\ntotal,216,23,1,593,617,832,\"7 files\",\r\n")) << csv.constData();
    const auto html = std::find_if(names.cbegin(), names.cend(), [](const QString& n) {
        return n.endsWith(QStringLiteral(".html"));
    });
    ASSERT_NE(html, names.cend());
    const QByteArray text = testutil::readBytes(folder + u'/' + *html);
    EXPECT_TRUE(text.contains("<meta charset=\"Shift_JIS\">"));
}
