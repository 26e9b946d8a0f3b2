#include "ConfigFile.h"
#include "Convert.h"
#include "CoreTestSupport.h"

#include <QStringEncoder>

namespace {

using ConfigReadTest = TableTest;

TEST_F(ConfigReadTest, MissingFileLeavesTheTableUnchanged) {
    table.CMD_Count = 2;
    table.Group_Count = 1;
    const ReadResult result = ReadTestConfig(path(QStringLiteral("absent.ini")));
    EXPECT_EQ(result.status, -1);
    EXPECT_EQ(table.CMD_Count, 2);
    EXPECT_EQ(table.Group_Count, 1);
    EXPECT_EQ(ReadTestConfig(dir.path()).status, -1); // a folder is no file either
}

TEST_F(ConfigReadTest, EmptySectionTakesTheDefaults) {
    table.Description1[0] = QStringLiteral("old");
    table.TxCANLen[0] = 8;
    const ReadResult result = ReadTestConfig(writeFile(QStringLiteral("a.ini"), "[empty]\n"));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.ignoredSections, 0);
    EXPECT_EQ(table.CMD_Count, 1);
    EXPECT_EQ(table.Group_Count, 1);
    EXPECT_EQ(table.Description1[0], QStringLiteral("NULL"));
    EXPECT_EQ(table.Description2[0], QStringLiteral("NULL"));
    EXPECT_EQ(table.TxCANID[0], 0u);
    EXPECT_EQ(table.TxCANLen[0], 0);
    EXPECT_EQ(table.TxLoopInterval[0], 0);
    EXPECT_EQ(table.TxLoopTimes[0], 0);
    EXPECT_EQ(table.TxLoopTerminal[0], 100);
    EXPECT_EQ(table.TxCANGroup[0], 0);
    for (int32_t expected :
         {table.Comp_CANID[0], table.Comp_CANMode[0], table.Comp_CANRTR[0], table.Comp_CANLen[0],
          table.Comp_CANData[0][0], table.Comp_CANData[0][7]})
        EXPECT_EQ(expected, kCompareWildcard);
}

TEST_F(ConfigReadTest, ConvertsHexadecimalDecimalAndTruncatesByteFields) {
    ReadTestConfig(writeFile(QStringLiteral("a.ini"), "[item]\r\n"
                                                      "description1 = Power on\r\n"
                                                      "DESCRIPTION2=12V\r\n"
                                                      "txcanid=1FFFFFFF\r\n"
                                                      "TxCANMode=257\r\n"
                                                      "TxCANLen=264\r\n"
                                                      "TxCANData0=1ff\r\n"
                                                      "TxCANData7=A5\r\n"
                                                      "TxLoopInterval=-20\r\n"
                                                      "TxLoopTimes=+3\r\n"
                                                      "TxLoopTerminal=0x10\r\n"
                                                      "TxCANGroup=258\r\n"
                                                      "Comp_CANID=FFFFFFFF\r\n"
                                                      "Comp_CANLen=8\r\n"
                                                      "Comp_CANData0=80000000\r\n"
                                                      "Comp_CANData1=1FF\r\n"));
    EXPECT_EQ(table.Description1[0], QStringLiteral("Power on"));
    EXPECT_EQ(table.Description2[0], QStringLiteral("12V"));
    EXPECT_EQ(table.TxCANID[0], 0x1FFFFFFFu);
    EXPECT_EQ(table.TxCANMode[0], 1);
    EXPECT_EQ(table.TxCANLen[0], 8);
    EXPECT_EQ(table.TxCANData[0][0], 0xFF);
    EXPECT_EQ(table.TxCANData[0][7], 0xA5);
    EXPECT_EQ(table.TxLoopInterval[0], -20);
    EXPECT_EQ(table.TxLoopTimes[0], 3);
    EXPECT_EQ(table.TxLoopTerminal[0], 16); // decimal keys take "0x" too
    EXPECT_EQ(table.TxCANGroup[0], 2);
    EXPECT_EQ(table.Group_Count, 3);
    EXPECT_EQ(table.Comp_CANID[0], -1);
    EXPECT_EQ(table.Comp_CANLen[0], 8);
    EXPECT_EQ(table.Comp_CANData[0][0], INT32_MIN);
    EXPECT_EQ(table.Comp_CANData[0][1], 0x1FF); // expected values keep all 32 bits
}

