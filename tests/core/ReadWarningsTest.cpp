// What the readers take other than as written: every such value, identifier
// and line is named with its line, key and text and the value taken, and the
// file still loads as the file rules say.

#include "ConfigFile.h"
#include "CoreTestSupport.h"
#include "IniFile.h"
#include "ZarvoIni.h"

namespace {

struct WarningCase {
    const char* body;    // the lines after "[item]"
    int line;            // the warning's line; 0 when there is none
    const char* key;     // the warning's key; empty for a line that is no key line
    const char* text;    // the value (or line) as it stands in the file
    const char* outcome; // what was taken
};

class ItemWarning : public TableTest, public ::testing::WithParamInterface<WarningCase> {};

TEST_P(ItemWarning, NamesLineKeyTextAndTheValueTaken) {
    const WarningCase& c = GetParam();
    const QString file = writeFile(QStringLiteral("a.ini"), QByteArray("[item]\n") + c.body + "\n");
    const ReadResult result = ReadTestConfig(file);
    EXPECT_EQ(table.CMD_Count, 1);
    if (c.line == 0) {
        EXPECT_TRUE(result.warnings.isEmpty()) << qPrintable(result.warnings.first().message());
        return;
    }
    ASSERT_EQ(result.warnings.size(), 1) << c.body;
    const IniWarning& w = result.warnings.first();
    EXPECT_EQ(w.path, file);
    EXPECT_EQ(w.line, c.line);
    EXPECT_EQ(w.key, QLatin1String(c.key));
    EXPECT_EQ(w.text, QString::fromUtf8(c.text));
    EXPECT_EQ(w.outcome, QLatin1String(c.outcome));
}

INSTANTIATE_TEST_SUITE_P(
    Values, ItemWarning,
    ::testing::Values(
        WarningCase{"TxCANLen=256", 2, "TxCANLen", "256", "taken as 0 (its low 8 bits)"},
        WarningCase{"TxCANLen=255", 0, "", "", ""},
        WarningCase{"TxCANRTR=-1", 2, "TxCANRTR", "-1", "taken as 255 (its low 8 bits)"},
        WarningCase{"TxCANMode=300\nTxCANID=1", 2, "TxCANMode", "300",
                    "taken as 44 (its low 8 bits)"},
        WarningCase{"TxCANData3=1FF", 2, "TxCANData3", "1FF", "taken as FF (its low 8 bits)"},
        WarningCase{"TxCANData7=FF", 0, "", "", ""},
        WarningCase{"TxCANGroup=256", 2, "TxCANGroup", "256", "taken as 0 (its low 8 bits)"},
        WarningCase{"TxLoopInterval=-5", 2, "TxLoopInterval", "-5", "taken as 0"},
        WarningCase{"TxLoopTerminal=-1", 2, "TxLoopTerminal", "-1", "taken as 0"},
        WarningCase{"TxLoopTimes=-1", 0, "", "", ""}, WarningCase{"TxCANID=7FF", 0, "", "", ""},
        WarningCase{"Description1=x\nTxCANID=800", 3, "TxCANID", "800",
                    "kept; a run refuses the item"},
        WarningCase{"TxCANID=FFFFFFFF", 2, "TxCANID", "FFFFFFFF", "kept; a run refuses the item"},
        WarningCase{"TxCANMode=1\nTxCANID=1FFFFFFF", 0, "", "", ""},
        WarningCase{"TxCANMode=1\nTxCANID=20000000", 3, "TxCANID", "20000000",
                    "kept; a run refuses the item"},
        WarningCase{"Description1 x", 2, "", "Description1 x", "ignored"},
        WarningCase{"=5", 2, "", "=5", "ignored"},
        WarningCase{"; a comment\n\n# another", 0, "", "", ""}));

TEST_F(TableTest, WarningsOfAFileComeInLineOrderWithTheirMessages) {
    const QString file = writeFile(QStringLiteral("a.ini"), "[]\n"
                                                            "TxCANID=800\n"
                                                            "stray\n"
                                                            "TxCANLen=300\n");
    const ReadResult result = ReadTestConfig(file);
    ASSERT_EQ(result.warnings.size(), 4);
    const QStringList expected{
        QStringLiteral("%1, line 1: '[]' has no name; read as test item 1"),
        QStringLiteral("%1, line 2: TxCANID=800 is beyond 7FF, the largest 11-bit identifier "
                       "(TxCANMode=0); kept; a run refuses the item"),
        QStringLiteral("%1, line 3: 'stray' has no \"=\"; ignored"),
        QStringLiteral("%1, line 4: TxCANLen=300 is beyond 0..255; taken as 44 (its low 8 bits)")};
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_EQ(result.warnings[i].message(), expected[i].arg(file));
    // The file rules still hold: the values are those the warnings name.
    EXPECT_EQ(table.TxCANID[0], 0x800u);
    EXPECT_EQ(table.TxCANLen[0], 44);
}

TEST_F(TableTest, ManyUnusableLinesGiveBoundedWarnings) {
    QByteArray text = "[item]\n";
    for (int i = 0; i < kMaxIniLineWarnings + 50; ++i)
        text += "no key here\n";
    const ReadResult result = ReadTestConfig(writeFile(QStringLiteral("a.ini"), text));
    ASSERT_EQ(result.warnings.size(), kMaxIniLineWarnings + 1);
    EXPECT_EQ(result.warnings.last().line, kMaxIniLineWarnings + 51);
    EXPECT_TRUE(result.warnings.last().problem.contains(QLatin1String("50 more lines")));
}

struct ZarvoWarningCase {
    const char* values;
    int line;
    const char* key;
    const char* outcome;
    int port;
    uint32_t baudRate;
};

class ZarvoWarning : public TableTest, public ::testing::WithParamInterface<ZarvoWarningCase> {};

TEST_P(ZarvoWarning, NamesTheValueTaken) {
    const ZarvoWarningCase& c = GetParam();
    ZarvoPort = 0;
    ZarvoBaudRate = 250000;
    writeFile(QStringLiteral("Zarvo.ini"), QByteArray("[ORBTEC_ZarvoPortConfig]\n") + c.values);
    QList<IniWarning> warnings;
    EXPECT_EQ(ReadZarvoIni(dir.path(), &warnings), 0);
    EXPECT_EQ(ZarvoPort, c.port);
    EXPECT_EQ(ZarvoBaudRate, c.baudRate);
    if (c.line == 0) {
        EXPECT_TRUE(warnings.isEmpty());
        return;
    }
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_EQ(warnings[0].line, c.line);
    EXPECT_EQ(warnings[0].key, QLatin1String(c.key));
    EXPECT_EQ(warnings[0].outcome, QLatin1String(c.outcome));
}

INSTANTIATE_TEST_SUITE_P(
    Values, ZarvoWarning,
    ::testing::Values(ZarvoWarningCase{"ZarvoPort=255\nZarvoBaudRate=33333\n", 0, "", "", 255,
                                       33333},
                      ZarvoWarningCase{"ZarvoPort=256\n", 2, "ZarvoPort",
                                       "taken as 0 (its low 8 bits)", 0, 250000},
                      ZarvoWarningCase{"ZarvoBaudRate=1\nZarvoPort=-1\n", 3, "ZarvoPort",
                                       "taken as 255 (its low 8 bits)", 255, 1},
                      ZarvoWarningCase{"ZarvoBaudRate=-1\n", 2, "ZarvoBaudRate",
                                       "taken as 4294967295", 0, 4294967295u},
                      ZarvoWarningCase{"ZarvoPort 3\n", 2, "", "ignored", 0, 250000}));

} // namespace
