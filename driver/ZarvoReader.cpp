#include "ZarvoReader.h"

#include "ZarvoCodes.h"

ZarvoReader::~ZarvoReader() {
    close();
}

void ZarvoReader::close() {
    if (reader_)
        driver_.Zarvo_CloseReader(*reader_);
    reader_.reset();
    settled_ = false;
}

uint16_t ZarvoReader::count(uint8_t port) {
    if (!settled_ || port != port_) {
        close();
        port_ = port;
        uint32_t reader = 0;
        const int32_t opened = driver_.Zarvo_OpenReader(port, &reader);
        if (opened == kZarvoOk)
            reader_ = reader;
        // A port that is not in the table yet is tried again at the next call.
        settled_ = opened == kZarvoOk || opened == kZarvoNoReaders;
    }
    uint16_t count = 0;
    if (reader_)
        driver_.Zarvo_GetReaderRxCount(*reader_, &count);
    else
        driver_.Zarvo_GetRxCount(port, &count);
    return count;
}

int32_t ZarvoReader::read(ZarvoFrameBuffer& frame) {
    if (!reader_)
        return ReadMarkedFrame(driver_, port_, frame);
    MarkFrame(frame);
    return driver_.Zarvo_ReadReaderFrame(*reader_, frame);
}
