// The run control over the recording driver: the driver calls of each kind of
// run and of Stop, the records handed over, the end of a run, the port check.

#include "RunController.h"

#include "FakeZarvo.h"
#include "LogCapture.h"
#include "Phrases.h"
#include "RunCallbacks.h"
#include "RunTestSupport.h"
#include "ZarvoCodes.h"
#include "ZarvoTrace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The calls that hand groups to the driver or stop them, in order; the
// receive thread's polling is left out.
std::vector<std::string> SetUpCalls(const FakeZarvo& fake) {
    std::vector<std::string> names;
    for (const FakeZarvoCall& c : fake.calls()) {
        if (c.op == "Zarvo_GetPortStatus" || c.op == "Zarvo_GetRxCount" ||
            c.op == "Zarvo_ReadFrame")
            continue;
        std::string name = c.op.substr(6) + "(" + std::to_string(c.port);
        if (c.op != "Zarvo_GetPortTable" && c.op != "Zarvo_OpenPort")
            name += "," + std::to_string(c.group);
        if (c.op == "Zarvo_SendGroup" || c.op == "Zarvo_SetGroupCount")
            name += ",n=" + std::to_string(c.value);
        names.push_back(name + ")");
    }
    return names;
}

// A driver that traces: the fake, whose trace sink gets one frame at the start
// and is finished at the stop, as Kestrel's own driver finishes it.
struct TracingDriver {
    static inline std::unique_ptr<TraceSink> sink;
    static inline std::vector<uint8_t> tracedPorts;

    static int32_t start(uint8_t port, std::unique_ptr<TraceSink> s) {
        tracedPorts.push_back(port);
        CandumpRecord record;
        record.timeUs = 1'000'000;
        record.interfaceName = "fake";
        record.frame.id = 0x7E0;
        record.direction = 'T';
        s->write(record);
        sink = std::move(s);
        return kZarvoOk;
    }
    static int32_t stop(uint8_t) {
        sink->finish(0);
        sink.reset();
        return kZarvoOk;
    }
    static const ZarvoBinding& binding() {
        static const ZarvoBinding table = [] {
            ZarvoBinding b = FakeZarvo::binding();
            b.Zarvo_StartTrace = start;
            b.Zarvo_StopTrace = stop;
            return b;
        }();
        return table;
    }
};

class RunControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(reports.isValid());
        fake.setPortCount(2);
        ZarvoPort = 0;
        ZarvoBaudRate = 500000;
        SingleTestRow = 0;
        CurrentConfigFile = QStringLiteral("/data/bench.ini");
    }

    // Waits until the transmit thread has registered `count` transmit callbacks.
    void WaitForSetUp(size_t count) {
        ASSERT_TRUE(
            view.serveUntil([&] { return fake.calls("Zarvo_SetTxCallback").size() >= count; }));
    }

    // Starts and ends every item of the run through the registered callbacks.
    void RunEveryItemThrough(uint8_t group, int items) {
        for (int i = 0; i < items; ++i) {
            ASSERT_TRUE(fake.fireTx(ZarvoPort, group, 0));
            ASSERT_TRUE(fake.fireTx(ZarvoPort, group, 1));
        }
    }

    FakeZarvo fake;
    QTemporaryDir reports;
    TestRunView view;
    RunController run{view, reports.path() + "/Reports", FakeZarvo::binding()};
};

