#pragma once
// Receive queues of their own: Kestrel's own addition to the driver's
// operations. Each reader of a port gets every frame the port receives in a
// bounded queue of its own (4096 frames; when it is full the oldest frame is
// dropped and counted for that reader), so that the trend window, the bus
// monitor and a running test each see the whole traffic. The port's one
// queue (Zarvo_GetRxCount, Zarvo_ReadFrame) goes on serving the callers that
// name no reader. Only Kestrel's own driver has readers; with another binding
// installed (a test's fake) every call returns kZarvoNoReaders.

#include "ZarvoApi.h"

#include <cstdint>
#include <optional>

inline constexpr int32_t kZarvoNoReaders = 9; // as kZarvoCannotTrace: not Kestrel's own driver

// A new reader of `port`; its queue takes every frame received from now on.
int32_t Zarvo_OpenReader(uint8_t port, uint32_t* reader);
int32_t Zarvo_CloseReader(uint32_t reader);
// As Zarvo_GetRxCount and Zarvo_ReadFrame of the reader's port, from its own queue.
int32_t Zarvo_GetReaderRxCount(uint32_t reader, uint16_t* count);
int32_t Zarvo_ReadReaderFrame(uint32_t reader, ZarvoFrameBuffer& frame);
// The frames the reader lost because its queue was full.
int32_t Zarvo_GetReaderDropped(uint32_t reader, uint64_t* dropped);

// The receive queue of one receive thread: a reader of its own with Kestrel's
// own driver, the port's one queue with another binding.
//
// Not thread-safe: one receive thread uses it.
class ZarvoReader {
public:
    ZarvoReader() = default;
    ~ZarvoReader();
    ZarvoReader(const ZarvoReader&) = delete;
    ZarvoReader& operator=(const ZarvoReader&) = delete;

    // The frames waiting on `port` (0 when the port is not open); the queue
    // is opened at the first call and again when the port changes.
    uint16_t count(uint8_t port);
    // Takes one frame of the port of the last count(), filled as
    // ReadMarkedFrame() fills it.
    int32_t read(ZarvoFrameBuffer& frame);

private:
    void close();

    uint8_t port_ = 0;
    bool settled_ = false;           // the queue for port_ is chosen
    std::optional<uint32_t> reader_; // none: the port's one queue
};
