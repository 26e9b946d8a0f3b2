#pragma once
// Shared pieces of the driver's core tests: a channel that records what the
// engine writes, a recorder of callback notices (callbacks are plain function
// pointers, so it is one global), and helpers that step a ManualClock.

#include "CanChannel.h"
#include "Clock.h"
#include "PortEngine.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// Everything the engine wrote; write() fails while `failWrites` is set.
class RecordingChannel final : public CanChannel {
public:
    bool open(uint32_t bitRate, ChannelListener& listener, std::string&) override;
    void close() override;
    bool write(const CanFrame& frame) override;
    Clock::Time deliveredUntil(Clock::Time wanted) override;

    std::vector<CanFrame> written() const;
    std::vector<uint32_t> openings() const; // the bit rate of every opening
    // Says that nothing after `until` was handed over, as a backend thread
    // that fell behind; catchUp() ends it.
    void holdDeliveries(Clock::Time until);
    void catchUp();
    void setFailWrites(bool fail);
    // Hands a frame to the engine as if it came from the bus.
    void receive(const CanFrame& frame);
    void setCondition(uint32_t bit, bool present);

private:
    mutable std::mutex mutex_;
    ChannelListener* listener_ = nullptr;
    std::vector<CanFrame> written_;
    std::vector<uint32_t> openings_;
    Clock::Time deliveredUntil_ = Clock::kNever;
    bool failWrites_ = false;
};

// Every frame a channel handed over, as the port engine would get them.
class Collector final : public ChannelListener {
public:
    void frameReceived(const CanFrame& frame) override;
    void conditionChanged(uint32_t, bool) override {}
    void framesDropped(uint64_t count) override;
    void channelCaughtUp() override;

    std::atomic<uint64_t> dropped{0};

    std::vector<CanFrame> frames() const;
    std::optional<CanFrame> find(uint32_t id) const; // the first with `id`
    // Waits until `done` holds for the frames so far; false when it did not
    // within a minute.
    bool waitFor(const std::function<bool(const std::vector<CanFrame>&)>& done) const;
    // Moves `clock` on by `ms`, 1 ms at a time, each time waiting until
    // `channel` (reporting to this collector) handed over every frame up to then.
    void advance(ManualClock& clock, CanChannel& channel, int ms) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<CanFrame> frames_;
    uint64_t caughtUp_ = 0; // channelCaughtUp() calls so far
};

// One notice as a callback saw it, with the clock's time in ms.
struct Notice {
    char kind; // 'S' start, 'E' end, 'R' response
    uint8_t group;
    int64_t atMs;
    uint32_t id = 0;
    uint8_t firstByte = 0;

    friend bool operator==(const Notice&, const Notice&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Notice& n) {
        out << n.kind << " group " << int(n.group) << " at " << n.atMs << " ms";
        if (n.kind == 'R')
            out << " id " << n.id << " byte " << int(n.firstByte);
        return out;
    }
};

class NoticeRecorder {
public:
    explicit NoticeRecorder(const Clock& clock);
    ~NoticeRecorder();

    std::vector<Notice> notices() const;
    // Waits until `count` notices were recorded; false after 10 s.
    bool waitFor(size_t count) const;
    // Runs at every start notice, after it was recorded (e.g. to set a response id).
    std::function<void(uint8_t group)> onStart;

    static void tx(uint32_t port, uint8_t group, uint8_t* state);
    static void rx(uint32_t port, uint8_t group, uint32_t id, uint8_t mode, uint8_t rtr,
                   uint8_t len, uint8_t* data);

private:
    void add(const Notice& n);

    const Clock& clock_;
    mutable std::mutex mutex_;
    mutable std::condition_variable added_;
    std::vector<Notice> notices_;
};

// Waits until the engine has done everything due at the clock's time.
void settle(const PortEngine& engine);
// Advances the clock 1 ms at a time, settling after each step.
void advanceMs(ManualClock& clock, const PortEngine& engine, int ms);

CanFrame frame(uint32_t id, uint8_t firstByte = 0, uint8_t len = 8);
int64_t dueMs(const CanFrame& written);
