#include "ConfigFile.h"
#include "CoreTestSupport.h"

#include <vector>

namespace {

using AssignGroupTest = TableTest;

// Assigns groups to items with these identifiers, one after the other, as the
// loader and the editor's Add do.
std::vector<int> AssignAll(type_CustomerCMD& table, const std::vector<uint32_t>& ids) {
    std::vector<int> groups;
    for (int n = 0; n < static_cast<int>(ids.size()); ++n) {
        table.TxCANID[n] = ids[n];
        AssignGroup(n);
        groups.push_back(table.TxCANGroup[n]);
    }
    return groups;
}

TEST_F(AssignGroupTest, ItemsWithTheSameIdentifierShareAGroupNumberedByFirstOccurrence) {
    EXPECT_EQ(AssignAll(table, {0x100, 0x200, 0x100}), (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(table.Group_Count, 2);
    EXPECT_EQ(AssignAll(table, {0x300, 0x300, 0x7FF, 0x1, 0x7FF}),
              (std::vector<int>{0, 0, 1, 2, 1}));
    EXPECT_EQ(table.Group_Count, 3);
}

TEST_F(AssignGroupTest, FormatPlaysNoPart) {
    table.TxCANID[0] = 0x123;
    table.TxCANMode[0] = 0;
    AssignGroup(0);
    table.TxCANID[1] = 0x123;
    table.TxCANMode[1] = 1;
    AssignGroup(1);
    EXPECT_EQ(table.TxCANGroup[1], 0);
    EXPECT_EQ(table.Group_Count, 1);
}

TEST_F(AssignGroupTest, NewIdentifierAfterExplicitGapsTakesTheNextNumber) {
    table.TxCANID[0] = 0x10;
    table.TxCANGroup[0] = 4;
    table.Group_Count = 5;
    table.TxCANID[1] = 0x20;
    AssignGroup(1);
    EXPECT_EQ(table.TxCANGroup[1], 5);
    EXPECT_EQ(table.Group_Count, 6);
}

TEST_F(AssignGroupTest, NoNumberAboveTheHighestGroupLeftTakesTheLowestUnused) {
    table.TxCANID[0] = 0x10;
    table.TxCANGroup[0] = 0;
    table.TxCANID[1] = 0x11;
    table.TxCANGroup[1] = 254;
    table.Group_Count = 255;
    table.TxCANID[2] = 0x12;
    AssignGroup(2);
    EXPECT_EQ(table.TxCANGroup[2], 1);
    EXPECT_EQ(table.Group_Count, 255);
}

} // namespace
