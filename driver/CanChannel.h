#pragma once
// A CAN channel as the port engine sees it: opened at a bit rate, writes
// frames, and reports received frames and bus conditions to a listener.
// Backends: the simulated bus (SimBus.h) and the Qt SerialBus devices
// (QtCanChannel.h).

#include "CanFrame.h"
#include "Clock.h"

#include <cstdint>
#include <string>

class ChannelListener {
public:
    virtual ~ChannelListener() = default;
    // Called on a backend thread, one frame at a time, in bus order. Frames
    // the channel wrote itself are not reported.
    virtual void frameReceived(const CanFrame& frame) = 0;
    // A condition (one of the kStatus… bits of ZarvoCodes.h) began or ended.
    virtual void conditionChanged(uint32_t statusBit, bool present) = 0;
    // Frames that other nodes could not send because their transmit queue was
    // full (only the simulated bus knows of them).
    virtual void framesDropped(uint64_t /*count*/) {}
    // The channel has handed over more frames since deliveredUntil() said
    // it was behind.
    virtual void channelCaughtUp() {}
};

class CanChannel {
public:
    virtual ~CanChannel() = default;
    // Opens the channel and starts reporting to `listener`, which must outlive
    // the open channel. Returns false when it cannot be opened, with the
    // reason in `note`; on success `note` may tell something the user should
    // know (e.g. that the bit rate could not be set).
    virtual bool open(uint32_t bitRate, ChannelListener& listener, std::string& note) = 0;
    // Stops reporting and releases the channel. Harmless when not open.
    virtual void close() = 0;
    // Queues one frame for transmission; false when it cannot be queued.
    // Thread-safe, never blocks for long.
    virtual bool write(const CanFrame& frame) = 0;
    // Every frame time-stamped before the returned time has been handed to
    // the listener. When that is earlier than `wanted`, the channel calls
    // the listener's channelCaughtUp() once it has handed over more. A
    // channel that hands frames over as they come returns Clock::kNever.
    virtual Clock::Time deliveredUntil(Clock::Time /*wanted*/) { return Clock::kNever; }
};
