#include "PortEngine.h"

#include "ZarvoCodes.h"

#include <algorithm>

namespace {

using std::chrono::milliseconds;

Clock::Time msToTime(int32_t ms) {
    return milliseconds(std::max(ms, 0));
}

bool untilStopped(const GroupMessage& m) {
    return m.times <= 0;
}

// The spacing of the message's transmissions.
Clock::Time intervalOf(const GroupMessage& m) {
    return std::max<Clock::Time>(msToTime(m.interval), PortEngine::kMinRepeatInterval);
}

bool allSent(const GroupMessage& m, int64_t sent) {
    return !untilStopped(m) && sent >= m.times;
}

} // namespace

PortEngine::PortEngine(uint8_t port, std::unique_ptr<CanChannel> channel, const Clock& clock,
                       size_t rxCapacity)
    : port_(port), channel_(std::move(channel)), clock_(clock),
      rxCapacity_(std::max<size_t>(rxCapacity, 1)) {
    readers_[kPortQueue].claimed = false;
}

PortEngine::~PortEngine() {
    close();
}

int32_t PortEngine::open(uint32_t bitRate, std::string& note) {
    // A port whose adapter went away opens afresh, e.g. after it was plugged
    // in again; so does a port asked for another bit rate.
    if (needsReopen(bitRate))
        close();
    std::lock_guard life(lifecycle_);
    {
        std::lock_guard lock(mutex_);
        if (open_)
            return kZarvoOk;
        // Open before the channel starts reporting, so that no frame is lost.
        open_ = true;
        quit_ = false;
        groups_.assign(1, Group{});
        noticesDropped_ = false;
        callbacks_ = std::make_unique<CallbackQueue>();
    }
    const bool opened = channel_->open(bitRate, *this, note);
    std::unique_ptr<CallbackQueue> unused;
    std::lock_guard lock(mutex_);
    openNote_ = note;
    if (!opened) {
        open_ = false;
        openFailed_ = true;
        unused = std::move(callbacks_);
        return kZarvoOpenFailed;
    }
    openFailed_ = false;
    bitRate_ = bitRate;
    scheduler_ = std::thread([this] { schedulerLoop(); });
    return kZarvoOk;
}

int32_t PortEngine::close() {
    std::unique_ptr<CallbackQueue> callbacks;
    {
        std::lock_guard lock(mutex_);
        if (callbacks_ && callbacks_->onQueueThread())
            return kZarvoWrongThread;
    }
    std::lock_guard life(lifecycle_);
    {
        std::lock_guard lock(mutex_);
        if (!open_)
            return kZarvoOk;
        open_ = false;
        quit_ = true;
    }
    wake_.notify_one();
    if (scheduler_.joinable())
        scheduler_.join();
    {
        std::lock_guard lock(mutex_);
        callbacks = std::move(callbacks_);
    }
    callbacks.reset(); // waits for a running callback, which may still call in
    channel_->close();
    std::lock_guard lock(mutex_);
    groups_.clear();
    for (auto& [id, reader] : readers_) {
        reader.queue.clear();
        reader.overflow = false;
    }
    readers_[kPortQueue].claimed = false;
    conditions_ = 0;
    return kZarvoOk;
}

bool PortEngine::needsReopen(uint32_t bitRate) const {
    std::lock_guard lock(mutex_);
    return open_ && ((conditions_ & kStatusAdapterLost) != 0 || bitRate != bitRate_);
}

std::string PortEngine::openNote() const {
    std::lock_guard lock(mutex_);
    return openNote_;
}

bool PortEngine::isOpen() const {
    std::lock_guard lock(mutex_);
    return open_;
}

int32_t PortEngine::checkGroup(uint8_t group) const {
    if (!open_)
        return kZarvoNotOpen;
    return group < groups_.size() ? kZarvoOk : kZarvoBadGroup;
}

