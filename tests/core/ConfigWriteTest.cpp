#include "ConfigFile.h"
#include "ConfigFileName.h"
#include "CoreTestSupport.h"

namespace {

using ConfigWriteTest = TableTest;

void FillPowerOn(type_CustomerCMD& table, int i) {
    table.Description1[i] = QStringLiteral("Power on");
    table.Description2[i] = QStringLiteral("12V");
    table.TxCANID[i] = 0x123;
    table.TxCANLen[i] = 2;
    table.TxCANData[i][0] = 0x01;
    table.TxCANData[i][1] = 0xFF;
    table.TxLoopInterval[i] = 100;
    table.TxLoopTimes[i] = 1;
    table.TxLoopTerminal[i] = 100;
    table.TxCANGroup[i] = 0;
    table.Comp_CANID[i] = 0x124;
    table.Comp_CANMode[i] = kCompareWildcard;
    table.Comp_CANRTR[i] = kCompareWildcard;
    table.Comp_CANLen[i] = kCompareWildcard;
    table.Comp_CANData[i][0] = 1;
    for (int b = 1; b < kCanDataBytes; ++b)
        table.Comp_CANData[i][b] = kCompareWildcard;
}

TEST_F(ConfigWriteTest, WritesSectionNamesKeysAndValueForms) {
    FillPowerOn(table, 0);
    table.CMD_Count = 1;
    table.Group_Count = 1;
    WriteTestConfig(path(QStringLiteral("out.ini")));
    EXPECT_EQ(readFile(QStringLiteral("out.ini")), QByteArray("[00..Power on..12V]\n"
                                                              "Description1=Power on\n"
                                                              "Description2=12V\n"
                                                              "TxCANID=00000123\n"
                                                              "TxCANMode=0\n"
                                                              "TxCANRTR=0\n"
                                                              "TxCANLen=2\n"
                                                              "TxCANData0=01\n"
                                                              "TxCANData1=FF\n"
                                                              "TxCANData2=00\n"
                                                              "TxCANData3=00\n"
                                                              "TxCANData4=00\n"
                                                              "TxCANData5=00\n"
                                                              "TxCANData6=00\n"
                                                              "TxCANData7=00\n"
                                                              "TxLoopInterval=100\n"
                                                              "TxLoopTimes=1\n"
                                                              "TxLoopTerminal=100\n"
                                                              "TxCANGroup=0\n"
                                                              "Comp_CANID=00000124\n"
                                                              "Comp_CANMode=FFFFFFFF\n"
                                                              "Comp_CANRTR=FFFFFFFF\n"
                                                              "Comp_CANLen=FFFFFFFF\n"
                                                              "Comp_CANData0=00000001\n"
                                                              "Comp_CANData1=FFFFFFFF\n"
                                                              "Comp_CANData2=FFFFFFFF\n"
                                                              "Comp_CANData3=FFFFFFFF\n"
                                                              "Comp_CANData4=FFFFFFFF\n"
                                                              "Comp_CANData5=FFFFFFFF\n"
                                                              "Comp_CANData6=FFFFFFFF\n"
                                                              "Comp_CANData7=FFFFFFFF\n"
                                                              "\n"));
}

TEST_F(ConfigWriteTest, HandWrittenFileComesBackInTableOrderWithExplicitGroups) {
    const QString in = writeFile(QStringLiteral("in.ini"),
                                 "; by hand\n"
                                 "[zeta]\nDescription1=a\nTxCANID=100\nTxLoopInterval=-5\n"
                                 "[alpha]\nDescription1=b\nDescription2=电源\nTxCANID=200\n"
                                 "[mid]\nDescription1=c\nTxCANID=100\nComp_CANID=7ff\n");
    ReadTestConfig(in);
    WriteTestConfig(path(QStringLiteral("out.ini")));
    const QString out = QString::fromUtf8(readFile(QStringLiteral("out.ini")));
    EXPECT_TRUE(out.startsWith(QStringLiteral("[00..a..NULL]\n")));
    EXPECT_TRUE(out.contains(QStringLiteral("\n[01..b..电源]\n")));
    EXPECT_TRUE(out.contains(QStringLiteral("\n[02..c..NULL]\n")));
    EXPECT_EQ(out.count(QStringLiteral("TxCANGroup=")), 3);
    EXPECT_TRUE(out.contains(QStringLiteral("TxLoopInterval=-5\n")));

    const type_CustomerCMD first = table;
    table = type_CustomerCMD{};
    ReadTestConfig(path(QStringLiteral("out.ini")));
    ASSERT_EQ(table.CMD_Count, 3);
    EXPECT_EQ(table.Group_Count, first.Group_Count);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(table.Description1[i], first.Description1[i]);
        EXPECT_EQ(table.Description2[i], first.Description2[i]);
        EXPECT_EQ(table.TxCANID[i], first.TxCANID[i]);
        EXPECT_EQ(table.TxCANGroup[i], first.TxCANGroup[i]);
        EXPECT_EQ(table.TxLoopInterval[i], first.TxLoopInterval[i]);
        EXPECT_EQ(table.Comp_CANID[i], first.Comp_CANID[i]);
    }
}

