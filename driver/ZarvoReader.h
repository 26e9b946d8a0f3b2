#pragma once
// Receive queues of their own: Kestrel's own addition to the driver's
// operations. Each reader of a port gets every frame the port receives in a
// bounded queue of its own (4096 frames; when it is full the oldest frame is
// dropped and counted for that reader), so that the trend window, the bus
// monitor and a running test each see the whole traffic. The port's one
// queue (Zarvo_GetRxCount, Zarvo_ReadFrame) goes on serving the callers that
// name no reader. The operations are the binding's Zarvo_OpenReader to
// Zarvo_GetReaderDropped; only Kestrel's own driver has readers, another
// binding (a test's fake) answers every call with kZarvoNoReaders.

#include "ZarvoApi.h"

#include <cstdint>
#include <optional>

inline constexpr int32_t kZarvoNoReaders = 9; // as kZarvoCannotTrace: not Kestrel's own driver

// The receive queue of one receive thread: a reader of its own where the
// binding has readers (Kestrel's own driver), the port's one queue where it
// answers kZarvoNoReaders (a test's fake, a bench's table that wraps the
// driver's reads).
//
// Not thread-safe: one receive thread uses it.
class ZarvoReader {
public:
    explicit ZarvoReader(const ZarvoBinding& driver = builtinZarvoBinding()) : driver_(driver) {}
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

    const ZarvoBinding& driver_;
    uint8_t port_ = 0;
    bool settled_ = false;           // the queue for port_ is chosen
    std::optional<uint32_t> reader_; // none: the port's one queue
};
