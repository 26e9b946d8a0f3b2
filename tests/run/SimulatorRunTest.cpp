// Whole runs of the demo configuration on a simulator port of Kestrel's own
// driver, whose default device answers a data frame on identifier + 8 with
// byte 0 + 0x40 and the other bytes copied.

#include "AppPaths.h"
#include "CandumpLog.h"
#include "ConfigFile.h"
#include "Phrases.h"
#include "RunController.h"
#include "RunTestSupport.h"
#include "SimulatorPort.h"

#include <QDir>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

namespace {

class SimulatorRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetProgramFolderForTesting(dir.path()); // no SimDevice.ini: the default device
        CurrentConfigFile = QStringLiteral(KESTREL_EXAMPLES_DIR "/demo.ini");
        ASSERT_EQ(ReadTestConfig(CurrentConfigFile).status, 0);
        FillResultRows(Global_ResultCells());
        const std::optional<uint8_t> port = FirstSimulatorPort();
        ASSERT_TRUE(port.has_value());
        ZarvoPort = *port;
        ZarvoBaudRate = 1000000;
    }

    // Serves the run and fires its timers as the main window's would, until it ends.
    void RunToEnd() {
        ASSERT_TRUE(view.serveUntil([this] {
            if (view.timer(RunTimer::TestAllItems))
                run.testAllItemsTimer();
            else if (view.timer(RunTimer::TestSingleItem))
                run.testSingleItemTimer();
            return !run.isRunning();
        }));
    }

    static QStringList Column(const std::vector<ResultCells::Row>& rows, int column) {
        QStringList texts;
        for (size_t row = 1; row < rows.size(); ++row)
            texts << rows[row][column];
        return texts;
    }

    QTemporaryDir dir;
    TestRunView view;
    RunController run{view, dir.filePath("Reports")};
};

TEST_F(SimulatorRunTest, DemoEndsByItselfWithItsVerdictsThenClears) {
    for (bool groupSend : {false, true}) {
        view.boxes.shown.clear();
        run.testAllItems(groupSend);
        RunToEnd();
        EXPECT_EQ(view.boxes.texts("inform"), QStringList({Phrase(PhraseId::RunComplete)}));
        const std::vector<ResultCells::Row>& seen = view.boxes.rowsAtInform;
        EXPECT_EQ(Column(seen, ResultCells::Result), QStringList({"0", "0", "0", "--", "24", "0"}));
        EXPECT_EQ(Column(seen, ResultCells::Remarks), QStringList({"", "", "", "", "Len, D1", ""}));
        EXPECT_FALSE(Column(seen, ResultCells::EndTime).contains(""));
        EXPECT_EQ(Column(Global_ResultCells().snapshot(), ResultCells::Result),
                  QStringList({"", "", "", "", "", ""}));
        EXPECT_EQ(view.controls.back(), RunControls::EndedByItself);
        EXPECT_EQ(view.lamps.back(), LampColour::Blue);
        EXPECT_TRUE(view.lamps.size() >= 2 &&
                    view.lamps[view.lamps.size() - 2] == LampColour::Green);
    }
}

TEST_F(SimulatorRunTest, RunsOfEveryKindInARowOnTheOpenPortJudgeTheirOwnItems) {
    const auto single = [this] {
        run.testSelectedItem(3);
        RunToEnd();
        EXPECT_EQ(view.boxes.rowsAtInform.at(3)[ResultCells::Result], "0");
    };
    single();
    for (bool groupSend : {false, true}) {
        run.testAllItems(groupSend);
        RunToEnd();
        EXPECT_EQ(Column(view.boxes.rowsAtInform, ResultCells::Result),
                  QStringList({"0", "0", "0", "--", "24", "0"}))
            << (groupSend ? "group mode" : "all items");
    }
    single();
}

TEST_F(SimulatorRunTest, StopEndsAnItemRepeatedUntilStopped) {
    Global_CustomerCMD.TxLoopTimes[0] = 0;
    run.testSelectedItem(1);
    EXPECT_EQ(view.singleTransmit, QStringList({"show 0"}));
    ASSERT_TRUE(view.serveUntil([] { return Cell(ResultCells::Result, 1) == "0"; }));
    run.testSingleItemTimer(); // no end time: the run goes on
    EXPECT_TRUE(run.isRunning());
    run.stop();
    EXPECT_FALSE(run.isRunning());
    EXPECT_EQ(view.singleTransmit, QStringList({"show 0", "hide"}));
    EXPECT_EQ(view.controls.back(), RunControls::Stopped);
    EXPECT_EQ(run.lastResults()[0][ResultCells::Result], "0");
    EXPECT_EQ(run.lastResults()[0][ResultCells::EndTime], "");
    EXPECT_EQ(Cell(ResultCells::StartTime, 1), "");
}

// The frames item `item` puts on the bus: TxLoopTimes copies of its frame.
std::vector<CanFrame> ItemFrames(int item) {
    const type_CustomerCMD& t = Global_CustomerCMD;
    CanFrame f;
    f.id = t.TxCANID[item];
    f.extended = t.TxCANMode[item] == 1;
    f.len = t.TxCANLen[item];
    std::copy_n(t.TxCANData[item], f.len, f.data.begin());
    return std::vector<CanFrame>(static_cast<size_t>(t.TxLoopTimes[item]), f);
}

TEST_F(SimulatorRunTest, EveryRunLeavesItsBusTraceBesideItsReport) {
    run.testAllItems(false);
    RunToEnd();
    ASSERT_FALSE(run.lastReportPath().isEmpty());
    EXPECT_EQ(run.lastTracePath(), TracePathFor(run.lastReportPath()));
    EXPECT_EQ(QDir(dir.filePath("Reports")).entryList(QDir::Files | QDir::Hidden).size(), 2);

    std::ifstream file(run.lastTracePath().toStdString());
    std::vector<CandumpRecord> records;
    std::string error;
    ASSERT_TRUE(readCandumpLog(file, records, error)) << error;
    // Apart from the device's broadcasts (0x3E8, 0x3E9), every item frame the
    // port sent is followed by the device's answer on identifier + 8.
    std::vector<CanFrame> sent;
    std::vector<CanFrame> answered;
    for (size_t i = 0; i < records.size(); ++i) {
        if (i > 0) {
            EXPECT_LE(records[i - 1].timeUs, records[i].timeUs) << "line " << i + 1;
        }
        const CandumpRecord& r = records[i];
        EXPECT_EQ(r.interfaceName, "simulator" + std::to_string(ZarvoPort));
        if (r.frame.id == 0x3E8 || r.frame.id == 0x3E9)
            continue;
        (r.direction == 'T' ? sent : answered).push_back(r.frame);
        EXPECT_EQ(sent.size(), answered.size() + (r.direction == 'T' ? 1 : 0)) << "line " << i + 1;
    }
    std::vector<CanFrame> items;
    for (int item = 0; item < Global_CustomerCMD.CMD_Count; ++item)
        for (const CanFrame& f : ItemFrames(item))
            items.push_back(f);
    EXPECT_EQ(sent, items);
    ASSERT_EQ(answered.size(), sent.size());
    for (size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(answered[i].id, sent[i].id + 8);
        EXPECT_EQ(answered[i].data[0], static_cast<uint8_t>(sent[i].data[0] + 0x40));
    }
}

} // namespace