int32_t PortEngine::setGroupCount(uint8_t count) {
    {
        std::lock_guard lock(mutex_);
        if (!open_)
            return kZarvoNotOpen;
        groups_.assign(count, Group{});
        noticesDropped_ = false;
    }
    withdrawNotices(std::nullopt);
    return kZarvoOk;
}

int32_t PortEngine::sendGroup(uint8_t group, std::vector<GroupMessage> messages) {
    std::lock_guard lock(mutex_);
    if (const int32_t bad = checkGroup(group))
        return bad;
    Group& g = groups_[group];
    const bool live = g.phase != Phase::Idle && g.messages.size() == messages.size();
    const Clock::Time oldInterval = live ? intervalOf(g.messages[g.index]) : Clock::Time{};
    g.messages = std::move(messages);
    if (!live)
        startGroup(group, clock_.now());
    else if (g.phase == Phase::Sending)
        keepNextDue(g, oldInterval);
    wake();
    return kZarvoOk;
}

int32_t PortEngine::stopGroup(uint8_t group) {
    {
        std::lock_guard lock(mutex_);
        if (const int32_t bad = checkGroup(group))
            return bad;
        Group& g = groups_[group];
        g.phase = Phase::Idle;
        g.run = ++nextRun_;
    }
    withdrawNotices(group);
    return kZarvoOk;
}

// An idle group posts nothing more, so once its waiting notices are dropped
// and a running one has returned, none of it runs any more.
void PortEngine::withdrawNotices(std::optional<int> group) {
    bool inCallback = false;
    {
        std::lock_guard lock(mutex_);
        inCallback = callbacks_ && callbacks_->onQueueThread();
    }
    // The queue lives while one of its callbacks runs; elsewhere close() must
    // not free it during the wait.
    std::unique_lock<std::mutex> life;
    if (!inCallback)
        life = std::unique_lock(lifecycle_);
    CallbackQueue* queue = nullptr;
    {
        std::lock_guard lock(mutex_);
        queue = callbacks_.get();
    }
    if (queue)
        queue->withdraw(group);
}

int32_t PortEngine::setTxCallback(uint8_t group, ZarvoTxCallback callback) {
    std::lock_guard lock(mutex_);
    if (const int32_t bad = checkGroup(group))
        return bad;
    Group& g = groups_[group];
    g.tx = callback;
    if (g.phase == Phase::AwaitingCallback && callback) {
        beginMessage(group, clock_.now());
        wake();
    }
    return kZarvoOk;
}

int32_t PortEngine::setRxCallback(uint8_t group, ZarvoRxCallback callback) {
    std::lock_guard lock(mutex_);
    if (const int32_t bad = checkGroup(group))
        return bad;
    groups_[group].rx = callback;
    return kZarvoOk;
}

int32_t PortEngine::setResponseId(uint8_t group, int32_t id) {
    std::lock_guard lock(mutex_);
    if (const int32_t bad = checkGroup(group))
        return bad;
    groups_[group].responseId = id;
    return kZarvoOk;
}

void PortEngine::addReader(uint32_t reader) {
    std::lock_guard lock(mutex_);
    if (reader != kPortQueue)
        readers_[reader] = Reader{};
}

void PortEngine::removeReader(uint32_t reader) {
    std::lock_guard lock(mutex_);
    if (reader != kPortQueue)
        readers_.erase(reader);
}

PortEngine::Reader* PortEngine::readerOf(uint32_t reader) {
    const auto it = readers_.find(reader);
    if (it == readers_.end())
        return nullptr;
    it->second.claimed = true;
    return &it->second;
}

bool PortEngine::shows(const Reader& reader) const {
    return reader.claimed || readers_.size() == 1;
}

int32_t PortEngine::rxCount(uint16_t& count, uint32_t reader) {
    std::lock_guard lock(mutex_);
    const Reader* r = readerOf(reader);
    if (!r)
        return kZarvoUnknownReader;
    if (!open_)
        return kZarvoNotOpen;
    count = static_cast<uint16_t>(std::min<size_t>(r->queue.size(), 0xFFFF));
    return kZarvoOk;
}