TEST_F(ConfigWriteTest, ReplacesTheOldFileWhole) {
    writeFile(QStringLiteral("out.ini"), "[junk]\nkey=value\n[00..old..item]\nTxCANID=1\n");
    FillPowerOn(table, 0);
    table.CMD_Count = 1;
    WriteTestConfig(path(QStringLiteral("out.ini")));
    const QByteArray written = readFile(QStringLiteral("out.ini"));
    EXPECT_FALSE(written.contains("junk"));
    EXPECT_FALSE(written.contains("old"));
    EXPECT_TRUE(written.startsWith("[00..Power on..12V]\n"));
}

TEST_F(ConfigWriteTest, EmptyTableLeavesNoFile) {
    writeFile(QStringLiteral("out.ini"), "[00..old..item]\n");
    WriteTestConfig(path(QStringLiteral("out.ini")));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("out.ini"))));
    EXPECT_NO_THROW(WriteTestConfig(path(QStringLiteral("out.ini"))));
}

class ConfigWriteRefused : public TableTest,
                           public ::testing::WithParamInterface<std::pair<int, const char*>> {};

TEST_P(ConfigWriteRefused, DescriptionsTheFileCannotHoldLeaveTheFileUntouched) {
    const QByteArray old = "[00..old..item]\nTxCANID=1\n";
    writeFile(QStringLiteral("out.ini"), old);
    FillPowerOn(table, 0);
    FillPowerOn(table, 1);
    table.CMD_Count = 2;
    const auto [field, text] = GetParam();
    (field == 1 ? table.Description1 : table.Description2)[1] = QString::fromUtf8(text);
    try {
        WriteTestConfig(path(QStringLiteral("out.ini")));
        FAIL() << "accepted " << text;
    } catch (const ConfigWriteError& error) {
        const QString message = QString::fromUtf8(error.what());
        EXPECT_TRUE(message.contains(QStringLiteral("item 01"))) << error.what();
        EXPECT_TRUE(message.contains(QString::fromUtf8(text))) << error.what();
    }
    EXPECT_EQ(readFile(QStringLiteral("out.ini")), old);
}

INSTANTIATE_TEST_SUITE_P(Texts, ConfigWriteRefused,
                         ::testing::Values(std::pair{1, "a]b"}, std::pair{2, "[x]"},
                                           std::pair{1, "U=12V"}, std::pair{2, "two\nlines"},
                                           std::pair{1, "cr\rhere"}));

TEST_F(ConfigWriteTest, UnwritableFileIsReported) {
    FillPowerOn(table, 0);
    table.CMD_Count = 1;
    EXPECT_THROW(WriteTestConfig(path(QStringLiteral("no/such/folder/out.ini"))), ConfigWriteError);
}

// Save as, in the main window and in the editor, names the file this way.
TEST(ConfigFileName, IniIsAppendedOnlyWhenNoIniIsInTheName) {
    const std::pair<const char*, const char*> cases[] = {
        {"plain", "plain.ini"},         {"/tmp/with.dot", "/tmp/with.dot.ini"},
        {"upper.INI", "upper.INI"},     {"middle.ini.bak", "middle.ini.bak"},
        {"mixed.Ini", "mixed.Ini.ini"},
    };
    for (const auto& [chosen, written] : cases)
        EXPECT_EQ(WithIniExtension(QString::fromLatin1(chosen)), written) << chosen;
}

} // namespace
