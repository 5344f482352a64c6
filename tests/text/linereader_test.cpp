#include "text/linereader.h"

#include <random>

#include <QBuffer>

#include "testutil.h"

namespace {

// The obvious splitter: CR LF, CR and LF each end a line; a last line without end counts.
QList<QByteArray> referenceLines(const QByteArray& data)
{
    QList<QByteArray> lines;
    QByteArray current;
    bool open = false;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (c == '\r' || c == '\n') {
            lines << current;
            current.clear();
            open = false;
            if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n')
                ++i;
        } else {
            current += c;
            open = true;
        }
    }
    if (open)
        lines << current;
    return lines;
}

QList<QByteArray> readerLines(QByteArray data, qsizetype blockSize)
{
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    LineReader reader(buffer, blockSize);
    QList<QByteArray> lines;
    QByteArrayView line;
    while (reader.next(line))
        lines << line.toByteArray();
    EXPECT_FALSE(reader.failed());
    return lines;
}

} // namespace

TEST(LineReader, SplitsLikeTheReferenceAtEveryBlockSize)
{
    std::mt19937 rng(12345);
    const char alphabet[] = {'a', 'b', '\r', '\n', '\x82', '\xa0', ' '};
    for (int round = 0; round < 400; ++round) {
        QByteArray data;
        const int length = int(rng() % 60);
        for (int i = 0; i < length; ++i)
            data += alphabet[rng() % std::size(alphabet)];
        const auto expected = referenceLines(data);
        for (qsizetype block : {1, 2, 3, 7, 64}) {
            ASSERT_EQ(readerLines(data, block), expected)
                << "block " << block << " data " << data.toPercentEncoding().toStdString();
        }
    }
}

TEST(LineReader, LongLinesAndNulBytes)
{
    QByteArray longLine(3'000'000, 'x');
    longLine[10] = '\0';
    const auto lines = readerLines(longLine + "\r\nend", 1 << 16);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], longLine);
    EXPECT_EQ(lines[1], QByteArray("end"));
}

TEST(LineReader, LineOverTheLimitEndsTheReading)
{
    const QByteArray data =
        "ab\r\n" + QByteArray(50, 'x') + "\r\n" + QByteArray(51, 'y') + "\ncd\n";
    for (qsizetype block : {1, 7, 64, 1 << 20}) {
        SCOPED_TRACE(block);
        QByteArray copy = data;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        LineReader reader(buffer, block, 50);
        QList<QByteArray> lines;
        QByteArrayView line;
        while (reader.next(line))
            lines << line.toByteArray();
        EXPECT_EQ(lines, (QList<QByteArray>{"ab", QByteArray(50, 'x')}));
        EXPECT_TRUE(reader.lineTooLong());
        EXPECT_FALSE(reader.failed());
        EXPECT_FALSE(reader.next(line));
    }
}
