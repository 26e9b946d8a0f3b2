#include "EngineTestSupport.h"

#include <gtest/gtest.h>
#include <thread>

namespace {
NoticeRecorder* g_recorder = nullptr;
int64_t toMs(Clock::Time t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(t).count();
}
} // namespace

bool RecordingChannel::open(uint32_t bitRate, ChannelListener& listener, std::string&) {
    std::lock_guard lock(mutex_);
    listener_ = &listener;
    openings_.push_back(bitRate);
    return true;
}

Clock::Time RecordingChannel::deliveredUntil(Clock::Time) {
    std::lock_guard lock(mutex_);
    return deliveredUntil_;
}

std::vector<uint32_t> RecordingChannel::openings() const {
    std::lock_guard lock(mutex_);
    return openings_;
}

void RecordingChannel::holdDeliveries(Clock::Time until) {
    std::lock_guard lock(mutex_);
    deliveredUntil_ = until;
}

void RecordingChannel::catchUp() {
    ChannelListener* listener = nullptr;
    {
        std::lock_guard lock(mutex_);
        deliveredUntil_ = Clock::kNever;
        listener = listener_;
    }
    listener->channelCaughtUp(); // unlocked: the engine asks deliveredUntil() under its lock
}

void RecordingChannel::close() {
    std::lock_guard lock(mutex_);
    listener_ = nullptr;
}

bool RecordingChannel::write(const CanFrame& frame) {
    std::lock_guard lock(mutex_);
    if (failWrites_)
        return false;
    written_.push_back(frame);
    return true;
}

std::vector<CanFrame> RecordingChannel::written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

void RecordingChannel::setFailWrites(bool fail) {
    std::lock_guard lock(mutex_);
    failWrites_ = fail;
}

void RecordingChannel::receive(const CanFrame& frame) {
    ChannelListener* listener = nullptr;
    {
        std::lock_guard lock(mutex_);
        listener = listener_;
    }
    ASSERT_NE(listener, nullptr);
    listener->frameReceived(frame);
}

void RecordingChannel::setCondition(uint32_t bit, bool present) {
    std::lock_guard lock(mutex_);
    listener_->conditionChanged(bit, present);
}

NoticeRecorder::NoticeRecorder(const Clock& clock) : clock_(clock) {
    g_recorder = this;
}
NoticeRecorder::~NoticeRecorder() {
    g_recorder = nullptr;
}

std::vector<Notice> NoticeRecorder::notices() const {
    std::lock_guard lock(mutex_);
    return notices_;
}

bool NoticeRecorder::waitFor(size_t count) const {
    std::unique_lock lock(mutex_);
    return added_.wait_for(lock, std::chrono::seconds(10),
                           [&] { return notices_.size() >= count; });
}

void NoticeRecorder::add(const Notice& n) {
    std::lock_guard lock(mutex_);
    notices_.push_back(n);
    added_.notify_all();
}

void NoticeRecorder::tx(uint32_t, uint8_t group, uint8_t* state) {
    g_recorder->add({*state == 0 ? 'S' : 'E', group, toMs(g_recorder->clock_.now())});
    if (*state == 0 && g_recorder->onStart)
        g_recorder->onStart(group);
}

void NoticeRecorder::rx(uint32_t, uint8_t group, uint32_t id, uint8_t, uint8_t, uint8_t,
                        uint8_t* data) {
    g_recorder->add({'R', group, toMs(g_recorder->clock_.now()), id, data[0]});
}

void settle(const PortEngine& engine) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!engine.idle()) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the engine never settled";
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
}

void advanceMs(ManualClock& clock, const PortEngine& engine, int ms) {
    for (int i = 0; i < ms; ++i) {
        clock.advance(std::chrono::milliseconds(1));
        settle(engine);
    }
}

CanFrame frame(uint32_t id, uint8_t firstByte, uint8_t len) {
    CanFrame f;
    f.id = id;
    f.len = len;
    f.data[0] = firstByte;
    return f;
}

int64_t dueMs(const CanFrame& written) {
    return static_cast<int64_t>(written.timeStampUs / 1000);
}

void Collector::frameReceived(const CanFrame& frame) {
    std::lock_guard lock(mutex_);
    frames_.push_back(frame);
    changed_.notify_all();
}

void Collector::framesDropped(uint64_t count) {
    std::lock_guard lock(mutex_);
    dropped += count;
    changed_.notify_all();
}

void Collector::channelCaughtUp() {
    std::lock_guard lock(mutex_);
    ++caughtUp_;
    changed_.notify_all();
}

bool Collector::waitFor(const std::function<bool(const std::vector<CanFrame>&)>& done) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::minutes(1), [&] { return done(frames_); });
}

void Collector::advance(ManualClock& clock, CanChannel& channel, int ms) const {
    for (int i = 0; i < ms; ++i) {
        clock.advance(std::chrono::milliseconds(1));
        const Clock::Time now = clock.now();
        std::unique_lock lock(mutex_);
        // The channel calls channelCaughtUp() after a deliveredUntil() that
        // found it behind; it needs this lock for that, so no call is missed.
        for (uint64_t seen = caughtUp_; channel.deliveredUntil(now) < now; seen = caughtUp_)
            ASSERT_TRUE(changed_.wait_for(lock, std::chrono::minutes(1), [&] {
                return caughtUp_ != seen;
            })) << "the channel never caught up";
    }
}

std::vector<CanFrame> Collector::frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
}

std::optional<CanFrame> Collector::find(uint32_t id) const {
    std::lock_guard lock(mutex_);
    for (const CanFrame& f : frames_)
        if (f.id == id)
            return f;
    return std::nullopt;
}
