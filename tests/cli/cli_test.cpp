#include <functional>

#include <fcntl.h>
#include <ftw.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "support/cli.h"
#include "testutil.h"

using testutil::u8;

using clitest::Result;
using clitest::runCli;

TEST(CliModes, PrintsTheThreeSampleModes)
{
    const Result r = runCli(
        {QStringLiteral("modes"), QStringLiteral("--home"), QStringLiteral(QUORVIX_SAMPLES)});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    // MODE-1 has the optional MaskColumns after WordCount; the others have no optional key.
    ASSERT_EQ(lines.size(), 3 * 23 + 1);
    EXPECT_EQ(lines[0], QStringLiteral("[MODE-1]"));
    EXPECT_EQ(lines[1], QStringLiteral("ModeName=COBOL"));
    EXPECT_EQ(lines[2], QStringLiteral("FileType=*.CBL;*.COB;*.cbl;*.cob;*.cpy;*.CPY"));
    EXPECT_EQ(lines[21], QStringLiteral("WordCount=*PERFORM*,*CALL*,*COPY*,*EXEC SQL*"));
    EXPECT_EQ(lines[22], QStringLiteral("MaskColumns=1-6,73-"));
    EXPECT_EQ(lines[23], QStringLiteral("AreaCount=2"));
    EXPECT_EQ(lines[25], u8("ModeName=C・C++"));
    EXPECT_EQ(lines[38], QStringLiteral("CommentStart=*/[*]*"));
    EXPECT_EQ(lines[40], QStringLiteral("CommentStartIsValid=1"));
    EXPECT_EQ(lines[47], QStringLiteral("[MODE-3]"));
}

TEST(CliModes, ImportWithoutDefPrintsTheDefaultMode)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("x.ini"));
    testutil::writeBytes(file, "[Other]\r\nModeName=X\r\n");
    const Result r = runCli({QStringLiteral("modes"), QStringLiteral("--import"), file});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("[Def]\nModeName=\nFileType=\nBinaryComp=0\nTABtoSpace=0\n"
                                    "2StartWord=\n2Tuning=0\n2StartAfter=0\n3StartWord=\n"
                                    "3Tuning=0\n3StartAfter=0\nPickupStart=\nPickupEnd=\n"
                                    "PickupToPickup=0\nCommentStart=\nCommentEnd=\n"
                                    "CommentStartIsValid=1\nCommentSolo=\nCommentColumn=0\n"
                                    "CommentLength=0\nNullLineMode=0\nWordCount=\n"
                                    "AreaCount=1\n"));
}

TEST(CliModes, ErrorsHaveTheirExitCodes)
{
    const Result missing = runCli({QStringLiteral("modes"), QStringLiteral("--import"),
                                   QStringLiteral("/nonexistent/x.ini")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("/nonexistent/x.ini")));

    EXPECT_EQ(runCli({QStringLiteral("modes"), QStringLiteral("--bogus")}).exitCode, 2);
    EXPECT_EQ(runCli({QStringLiteral("modes"), QStringLiteral("--home")}).exitCode, 2);
    EXPECT_EQ(runCli({QStringLiteral("frobnicate")}).exitCode, 2);
    EXPECT_EQ(runCli({}).exitCode, 2);
    const Result help = runCli({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("modes")));
}

namespace {

const QByteArray kWorkedMode = "[Def]\r\nModeName=C\r\n2StartWord=int main*\r\n"
                               "CommentStart=/[*]*\r\nCommentEnd=*[*]/*\r\n"
                               "CommentStartIsValid=0\r\nCommentSolo=//*\r\nWordCount=*printf*\r\n";
const QByteArray kWorkedSource = "#include <stdio.h>\n\n/* header\n   more */\nint main(void)\n{\n"
                                 "    // say hi\n    printf(msg);\n}\n";

// A folder holding the worked example's mode file and source.
struct WorkedFiles {
    QTemporaryDir dir;
    QString mode = dir.filePath(QStringLiteral("cqvx.ini"));
    QString source = dir.filePath(QStringLiteral("hello.c"));

