// The driver's six callbacks, called directly: which item each notification
// stamps or judges, and the verdicts of the compare.

#include "FakeZarvo.h"
#include "LogCapture.h"
#include "RunCallbacks.h"
#include "RunTestSupport.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr uint8_t kStart = 0;
constexpr uint8_t kEnd = 1;

void Tx(ZarvoTxCallback callback, uint8_t group, uint8_t state) {
    callback(0, group, &state);
}

struct Frame {
    uint32_t id = 0x181;
    uint8_t mode = 0, rtr = 0, len = 8;
    std::array<uint8_t, 8> data{};
};

void Rx(ZarvoRxCallback callback, uint8_t group, Frame f) {
    callback(0, group, f.id, f.mode, f.rtr, f.len, f.data.data());
}

constexpr int32_t W = kCompareWildcard;

class CallbacksTest : public ::testing::Test {
protected:
    void SetUp() override {
        ZarvoPort = 3;
        SingleTestRow = 0;
        UseDriverInCallbacks(FakeZarvo::binding());
    }
    void TearDown() override { UseDriverInCallbacks(builtinZarvoBinding()); }
    // Rows whose Start Time (or End Time) cell is filled.
    static std::vector<int> Stamped(int column) {
        std::vector<int> rows;
        for (int row = 1; row < Global_ResultCells().rowCount(); ++row)
            if (!Cell(column, row).isEmpty())
                rows.push_back(row);
        return rows;
    }
    FakeZarvo fake;
};

TEST_F(CallbacksTest, AllItemsStampsStartAndEndInTableOrderAndNamesTheResponse) {
    SetTable({{.compId = 0x181}, {.compId = 0x182}, {.compId = kCompareWildcard}});
    Tx(TxCallback_AllItems, 0, kStart);
    EXPECT_EQ(Stamped(ResultCells::StartTime), std::vector<int>({1}));
    EXPECT_EQ(Cell(ResultCells::Result, 1), "--");
    Tx(TxCallback_AllItems, 0, kEnd);
    Tx(TxCallback_AllItems, 0, kStart);
    Tx(TxCallback_AllItems, 0, kStart);
    EXPECT_EQ(Stamped(ResultCells::StartTime), std::vector<int>({1, 2, 3}));
    EXPECT_EQ(Stamped(ResultCells::EndTime), std::vector<int>({1}));
    Tx(TxCallback_AllItems, 0, 7); // neither start nor end
    EXPECT_EQ(Stamped(ResultCells::EndTime), std::vector<int>({1}));

    const std::vector<FakeZarvoCall> named = fake.calls("Zarvo_SetResponseID");
    ASSERT_EQ(named.size(), 3u);
    for (size_t i = 0; i < named.size(); ++i) {
        EXPECT_EQ(named[i].port, 3u);
        EXPECT_EQ(named[i].value, Global_CustomerCMD.Comp_CANID[i]);
    }
    // A fourth start finds no unstarted item: no driver call.
    Tx(TxCallback_AllItems, 0, kStart);
    EXPECT_EQ(fake.calls("Zarvo_SetResponseID").size(), 3u);
}

TEST_F(CallbacksTest, GroupCallbacksConsiderOnlyTheNotifiedGroup) {
    SetTable({{.group = 0}, {.group = 1}, {.group = 2}, {.group = 2}});
    Tx(TxCallback_Group, 2, kStart);
    EXPECT_EQ(Stamped(ResultCells::StartTime), std::vector<int>({3}));
    Tx(TxCallback_Group, 2, kStart); // the item has a start time: the next one of the group
    EXPECT_EQ(Stamped(ResultCells::StartTime), std::vector<int>({3, 4}));
    Tx(TxCallback_Group, 2, kEnd);
    EXPECT_EQ(Stamped(ResultCells::EndTime), std::vector<int>({3}));
    EXPECT_EQ(fake.calls("Zarvo_SetResponseID").back().group, 2);
}

