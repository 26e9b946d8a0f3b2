#include "ZarvoApi.h"

#include <cstring>

void MarkFrame(ZarvoFrameBuffer& frame) {
    frame.id = 0xAABBCCDD;
    frame.mode = 0x55;
    frame.rtr = 0x55;
    frame.len = 0xAA;
    std::memset(frame.data, 0xAA, sizeof frame.data);
    frame.timeStamp = 0;
}

int32_t ReadMarkedFrame(const ZarvoBinding& driver, uint8_t port, ZarvoFrameBuffer& frame) {
    MarkFrame(frame);
    return driver.Zarvo_ReadFrame(port, &frame.id, &frame.mode, &frame.rtr, &frame.len, frame.data,
                                  &frame.timeStamp);
}
