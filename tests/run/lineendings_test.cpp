#include "run/lineendings.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>

#include "testutil.h"

using testutil::readBytes;
using testutil::writeBytes;

namespace {

struct Case {
    const char* name;
    QByteArray before;
    LineEnd target;
    QByteArray after; // equal to `before` when the file is left untouched
    bool converted;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

class LineEndCase : public ::testing::TestWithParam<Case> {};

} // namespace

TEST_P(LineEndCase, ConvertsOrLeavesAlone)
{
    const Case& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("PROG.CBL"));
    writeBytes(path, c.before);
    // A tiny file is read in one block; the same bytes behind a long prefix cross blocks.
    for (const QByteArray& prefix : {QByteArray(), QByteArray((1 << 20) - 1, 'x')}) {
        writeBytes(path, prefix + c.before);
        ConversionResult result;
        QString error;
        ASSERT_TRUE(ConvertLineEnds(path, c.target, result, &error)) << error.toStdString();
        EXPECT_EQ(result.converted, c.converted);
        EXPECT_EQ(result.size, prefix.size() + c.before.size());
        EXPECT_EQ(readBytes(path), prefix + c.after);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, LineEndCase,
    ::testing::Values(Case{"CrLfToLf", "a\r\nb\r\n", LineEnd::Lf, "a\nb\n", true},
                      Case{"FirstLoneLfKeepsLf", "a\nb\r\nc\r", LineEnd::Lf, "a\nb\r\nc\r", false},
                      Case{"LfToCr", "a\nb\n", LineEnd::Cr, "a\rb\r", true},
                      Case{"FirstLoneCrKeepsCr", "a\rb\r\n", LineEnd::Cr, "a\rb\r\n", false},
                      Case{"LoneCrAtTheEnd", "a\r", LineEnd::Cr, "a\r", false},
                      Case{"MixedToCrLf", "a\nb\r\nc\rd", LineEnd::CrLf, "a\r\nb\r\nc\r\nd", true},
                      Case{"FirstPairKeepsCrLf", "a\r\nb\nc\r", LineEnd::CrLf, "a\r\nb\nc\r",
                           false},
                      Case{"CrCrLf", "a\r\r\nb", LineEnd::Lf, "a\n\nb", true},
                      Case{"NoLineEndIsRewritten", "abc", LineEnd::CrLf, "abc", true},
                      Case{"EmptyIsRewritten", "", LineEnd::Lf, "", true},
                      // Undecodable bytes and CP932 text survive; only CR and LF change.
                      Case{"BytesSurvive", "\x82\xa0\xff\x80\r\n\x83\x5c\r\n", LineEnd::Lf,
                           "\x82\xa0\xff\x80\n\x83\x5c\n", true}),
    [](const ::testing::TestParamInfo<Case>& endCase) { return std::string(endCase.param.name); });

TEST(LineEnds, PairSplitAcrossBlocks)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("A.CBL"));
    const QByteArray head((1 << 20) - 1, 'x');
    writeBytes(path, head + "\r\nz\r\n");
    ConversionResult result;
    ASSERT_TRUE(ConvertLineEnds(path, LineEnd::Cr, result));
    EXPECT_EQ(readBytes(path), head + "\rz\r");
}

TEST(LineEnds, FailuresLeaveTheFileAsItWas)
{
    QTemporaryDir dir;
    ConversionResult result;
    QString error;
    const QString missing = dir.filePath(QStringLiteral("gone.cbl"));
    EXPECT_FALSE(ConvertLineEnds(missing, LineEnd::Lf, result, &error));
    EXPECT_EQ(error, missing + QStringLiteral(": no such file"));

    const QString readOnly = dir.filePath(QStringLiteral("ro.cbl"));
    writeBytes(readOnly, "a\r\n");
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
    EXPECT_FALSE(ConvertLineEnds(readOnly, LineEnd::Lf, result, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("read-only")));
    EXPECT_EQ(readBytes(readOnly), QByteArray("a\r\n"));
    // Already in the target form: nothing to write, so no error.
    EXPECT_TRUE(ConvertLineEnds(readOnly, LineEnd::CrLf, result, &error));
    EXPECT_FALSE(result.converted);

    EXPECT_FALSE(ConvertLineEnds(dir.path(), LineEnd::Lf, result, &error));
}

