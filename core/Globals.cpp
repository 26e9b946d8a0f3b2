#include "Globals.h"

type_CustomerCMD Global_CustomerCMD;

uint8_t ZarvoPort = 0;
uint32_t ZarvoBaudRate = 250000;
QString CurrentConfigFile;
uint8_t SingleTestRow = 0;
uint8_t LanguageIndex = 0;
int32_t WorkAreaHeight = 0;

bool SentUntilStopped(int32_t loopTimes) {
    return loopTimes <= 0;
}

uint32_t MaxCanId(uint8_t mode) {
    return mode == 0 ? 0x7FFu : 0x1FFFFFFFu;
}

int FirstIdNotFittingMode(const std::function<bool(int item)>& wanted) {
    const type_CustomerCMD& t = Global_CustomerCMD;
    for (int item = 0; item < t.CMD_Count; ++item)
        if (wanted(item) && t.TxCANID[item] > MaxCanId(t.TxCANMode[item]))
            return item;
    return -1;
}