int32_t PortEngine::readFrame(CanFrame& frame, uint32_t reader) {
    std::lock_guard lock(mutex_);
    Reader* r = readerOf(reader);
    if (!r)
        return kZarvoUnknownReader;
    if (!open_)
        return kZarvoNotOpen;
    if (r->queue.empty()) {
        r->overflow = false;
        return kZarvoQueueEmpty;
    }
    frame = r->queue.front();
    r->queue.pop_front();
    if (r->queue.empty())
        r->overflow = false;
    return kZarvoOk;
}

int32_t PortEngine::readerDropped(uint32_t reader, uint64_t& dropped) const {
    std::lock_guard lock(mutex_);
    const auto it = readers_.find(reader);
    if (it == readers_.end())
        return kZarvoUnknownReader;
    dropped = it->second.dropped;
    return kZarvoOk;
}

uint32_t PortEngine::status() const {
    std::lock_guard lock(mutex_);
    uint32_t s = conditions_;
    if (!open_)
        s |= openFailed_ ? kStatusNotOpen | kStatusOpenFailed : kStatusNotOpen;
    if (std::any_of(readers_.begin(), readers_.end(),
                    [this](const auto& r) { return shows(r.second) && r.second.overflow; }))
        s |= kStatusRxOverflow;
    if (noticesDropped_)
        s |= kStatusNoticesDropped;
    return s;
}

uint64_t PortEngine::droppedFrames() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

bool PortEngine::idle() const {
    std::lock_guard lock(mutex_);
    if (!open_)
        return true;
    const Clock::Time now = clock_.now();
    const bool nothingDue = std::all_of(groups_.begin(), groups_.end(), [&](const Group& g) {
        return g.phase == Phase::Idle || g.heldUp || (g.phase != Phase::Starting && g.due > now);
    });
    return nothingDue && schedulerWaiting_ && callbacks_->idle();
}

void PortEngine::frameReceived(const CanFrame& frame) {
    std::lock_guard lock(mutex_);
    if (!open_)
        return;
    for (auto& [id, reader] : readers_) {
        if (reader.queue.size() >= rxCapacity_) {
            reader.queue.pop_front();
            ++reader.dropped;
            reader.overflow = true;
            if (shows(reader))
                ++dropped_;
        }
        reader.queue.push_back(frame);
    }
    pushToTaps(frame, false);
    for (size_t g = 0; g < groups_.size(); ++g) {
        const Group& group = groups_[g];
        if (group.phase == Phase::Idle || group.responseId == -1 || !group.rx ||
            static_cast<uint32_t>(group.responseId) != frame.id)
            continue;
        const ZarvoRxCallback rx = group.rx;
        const uint32_t port = port_.load();
        const auto number = static_cast<uint8_t>(g);
        const bool queued = callbacks_->postReceive(number, [rx, port, number, frame] {
            std::array<uint8_t, 8> data = frame.data;
            rx(port, number, frame.id, frame.extended ? 1 : 0, frame.remote ? 1 : 0, frame.len,
               data.data());
        });
        if (!queued) {
            ++dropped_;
            noticesDropped_ = true;
        }
    }
}

void PortEngine::framesDropped(uint64_t count) {
    std::lock_guard lock(mutex_);
    dropped_ += count;
}

void PortEngine::channelCaughtUp() {
    std::lock_guard lock(mutex_);
    for (Group& group : groups_)
        group.heldUp = false; // to be looked at again
    wake();
}

void PortEngine::conditionChanged(uint32_t statusBit, bool present) {
    std::lock_guard lock(mutex_);
    conditions_ = present ? conditions_ | statusBit : conditions_ & ~statusBit;
}

