#include "run/folderwalk.h"

#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include <git2.h>

#include <QFile>
#include <QTemporaryDir>

#include "testutil.h"

namespace {

// A temporary folder; paths below it are given and compared as bytes.
class WalkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_root = QFile::encodeName(m_dir.path());
    }

    QByteArray at(const QByteArray& relative) const { return m_root + '/' + relative; }

    void file(const QByteArray& relative, const QByteArray& bytes = "x\n") const
    {
        FILE* f = std::fopen(at(relative).constData(), "wb");
        ASSERT_NE(f, nullptr) << relative.constData();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), f);
        std::fclose(f);
    }

    void folder(const QByteArray& relative) const
    {
        ASSERT_EQ(mkdir(at(relative).constData(), 0755), 0) << relative.constData();
    }

    void symlinkTo(const QByteArray& target, const QByteArray& relative) const
    {
        ASSERT_EQ(symlink(target.constData(), at(relative).constData()), 0) << relative.constData();
    }

    // A git repository at the root with a .gitignore that negates one of its patterns.
    void gitTree() const
    {
        git_libgit2_init();
        git_repository* repo = nullptr;
        ASSERT_EQ(git_repository_init(&repo, m_root.constData(), 0), 0);
        git_repository_free(repo);
        git_libgit2_shutdown();
        file(".gitignore", "*.log\n!keep.log\nbuild/\n");
        file("A.CBL");
        file("x.log");
        file("keep.log");
        folder("build");
        file("build/B.CBL");
        folder("sub");
        file("sub/D.CBL");
        file("sub/y.log");
        folder("sub/build");
        file("sub/build/C.CBL");
    }

    // The walk's files below the root, in the order walked; the same with and without sizes,
    // which are then the files' own.
    std::vector<QByteArray> walk(const WalkRules& rules = {},
                                 std::vector<WalkError>* errors = nullptr) const
    {
        WalkRules sizeless = rules;
        sizeless.sizes = false;
        const FolderWalkResult result = WalkFolder(m_root, rules);
        const FolderWalkResult typed = WalkFolder(m_root, sizeless);
        EXPECT_EQ(typed.files, result.files);
        EXPECT_EQ(typed.errors.size(), result.errors.size());
        std::vector<QByteArray> relative;
        for (size_t i = 0; i < result.files.size(); ++i) {
            const QByteArray& f = result.files[i];
            EXPECT_TRUE(f.startsWith(m_root + '/')) << f.constData();
            relative.push_back(f.mid(m_root.size() + 1));
            struct stat st {};
            EXPECT_EQ(result.sizes[i], stat(f.constData(), &st) == 0 ? st.st_size : 0)
                << f.constData();
        }
        if (errors)
            *errors = result.errors;
        else
            EXPECT_TRUE(result.errors.empty()) << result.errors[0].reason.toStdString();
        return relative;
    }

    QTemporaryDir m_dir;
    QByteArray m_root;
};

using Files = std::vector<QByteArray>;

} // namespace

TEST_F(WalkTest, SkipsDotGitAndWhatGitIgnoresKeepingNegations)
{
    gitTree();
    EXPECT_EQ(walk(), (Files{".gitignore", "A.CBL", "keep.log", "sub/D.CBL"}));
}

TEST_F(WalkTest, NoIgnoreKeepsIgnoredFilesButNeverDotGit)
{
    gitTree();
    WalkRules rules;
    rules.gitIgnore = false;
    EXPECT_EQ(walk(rules), (Files{".gitignore", "A.CBL", "build/B.CBL", "keep.log", "sub/D.CBL",
                                  "sub/build/C.CBL", "sub/y.log", "x.log"}));
}

TEST_F(WalkTest, IgnoreRulesApplyBelowTheWorkTreeRoot)
{
    gitTree();
    const FolderWalkResult result = WalkFolder(at("sub"), WalkRules{});
    EXPECT_EQ(result.files, (Files{at("sub/D.CBL")}));
    EXPECT_TRUE(result.errors.empty());
}

TEST_F(WalkTest, FileTypePatternsMatchTheNameIgnoringCase)
{
    file("a.cbl");
    file("b.COB");
    file("c.txt");
    folder("d.CBL");
    file("d.CBL/e.CBL");
    file(".CbL");
    file("f.CBLX");
    file("gCBL");
    file("\xC3\xA9.Cbl");   // é: the name is not ASCII
    file("h.\xE2\x84\xAA"); // .K with the Kelvin sign, which folds to k
    file("i.K");
    WalkRules rules;
    rules.fileType = QStringLiteral("*.CBL; *.cob;*.k");
    EXPECT_EQ(walk(rules), (Files{".CbL", "a.cbl", "b.COB", "d.CBL/e.CBL", "h.\xE2\x84\xAA", "i.K",
                                  "\xC3\xA9.Cbl"}));
}