TEST_F(RunControllerTest, TestAllHandsEveryItemOverAsGroupZero) {
    SetTable({{.id = 0x100}, {.id = 0x200}, {.id = 0x100}});
    Global_CustomerCMD.TxCANLen[1] = 2;
    Global_CustomerCMD.TxCANMode[1] = 1;
    Global_CustomerCMD.TxCANID[1] = 0x1EDCBA98; // all 29 bits copied
    for (int d = 0; d < 8; ++d)
        Global_CustomerCMD.TxCANData[1][d] = static_cast<uint8_t>(0xA0 + d);
    run.testAllItems(false);
    WaitForSetUp(1);
    EXPECT_EQ(SetUpCalls(fake),
              std::vector<std::string>({"GetPortTable(0)", "OpenPort(0)", "SetGroupCount(0,0,n=1)",
                                        "SendGroup(0,0,n=3)", "SetRxCallback(0,0)",
                                        "SetTxCallback(0,0)"}));
    EXPECT_EQ(fake.calls("Zarvo_OpenPort")[0].value, 500000);
    EXPECT_EQ(fake.txCallback(0, 0), &TxCallback_AllItems);
    EXPECT_EQ(fake.rxCallback(0, 0), &RxCallback_AllItems);

    const FakeZarvoCall send = fake.calls("Zarvo_SendGroup")[0];
    const uint8_t expected[30] = {0,    0, 0, 0,    0,    0,    0,    0,    1,    0x98, 0xBA, 0xDC,
                                  0x1E, 0, 2, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7};
    EXPECT_EQ(std::memcmp(&send.msgs[1], expected, sizeof expected), 0);
    EXPECT_EQ(send.times, std::vector<int32_t>({1, 1, 1}));
    EXPECT_EQ(view.controls, std::vector<RunControls>({RunControls::Running}));
    EXPECT_TRUE(view.timer(RunTimer::TestAllItems));
    EXPECT_EQ(view.selectedRow, 1);

    fake.clearCalls();
    run.stop();
    EXPECT_EQ(SetUpCalls(fake), std::vector<std::string>({"StopGroup(0,0)"}));
    EXPECT_EQ(view.controls.back(), RunControls::Stopped);
    EXPECT_EQ(view.lamps.back(), LampColour::Blue);
    EXPECT_FALSE(view.timer(RunTimer::TestAllItems));
    EXPECT_FALSE(run.isRunning());
}

TEST_F(RunControllerTest, GroupModeHandsEveryGroupOverIncludingUnusedOnes) {
    SetTable({{.group = 0}, {.group = 2}, {.group = 2}}); // group 1 unused
    ZarvoPort = 1;
    run.testAllItems(true);
    WaitForSetUp(3);
    EXPECT_EQ(SetUpCalls(fake),
              std::vector<std::string>(
                  {"GetPortTable(0)", "OpenPort(1)", "SetGroupCount(1,0,n=3)", "SendGroup(1,0,n=1)",
                   "SetRxCallback(1,0)", "SetTxCallback(1,0)", "SendGroup(1,1,n=0)",
                   "SetRxCallback(1,1)", "SetTxCallback(1,1)", "SendGroup(1,2,n=2)",
                   "SetRxCallback(1,2)", "SetTxCallback(1,2)"}));
    EXPECT_EQ(fake.txCallback(1, 1), &TxCallback_Group);
    EXPECT_FALSE(fake.calls("Zarvo_SendGroup")[1].nullArgument);

    fake.clearCalls();
    run.stop();
    EXPECT_EQ(SetUpCalls(fake),
              std::vector<std::string>({"StopGroup(1,0)", "StopGroup(1,1)", "StopGroup(1,2)"}));
}

