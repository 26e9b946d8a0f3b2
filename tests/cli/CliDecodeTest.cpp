// kestrel-cli decode, run as a program on traces written for the test and
// the example databases.

#include "CliProcess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kDbc = QStringLiteral(KESTREL_EXAMPLES_DIR "/SimDevice.dbc");

// A ramp of 1000 (Top), a sine of -2, a float sine of 2.5; the time 1.5 s;
// a frame of another identifier, a comment, and a remote frame of 0x3E8.
const QByteArray kTrace = "(1796811998.650411) simulator0 3E8#E803FEFF00002040 R\n"
                          "(1796811998.700000) simulator0 3E9#000000000000F83F R\n"
                          "# a comment line\n"
                          "(1796811998.750000) simulator0 7E0#0322F19000000000 T\n"
                          "(1796811998.800000) simulator0 3E8#R8 T\n";

class CliDecodeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QTemporaryDir dir;
};

TEST_F(CliDecodeTest, JsonGivesOneObjectPerKnownFrame) {
    const QString trace = WriteTestFile(dir, "bus.log", kTrace);
    const CliOutcome o = RunCli({"decode", "--dbc", kDbc, trace, "--json"});
    ASSERT_EQ(o.exitCode, 0) << qPrintable(o.errText());
    const QStringList lines = o.outText().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << qPrintable(o.outText());
    EXPECT_EQ(lines[0], "{\"t\": 1796811998.650411, \"id\": 1000, \"ext\": false, \"name\": "
                        "\"SimValues\", \"signals\": {\"Ramp\": 100, \"Sine\": -2, \"FloatSine\": "
                        "2.5}}");
    const QJsonObject time = QJsonDocument::fromJson(lines[1].toUtf8()).object();
    EXPECT_EQ(time.value("name").toString(), "SimTime");
    EXPECT_EQ(time.value("signals").toObject().value("Seconds").toDouble(), 1.5);
    EXPECT_EQ(lines[2], "{\"t\": 1796811998.800000, \"id\": 1000, \"ext\": false, \"name\": "
                        "\"SimValues\", \"signals\": {}}");
    EXPECT_EQ(o.errText(), "kestrel-cli: frames not in the database: 1\n");
}

TEST_F(CliDecodeTest, TextNamesSignalsWithUnitsAndLabels) {
    const QString trace = WriteTestFile(dir, "bus.log", kTrace);
    const CliOutcome o = RunCli({"decode", trace, "--dbc", kDbc});
    ASSERT_EQ(o.exitCode, 0) << qPrintable(o.errText());
    const QStringList lines = o.outText().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << qPrintable(o.outText());
    EXPECT_EQ(lines[0], "1796811998.650411 3E8 SimValues: Ramp=Top, Sine=-2 counts, FloatSine=2.5 "
                        "units");
    EXPECT_EQ(lines[2], "1796811998.750000 7E0 (not in the database) 03 22 F1 90 00 00 00 00");
}

// The example ECU's database against the answers its simulated device gives
// (examples/ecu-smoke/SimDevice.ini).
TEST_F(CliDecodeTest, TheExampleEcusDatabaseNamesItsAnswers) {
    const QString trace = WriteTestFile(dir, "ecu.log",
                                        "(1.000000) simulator0 000#0100 T\n"
                                        "(1.100000) simulator0 701#7F R\n"
                                        "(1.200000) simulator0 18EA00F9#04F000 T\n"
                                        "(1.300000) simulator0 0CF00400#F07D7D001AFFFFFF R\n");
    const CliOutcome o =
        RunCli({"decode", "--dbc", QStringLiteral(KESTREL_EXAMPLES_DIR "/ecu-smoke/ecu-smoke.dbc"),
                trace});
    ASSERT_EQ(o.exitCode, 0) << qPrintable(o.errText());
    EXPECT_EQ(o.outText(), "1.000000 000 NMT: Command=Start, Node=0\n"
                           "1.100000 701 Heartbeat: State=Pre-operational\n"
                           "1.200000 18EA00F9 J1939_Request: RequestedPGN=61444\n"
                           "1.300000 0CF00400 EEC1: TorqueMode=0, DriverDemandTorque=0 %, "
                           "ActualTorque=0 %, EngineSpeed=832 rpm, SourceAddress=255\n");
}

TEST_F(CliDecodeTest, ExitCodesTellWhatWentWrong) {
    const QString trace = WriteTestFile(dir, "bus.log", kTrace);
    const QString badDbc = WriteTestFile(dir, "bad.dbc", "BO_ 1 M: 8 E\n\n SG_ S : 0|8@7+\n");
    const CliOutcome refused = RunCli({"decode", "--dbc", badDbc, trace});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.errText().contains("bad.dbc: line 3: byte order and sign '7+'"))
        << qPrintable(refused.errText());
    const QString badTrace = WriteTestFile(dir, "bad.log", kTrace + "garbage\n");
    const CliOutcome cut = RunCli({"decode", "--dbc", kDbc, badTrace, "--json"});
    EXPECT_EQ(cut.exitCode, 2);
    EXPECT_EQ(cut.outText().count('\n'), 3);
    EXPECT_TRUE(cut.errText().contains("bad.log line 6: not a candump frame line"));
    EXPECT_EQ(RunCli({"decode", "--dbc", kDbc, dir.filePath("none.log")}).exitCode, 2);
    EXPECT_EQ(RunCli({"decode", "--dbc", dir.filePath("none.dbc"), trace}).exitCode, 2);
    EXPECT_EQ(RunCli({"decode", trace}).exitCode, 64);
    EXPECT_EQ(RunCli({"decode", "--dbc", kDbc, trace, trace}).exitCode, 64);
    EXPECT_EQ(RunCli({"decode", "--dbc", kDbc, trace, "--csv"}).exitCode, 64);
}

} // namespace