    WorkedFiles()
    {
        testutil::writeBytes(mode, kWorkedMode);
        testutil::writeBytes(source, kWorkedSource);
    }
};

} // namespace

TEST(CliCount, JsonDocumentAndExitCode)
{
    const WorkedFiles w;

    const Result ok = runCli({QStringLiteral("count"), QStringLiteral("--mode-file"), w.mode,
                              QStringLiteral("--json"), w.source});
    ASSERT_EQ(ok.exitCode, 0) << ok.err.toStdString();
    const QString counters1 = QStringLiteral(
        "{\"TT_TOTAL\": 4, \"TT_VALIDTOTAL\": 1, \"TT_COMTOTAL\": 2, \"TT_AREATOTAL\": 4, "
        "\"TT_AREA\": 1, \"TT_AREACOM\": 2, \"TT_PICKUPTOTAL\": 0, \"TT_PICKUP\": 0, "
        "\"TT_PICKUPCOM\": 0, \"TT_NULLLINE\": 1}");
    const QString counters2 = QStringLiteral(
        "{\"TT_TOTAL\": 5, \"TT_VALIDTOTAL\": 4, \"TT_COMTOTAL\": 1, \"TT_AREATOTAL\": 5, "
        "\"TT_AREA\": 4, \"TT_AREACOM\": 1, \"TT_PICKUPTOTAL\": 0, \"TT_PICKUP\": 0, "
        "\"TT_PICKUPCOM\": 0, \"TT_NULLLINE\": 0}");
    const QString totals = QStringLiteral(
        "{\"TT_TOTAL\": 9, \"TT_VALIDTOTAL\": 5, \"TT_COMTOTAL\": 3, \"TT_AREATOTAL\": 9, "
        "\"TT_AREA\": 5, \"TT_AREACOM\": 3, \"TT_PICKUPTOTAL\": 0, \"TT_PICKUP\": 0, "
        "\"TT_PICKUPCOM\": 0, \"TT_NULLLINE\": 1}");
    EXPECT_EQ(ok.out,
              QStringLiteral("{\"version\": \"" QUORVIX_VERSION
                             "\", \"mode\": \"C\", \"area_count\": 2, \"files\": [\n  "
                             "{\"path\": \"") +
                  w.source +
                  QStringLiteral("\", \"ok\": true, \"encoding\": \"cp932\", \"totals\": ") +
                  totals + QStringLiteral(", \"areas\": [") + counters1 + QStringLiteral(", ") +
                  counters2 +
                  QStringLiteral("], \"words\": [{\"pattern\": \"*printf*\", "
                                 "\"count\": 1}]}\n],\n\"totals\": ") +
                  totals.chopped(1) +
                  QStringLiteral(", \"files\": 1, \"failed\": 0},\n\"outputs\": []}\n"));

    // A missing file and a folder named without --recursive fail; the file beside them counts.
    const QString missing = w.dir.filePath(QStringLiteral("missing.c"));
    const Result failed = runCli({QStringLiteral("count"), QStringLiteral("--mode-file"), w.mode,
                                  QStringLiteral("--json"), QStringLiteral("--jobs"),
                                  QStringLiteral("2"), missing, w.source, w.dir.path()});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(failed.out.contains(QStringLiteral("{\"path\": \"") + missing +
                                    QStringLiteral("\", \"ok\": false, \"error\": \"")));
    EXPECT_TRUE(failed.out.contains(QStringLiteral("\"ok\": true")));
    EXPECT_TRUE(failed.out.contains(QStringLiteral("\"files\": 1, \"failed\": 2}")));
    EXPECT_TRUE(failed.err.contains(missing + QStringLiteral(": no such file")));
    EXPECT_TRUE(failed.err.contains(w.dir.path() + QStringLiteral(": is a folder, not a file")));
}