TEST_F(RunControllerTest, GroupModeLogsEveryItemAndGroupItHandsOver) {
    const LogCapture log;
    SetTable({{.id = 0x7E0, .group = 0}, {.id = 0x12345678, .group = 2, .times = 4}, {.group = 2}});
    type_CustomerCMD& t = Global_CustomerCMD;
    t.TxCANData[1][0] = 0xAB;
    t.TxCANMode[1] = 1; // 0x12345678 is a 29-bit identifier
    t.TxLoopInterval[2] = 30;
    t.TxLoopTerminal[2] = 500;
    ZarvoPort = 1;
    run.testAllItems(true);
    WaitForSetUp(3);
    run.stop();
    EXPECT_EQ(
        log.lines(),
        QStringList({
            "Start testing all items!",
            "_CustomerCMD.CMD_ID[0]=7e0",
            "TT_CustomerCMD.CMD_ID[0]=7e0",
            "CANID[0]_0_byte=224, CANID[0]_1_byte=7, CANID[0]_2_byte=0, CANID[0]_3_byte=0",
            "TT_CustomerCMD.CMD_Data[0][0]=0",
            "Interval[0]=1, Times[0]=1, Terminal_Interval[0]=1",
            "ZarvoPort = 1, i = 0, TotMsg = 1 ,_Interval[0]=1,_Times[0]=1,_Terminal_Interval[0]=1",
            "ZarvoPort = 1, i = 1, TotMsg = 0 ,_Interval[0]=0,_Times[0]=0,_Terminal_Interval[0]=0",
            "TT_CustomerCMD.CMD_ID[1]=12345678",
            "CANID[0]_0_byte=120, CANID[0]_1_byte=86, CANID[0]_2_byte=52, CANID[0]_3_byte=18",
            "TT_CustomerCMD.CMD_Data[1][0]=171",
            "Interval[0]=1, Times[0]=4, Terminal_Interval[0]=1",
            "TT_CustomerCMD.CMD_ID[2]=100",
            "CANID[1]_0_byte=0, CANID[1]_1_byte=1, CANID[1]_2_byte=0, CANID[1]_3_byte=0",
            "TT_CustomerCMD.CMD_Data[2][0]=0",
            "Interval[1]=30, Times[1]=1, Terminal_Interval[1]=500",
            "ZarvoPort = 1, i = 2, TotMsg = 2 ,_Interval[0]=1,_Times[0]=4,_Terminal_Interval[0]=1",
            "Stop testing!",
        }));
}

TEST_F(RunControllerTest, StopDuringTheHandOverLeavesNoGroupSendingAfterIt) {
    std::vector<TestItem> items;
    for (uint8_t g = 0; g < 30; ++g)
        items.push_back({.group = g});
    SetTable(items);
    auto own = std::make_unique<RunController>(view, QString(), FakeZarvo::binding());
    own->testAllItems(true);
    WaitForSetUp(1);
    own->stop();
    own.reset(); // the threads have ended: every driver call is in
    const std::vector<std::string> calls = SetUpCalls(fake);
    const auto firstStop = std::find_if(calls.begin(), calls.end(), [](const std::string& c) {
        return c.rfind("StopGroup", 0) == 0;
    });
    ASSERT_EQ(std::count_if(firstStop, calls.end(),
                            [](const std::string& c) { return c.rfind("StopGroup", 0) == 0; }),
              30);
    EXPECT_TRUE(std::none_of(firstStop, calls.end(),
                             [](const std::string& c) { return c.rfind("SendGroup", 0) == 0; }));
}

TEST_F(RunControllerTest, SingleItemHandsOverOneRecordAndStopsAsTheLastTestAllSent) {
    SetTable({{.id = 0x100, .group = 0}, {.id = 0x200, .group = 1}});
    Global_CustomerCMD.IsGroupSend = 1; // left by an earlier "Multiple Sent" run
    Global_CustomerCMD.TxLoopInterval[1] = 25;
    run.testSelectedItem(2);
    WaitForSetUp(1);
    EXPECT_EQ(SingleTestRow, 2);
    EXPECT_EQ(view.singleTransmit, QStringList()); // TxLoopTimes 1: no dialog
    EXPECT_EQ(SetUpCalls(fake),
              std::vector<std::string>({"GetPortTable(0)", "OpenPort(0)", "SetGroupCount(0,0,n=1)",
                                        "SendGroup(0,0,n=1)", "SetRxCallback(0,0)",
                                        "SetTxCallback(0,0)"}));
    const FakeZarvoCall send = fake.calls("Zarvo_SendGroup")[0];
    EXPECT_EQ(send.msgs[0].ID[1], 0x02);
    EXPECT_EQ(send.intervals, std::vector<int32_t>({25}));
    EXPECT_EQ(fake.txCallback(0, 0), &TxCallback_Single);
    EXPECT_TRUE(view.timer(RunTimer::TestSingleItem));

    fake.clearCalls();
    run.stop();
    EXPECT_EQ(SetUpCalls(fake), std::vector<std::string>({"StopGroup(0,0)", "StopGroup(0,1)"}));
    EXPECT_EQ(view.singleTransmit, QStringList({"hide"}));
}

