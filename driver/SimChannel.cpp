#include "SimChannel.h"

#include <algorithm>
#include <utility>

namespace {

// Arbitration: the lower identifier wins; an 11-bit identifier compares with
// the top 11 bits of a 29-bit one and wins a tie.
uint64_t arbitrationKey(const CanFrame& f) {
    const uint64_t base = f.extended ? f.id : uint64_t{f.id} << 18;
    return base << 1 | (f.extended ? 1 : 0);
}

uint64_t toMicroseconds(Clock::Time t) {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(t).count());
}

} // namespace

SimChannel::SimChannel(std::function<SimDeviceConfig()> device, const Clock& clock)
    : loadDevice_(std::move(device)), clock_(clock) {}

SimChannel::~SimChannel() {
    close();
}

bool SimChannel::open(uint32_t bitRate, ChannelListener& listener, std::string& note) {
    if (bitRate < kMinBitRate || bitRate > kMaxBitRate) {
        note = "Simulator: bit rate " + std::to_string(bitRate) + " bit/s is outside " +
               std::to_string(kMinBitRate) + " … " + std::to_string(kMaxBitRate) + " bit/s";
        return false;
    }
    SimDeviceConfig device = loadDevice_();
    std::lock_guard lock(mutex_);
    if (open_)
        return true;
    open_ = true;
    quit_ = false;
    bitRate_ = bitRate;
    listener_ = &listener;
    device_ = std::move(device);
    openedAt_ = clock_.now();
    busFreeAt_ = openedAt_;
    broadcastDue_.assign(device_.broadcasts.size(), openedAt_);
    replay_.start(device_.replay ? &*device_.replay : nullptr, openedAt_);
    nextReplay_ = openedAt_;
    pending_.clear();
    onBus_.reset();
    framesOnBus_ = 0;
    droppedUnreported_ = 0;
    handedOverUntil_ = openedAt_;
    waiting_ = false;
    caughtUpWanted_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void SimChannel::close() {
    {
        std::lock_guard lock(mutex_);
        if (!open_)
            return;
        open_ = false;
        quit_ = true;
    }
    wake_.notify_one();
    thread_.join();
    std::lock_guard lock(mutex_);
    listener_ = nullptr;
}

bool SimChannel::write(const CanFrame& frame) {
    {
        std::lock_guard lock(mutex_);
        if (!open_ || !enqueue(frame, false, clock_.now()))
            return false;
        waiting_ = false; // the bus has something to do before nextEvent_
    }
    wake_.notify_one();
    return true;
}

Clock::Time SimChannel::deliveredUntil(Clock::Time wanted) {
    std::lock_guard lock(mutex_);
    // A frame still to come ends after the bus's next event, or after a write
    // that comes later than now.
    const Clock::Time until = waiting_ ? std::min(nextEvent_, clock_.now()) : handedOverUntil_;
    if (until < wanted)
        caughtUpWanted_ = true;
    return until;
}

uint64_t SimChannel::framesOnBus() const {
    std::lock_guard lock(mutex_);
    return framesOnBus_;
}

size_t SimChannel::waiting(bool fromDevice) const {
    return static_cast<size_t>(
        std::count_if(pending_.begin(), pending_.end(),
                      [&](const Pending& p) { return p.fromDevice == fromDevice; }));
}

bool SimChannel::enqueue(const CanFrame& frame, bool fromDevice, Clock::Time ready) {
    if (waiting(fromDevice) >= kTxQueueLimit) {
        droppedUnreported_ += fromDevice ? 1 : 0; // the port's own write reports its failure
        return false;
    }
    pending_.push_back({frame, fromDevice, ready, sequence_++});
    return true;
}

Clock::Time SimChannel::frameTime(const CanFrame& frame) const {
    const uint64_t bits = worstCaseFrameBits(frame);
    return std::chrono::nanoseconds(bits * 1000000000ull / bitRate_);
}

double SimChannel::secondsSinceOpen(Clock::Time t) const {
    return std::chrono::duration<double>(t - openedAt_).count();
}

// Queues the broadcasts that are due; returns when the next one is.
Clock::Time SimChannel::queueBroadcasts(Clock::Time now) {
    Clock::Time next = Clock::kNever;
    for (size_t i = 0; i < device_.broadcasts.size(); ++i) {
        const SimBroadcast& b = device_.broadcasts[i];
        const Clock::Time period = std::chrono::milliseconds(b.periodMs);
        // A broadcast that fell behind sends once and keeps its grid.
        if (broadcastDue_[i] <= now) {
            enqueue(b.frameAt(secondsSinceOpen(broadcastDue_[i])), true, broadcastDue_[i]);
            while (broadcastDue_[i] <= now)
                broadcastDue_[i] += period;
        }
        next = std::min(next, broadcastDue_[i]);
    }
    return next;
}

// Queues the replayed frames that are due; returns when the next one is. The
// replay picks them without the lock (only this thread touches it), so a long
// trace never holds up the port's writes.
Clock::Time SimChannel::queueReplay(Clock::Time now, std::unique_lock<std::mutex>& lock) {
    if (nextReplay_ > now)
        return nextReplay_;
    lock.unlock();
    uint64_t passedOver = 0;
    nextReplay_ = replay_.takeDue(now, replayDue_, passedOver);
    lock.lock();
    for (const SimReplay::Due& due : replayDue_)
        enqueue(due.frame, true, due.at);
    replayDue_.clear();
    droppedUnreported_ += passedOver;
    return nextReplay_;
}

// Finishes the frame on the bus and puts the next one on it; returns when
// the bus next needs attention.
Clock::Time SimChannel::advanceBus(Clock::Time now, std::vector<CanFrame>& toPort) {
    for (;;) {
        if (onBus_) {
            const Clock::Time end = busFreeAt_;
            if (end > now)
                return end;
            CanFrame frame = onBus_->frame;
            frame.timeStampUs = toMicroseconds(end);
            ++framesOnBus_;
            if (onBus_->fromDevice) {
                toPort.push_back(frame);
            } else if (const SimResponder* r = device_.responderFor(frame); r && r->answers) {
                enqueue(r->answer(frame), true, end + std::chrono::milliseconds(r->delayMs));
            }
            onBus_.reset();
        }
        if (pending_.empty())
            return Clock::kNever;
        const auto earliest =
            std::min_element(pending_.begin(), pending_.end(),
                             [](const Pending& a, const Pending& b) { return a.ready < b.ready; });
        const Clock::Time start = std::max(busFreeAt_, earliest->ready);
        if (start > now)
            return start;
        const auto winner = std::min_element(
            pending_.begin(), pending_.end(), [&](const Pending& a, const Pending& b) {
                const bool aReady = a.ready <= start;
                const bool bReady = b.ready <= start;
                if (aReady != bReady)
                    return aReady;
                const uint64_t ka = arbitrationKey(a.frame);
                const uint64_t kb = arbitrationKey(b.frame);
                return ka != kb ? ka < kb : a.sequence < b.sequence;
            });
        onBus_ = *winner;
        pending_.erase(winner);
        busFreeAt_ = start + frameTime(onBus_->frame);
    }
}

void SimChannel::run() {
    useFinestTimerSlack();
    std::unique_lock lock(mutex_);
    std::vector<CanFrame> toPort;
    while (!quit_) {
        const Clock::Time now = clock_.now();
        const Clock::Time nextBroadcast = std::min(queueBroadcasts(now), queueReplay(now, lock));
        const Clock::Time nextBus = advanceBus(now, toPort);
        if (!toPort.empty() || droppedUnreported_ > 0) {
            // The listener may write back; it is called without the lock.
            const uint64_t dropped = std::exchange(droppedUnreported_, 0);
            lock.unlock();
            for (const CanFrame& frame : toPort)
                listener_->frameReceived(frame);
            if (dropped > 0)
                listener_->framesDropped(dropped);
            toPort.clear();
            lock.lock();
            continue;
        }
        handedOverUntil_ = now;
        nextEvent_ = std::min(nextBroadcast, nextBus);
        waiting_ = true;
        if (std::exchange(caughtUpWanted_, false)) {
            lock.unlock();
            listener_->channelCaughtUp();
            lock.lock();
            continue; // a write may have come meanwhile
        }
        clock_.waitUntil(wake_, lock, nextEvent_);
        waiting_ = false;
    }
}
