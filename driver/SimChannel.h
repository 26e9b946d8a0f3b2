#pragma once
// A simulated CAN bus with the simulated device under test on it, as the
// channel of a simulator port. A frame occupies the bus for its worst-case
// bit time at the bit rate; frames waiting for the bus go in identifier
// order (arbitration). Free of Qt; one thread per open channel.

#include "CanChannel.h"
#include "Clock.h"
#include "SimDevice.h"
#include "SimReplay.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class SimChannel final : public CanChannel {
public:
    // Frames the port may have waiting for the bus; more fail to write, as a
    // controller's full transmit buffer would. The device has a queue of the
    // same size: what it cannot queue is dropped and reported to the listener,
    // so that an overloaded bus keeps its memory bounded.
    static constexpr size_t kTxQueueLimit = 64;
    static constexpr uint32_t kMinBitRate = 5000;
    static constexpr uint32_t kMaxBitRate = 1000000;

    // `device` is asked for the device's behaviour at every open.
    explicit SimChannel(std::function<SimDeviceConfig()> device,
                        const Clock& clock = steadyClock());
    ~SimChannel() override;

    bool open(uint32_t bitRate, ChannelListener& listener, std::string& note) override;
    void close() override;
    bool write(const CanFrame& frame) override;
    // Frames are stamped with the simulated bus time at their end.
    Clock::Time deliveredUntil(Clock::Time wanted) override;

    // Frames that went over the bus since the channel opened (both directions).
    uint64_t framesOnBus() const;

private:
    struct Pending {
        CanFrame frame;
        bool fromDevice = false;
        Clock::Time ready{};
        uint64_t sequence = 0;
    };

    void run();
    Clock::Time queueBroadcasts(Clock::Time now);
    Clock::Time queueReplay(Clock::Time now, std::unique_lock<std::mutex>& lock);
    Clock::Time advanceBus(Clock::Time now, std::vector<CanFrame>& toPort);
    size_t waiting(bool fromDevice) const;
    // False when the sender's queue is full (the frame is not queued).
    bool enqueue(const CanFrame& frame, bool fromDevice, Clock::Time ready);
    Clock::Time frameTime(const CanFrame& frame) const;
    double secondsSinceOpen(Clock::Time t) const;

    const std::function<SimDeviceConfig()> loadDevice_;
    const Clock& clock_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool open_ = false;
    bool quit_ = false;
    uint32_t bitRate_ = 0;
    ChannelListener* listener_ = nullptr;
    SimDeviceConfig device_;
    std::vector<Clock::Time> broadcastDue_;
    SimReplay replay_;
    Clock::Time nextReplay_{};
    std::vector<SimReplay::Due> replayDue_; // the bus thread's batch, kept for its capacity
    std::vector<Pending> pending_;
    std::optional<Pending> onBus_;
    Clock::Time busFreeAt_{};
    Clock::Time openedAt_{};
    uint64_t sequence_ = 0;
    uint64_t framesOnBus_ = 0;
    uint64_t droppedUnreported_ = 0; // device frames dropped, not yet told to the listener
    // What the bus thread last finished: every frame ending before
    // `handedOverUntil_` is with the listener; while `waiting_`, nothing
    // happens on the bus before `nextEvent_`.
    Clock::Time handedOverUntil_{};
    Clock::Time nextEvent_{};
    bool waiting_ = false;
    bool caughtUpWanted_ = false;
    std::thread thread_;
};
