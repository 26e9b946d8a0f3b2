#pragma once
// The editing operations on a test item table: append, replace, delete and
// swap items while keeping their transmit groups, and the texts the editor's
// grid shows for an item. They take no widget, so every window that edits a
// table shares them. UI thread only (they change the table in place).

#include "Globals.h"

#include <QStringList>
#include <array>

// One item's values as the test item dialog gives them; the group is set by
// the operations.
struct TestItemValues {
    QString Description1;
    QString Description2;
    uint32_t TxCANID = 0;
    uint8_t TxCANMode = 0;
    uint8_t TxCANRTR = 0;
    uint8_t TxCANLen = 0;
    std::array<uint8_t, kCanDataBytes> TxCANData{};
    int32_t TxLoopInterval = 0;
    int32_t TxLoopTimes = 0;
    int32_t TxLoopTerminal = 0;
    int32_t Comp_CANID = kCompareWildcard;
    int32_t Comp_CANMode = kCompareWildcard;
    int32_t Comp_CANRTR = kCompareWildcard;
    int32_t Comp_CANLen = kCompareWildcard;
    std::array<int32_t, kCanDataBytes> Comp_CANData{
        kCompareWildcard, kCompareWildcard, kCompareWildcard, kCompareWildcard,
        kCompareWildcard, kCompareWildcard, kCompareWildcard, kCompareWildcard};

    bool operator==(const TestItemValues&) const = default;
};

// The columns of the editor's grid, in order.
enum TestItemColumn {
    ENUM_TestItemName,
    ENUM_ItemDescription,
    ENUM_TxCANID,
    ENUM_TxCANMode,
    ENUM_TxCANRTR,
    ENUM_TxCANLen,
    ENUM_TxCAND0,
    ENUM_LoopInterval = ENUM_TxCAND0 + kCanDataBytes,
    ENUM_LoopTotalTime,
    ENUM_LoopTerminal,
    ENUM_Comp_ID,
    ENUM_Comp_Mode,
    ENUM_Comp_RTR,
    ENUM_Comp_Len,
    ENUM_Comp_D0,
    kTestItemColumns = ENUM_Comp_D0 + kCanDataBytes
};

TestItemValues ItemValues(const type_CustomerCMD& table, int n);

// The 29 cell texts of an item, in the current language ("N/A" for a field
// that is not compared).
QStringList ItemCellTexts(const TestItemValues& item);

// Adds the item at the end with the group of the first item of the same
// TxCANID, else a new group. False, with nothing changed, on a full table.
bool AppendItem(type_CustomerCMD& table, const TestItemValues& item);

// Replaces item n. Its group becomes that of the first other item of the same
// TxCANID, else a new number; the old number is not released, so the other
// items keep theirs. A table of one item keeps group 0.
void ReplaceItem(type_CustomerCMD& table, int n, const TestItemValues& item);

// Removes item n; the items after it move up. When no item is left in its
// group, the higher groups are renumbered one down.
void DeleteItem(type_CustomerCMD& table, int n);

// Exchanges items a and b, groups included.
void SwapItems(type_CustomerCMD& table, int a, int b);

// The lowest group number used by none of items 0 to count - 1 (item `except`
// left out).
uint8_t LowestUnusedGroup(const type_CustomerCMD& table, int count, int except = -1);

// The header texts of the editor's grid, in the current language.
QStringList TestItemHeaders();