TEST_F(ConfigReadTest, GroupsAreAssignedOrTakenAsWritten) {
    ReadTestConfig(writeFile(QStringLiteral("a.ini"), "[a]\nTxCANID=100\n"
                                                      "[b]\nTxCANID=200\n"
                                                      "[c]\nTxCANID=100\nTxCANGroup=255\n"));
    EXPECT_EQ(table.CMD_Count, 3);
    EXPECT_EQ(table.TxCANGroup[0], 0);
    EXPECT_EQ(table.TxCANGroup[1], 1);
    EXPECT_EQ(table.TxCANGroup[2], 0);
    EXPECT_EQ(table.Group_Count, 2);

    ReadTestConfig(writeFile(QStringLiteral("b.ini"), "[a]\nTxCANGroup=2\n[b]\nTxCANGroup=5\n"));
    EXPECT_EQ(table.CMD_Count, 2);
    EXPECT_EQ(table.Group_Count, 6);
}

TEST_F(ConfigReadTest, PortSectionIsSkippedOnlyWhenSpelledExactly) {
    const QByteArray port = "[ORBTEC_ZarvoPortConfig]\nZarvoPort=0\nZarvoBaudRate=250000\n";
    ReadTestConfig(writeFile(QStringLiteral("a.ini"), port));
    EXPECT_EQ(table.CMD_Count, 0);
    EXPECT_EQ(table.Group_Count, 0);

    ReadTestConfig(writeFile(QStringLiteral("b.ini"),
                             "[orbtec_zarvoportconfig]\n" + port + "[item]\nDescription1=x\n"));
    EXPECT_EQ(table.CMD_Count, 2);
    EXPECT_EQ(table.Description1[1], QStringLiteral("x"));
}

struct BadFile {
    const char* body;     // the second item's keys (from line 5); the first item is always good
    const char* message;  // the error after "<path>, line "
    int groupCountBefore; // Group_Count as the good first item left it
};

class ConfigReadBadValue : public TableTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(ConfigReadBadValue, StopsThereKeepingTheItemsBefore) {
    const QByteArray text = QByteArray("[good]\nDescription1=first\nTxCANID=10\n[bad]\n") +
                            GetParam().body + "\n[never]\nDescription1=third\n";
    const QString file = writeFile(QStringLiteral("a.ini"), text);
    try {
        ReadTestConfig(file);
        FAIL() << "the read did not fail";
    } catch (const ConvertError& error) {
        EXPECT_EQ(QString::fromUtf8(error.what()),
                  file + QLatin1String(", line ") + QLatin1String(GetParam().message));
    }
    EXPECT_EQ(table.CMD_Count, 1);
    EXPECT_EQ(table.Description1[0], QStringLiteral("first"));
    EXPECT_EQ(table.Group_Count, GetParam().groupCountBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ConfigReadBadValue,
    ::testing::Values(
        // The text as it stands in the file, without the "0x" the reader puts in front.
        BadFile{"TxCANID=0x12", "5, TxCANID: '0x12' is not a valid integer value", 1},
        BadFile{"TxCANID=", "5, TxCANID: '' is not a valid integer value", 1},
        BadFile{"TxLoopTimes=1a", "5, TxLoopTimes: '1a' is not a valid integer value", 1},
        BadFile{"TxCANLen=8 bytes", "5, TxCANLen: '8 bytes' is not a valid integer value", 1},
        BadFile{"TxCANID=000000001F", "5, TxCANID: '000000001F' is not a valid integer value", 1},
        BadFile{"TxCANID=20\nTxCANGroup=7\nComp_CANID=123456789",
                "7, Comp_CANID: '123456789' is not a valid integer value", 1},
        BadFile{"TxCANID=20\nComp_CANData7=FF FF",
                "6, Comp_CANData7: 'FF FF' is not a valid integer value", 1}));

TEST_F(ConfigReadTest, SectionsBeyondTheTableAreCountedNotLoaded) {
    QByteArray text = "[ORBTEC_ZarvoPortConfig]\nZarvoPort=1\n";
    for (int i = 0; i < kMaxTestItems + 3; ++i)
        text += "[" + QByteArray::number(i) + "]\nDescription1=item " + QByteArray::number(i) +
                "\nTxCANID=" + QByteArray::number(i % 7) + "\n";
    const ReadResult result = ReadTestConfig(writeFile(QStringLiteral("big.ini"), text));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.ignoredSections, 3);
    EXPECT_EQ(table.CMD_Count, kMaxTestItems);
    EXPECT_EQ(table.Description1[kMaxTestItems - 1], QStringLiteral("item 99"));
    EXPECT_EQ(table.Group_Count, 7);
}

