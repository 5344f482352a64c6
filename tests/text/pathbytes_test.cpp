#include "text/pathbytes.h"

#include <random>

#include "testutil.h"

using testutil::u8;

namespace {

// 表示.CBL in CP932: what unpacking a Windows archive leaves on Linux.
const QByteArray kCp932Name("\x95\x5C\x8E\xA6.CBL");

} // namespace

TEST(PathBytes, ValidUtf8IsPlainText)
{
    const QString name = u8("表示/😀 prog.cbl");
    EXPECT_EQ(DecodePath(name.toUtf8()), name);
    EXPECT_EQ(EncodePath(name), name.toUtf8());
    EXPECT_EQ(DisplayPath(name), name);
}

TEST(PathBytes, UndecodableBytesBecomeEscapes)
{
    const QString path = DecodePath(kCp932Name);
    EXPECT_EQ(path, QString::fromUtf16(u"\xDC95\\\xDC8E\xDCA6.CBL"));
    EXPECT_EQ(EncodePath(path), kCp932Name);
    EXPECT_EQ(DisplayPath(path), QString::fromUtf16(u"\uFFFD\\\uFFFD\uFFFD.CBL"));
    EXPECT_EQ(EscapedByte(path, 0), 0x95);
    EXPECT_EQ(EscapedByte(path, 1), -1);
}

TEST(PathBytes, OverlongAndSurrogateFormsAreEscaped)
{
    const QByteArray bytes("\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80");
    const QString path = DecodePath(bytes);
    EXPECT_EQ(path.size(), bytes.size());
    EXPECT_EQ(EncodePath(path), bytes);
}

TEST(PathBytes, SurrogatePairIsNotAnEscape)
{
    const QString emoji = u8("😀");                              // D83D DE00
    const QString paired = QString::fromUtf16(u"\xD83D\xDC80"); // U+1F480, a valid pair
    EXPECT_EQ(EscapedByte(paired, 1), -1);
    EXPECT_EQ(EncodePath(paired), paired.toUtf8());
    EXPECT_EQ(DisplayPath(paired), paired);
    EXPECT_EQ(DecodePath(emoji.toUtf8()), emoji);
}

TEST(PathBytes, RandomBytesRoundTrip)
{
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> byte(1, 255);
    std::uniform_int_distribution<int> length(0, 40);
    for (int round = 0; round < 20000; ++round) {
        QByteArray bytes;
        const int n = length(random);
        for (int i = 0; i < n; ++i)
            bytes += char(byte(random));
        const QString path = DecodePath(bytes);
        ASSERT_EQ(EncodePath(path), bytes) << bytes.toHex().constData();
        ASSERT_EQ(DecodePath(EncodePath(path)), path);
        // Valid UTF-8 stays as Qt decodes it.
        if (QString::fromUtf8(bytes).toUtf8() == bytes) {
            ASSERT_EQ(path, QString::fromUtf8(bytes)) << bytes.toHex().constData();
        }
    }
}

TEST(PathBytes, FileUrlsKeepTheNameBytes)
{
    const QByteArray bytes("/tmp/x y/\x95\x5C\x8E\xA6.CBL");
    const QUrl url = UrlOfLocalPath(DecodePath(bytes));
    ASSERT_TRUE(url.isLocalFile());
    EXPECT_EQ(url.toEncoded(), QByteArray("file:///tmp/x%20y/%95%5C%8E%A6.CBL"));
    EXPECT_EQ(EncodePath(LocalPathOfUrl(url)), bytes);
    // As a drag source sends it in a uri-list.
    EXPECT_EQ(EncodePath(LocalPathOfUrl(QUrl::fromEncoded("file:///a/%E8%A1%A8%FF"))),
              QByteArray("/a/\xE8\xA1\xA8\xFF"));
    EXPECT_EQ(LocalPathOfUrl(QUrl(QStringLiteral("https://example.com/a"))), QString());
}