TEST(CliCount, EncodingOptionNamesTheEncodingUsed)
{
    const WorkedFiles w;
    const QString utf8 = w.dir.filePath(QStringLiteral("utf8.c"));
    testutil::writeBytes(utf8, "// \xE9\xA1\xA7\xE5\xAE\xA2\n" + kWorkedSource);
    const Result r = runCli({QStringLiteral("count"), QStringLiteral("--mode-file"), w.mode,
                             QStringLiteral("--json"), w.source, utf8});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count(QStringLiteral("\"ok\": true, \"encoding\": \"cp932\"")), 1);
    EXPECT_EQ(r.out.count(QStringLiteral("\"ok\": true, \"encoding\": \"utf-8\"")), 1);

    const Result named = runCli({QStringLiteral("count"), QStringLiteral("--mode-file"), w.mode,
                                 QStringLiteral("--json"), QStringLiteral("--encoding"),
                                 QStringLiteral("euc-jp"), utf8});
    EXPECT_TRUE(named.out.contains(QStringLiteral("\"encoding\": \"euc-jp\"")))
        << named.out.toStdString();
    EXPECT_EQ(runCli({QStringLiteral("count"), QStringLiteral("--mode-file"), w.mode,
                      QStringLiteral("--encoding"), QStringLiteral("latin1"), utf8})
                  .exitCode,
              2);
}

TEST(CliCount, WritesReportsAndConverts)
{
    const WorkedFiles w;
    const QString out = w.dir.filePath(QStringLiteral("out"));
    QDir().mkpath(out);

    const Result files = runCli({QStringLiteral("count"), QStringLiteral("--mode-file"), w.mode,
                                 QStringLiteral("--output"), QStringLiteral("files"),
                                 QStringLiteral("--out"), out, w.source});
    ASSERT_EQ(files.exitCode, 0) << files.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(out + QStringLiteral("/hello_c_QVX.txt")));
    EXPECT_TRUE(files.out.contains(QStringLiteral("hello_c_QVX.txt")));

    const Result converted = runCli(
        {QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("crlf"), w.source});
    ASSERT_EQ(converted.exitCode, 0) << converted.err.toStdString();
    EXPECT_EQ(converted.out, QStringLiteral("converted ") + w.source + QStringLiteral(" CR+LF\n"));
    EXPECT_TRUE(testutil::readBytes(w.source).startsWith("#include <stdio.h>\r\n\r\n"));
    EXPECT_EQ(runCli({QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("crlf"),
                      w.source})
                  .out,
              QStringLiteral("unchanged ") + w.source + QStringLiteral(" CR+LF\n"));
    EXPECT_EQ(
        runCli({QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("xx"), w.source})
            .exitCode,
        2);
}

TEST(CliCount, HugeLineUnderAnAddressSpaceLimitFailsOnlyItsFile)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's shadow memory does not fit the limit";
#endif
    const WorkedFiles w;
    const QString huge = w.dir.filePath(QStringLiteral("huge.c"));
    testutil::writeBytes(huge, QByteArray(1 << 16, 'x'));
    ASSERT_TRUE(QFile::resize(huge, qint64(300) << 20)); // one 300 MiB line, mostly a hole

    const Result r = runCli({QStringLiteral("count"), QStringLiteral("--mode-file"), w.mode,
                             QStringLiteral("--jobs"), QStringLiteral("1"), huge, w.source},
                            [] {
                                const rlimit limit{rlim_t(512) << 20, rlim_t(512) << 20};
                                setrlimit(RLIMIT_AS, &limit);
                            });
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(huge + QStringLiteral(": line 1 is longer than 16 MiB")))
        << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("           9            5            3            1"
                                              "            0  ") +
                               w.source))
        << r.out.toStdString();
}

TEST(CliCount, MoreJobsThanTheSystemGivesThreadsStillCountsEveryFile)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's shadow memory does not fit the limit";
#endif
    const WorkedFiles w;
    QStringList args{QStringLiteral("count"), QStringLiteral("--mode-file"), w.mode,
                     QStringLiteral("--jobs"), QStringLiteral("100000")};
    for (int i = 0; i < 300; ++i) {
        args << w.dir.filePath(QStringLiteral("f%1.c").arg(i));
        testutil::writeBytes(args.back(), kWorkedSource);
    }
    // 256 thread stacks do not fit this address space: most threads cannot be started.
    const Result r = runCli(args, [] {
        const rlimit limit{rlim_t(512) << 20, rlim_t(512) << 20};
        setrlimit(RLIMIT_AS, &limit);
    });
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("total: 300 files counted, 0 failed")))
        << r.out.toStdString();
}

