#include "TestItemEdit.h"

#include "Convert.h"
#include "Phrases.h"

#include <algorithm>
#include <utility>

namespace {

// 255 asks for a group in the file: Group_Count cannot count past it.
constexpr int kGroupLimit = 255;

// Hands every field of item n and the same field of the values to `pass`,
// table side first; the group is not a value.
template <typename Table, typename Values, typename Pass>
void EachField(Table& t, int n, Values& v, Pass pass) {
    pass(t.Description1[n], v.Description1);
    pass(t.Description2[n], v.Description2);
    pass(t.TxCANID[n], v.TxCANID);
    pass(t.TxCANMode[n], v.TxCANMode);
    pass(t.TxCANRTR[n], v.TxCANRTR);
    pass(t.TxCANLen[n], v.TxCANLen);
    pass(t.TxLoopInterval[n], v.TxLoopInterval);
    pass(t.TxLoopTimes[n], v.TxLoopTimes);
    pass(t.TxLoopTerminal[n], v.TxLoopTerminal);
    pass(t.Comp_CANID[n], v.Comp_CANID);
    pass(t.Comp_CANMode[n], v.Comp_CANMode);
    pass(t.Comp_CANRTR[n], v.Comp_CANRTR);
    pass(t.Comp_CANLen[n], v.Comp_CANLen);
    for (int k = 0; k < kCanDataBytes; ++k) {
        pass(t.TxCANData[n][k], v.TxCANData[k]);
        pass(t.Comp_CANData[n][k], v.Comp_CANData[k]);
    }
}

void StoreItem(type_CustomerCMD& t, int n, const TestItemValues& v) {
    EachField(t, n, v, [](auto& field, const auto& value) { field = value; });
}

// The group of the first item among 0 to count - 1 (other than n) with item
// n's TxCANID, else the next number, else the lowest free one.
uint8_t SharedOrNewGroup(type_CustomerCMD& t, int n, int count) {
    for (int j = 0; j < count; ++j) {
        if (j != n && t.TxCANID[j] == t.TxCANID[n])
            return t.TxCANGroup[j];
    }
    if (t.Group_Count < kGroupLimit)
        return t.Group_Count++;
    return LowestUnusedGroup(t, count, n);
}

QString YesNo(int value) {
    return value == 1 ? QStringLiteral("Yes") : QStringLiteral("No");
}

// A compared value's text, or "N/A" when the field is not compared.
template <typename Text> QString Compared(int32_t value, Text text) {
    return value == kCompareWildcard ? Phrase(PhraseId::NotCompared) : text(value);
}

int IdDigits(int mode) {
    return mode == 1 ? 8 : 3;
}

} // namespace

TestItemValues ItemValues(const type_CustomerCMD& t, int n) {
    TestItemValues v;
    EachField(t, n, v, [](const auto& field, auto& value) { value = field; });
    return v;
}

QStringList ItemCellTexts(const TestItemValues& v) {
    QStringList cells{
        v.Description1,     v.Description2,    HexText(v.TxCANID, IdDigits(v.TxCANMode)),
        YesNo(v.TxCANMode), YesNo(v.TxCANRTR), QString::number(v.TxCANLen)};
    for (const uint8_t byte : v.TxCANData)
        cells << HexText(byte, 2);
    cells << QString::number(v.TxLoopInterval) << QString::number(v.TxLoopTimes)
          << QString::number(v.TxLoopTerminal);
    const int compDigits = IdDigits(v.Comp_CANMode);
    cells << Compared(v.Comp_CANID,
                      [compDigits](int32_t id) {
                          return HexText(static_cast<uint32_t>(id), compDigits);
                      })
          << Compared(v.Comp_CANMode, YesNo) << Compared(v.Comp_CANRTR, YesNo)
          << Compared(v.Comp_CANLen, [](int32_t len) { return QString::number(len); });
    for (const int32_t byte : v.Comp_CANData)
        cells << Compared(byte, [](int32_t b) { return HexText(static_cast<uint32_t>(b), 2); });
    return cells;
}

bool AppendItem(type_CustomerCMD& t, const TestItemValues& item) {
    const int n = t.CMD_Count;
    if (n >= kMaxTestItems)
        return false;
    if (n == 0)
        t.Group_Count = 0; // an empty table has no groups
    StoreItem(t, n, item);
    t.TxCANGroup[n] = SharedOrNewGroup(t, n, n);
    t.CMD_Count = static_cast<uint16_t>(n + 1);
    return true;
}

void ReplaceItem(type_CustomerCMD& t, int n, const TestItemValues& item) {
    StoreItem(t, n, item);
    t.TxCANGroup[n] = t.CMD_Count == 1 ? 0 : SharedOrNewGroup(t, n, t.CMD_Count);
}

void DeleteItem(type_CustomerCMD& t, int n) {
    const uint8_t group = t.TxCANGroup[n];
    for (int j = n; j + 1 < t.CMD_Count; ++j)
        SwapItems(t, j, j + 1);
    t.CMD_Count = static_cast<uint16_t>(t.CMD_Count - 1);
    const int count = t.CMD_Count;
    if (std::find(t.TxCANGroup, t.TxCANGroup + count, group) == t.TxCANGroup + count) {
        for (int j = 0; j < count; ++j) {
            if (t.TxCANGroup[j] > group)
                --t.TxCANGroup[j];
        }
        t.Group_Count = static_cast<uint8_t>(t.Group_Count - 1);
    }
    if (count == 0)
        t.Group_Count = 0;
}

void SwapItems(type_CustomerCMD& t, int a, int b) {
    const TestItemValues first = ItemValues(t, a);
    StoreItem(t, a, ItemValues(t, b));
    StoreItem(t, b, first);
    std::swap(t.TxCANGroup[a], t.TxCANGroup[b]);
}

uint8_t LowestUnusedGroup(const type_CustomerCMD& t, int count, int except) {
    bool used[256] = {};
    for (int j = 0; j < count; ++j) {
        if (j != except)
            used[t.TxCANGroup[j]] = true;
    }
    int group = 0;
    while (used[group])
        ++group;
    return static_cast<uint8_t>(group);
}

QStringList TestItemHeaders() {
    const QString tx = Phrase(PhraseId::HeaderTransmit);
    const QString comp = Phrase(PhraseId::HeaderCompare);
    QStringList headers{Phrase(PhraseId::HeaderTestName), Phrase(PhraseId::HeaderTestParameter),
                        tx + QLatin1String("ID"),         tx + QLatin1String("Mode"),
                        tx + QLatin1String("RTR"),        tx + QLatin1String("Len")};
    for (int k = 0; k < kCanDataBytes; ++k)
        headers << tx + QStringLiteral("D%1").arg(k);
    headers << Phrase(PhraseId::HeaderItemInterval) << Phrase(PhraseId::HeaderTotalTime)
            << Phrase(PhraseId::HeaderNextTime) << comp + QLatin1String("ID")
            << comp + QLatin1String("Mode") << comp + QLatin1String("RTR")
            << comp + QLatin1String("Len");
    for (int k = 0; k < kCanDataBytes; ++k)
        headers << comp + QStringLiteral("D%1").arg(k);
    return headers;
}