QByteArray ItemSections(int count, int badItem) {
    QByteArray text;
    for (int i = 0; i < count; ++i) {
        text += QStringLiteral("[%1..Item %1..P]\nTxCANID=%2\n").arg(i).arg(0x100 + i).toUtf8();
        if (i == badItem)
            text += "TxCANData0=0x01\n";
    }
    return text;
}

// A file not read whole is named, with what was left out, in the question
// before the table is written over it; writing it ends the question.
TEST_F(ConfigReadTest, AFileReadInPartIsNamedUntilTheTableIsWrittenOverIt) {
    const QString utf16 = QString::fromUtf8(ItemSections(2, -1));
    const QByteArray noBom(reinterpret_cast<const char*>(utf16.utf16()), utf16.size() * 2);
    const struct {
        const char* name;
        QByteArray bytes;
        int itemsRead;
        const char* leftOut;
    } cases[] = {
        {"bad value in item 0", ItemSections(3, 0), 0, "item 0 and every item after it"},
        {"bad value in item 2", ItemSections(3, 2), 2, "item 2 and every item after it"},
        // The items of the file read before belong to it, not to this one.
        {"UTF-16 without a byte order mark", noBom, 0, "the whole file (Cannot read"},
        {"105 items", ItemSections(kMaxTestItems + 5, -1), kMaxTestItems,
         "5 items beyond the first 100"},
    };
    const QString good = writeFile(QStringLiteral("good.ini"), ItemSections(2, -1));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(ReadTestConfig(good).status, 0);
        EXPECT_TRUE(OverwritePartlyReadQuestion(good).isEmpty());
        const QString partly = writeFile(QStringLiteral("partly.ini"), c.bytes);
        try {
            ReadTestConfig(partly);
        } catch (const std::exception&) {
        }
        EXPECT_EQ(table.CMD_Count, c.itemsRead);
        EXPECT_EQ(LastPartialRead().path, partly);
        EXPECT_TRUE(OverwritePartlyReadQuestion(partly).contains(QString::fromUtf8(c.leftOut)))
            << qPrintable(OverwritePartlyReadQuestion(partly));
        EXPECT_TRUE(OverwritePartlyReadQuestion(good).isEmpty());
        WriteTestConfig(path(QStringLiteral("other.ini")));
        EXPECT_FALSE(OverwritePartlyReadQuestion(partly).isEmpty());
        WriteTestConfig(partly);
        EXPECT_TRUE(OverwritePartlyReadQuestion(partly).isEmpty());
        EXPECT_TRUE(LastPartialRead().path.isEmpty());
    }
}

// Notepad's "Unicode" with old Mac line ends reads as the same items as UTF-8.
TEST_F(ConfigReadTest, ReadsUtf16WithByteOrderMarkAndCrLineEnds) {
    const QString text = QStringLiteral("[a]\rDescription1=电源\rTxCANID=1F\r[b]\rTxCANID=20\r");
    QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    ReadTestConfig(writeFile(QStringLiteral("a.ini"), utf16(text)));
    EXPECT_EQ(table.CMD_Count, 2);
    EXPECT_EQ(table.Description1[0], QStringLiteral("电源"));
    EXPECT_EQ(table.TxCANID[0], 0x1Fu);
    EXPECT_EQ(table.TxCANID[1], 0x20u);
}

TEST_F(ConfigReadTest, ReadsUtf8AndGb18030Descriptions) {
    const QString name = QStringLiteral("电源开启");
    const QString parameter = QStringLiteral("電壓 12V");
    const QString text = QStringLiteral("[00..x..y]\nDescription1=%1\nDescription2=%2\n");
    QStringEncoder gb18030("GB18030");
    for (const QByteArray& bytes :
         {text.arg(name, parameter).toUtf8(), QByteArray(gb18030(text.arg(name, parameter)))}) {
        ReadTestConfig(writeFile(QStringLiteral("a.ini"), bytes));
        EXPECT_EQ(table.Description1[0], name);
        EXPECT_EQ(table.Description2[0], parameter);
    }
}

} // namespace