void PortEngine::startGroup(uint8_t g, Clock::Time now) {
    Group& group = groups_[g];
    group.run = ++nextRun_;
    group.index = 0;
    if (group.messages.empty()) {
        group.phase = Phase::Idle;
    } else if (!group.tx) {
        group.phase = Phase::AwaitingCallback;
        group.due = now + kCallbackGrace;
    } else {
        beginMessage(g, now);
    }
}

void PortEngine::beginMessage(uint8_t g, Clock::Time at) {
    Group& group = groups_[g];
    group.sent = 0;
    if (group.tx) {
        group.phase = Phase::Starting;
        postTxNotice(g, 0, true);
    } else {
        group.phase = Phase::Sending;
        group.start = at;
        group.due = at;
    }
}

void PortEngine::postTxNotice(uint8_t g, uint8_t state, bool gatesTransmission) {
    const Group& group = groups_[g];
    if (!group.tx)
        return;
    const ZarvoTxCallback tx = group.tx;
    const uint64_t run = group.run;
    const uint32_t port = port_.load();
    callbacks_->post(g, [this, tx, port, g, state, gatesTransmission, run] {
        uint8_t value = state;
        tx(port, g, &value);
        if (gatesTransmission)
            startNoticeDone(g, run);
    });
}

void PortEngine::startNoticeDone(uint8_t g, uint64_t run) {
    std::lock_guard lock(mutex_);
    if (g >= groups_.size() || groups_[g].run != run || groups_[g].phase != Phase::Starting)
        return;
    Group& group = groups_[g];
    group.phase = Phase::Sending;
    group.start = clock_.now();
    group.due = group.start;
    wake();
}

// A live replacement may change the current message's interval. The next
// transmission stays due when it was; the new interval counts from there, so
// that a shorter interval does not make up for the transmissions it would have
// had since the start in one burst.
void PortEngine::keepNextDue(Group& group, Clock::Time oldInterval) {
    const Clock::Time interval = intervalOf(group.messages[group.index]);
    if (interval != oldInterval)
        group.start = group.due - group.sent * interval;
}

// One event of a group whose due time has come.
void PortEngine::step(uint8_t g, std::vector<Outgoing>& toWrite) {
    Group& group = groups_[g];
    const Clock::Time eventTime = group.due;
    switch (group.phase) {
    case Phase::AwaitingCallback:
        beginMessage(g, eventTime);
        break;
    case Phase::Sending: {
        const GroupMessage& m = group.messages[group.index];
        if (allSent(m, group.sent)) {
            group.phase = Phase::Closing; // the window is over
            break;
        }
        CanFrame frame = m.frame;
        frame.timeStampUs = static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(eventTime).count());
        ++group.sent;
        // The window after the last transmission is the interval as given.
        const bool last = allSent(m, group.sent);
        const Clock::Time window = msToTime(m.interval);
        toWrite.push_back({frame, g, group.run, last ? std::optional(window) : std::nullopt});
        group.due = last ? eventTime + window : group.start + group.sent * intervalOf(m);
        break;
    }
    case Phase::Closing:
        postTxNotice(g, 1, false);
        group.phase = Phase::Pausing;
        group.due = eventTime + msToTime(group.messages[group.index].terminal);
        break;
    case Phase::Pausing:
        if (++group.index >= group.messages.size())
            group.phase = Phase::Idle;
        else
            beginMessage(g, eventTime);
        break;
    case Phase::Idle:
    case Phase::Starting:
        break;
    }
}

// True when the group's next event can happen now. A closing window waits
// until the channel has handed over every frame stamped before its end;
// `delivered` keeps what the channel said during this pass.
bool PortEngine::ready(Group& group, Clock::Time now, Clock::Time& delivered) {
    group.heldUp = false;
    if (group.phase == Phase::Idle || group.phase == Phase::Starting || group.due > now)
        return false;
    if (group.phase == Phase::Closing && delivered < group.due)
        delivered = channel_->deliveredUntil(group.due);
    group.heldUp = group.phase == Phase::Closing && delivered < group.due;
    return !group.heldUp;
}