TEST(CliCount, RecursiveWalkSkipsDotGitAndExcludes)
{
    const WorkedFiles w;
    const QDir tree(w.dir.filePath(QStringLiteral("tree")));
    for (const char* folder : {"tree/.git", "tree/gen", "tree/sub/gen"})
        ASSERT_TRUE(QDir(w.dir.path()).mkpath(QString::fromLatin1(folder)));
    for (const char* file : {"a.c", "b.c", ".git/c.c", "gen/d.c", "sub/b.c", "sub/gen/e.c"})
        testutil::writeBytes(tree.filePath(QString::fromLatin1(file)), kWorkedSource);
    const Result r =
        runCli({QStringLiteral("count"), QStringLiteral("--mode-file"), w.mode,
                QStringLiteral("--recursive"), QStringLiteral("--exclude"), QStringLiteral("b.c"),
                QStringLiteral("--exclude"), QStringLiteral("gen/*"), tree.path()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    // "b.c" is a base name at any depth; "gen/*" a path below the walked folder only.
    QStringList named;
    for (const QString& line : r.out.split(u'\n', Qt::SkipEmptyParts)) {
        if (line.contains(tree.path()))
            named << line.section(QStringLiteral("  "), -1);
    }
    EXPECT_EQ(named, QStringList({tree.filePath(QStringLiteral("a.c")),
                                  tree.filePath(QStringLiteral("sub/gen/e.c"))}))
        << r.out.toStdString();
}

TEST(CliCount, ControlCharactersOfNamesReachTheTerminalEscaped)
{
    const WorkedFiles w;
    const QString source = w.dir.filePath(QStringLiteral("a\x1b[31m.c"));
    const QString missing = w.dir.filePath(QStringLiteral("b\x1b]0;title\x07.c"));
    testutil::writeBytes(source, kWorkedSource);
    const Result r =
        runCli({QStringLiteral("count"), QStringLiteral("--mode-file"), w.mode, source, missing});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.out.contains(QChar(0x1b)));
    EXPECT_FALSE(r.err.contains(QChar(0x1b)));
    EXPECT_TRUE(r.out.contains(w.dir.filePath(QStringLiteral("a\\x1B[31m.c"))));
    EXPECT_TRUE(
        r.err.contains(w.dir.filePath(QStringLiteral("b\\x1B]0;title\\x07.c: no such file"))))
        << r.err.toStdString();
}

namespace {

// 表示.CBL in CP932, as unpacking a Windows archive names it on Linux; the same bytes as printf
// octal escapes for the shell.
const QByteArray kCp932Name("\x95\x5C\x8E\xA6.CBL");
const char* const kCp932NameForPrintf = R"(\225\134\216\246.CBL)";
const QString kCp932NameShown = QStringLiteral(R"(\x95\x5C\x8E\xA6.CBL)");

// QProcess passes arguments as text and loses such bytes: the shell in `folder` appends the
// name to `args` itself.
Result runCliOnCp932Name(const QStringList& args, const QString& folder)
{
    QProcess p;
    p.setWorkingDirectory(folder);
    const QString script = QStringLiteral(R"sh(exec "$0" "$@" "$(printf '%1')")sh")
                               .arg(QLatin1StringView(kCp932NameForPrintf));
    p.start(QStringLiteral("/bin/sh"),
            QStringList{QStringLiteral("-c"), script, QStringLiteral(QUORVIX_CLI)} + args);
    p.waitForFinished(30000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QByteArray readByName(const QByteArray& path)
{
    QByteArray bytes;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return bytes;
    char block[4096];
    ssize_t n = 0;
    while ((n = ::read(fd, block, sizeof block)) > 0)
        bytes.append(block, n);
    ::close(fd);
    return bytes;
}

// Creates `path` (a name in bytes) with `bytes`; a failure ends the test.
void writeByName(const QByteArray& path, const QByteArray& bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    const bool written =
        fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    if (fd >= 0)
        ::close(fd);
    if (!written)
        throw std::runtime_error("cannot write " + path.toStdString());
}

int removeEntry(const char* path, const struct stat*, int, FTW*)
{
    return ::remove(path);
}

// QTemporaryDir removes by text names and cannot remove names that are not UTF-8.
void removeByBytes(const QTemporaryDir& dir)
{
    ::nftw(QFile::encodeName(dir.path()).constData(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

// The worked files with a source named kCp932Name in "src". QTemporaryDir removes by text names
// and cannot remove it, so the folder is emptied by bytes first.
struct Cp932NamedFiles : WorkedFiles {
    QString sources = dir.filePath(QStringLiteral("src"));
    QString out = dir.filePath(QStringLiteral("out"));
    QByteArray source = QFile::encodeName(sources) + '/' + kCp932Name;

    Cp932NamedFiles()
    {
        QDir().mkpath(sources);
        QDir().mkpath(out);
        writeByName(source, kWorkedSource);
    }
    ~Cp932NamedFiles() { removeByBytes(dir); }
};

} // namespace

TEST(CliCount, NameThatIsNotUtf8IsCountedByItsBytes)
{
    const Cp932NamedFiles w;
    const Result named = runCliOnCp932Name(
        {QStringLiteral("count"), QStringLiteral("--mode-file"), w.mode, QStringLiteral("--output"),
         QStringLiteral("files"), QStringLiteral("--out"), w.out},
        w.sources);
    ASSERT_EQ(named.exitCode, 0) << named.err.toStdString();
    EXPECT_TRUE(named.out.contains(QStringLiteral("  ") + kCp932NameShown + u'\n'))
        << named.out.toStdString();
    // The report is named after the source's own bytes.
    const QByteArray report = QFile::encodeName(w.out) + "/\x95\x5C\x8E\xA6_CBL_QVX.txt";
    EXPECT_FALSE(readByName(report).isEmpty()) << named.out.toStdString();

    const Result json = runCliOnCp932Name(
        {QStringLiteral("count"), QStringLiteral("--mode-file"), w.mode, QStringLiteral("--json")},
        w.sources);
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    EXPECT_TRUE(json.out.contains(u8("{\"path\": \"\uFFFD\\\\\uFFFD\uFFFD.CBL\", \"ok\": true")))
        << json.out.toStdString();

    const Result walked = runCli({QStringLiteral("count"), QStringLiteral("--mode-file"), w.mode,
                                  QStringLiteral("--recursive"), w.sources});
    ASSERT_EQ(walked.exitCode, 0) << walked.err.toStdString();
    EXPECT_TRUE(walked.out.contains(w.sources + u'/' + kCp932NameShown + u'\n'))
        << walked.out.toStdString();
    EXPECT_TRUE(walked.out.contains(QStringLiteral("total: 1 file counted, 0 failed")));
}

TEST(CliConvert, NameThatIsNotUtf8IsConvertedByItsBytes)
{
    const Cp932NamedFiles w;
    const Result converted = runCliOnCp932Name(
        {QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("crlf")}, w.sources);
    ASSERT_EQ(converted.exitCode, 0) << converted.err.toStdString();
    EXPECT_EQ(converted.out,
              QStringLiteral("converted ") + kCp932NameShown + QStringLiteral(" CR+LF\n"));
    EXPECT_TRUE(readByName(w.source).startsWith("#include <stdio.h>\r\n\r\n"));
}

namespace {

// The worked files with a folder named kCp932Name beside them and the worked mode file copied
// under the name kCp932Name into "modes"; removed by bytes as in Cp932NamedFiles.
struct Cp932NamedFolderAndMode : WorkedFiles {
    QString modes = dir.filePath(QStringLiteral("modes"));
    QByteArray folder = QFile::encodeName(dir.path()) + '/' + kCp932Name;

    Cp932NamedFolderAndMode()
    {
        QDir().mkpath(modes);
        writeByName(QFile::encodeName(modes) + '/' + kCp932Name, kWorkedMode);
        if (::mkdir(folder.constData(), 0755) != 0)
            throw std::runtime_error("cannot make the CP932-named folder");
    }
    ~Cp932NamedFolderAndMode() { removeByBytes(dir); }
};

} // namespace

TEST(CliCount, OutHomeAndModeFileThatAreNotUtf8AreFoundByTheirBytes)
{
    const Cp932NamedFolderAndMode w;
    const Result out = runCliOnCp932Name(
        {QStringLiteral("count"), QStringLiteral("--mode-file"), w.mode, QStringLiteral("--output"),
         QStringLiteral("files"), w.source, QStringLiteral("--out")},
        w.dir.path());
    ASSERT_EQ(out.exitCode, 0) << out.err.toStdString();
    EXPECT_FALSE(readByName(w.folder + "/hello_c_QVX.txt").isEmpty()) << out.out.toStdString();

    const Result modeFile =
        runCliOnCp932Name({QStringLiteral("count"), QStringLiteral("--output"),
                           QStringLiteral("none"), w.source, QStringLiteral("--mode-file")},
                          w.modes);
    ASSERT_EQ(modeFile.exitCode, 0) << modeFile.err.toStdString();
    EXPECT_TRUE(modeFile.out.contains(QStringLiteral("total: 1 file counted, 0 failed")))
        << modeFile.out.toStdString();

    const Result home =
        runCliOnCp932Name({QStringLiteral("modes"), QStringLiteral("--home")}, w.dir.path());
    EXPECT_EQ(home.exitCode, 0) << home.err.toStdString();
}

TEST(CliModes, SettingsFileTooLargeToReadIsAnError)
{
    QTemporaryDir dir;
    const QString settings = dir.filePath(QStringLiteral("Quorvix.ini"));
    testutil::writeBytes(settings, "[MODE-1]\r\nModeName=COBOL\r\n");
    ASSERT_TRUE(QFile::resize(settings, qint64(100) << 20));
    const Result r = runCli({QStringLiteral("modes"), QStringLiteral("--home"), dir.path()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QStringLiteral("quorvix-cli: ") + settings +
                         QStringLiteral(": larger than 64 MiB, not read\n"));
    EXPECT_TRUE(r.out.isEmpty());
}

TEST(CliKeywordTest, PrintsTheHeadingAndOneLinePerHit)
{
    const Result r =
        runCli({QStringLiteral("keyword-test"), QStringLiteral("--mode"), QStringLiteral("1"),
                QStringLiteral("--home"), QStringLiteral(QUORVIX_SAMPLES),
                QStringLiteral("       PROCEDURE DIVISION.")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, u8("以下のキーワードにヒットしました\n"
                        "[AREA-2]【開始キーワード】に該当します \n"));
}

namespace {

QJsonObject jsonOf(const Result& r)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(r.out.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << r.out.toStdString();
    return doc.object();
}

} // namespace

TEST(CliCount, JsonTotalsAreTheSumOfTheCountedFilesAndOutputsAreListed)
{
    const WorkedFiles w;
    const QString second = w.dir.filePath(QStringLiteral("second.c"));
    testutil::writeBytes(second, "/* a */\nint x;\n\n\n// b\n");
    const QString missing = w.dir.filePath(QStringLiteral("missing.c"));
    const QString out = w.dir.filePath(QStringLiteral("made/on/demand"));
    const Result r =
        runCli({QStringLiteral("count"), QStringLiteral("--mode-file"), w.mode,
                QStringLiteral("--json"), QStringLiteral("--output"), QStringLiteral("joined"),
                QStringLiteral("--out"), out, w.source, missing, second, w.source});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    const QJsonObject doc = jsonOf(r);
    EXPECT_EQ(doc[QStringLiteral("version")].toString(), QStringLiteral(QUORVIX_VERSION));

    const QJsonObject totals = doc[QStringLiteral("totals")].toObject();
    EXPECT_EQ(totals[QStringLiteral("files")].toInt(), 3);
    EXPECT_EQ(totals[QStringLiteral("failed")].toInt(), 1);
    const QStringList keys{QStringLiteral("TT_TOTAL"),       QStringLiteral("TT_VALIDTOTAL"),
                           QStringLiteral("TT_COMTOTAL"),    QStringLiteral("TT_AREATOTAL"),
                           QStringLiteral("TT_AREA"),        QStringLiteral("TT_AREACOM"),
                           QStringLiteral("TT_PICKUPTOTAL"), QStringLiteral("TT_PICKUP"),
                           QStringLiteral("TT_PICKUPCOM"),   QStringLiteral("TT_NULLLINE")};
    for (const QString& key : keys) {
        int sum = 0;
        for (const QJsonValue& file : doc[QStringLiteral("files")].toArray())
            sum += file[QStringLiteral("totals")][key].toInt();
        EXPECT_EQ(totals[key].toInt(), sum) << key.toStdString();
    }
    EXPECT_EQ(totals[QStringLiteral("TT_TOTAL")].toInt(), 9 + 5 + 9);

    const QJsonArray outputs = doc[QStringLiteral("outputs")].toArray();
    ASSERT_EQ(outputs.size(), 1);
    const QString csv = outputs[0].toString();
    EXPECT_TRUE(csv.startsWith(out + QStringLiteral("/QVX"))) << csv.toStdString();
    EXPECT_EQ(testutil::readBytes(csv).count("\r\n"), 4); // header and three rows
}

TEST(CliCount, TwoJoinedRunsInOneMinuteLeaveTwoIntactCsvFiles)
{
    const WorkedFiles w;
    const QString out = w.dir.filePath(QStringLiteral("out"));
    auto joinedRun = [&](const QString& source) {
        const Result r = runCli({QStringLiteral("count"), QStringLiteral("--mode-file"), w.mode,
                                 QStringLiteral("--json"), QStringLiteral("--output"),
                                 QStringLiteral("joined"), QStringLiteral("--out"), out, source});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return jsonOf(r)[QStringLiteral("outputs")].toArray().at(0).toString();
    };
    const QString other = w.dir.filePath(QStringLiteral("other.c"));
    testutil::writeBytes(other, "int y;\n");
    const QString first = joinedRun(w.source);
    const QString second = joinedRun(other);
    EXPECT_NE(first, second);
    EXPECT_TRUE(testutil::readBytes(first).contains("\"hello.c\""));
    EXPECT_TRUE(testutil::readBytes(second).contains("\"other.c\""));
    EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), 2);
}

TEST(CliCount, OutThatCannotServeIsAUsageErrorBeforeAnythingIsCounted)
{
    const WorkedFiles w;
    const QString file = w.dir.filePath(QStringLiteral("a-file"));
    testutil::writeBytes(file, "x");
    auto countInto = [&](const QString& out) {
        return runCli({QStringLiteral("count"), QStringLiteral("--mode-file"), w.mode,
                       QStringLiteral("--output"), QStringLiteral("files"), QStringLiteral("--out"),
                       out, w.source});
    };
    const Result onFile = countInto(file);
    EXPECT_EQ(onFile.exitCode, 2);
    EXPECT_TRUE(onFile.err.startsWith(QStringLiteral("quorvix-cli count: --out ") + file +
                                      QStringLiteral(": not a folder\n")))
        << onFile.err.toStdString();
    EXPECT_TRUE(onFile.out.isEmpty());

    const Result cannotMake = countInto(file + QStringLiteral("/sub"));
    EXPECT_EQ(cannotMake.exitCode, 2);
    EXPECT_TRUE(
        cannotMake.err.contains(QStringLiteral(": cannot make the folder (Not a directory)")))
        << cannotMake.err.toStdString();

    const QString readOnly = w.dir.filePath(QStringLiteral("read-only"));
    QDir().mkpath(readOnly);
    ::chmod(QFile::encodeName(readOnly).constData(), 0555);
    const Result locked = countInto(readOnly);
    ::chmod(QFile::encodeName(readOnly).constData(), 0755);
    if (::geteuid() != 0) { // root writes into any folder
        EXPECT_EQ(locked.exitCode, 2);
        EXPECT_TRUE(locked.err.contains(QStringLiteral(": the folder is not writable")))
            << locked.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(w.dir.filePath(QStringLiteral("hello_c_QVX.txt"))));
}

TEST(CliVersion, PrintsTheNameAndVersion)
{
    const Result r = runCli({QStringLiteral("--version")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("quorvix-cli " QUORVIX_VERSION "\n"));
}