TEST(LineEnds, SymlinkStaysAndTargetKeepsItsMode)
{
    QTemporaryDir dir;
    const QString real = dir.filePath(QStringLiteral("real.cbl"));
    const QString link = dir.filePath(QStringLiteral("link.cbl"));
    writeBytes(real, "a\r\nb\r\n");
    ASSERT_EQ(chmod(QFile::encodeName(real).constData(), 0754), 0);
    ASSERT_TRUE(QFile::link(real, link));
    ConversionResult result;
    ASSERT_TRUE(ConvertLineEnds(link, LineEnd::Lf, result));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readBytes(real), QByteArray("a\nb\n"));
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(real).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0754u);
}

TEST(LineEnds, FullDiskLeavesTheSourceWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("PROG.CBL"));
    QByteArray source;
    for (int i = 0; i < 600; ++i)
        source += "LINE " + QByteArray::number(i).rightJustified(5, '0') + " ABCDEFGH\r\n";
    writeBytes(path, source);
    ConversionResult result;
    QString error;
    {
        const testutil::FileSizeLimit limit(8192);
        EXPECT_FALSE(ConvertLineEnds(path, LineEnd::Lf, result, &error));
    }
    EXPECT_EQ(error, path + QStringLiteral(": File too large"));
    EXPECT_FALSE(result.converted);
    EXPECT_EQ(readBytes(path), source);
}

TEST(LineEnds, OwnerGroupSetIdBitsAndHardLinksSurvive)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("PROG.CBL"));
    const QByteArray name = QFile::encodeName(path);
    writeBytes(path, "a\r\nb\r\n");
    ConversionResult result;
    QString error;

    const QString second = dir.filePath(QStringLiteral("SAME.CBL"));
    ASSERT_EQ(link(name.constData(), QFile::encodeName(second).constData()), 0);
    EXPECT_FALSE(ConvertLineEnds(path, LineEnd::Lf, result, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("2 hard links"))) << error.toStdString();
    EXPECT_EQ(readBytes(path), "a\r\nb\r\n");
    ASSERT_TRUE(QFile::remove(second));

    if (geteuid() != 0)
        GTEST_SKIP() << "giving a file to another owner needs root";
    ASSERT_EQ(chown(name.constData(), 65534, 65534), 0);
    ASSERT_EQ(chmod(name.constData(), 06755), 0);
    ASSERT_TRUE(ConvertLineEnds(path, LineEnd::Lf, result, &error)) << error.toStdString();
    struct stat st {};
    ASSERT_EQ(stat(name.constData(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(st.st_mode & 07777, 06755u);
    EXPECT_EQ(readBytes(path), "a\nb\n");
}

TEST(LineEnds, NamesWordsAndProcessModes)
{
    QStringList names;
    QStringList words;
    for (const LineEnd end : LineEnds) {
        names << LineEndName(end);
        words << LineEndWord(end);
        EXPECT_EQ(LineEndFromWord(LineEndWord(end)), end);
        EXPECT_EQ(LineEndForProcessMode(ProcessModeForLineEnd(end)), end);
    }
    EXPECT_EQ(names,
              (QStringList{QStringLiteral("CR+LF"), QStringLiteral("CR"), QStringLiteral("LF")}));
    EXPECT_EQ(words,
              (QStringList{QStringLiteral("crlf"), QStringLiteral("cr"), QStringLiteral("lf")}));
    EXPECT_EQ(LineEndFromWord(u"cr+lf"), std::nullopt);
    EXPECT_EQ(ProcessModeForLineEnd(LineEnd::Lf), qint16(92));
}