TEST_F(CallbacksTest, SingleCallbacksConsiderOnlyTheRowUnderTest) {
    SetTable({{}, {}, {}});
    SingleTestRow = 2;
    Tx(TxCallback_Single, 0, kStart);
    Tx(TxCallback_Single, 0, kStart); // already started: nothing to stamp
    Tx(TxCallback_Single, 0, kEnd);
    EXPECT_EQ(Stamped(ResultCells::StartTime), std::vector<int>({2}));
    EXPECT_EQ(Stamped(ResultCells::EndTime), std::vector<int>({2}));
    EXPECT_EQ(fake.calls("Zarvo_SetResponseID").size(), 1u);
}

struct CompareCase {
    const char* name;
    TestItem item;
    int32_t compMode, compRtr, compLen;
    Frame response;
    const char* result;
    const char* remarks;
};

class CompareTest : public CallbacksTest, public ::testing::WithParamInterface<CompareCase> {};

TEST_P(CompareTest, WritesTheMismatchCodeAndTheDifferingFields) {
    const CompareCase& c = GetParam();
    SetTable({c.item});
    Global_CustomerCMD.Comp_CANMode[0] = c.compMode;
    Global_CustomerCMD.Comp_CANRTR[0] = c.compRtr;
    Global_CustomerCMD.Comp_CANLen[0] = c.compLen;
    Global_ResultCells().setCell(ResultCells::Remarks, 1, "earlier");
    Rx(RxCallback_AllItems, 0, c.response);
    EXPECT_EQ(Cell(ResultCells::Result, 1), c.result);
    EXPECT_EQ(Cell(ResultCells::Remarks, 1), c.remarks);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompareTest,
    ::testing::Values(
        CompareCase{"NothingCompared", {}, W, W, W, {}, "--", "earlier"},
        CompareCase{"AllMatch",
                    {.compId = 0x181, .compData = {0x10, 0x20}},
                    0,
                    0,
                    8,
                    {.data = {0x10, 0x20}},
                    "0",
                    ""},
        CompareCase{"IdAndBytes2And8",
                    {.compId = 0x181, .compData = {1, 2, 3, 4, 5, 6, 7, 8}},
                    W,
                    W,
                    W,
                    {.id = 0x182, .data = {1, 9, 3, 4, 5, 6, 7, 9}},
                    "2081",
                    "ID, D2, D8"},
        CompareCase{"FirstByte",
                    {.compId = 0x181, .compData = {0x10}},
                    W,
                    W,
                    8,
                    {.data = {0x11}},
                    "16",
                    "D1"},
        CompareCase{
            "ModeRtrLen", {}, 1, 1, 2, {.mode = 0, .rtr = 0, .len = 8}, "14", "Mode, RTR, Len"},
        // The identifier is compared on all 32 bits, never masked.
        CompareCase{
            "IdTopBits", {.compId = static_cast<int32_t>(0x80000181)}, W, W, W, {}, "1", "ID"},
        // A received 8-bit value never equals an expectation above 255.
        CompareCase{"LenAbove255", {}, W, W, 0x108, {.len = 8}, "8", "Len"},
        // Every expected byte is compared, also beyond the received length.
        CompareCase{"BeyondLength",
                    {.compData = {W, W, W, W, W, W, W, 0x55}},
                    W,
                    W,
                    W,
                    {.len = 2},
                    "2048",
                    "D8"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(CallbacksTest, ALateResponseIsJudgedAgainstTheNextUnfinishedItem) {
    SetTable({{.compData = {1}}, {.compData = {2}}});
    Global_ResultCells().setCell(ResultCells::EndTime, 1, "12:00:00.000");
    Rx(RxCallback_AllItems, 0, {.data = {1}});
    EXPECT_EQ(Cell(ResultCells::Result, 1), "");
    EXPECT_EQ(Cell(ResultCells::Result, 2), "16");

    Global_ResultCells().setCell(ResultCells::EndTime, 2, "12:00:00.001");
    Rx(RxCallback_AllItems, 0, {.data = {1}}); // every item finished: nobody to judge
    EXPECT_EQ(Cell(ResultCells::Result, 2), "16");
}

TEST_F(CallbacksTest, GroupAndSingleResponsesGoToTheirOwnItems) {
    SetTable({{.group = 0, .compData = {1}}, {.group = 1, .compData = {1}}});
    Rx(RxCallback_Group, 1, {.data = {1}});
    EXPECT_EQ(Cell(ResultCells::Result, 1), "");
    EXPECT_EQ(Cell(ResultCells::Result, 2), "0");

    // The single item is judged even after its end time.
    SingleTestRow = 1;
    Global_ResultCells().setCell(ResultCells::EndTime, 1, "12:00:00.000");
    Rx(RxCallback_Single, 0, {.data = {2}});
    EXPECT_EQ(Cell(ResultCells::Result, 1), "16");
}

TEST_F(CallbacksTest, AGridShorterThanTheTableIsLoggedNotThrown) {
    const LogCapture log;
    SetTable({{.compData = {1}}, {.compData = {1}}});
    Global_ResultCells().setRowCount(2); // row 2 is missing
    SingleTestRow = 2;
    EXPECT_NO_THROW(Tx(TxCallback_Single, 0, kStart));
    EXPECT_NO_THROW(Tx(TxCallback_Single, 0, kEnd));
    EXPECT_NO_THROW(Rx(RxCallback_Single, 0, {}));
    EXPECT_EQ(Global_ResultCells().rowCount(), 2);
    EXPECT_EQ(log.lines(),
              QStringList({"TThread_TxCAN::UpdateStartTime() Error!",
                           "TThread_TxCAN::UpdateEndTime() Error!", "_SingleIndex=2)",
                           "GRxData1=0, GRxData2=0, GRxData3=0, GRxData4=0, "
                           "GRxData5=0, GRxData6=0, GRxData7=0, GRxData8=0",
                           "Thread_RxCAN(IsNeedCompare = 1) Error! RowCount(2) [4][2]"}));
}

TEST_F(CallbacksTest, EachNotificationWritesItsLogLines) {
    const LogCapture log;
    SetTable({{.group = 0, .compId = 0x181, .compData = {0x10, W, 0x30}},
              {.group = 1, .compId = kCompareWildcard}});
    Global_CustomerCMD.Comp_CANMode[0] = 0;
    Global_CustomerCMD.Comp_CANLen[0] = 8;
    const QString data = QStringLiteral("GRxData1=16, GRxData2=2, GRxData3=49, GRxData4=0, "
                                        "GRxData5=0, GRxData6=0, GRxData7=0, GRxData8=0");
    const Frame response{.id = 0x182, .mode = 1, .len = 8, .data = {0x10, 2, 0x31}};
    const struct {
        std::function<void()> notify;
        QStringList lines;
    } cases[] = {
        {[] { Tx(TxCallback_AllItems, 0, kStart); }, {"compareID=385"}},
        {[] { Tx(TxCallback_Group, 1, kStart); }, {}}, // the group callback names no response
        {[&] { Rx(RxCallback_AllItems, 3, response); },
         {"Msg Group ID = 3", "GRxID(386)", "GRxMode(1)", "GRxLen(8)", data, data}},
        {[&] { Rx(RxCallback_Group, 1, response); }, {"Msg Group ID = 1"}},
        {[&] {
             SingleTestRow = 1;
             Rx(RxCallback_Single, 0, response);
         },
         {"_SingleIndex=1)", "GRxID(386)", "GRxMode(1)", "GRxLen(8)", data, data}},
        {[] { Tx(TxCallback_Single, 0, kEnd); }, {}},
    };
    QStringList expected;
    for (const auto& c : cases) {
        c.notify();
        expected << c.lines;
        EXPECT_EQ(log.lines(), expected);
    }
    EXPECT_EQ(Cell(ResultCells::Result, 1), "67"); // 1 + 2 + (16 << 2)
    EXPECT_EQ(Cell(ResultCells::Remarks, 1), "ID, Mode, D3");
}

} // namespace