TEST_F(RunControllerTest, TestAllEndsWhenEveryItemHasAnEndTimeThenClears) {
    SetTable({{.compData = {1}}, {}, {}});
    run.testAllItems(false);
    WaitForSetUp(1);
    ASSERT_TRUE(fake.fireTx(0, 0, 0));
    ASSERT_TRUE(fake.fireRx(0, 0, {.id = 0x181, .len = 8, .data = {2}}));
    ASSERT_TRUE(fake.fireTx(0, 0, 1));
    RunEveryItemThrough(0, 1);
    run.testAllItemsTimer();
    EXPECT_TRUE(view.timer(RunTimer::TestAllItems)); // item 3 unfinished
    EXPECT_TRUE(view.boxes.shown.isEmpty());

    RunEveryItemThrough(0, 1);
    run.testAllItemsTimer();
    EXPECT_EQ(view.boxes.texts("inform"), QStringList({Phrase(PhraseId::RunComplete)}));
    ASSERT_EQ(view.boxes.rowsAtInform.size(), 4u);
    EXPECT_FALSE(view.boxes.rowsAtInform[3][ResultCells::EndTime].isEmpty());
    for (int row = 1; row <= 3; ++row) {
        EXPECT_EQ(Cell(ResultCells::TestName, row), QStringLiteral("item %1").arg(row - 1));
        for (int column = ResultCells::StartTime; column <= ResultCells::Remarks; ++column)
            EXPECT_EQ(Cell(column, row), "") << row << "," << column;
    }
    EXPECT_EQ(view.controls, std::vector<RunControls>({RunControls::Running, RunControls::Ending,
                                                       RunControls::EndedByItself}));
    EXPECT_EQ(view.lamps.back(), LampColour::Blue);
    EXPECT_FALSE(view.timer(RunTimer::TestAllItems));
    EXPECT_FALSE(run.isRunning());

    // The results as they stood go to the report.
    ASSERT_EQ(run.lastResults().size(), 3u);
    EXPECT_EQ(run.lastResults()[0][ResultCells::Result], "16");
    EXPECT_EQ(run.lastResults()[0][ResultCells::Remarks], "D1");
    ASSERT_TRUE(run.lastReportPath().startsWith(reports.path() + "/Reports/bench-"));
    QFile report(run.lastReportPath());
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = report.readAll().split('\n');
    EXPECT_EQ(lines[0], "Test Name,Test Parameter,Start Time,End Time,Result,Remarks,Verdict\r");
    EXPECT_TRUE(lines[1].startsWith("item 0,param 0,")) << lines[1].constData();
    EXPECT_TRUE(lines[1].endsWith(",16,D1,failed\r")) << lines[1].constData();
    EXPECT_TRUE(lines[2].endsWith(",--,,not compared\r")) << lines[2].constData();
    // Item 1 failed, the others expect nothing.
    ASSERT_EQ(view.summaries.size(), 1u);
    EXPECT_EQ(RunSummaryText(view.summaries[0]),
              "3 items: 0 passed, 1 failed, 2 without expectation");
}

