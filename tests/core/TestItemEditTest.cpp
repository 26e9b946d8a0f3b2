// The table operations of the editor and the texts its grid shows.

#include "TestItemEdit.h"

#include "CoreTestSupport.h"
#include "Phrases.h"

#include <vector>

namespace {

class TestItemEditTest : public TableTest {
protected:
    type_CustomerCMD& t = table;

    // Appends one item per identifier; its name is "I<identifier>".
    void add(std::initializer_list<uint32_t> ids) {
        for (const uint32_t id : ids) {
            TestItemValues item;
            item.TxCANID = id;
            item.TxLoopTerminal = static_cast<int32_t>(id);
            item.Description1 = QStringLiteral("I%1").arg(id, 0, 16);
            ASSERT_TRUE(AppendItem(t, item));
        }
    }
    std::vector<uint32_t> ids() const { return column(t.TxCANID); }
    std::vector<uint32_t> groups() const { return column(t.TxCANGroup); }
    std::vector<uint32_t> terminals() const { return column(t.TxLoopTerminal); }

    template <typename T> std::vector<uint32_t> column(const T (&values)[kMaxTestItems]) const {
        return std::vector<uint32_t>(values, values + t.CMD_Count);
    }
};

TEST_F(TestItemEditTest, AppendSharesTheGroupOfTheFirstItemWithTheSameIdentifier) {
    add({0x100, 0x200, 0x100});
    EXPECT_EQ(groups(), (std::vector<uint32_t>{0, 1, 0}));
    EXPECT_EQ(t.Group_Count, 2);
    EXPECT_EQ(t.CMD_Count, 3);
}

TEST_F(TestItemEditTest, AppendOnAFullTableChangesNothing) {
    for (uint32_t i = 0; i < kMaxTestItems; ++i)
        add({i});
    const QString last = t.Description1[kMaxTestItems - 1];
    EXPECT_FALSE(AppendItem(t, TestItemValues{}));
    EXPECT_EQ(t.CMD_Count, kMaxTestItems);
    EXPECT_EQ(t.Description1[kMaxTestItems - 1], last);
}

TEST_F(TestItemEditTest, ReplaceFollowsTheGroupRuleOfEdit) {
    struct Case {
        const char* name;
        std::initializer_list<uint32_t> before;
        int edited;
        uint32_t newId;
        std::vector<uint32_t> groups;
        int groupCount;
    };
    const Case cases[] = {
        // A lone identifier gets a new number; its old one stays unused.
        {"lone, unchanged", {0x100, 0x200}, 1, 0x200, {0, 2}, 3},
        {"the only item", {0x100}, 0, 0x555, {0}, 1},
        {"takes a later item's group", {0x100, 0x200, 0x300}, 0, 0x300, {2, 1, 2}, 3},
        {"joins an earlier group", {0x100, 0x200}, 1, 0x100, {0, 0}, 2},
    };
    for (const Case& c : cases) {
        t = type_CustomerCMD{};
        add(c.before);
        TestItemValues item = ItemValues(t, c.edited);
        item.TxCANID = c.newId;
        ReplaceItem(t, c.edited, item);
        EXPECT_EQ(groups(), c.groups) << c.name;
        EXPECT_EQ(t.Group_Count, c.groupCount) << c.name;
        EXPECT_EQ(ItemValues(t, c.edited), item) << c.name;
    }
}

TEST_F(TestItemEditTest, DeleteRenumbersGroupsOnlyWhenAGroupBecameEmpty) {
    struct Case {
        const char* name;
        std::initializer_list<uint32_t> before;
        int deleted;
        std::vector<uint32_t> ids;
        std::vector<uint32_t> groups;
        int groupCount;
    };
    const Case cases[] = {
        {"middle of three", {0x1, 0x2, 0x3}, 1, {0x1, 0x3}, {0, 1}, 2},
        {"shared identifier", {0x1, 0x2, 0x1}, 2, {0x1, 0x2}, {0, 1}, 2},
        {"first of a shared group", {0x1, 0x2, 0x1}, 0, {0x2, 0x1}, {1, 0}, 2},
        {"last", {0x1, 0x2}, 1, {0x1}, {0}, 1},
        {"the only item", {0x1}, 0, {}, {}, 0},
    };
    for (const Case& c : cases) {
        t = type_CustomerCMD{};
        add(c.before);
        DeleteItem(t, c.deleted);
        EXPECT_EQ(ids(), c.ids) << c.name;
        EXPECT_EQ(groups(), c.groups) << c.name;
        EXPECT_EQ(t.Group_Count, c.groupCount) << c.name;
        // Every field moves with its item.
        EXPECT_EQ(terminals(), c.ids) << c.name;
    }
}

TEST_F(TestItemEditTest, AddAfterDeletingEverythingStartsAtGroupZero) {
    add({0x1, 0x2});
    TestItemValues lone = ItemValues(t, 1);
    ReplaceItem(t, 1, lone); // group 2, number 1 left unused
    DeleteItem(t, 1);
    DeleteItem(t, 0);
    add({0x7});
    EXPECT_EQ(groups(), std::vector<uint32_t>{0});
    EXPECT_EQ(t.Group_Count, 1);
}

TEST_F(TestItemEditTest, SwapKeepsEveryFieldAndGroupWithItsItem) {
    add({0xA, 0xB});
    const TestItemValues a = ItemValues(t, 0);
    const TestItemValues b = ItemValues(t, 1);
    SwapItems(t, 0, 1);
    EXPECT_EQ(ItemValues(t, 0), b);
    EXPECT_EQ(ItemValues(t, 1), a);
    EXPECT_EQ(groups(), (std::vector<uint32_t>{1, 0}));
    EXPECT_EQ(t.Group_Count, 2);
}

TEST_F(TestItemEditTest, EditsThatOutnumberTheGroupsReuseAFreeNumber) {
    add({0x1, 0x2});
    for (int edit = 0; edit < 300; ++edit)
        ReplaceItem(t, edit % 2, ItemValues(t, edit % 2));
    EXPECT_LT(t.TxCANGroup[0], 255);
    EXPECT_LT(t.TxCANGroup[1], 255);
    EXPECT_NE(t.TxCANGroup[0], t.TxCANGroup[1]);
}

TEST(TestItemCellsTest, TextsFollowFormatAndWildcards) {
    SetLanguage(0);
    struct Case {
        const char* name;
        TestItemValues item;
        std::vector<std::pair<int, const char*>> cells;
    };
    TestItemValues base;
    base.Description1 = QStringLiteral("Speed");
    base.TxCANData = {5, 0xFF, 0, 0, 0, 0, 0, 0x10};
    base.TxLoopInterval = -5;
    TestItemValues narrow = base;
    narrow.TxCANID = 0x7FF;
    TestItemValues wide = base;
    wide.TxCANID = 0x123;
    wide.TxCANMode = 1;
    wide.TxCANRTR = 1;
    wide.Comp_CANID = 0x18FF0001;
    wide.Comp_CANMode = 1;
    wide.Comp_CANRTR = 0;
    wide.Comp_CANLen = 8;
    wide.Comp_CANData[1] = 0xA;
    TestItemValues overlong = base;
    overlong.TxCANID = 0x1234;
    overlong.Comp_CANID = 0x581;
    overlong.Comp_CANMode = 0;
    const Case cases[] = {
        {"11-bit",
         narrow,
         {{ENUM_TestItemName, "Speed"},
          {ENUM_TxCANID, "0x7FF"},
          {ENUM_TxCANMode, "No"},
          {ENUM_TxCANRTR, "No"},
          {ENUM_TxCAND0, "0x05"},
          {ENUM_TxCAND0 + 1, "0xFF"},
          {ENUM_TxCAND0 + 7, "0x10"},
          {ENUM_LoopInterval, "-5"},
          {ENUM_Comp_ID, "N/A"},
          {ENUM_Comp_Mode, "N/A"},
          {ENUM_Comp_Len, "N/A"},
          {ENUM_Comp_D0, "N/A"}}},
        {"29-bit",
         wide,
         {{ENUM_TxCANID, "0x00000123"},
          {ENUM_TxCANMode, "Yes"},
          {ENUM_TxCANRTR, "Yes"},
          {ENUM_Comp_ID, "0x18FF0001"},
          {ENUM_Comp_Mode, "Yes"},
          {ENUM_Comp_RTR, "No"},
          {ENUM_Comp_Len, "8"},
          {ENUM_Comp_D0 + 1, "0x0A"}}},
        {"never cut", overlong, {{ENUM_TxCANID, "0x1234"}, {ENUM_Comp_ID, "0x581"}}},
    };
    for (const Case& c : cases) {
        const QStringList cells = ItemCellTexts(c.item);
        ASSERT_EQ(cells.size(), kTestItemColumns) << c.name;
        for (const auto& [column, text] : c.cells)
            EXPECT_EQ(cells[column], QString::fromLatin1(text)) << c.name << " column " << column;
    }
    SetLanguage(1);
    EXPECT_EQ(ItemCellTexts(narrow)[ENUM_Comp_ID], QStringLiteral("无"));
    EXPECT_EQ(TestItemHeaders()[ENUM_TxCANID], QStringLiteral("发送ID"));
    SetLanguage(0);
    EXPECT_EQ(TestItemHeaders()[ENUM_Comp_D0 + 7], QStringLiteral("Comp.D7"));
    EXPECT_EQ(TestItemHeaders()[ENUM_LoopTerminal], QStringLiteral("Next Time(ms) "));
}

} // namespace
