#pragma once
// The test item table and the other process-wide values shared by every part
// of Kestrel. Plain data in static storage, read and written directly.
//
// Threading: written only on the UI thread. The transmit thread reads the items
// when a run starts and the driver callbacks read the counts, groups and Comp_
// fields during a run; the run control keeps every command that changes the
// table disabled while a run is active.

#include <QString>
#include <cstdint>
#include <functional>

inline constexpr int kMaxTestItems = 100;
inline constexpr int kCanDataBytes = 8;

// Compare wildcard: a Comp_ value of -1 (FFFFFFFF in the file) is not compared.
inline constexpr int32_t kCompareWildcard = -1;

struct type_CustomerCMD {
    uint16_t CMD_Count = 0;
    uint8_t Group_Count = 0;
    QString Description1[kMaxTestItems];
    QString Description2[kMaxTestItems];
    uint32_t TxCANID[kMaxTestItems] = {};
    uint8_t TxCANMode[kMaxTestItems] = {};
    uint8_t TxCANRTR[kMaxTestItems] = {};
    uint8_t TxCANLen[kMaxTestItems] = {};
    uint8_t TxCANData[kMaxTestItems][kCanDataBytes] = {};
    int32_t TxLoopInterval[kMaxTestItems] = {};
    int32_t TxLoopTimes[kMaxTestItems] = {};
    int32_t TxLoopTerminal[kMaxTestItems] = {};
    uint8_t TxCANGroup[kMaxTestItems] = {};
    int32_t Comp_CANID[kMaxTestItems] = {};
    int32_t Comp_CANMode[kMaxTestItems] = {};
    int32_t Comp_CANRTR[kMaxTestItems] = {};
    int32_t Comp_CANLen[kMaxTestItems] = {};
    int32_t Comp_CANData[kMaxTestItems][kCanDataBytes] = {};
    uint8_t IsGroupSend = 0;
    uint8_t IsTestAll = 0;
};

extern type_CustomerCMD Global_CustomerCMD;

// Whether an item with this TxLoopTimes is sent until the run is stopped: 0
// and every count below it, as the driver sends a message with such a count.
// Every check of "a run that never ends by itself" asks this.
bool SentUntilStopped(int32_t loopTimes);

// The largest identifier of an item of mode `mode`: 0x7FF for 0 (11-bit),
// 0x1FFFFFFF for any other mode (29-bit).
uint32_t MaxCanId(uint8_t mode);
// The first item (from 0) whose TxCANID does not fit its mode, among the items
// `wanted` names; -1 when all fit. A run refuses such an item rather than send
// a masked identifier.
int FirstIdNotFittingMode(const std::function<bool(int item)>& wanted);

extern uint8_t ZarvoPort;         // virtual CAN port Kestrel opens
extern uint32_t ZarvoBaudRate;    // bit/s used when the port is opened
extern QString CurrentConfigFile; // full path of the current test configuration file
extern uint8_t SingleTestRow;     // grid row (item + 1) under single-item test
extern uint8_t LanguageIndex;     // 0 English, 1 Simplified Chinese, 2 Traditional Chinese
extern int32_t WorkAreaHeight;    // screen work-area height, read once at start-up