TEST_F(RunControllerTest, TwoRunsInARowWithoutStopSetUpTheSecondAtOnce) {
    SetTable({{.group = 0}, {.group = 1}});
    run.testAllItems(false);
    WaitForSetUp(1);
    RunEveryItemThrough(0, 2);
    run.testAllItemsTimer();
    ASSERT_FALSE(run.isRunning());

    fake.clearCalls();
    ZarvoPort = 1;
    run.testAllItems(true);
    WaitForSetUp(2);
    run.stop(); // idle transmit thread afterwards: no further set-up can follow
    EXPECT_EQ(
        SetUpCalls(fake),
        std::vector<std::string>({"GetPortTable(0)", "OpenPort(1)", "SetGroupCount(1,0,n=2)",
                                  "SendGroup(1,0,n=1)", "SetRxCallback(1,0)", "SetTxCallback(1,0)",
                                  "SendGroup(1,1,n=1)", "SetRxCallback(1,1)", "SetTxCallback(1,1)",
                                  "StopGroup(1,0)", "StopGroup(1,1)"}));
}

TEST_F(RunControllerTest, ARunAfterStopWaitsForItsOwnStart) {
    SetTable({{}});
    run.testAllItems(false);
    WaitForSetUp(1);
    run.stop();
    fake.clearCalls();
    run.testSelectedItem(1);
    WaitForSetUp(1);
    run.stop();
    EXPECT_EQ(fake.calls("Zarvo_SendGroup").size(), 1u);
    EXPECT_EQ(fake.txCallback(0, 0), &TxCallback_Single);
}

TEST_F(RunControllerTest, NoPortRefusesTheRunAndChangesNothing) {
    SetTable({{.times = 0}});
    for (uint8_t ports : {0, 1}) {
        fake.setPortCount(ports);
        ZarvoPort = 1; // not below the count
        view.boxes.shown.clear();
        run.testAllItems(false);
        run.testSelectedItem(1);
        EXPECT_EQ(view.boxes.texts("error"),
                  QStringList({Phrase(PhraseId::PortError), Phrase(PhraseId::PortError)}));
        EXPECT_EQ(view.boxes.shown[0].caption, Phrase(PhraseId::Caption));
    }
    EXPECT_TRUE(view.controls.empty());
    EXPECT_FALSE(view.timer(RunTimer::TestAllItems) || view.timer(RunTimer::TestSingleItem));
    EXPECT_TRUE(fake.calls("Zarvo_OpenPort").empty());
    EXPECT_TRUE(view.searchAgain.has_value());
    EXPECT_FALSE(run.isRunning());
    // The dialog of a repeated item is opened and hidden again.
    EXPECT_EQ(view.singleTransmit, QStringList({"show 0", "hide", "show 0", "hide"}));
}

// A masked identifier would go out in place of the item's own: the run is
// refused before the port is touched, naming the item.
TEST_F(RunControllerTest, AnIdentifierBeyondItsModeRefusesTheRun) {
    SetTable({{.id = 0x7FF}, {.id = 0x800}});
    run.testAllItems(false);
    run.testSelectedItem(2);
    const QStringList errors = view.boxes.texts("error");
    ASSERT_EQ(errors.size(), 2);
    for (const QString& error : errors)
        EXPECT_TRUE(error.startsWith(QStringLiteral("Test item 2 \"item 1\": the identifier 0x800 "
                                                    "is beyond the 11-bit identifiers")))
            << qPrintable(error);
    EXPECT_TRUE(fake.calls("Zarvo_GetPortTable").empty());
    EXPECT_FALSE(run.isRunning());
    // Item 1 alone fits, and a 29-bit item may use 29 bits.
    Global_CustomerCMD.TxCANMode[1] = 1;
    Global_CustomerCMD.TxCANID[1] = 0x1FFFFFFF;
    fake.setPortCount(0);
    run.testAllItems(false);
    EXPECT_EQ(view.boxes.texts("error").back(),
              Phrase(PhraseId::PortError)); // on to the port check
}