void PortEngine::schedulerLoop() {
    useFinestTimerSlack();
    std::unique_lock lock(mutex_);
    std::vector<Outgoing> toWrite;
    while (!quit_) {
        const Clock::Time now = clock_.now();
        Clock::Time next = Clock::kNever;
        Clock::Time delivered = Clock::Time::min();
        for (size_t g = 0; g < groups_.size(); ++g) {
            while (ready(groups_[g], now, delivered)) {
                step(static_cast<uint8_t>(g), toWrite);
                // A window runs from when the channel takes its transmission
                // (writeFrames); a late pass must not close it before then.
                if (!toWrite.empty() && toWrite.back().group == g && toWrite.back().window)
                    break;
            }
            // A window held up by the channel goes on at channelCaughtUp().
            const Group& group = groups_[g];
            if (group.phase != Phase::Idle && group.phase != Phase::Starting && !group.heldUp)
                next = std::min(next, group.due);
        }
        if (!toWrite.empty()) {
            lock.unlock();
            writeFrames(toWrite);
            toWrite.clear();
            lock.lock();
            continue;
        }
        schedulerWaiting_ = true;
        clock_.waitUntil(wake_, lock, next);
        schedulerWaiting_ = false;
    }
}

// Traced frames carry the time they were handed to the channel: a thread
// preempted inside write() would otherwise stamp a frame after its answer.
void PortEngine::writeFrames(const std::vector<Outgoing>& frames) {
    bool failed = false;
    std::vector<std::pair<const Outgoing*, Clock::Time>> lastOnes;
    written_.clear();
    for (const Outgoing& out : frames) {
        const Clock::Time handedAt = clock_.now();
        failed = !channel_->write(out.frame);
        const Clock::Time tookAt = clock_.now();
        if (!failed) {
            written_.push_back(out.frame);
            written_.back().timeStampUs = static_cast<uint64_t>(
                std::chrono::duration_cast<std::chrono::microseconds>(handedAt).count());
        }
        if (out.window)
            lastOnes.emplace_back(&out, tookAt);
    }
    conditionChanged(kStatusWriteFailed, failed);
    std::lock_guard lock(mutex_);
    for (const CanFrame& frame : written_)
        pushToTaps(frame, true);
    for (const auto& [out, tookAt] : lastOnes) {
        if (out->group >= groups_.size())
            continue;
        Group& group = groups_[out->group];
        if (group.run == out->run && group.phase == Phase::Sending)
            group.due = std::max(group.due, tookAt + *out->window);
    }
}

std::shared_ptr<TraceTap> PortEngine::setTrace(std::shared_ptr<TraceTap> tap) {
    // One lock for both, so that no frame passes between the old trace and the new.
    std::lock_guard lock(mutex_);
    std::shared_ptr<TraceTap> old = takeTap(kTraceSlot);
    if (tap)
        taps_.emplace_back(kTraceSlot, std::move(tap));
    return old;
}

void PortEngine::addTap(uint64_t id, std::shared_ptr<TraceTap> tap) {
    std::lock_guard lock(mutex_);
    taps_.emplace_back(id, std::move(tap));
}

std::shared_ptr<TraceTap> PortEngine::removeTap(uint64_t id) {
    std::lock_guard lock(mutex_);
    return takeTap(id);
}

std::shared_ptr<TraceTap> PortEngine::takeTap(uint64_t id) {
    const auto it = std::find_if(taps_.begin(), taps_.end(),
                                 [id](const auto& entry) { return entry.first == id; });
    if (it == taps_.end())
        return nullptr;
    std::shared_ptr<TraceTap> tap = std::move(it->second);
    taps_.erase(it);
    return tap;
}

void PortEngine::pushToTaps(const CanFrame& frame, bool transmitted) {
    for (const auto& entry : taps_)
        entry.second->push(frame, transmitted);
}

void PortEngine::wake() {
    wake_.notify_one();
}
