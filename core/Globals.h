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

extern uint8_t ZarvoPort;         // virtual CAN port Kestrel opens
extern uint32_t ZarvoBaudRate;    // bit/s used when the port is opened
extern QString CurrentConfigFile; // full path of the current test configuration file
extern uint8_t SingleTestRow;     // grid row (item + 1) under single-item test
extern uint8_t LanguageIndex;     // 0 English, 1 Simplified Chinese, 2 Traditional Chinese
extern int32_t WorkAreaHeight;    // screen work-area height, read once at start-up