TEST_F(WalkTest, ExcludesByBaseNameAndByRelativePath)
{
    folder("sub");
    folder("sub/deep");
    folder("gen");
    file("A.CBL");
    file("A.tmp");
    file("sub/B.CBL");
    file("sub/B.tmp");
    file("sub/deep/C.CBL");
    file("gen/D.CBL");
    file("sub/gen");
    WalkRules rules;
    rules.excludes = {QStringLiteral("*.tmp"), QStringLiteral("sub/*.CBL"), QStringLiteral("gen/")};
    // "sub/*.CBL" does not reach into sub/deep, and "gen/" leaves the file named gen.
    EXPECT_EQ(walk(rules), (Files{"A.CBL", "sub/deep/C.CBL", "sub/gen"}));
    rules.excludes = {QStringLiteral("deep")};
    EXPECT_EQ(walk(rules),
              (Files{"A.CBL", "A.tmp", "gen/D.CBL", "sub/B.CBL", "sub/B.tmp", "sub/gen"}));
}

TEST_F(WalkTest, SymlinkedFoldersAreNotFollowedAndSymlinkedFilesCount)
{
    folder("sub");
    file("sub/A.CBL");
    symlinkTo("sub", "link");
    symlinkTo("..", "sub/loop");
    symlinkTo("sub/A.CBL", "B.CBL");
    symlinkTo("nowhere", "C.CBL");
    // The dangling link is kept, so that counting it reports it.
    EXPECT_EQ(walk(), (Files{"B.CBL", "C.CBL", "sub/A.CBL"}));
}

TEST_F(WalkTest, FilesComeInByteOrderOfTheirPaths)
{
    folder("a");
    file("a/b.CBL");
    file("a-b.CBL");
    file("a.CBL");
    file("B.CBL");
    file("\xEF\xBC\xA1.CBL");     // U+FF21
    file("\xF0\x9F\x98\x80.CBL"); // U+1F600, before U+FF21 in UTF-16 order
    file("\x95\x5C\x8E\xA6.CBL"); // CP932, not UTF-8
    file("z.CBL", "a longer file\n");
    EXPECT_EQ(walk(), (Files{"B.CBL", "a-b.CBL", "a.CBL", "a/b.CBL", "z.CBL",
                             "\x95\x5C\x8E\xA6.CBL", "\xEF\xBC\xA1.CBL", "\xF0\x9F\x98\x80.CBL"}));
    // Each file's size comes with it, in the same order.
    const FolderWalkResult result = WalkFolder(m_root, WalkRules{});
    ASSERT_EQ(result.sizes.size(), result.files.size());
    for (size_t i = 0; i < result.files.size(); ++i) {
        struct stat st {};
        ASSERT_EQ(::stat(result.files[i].constData(), &st), 0);
        EXPECT_EQ(result.sizes[i], st.st_size) << result.files[i].constData();
    }
    // QTemporaryDir removes by decoded names, which miss a name that is not UTF-8.
    unlink(at("\x95\x5C\x8E\xA6.CBL").constData());
}

TEST_F(WalkTest, AMissingFolderIsReported)
{
    const FolderWalkResult result = WalkFolder(at("missing"), WalkRules{});
    EXPECT_TRUE(result.files.empty());
    ASSERT_EQ(result.errors.size(), 1u);
    EXPECT_EQ(result.errors[0].path, at("missing"));
    EXPECT_FALSE(result.errors[0].reason.isEmpty());
}

TEST_F(WalkTest, AnUnreadableFolderIsReportedAndTheRestWalked)
{
    // Root reads every folder whatever its permissions, and no folder is closed to it.
    if (geteuid() == 0)
        GTEST_SKIP() << "running as root, which reads every folder";
    folder("a");
    file("a/A.CBL");
    folder("locked");
    file("locked/L.CBL");
    file("z.CBL");
    ASSERT_EQ(chmod(at("locked").constData(), 0), 0);
    std::vector<WalkError> errors;
    const Files files = walk({}, &errors);
    chmod(at("locked").constData(), 0755);
    EXPECT_EQ(files, (Files{"a/A.CBL", "z.CBL"}));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].path, at("locked"));
    EXPECT_EQ(errors[0].reason, QString::fromLocal8Bit(std::strerror(EACCES)));
}
