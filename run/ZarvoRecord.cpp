#include "ZarvoRecord.h"

#include "Globals.h"

#include <cstring>

type_ZarvoMsg BuildZarvoMsg(int item, const uint8_t (&data)[8]) {
    const type_CustomerCMD& t = Global_CustomerCMD;
    type_ZarvoMsg msg{};
    msg.Mode = t.TxCANMode[item];
    for (int k = 0; k < 4; ++k)
        msg.ID[k] = static_cast<uint8_t>(t.TxCANID[item] >> (8 * k));
    msg.RTR = t.TxCANRTR[item];
    msg.Len = t.TxCANLen[item];
    std::memcpy(msg.Data, data, sizeof msg.Data);
    return msg;
}

type_ZarvoMsg BuildZarvoMsg(int item) {
    return BuildZarvoMsg(item, Global_CustomerCMD.TxCANData[item]);
}