// Every count of 0 or below is sent until Stop, so each opens the dialog.
TEST_F(RunControllerTest, SingleItemOpensTheDialogForEveryCountUntilStopped) {
    fake.setPortCount(0);
    const struct {
        int32_t times;
        QStringList dialog;
    } cases[] = {{-1, {"show 0", "hide"}}, {0, {"show 0", "hide"}}, {1, {"hide"}}};
    for (const auto& c : cases) {
        SetTable({{.times = c.times}});
        view.singleTransmit.clear();
        run.testSelectedItem(1);
        EXPECT_EQ(view.singleTransmit, c.dialog) << c.times;
    }
}

TEST_F(RunControllerTest, SingleItemNeedsADataRowOfAnItem) {
    SetTable({{}});
    for (int row : {0, 2}) {
        run.testSelectedItem(row);
        EXPECT_EQ(view.boxes.texts("inform").back(), Phrase(PhraseId::SelectItemToTest));
    }
    EXPECT_TRUE(fake.calls("Zarvo_GetPortTable").empty());
}

TEST_F(RunControllerTest, SingleItemEndsWithItsOwnEndTimeAndKeepsTheDialog) {
    const LogCapture log;
    SetTable({{}, {.times = 0}});
    run.testSelectedItem(2);
    WaitForSetUp(1);
    EXPECT_EQ(view.singleTransmit, QStringList({"show 1"}));
    run.testSingleItemTimer();
    EXPECT_TRUE(view.timer(RunTimer::TestSingleItem));
    RunEveryItemThrough(0, 1);
    run.testSingleItemTimer();
    EXPECT_FALSE(run.isRunning());
    EXPECT_EQ(view.controls.back(), RunControls::EndedByItself);
    EXPECT_EQ(view.singleTransmit, QStringList({"show 1"}));
    EXPECT_EQ(run.lastResults()[0][ResultCells::StartTime], "");
    EXPECT_NE(run.lastResults()[1][ResultCells::EndTime], "");
    EXPECT_EQ(log.lines(), QStringList({"Start single testing", "compareID=-1",
                                        "Testing-all-items is terminated automatically!"}));
}

TEST_F(RunControllerTest, TheRunsTraceGoesThroughTheDriverItWasGiven) {
    SetTable({{}});
    ZarvoPort = 1;
    RunController traced(view, reports.path() + "/Reports", TracingDriver::binding());
    traced.testAllItems(false);
    WaitForSetUp(1);
    traced.stop();
    EXPECT_EQ(TracingDriver::tracedPorts, std::vector<uint8_t>({1}));
    EXPECT_EQ(TracingDriver::sink, nullptr); // stopped through the same driver
    ASSERT_FALSE(traced.lastTracePath().isEmpty());
    QFile trace(traced.lastTracePath());
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    EXPECT_TRUE(trace.readAll().contains("fake 7E0#")) << qPrintable(traced.lastTracePath());
    // The fake itself cannot trace: a run through it leaves no trace.
    run.testAllItems(false);
    run.stop();
    EXPECT_TRUE(run.lastTracePath().isEmpty());
}

TEST_F(RunControllerTest, ReceiveThreadShowsThePortStatusAndEmptiesTheQueue) {
    SetTable({{}});
    fake.setPortStatus(0, 5);
    for (int i = 0; i < 3; ++i)
        fake.pushRxFrame(0, {});
    run.testAllItems(false);
    ASSERT_TRUE(view.serveUntil([&] { return view.lamps.size() >= 1; }));
    EXPECT_EQ(view.lamps.back(), LampColour::Red);
    EXPECT_EQ(view.searchAgain.value_or(""), "Search CAN devices again! ( 5 )");
    ASSERT_TRUE(view.serveUntil([&] { return fake.calls("Zarvo_ReadFrame").size() == 3; }));

    fake.setPortStatus(0, 0);
    ASSERT_TRUE(view.serveUntil([&] { return view.lamps.back() == LampColour::Green; }));
    EXPECT_FALSE(view.searchAgain.has_value());
    run.stop();
    EXPECT_EQ(view.lamps.back(), LampColour::Blue);
}

} // namespace
