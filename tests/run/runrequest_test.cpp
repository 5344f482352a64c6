#include "run/runrequest.h"

#include "support/outputs.h"
#include "testutil.h"

TEST(OutputList, NumbersGoOnAcrossRunsUntilCleared)
{
    RunRequest request;
    OutputList list;
    for (int run = 0; run < 2; ++run) {
        if (request.OutputCount > 0)
            list.addSeparator();
        for (int f = 0; f < 3; ++f) {
            const QString name = QStringLiteral("P%1_CBL_QVX.txt").arg(f);
            list.addOutput(request, name, QStringLiteral("/out/") + name);
        }
    }
    const QString sep(50, u'-');
    EXPECT_EQ(EntryTexts(list),
              (QStringList{
                  QStringLiteral("(1) P0_CBL_QVX.txt"), QStringLiteral("(2) P1_CBL_QVX.txt"),
                  QStringLiteral("(3) P2_CBL_QVX.txt"), sep, QStringLiteral("(4) P0_CBL_QVX.txt"),
                  QStringLiteral("(5) P1_CBL_QVX.txt"), QStringLiteral("(6) P2_CBL_QVX.txt")}));
    EXPECT_EQ(request.OutputCount, 6);
    ASSERT_EQ(request.OutputPaths.size(), 7);
    EXPECT_EQ(request.OutputPaths[4], QStringLiteral("/out/P0_CBL_QVX.txt"));
    EXPECT_EQ(list.entries()[3], (OutputEntry{sep, 0, false}));
    EXPECT_EQ(list.entries()[4].itemData, 4);
    EXPECT_TRUE(list.entries()[4].selected);

    list.clear(request);
    EXPECT_TRUE(list.entries().empty());
    EXPECT_EQ(request.OutputCount, 0);
    list.addOutput(request, CsvEntryLabel(QStringLiteral("QVX12061530.csv"), 3),
                   QStringLiteral("/out/QVX12061530.csv"));
    EXPECT_EQ(EntryTexts(list), QStringList{QStringLiteral("(1) QVX12061530.csv (3 Files)")});
    EXPECT_EQ(request.OutputPaths.size(), 2);
}

TEST(OutputList, ConversionEntriesNameTheTarget)
{
    EXPECT_EQ(ConvertedEntryLabel(QStringLiteral("A.CBL"), ProcessModes::ToCrLf),
              QStringLiteral("A.CBL CR+LF"));
    EXPECT_EQ(ConvertedEntryLabel(QStringLiteral("A.CBL"), ProcessModes::ToCr),
              QStringLiteral("A.CBL CR"));
    EXPECT_EQ(ConvertedEntryLabel(QStringLiteral("A.CBL"), ProcessModes::ToLf),
              QStringLiteral("A.CBL LF"));
    EXPECT_TRUE(ProcessModes::isConversion(91));
    EXPECT_FALSE(ProcessModes::isConversion(4));
}
