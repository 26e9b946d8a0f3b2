#include "TraceTap.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

namespace {

int64_t toUs(std::chrono::nanoseconds t) {
    return std::chrono::duration_cast<std::chrono::microseconds>(t).count();
}

} // namespace

TraceTap::TraceTap(std::unique_ptr<TraceSink> sink, std::string interfaceName, const Clock& clock,
                   size_t capacity)
    : sink_(std::move(sink)), interfaceName_(std::move(interfaceName)),
      wallOffsetUs_(toUs(std::chrono::system_clock::now().time_since_epoch()) - toUs(clock.now())),
      queue_(std::clamp<size_t>(capacity, 1, kMaxCapacity)) {
    writer_ = std::thread([this] { writerLoop(); });
}

TraceTap::~TraceTap() {
    finish();
}

void TraceTap::push(const CanFrame& frame, bool transmitted) {
    if (finished_.load(std::memory_order_acquire))
        return;
    if (!queue_.bounded_push({frame, transmitted}))
        dropped_.fetch_add(1, std::memory_order_relaxed);
}

void TraceTap::finish() {
    {
        std::lock_guard lock(mutex_);
        if (!writer_.joinable())
            return;
        quit_ = true;
    }
    finished_.store(true, std::memory_order_release);
    wake_.notify_one();
    writer_.join();
    // The rest is written at the caller's priority, not the writer's.
    writeQueued(true);
    sink_->finish(dropped_.load());
}

void TraceTap::writerLoop() {
    lowerThisThreadsPriority(kWriterNiceSteps);
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, kWriterPeriod, [this] { return quit_; })) {
        lock.unlock();
        writeQueued(false);
        lock.lock();
    }
}

void TraceTap::writeQueued(bool all) {
    queue_.consume_all([this](const Entry& e) { held_.push_back(e); });
    drain(all);
}

// The port's threads push their frames one after the other, each stamped a
// moment before: a received frame can come in just ahead of a transmitted one
// stamped earlier. Frames are written in time order, and those of the last
// kReorderWindow are held back for frames stamped before them.
void TraceTap::drain(bool all) {
    std::stable_sort(held_.begin(), held_.end(), [](const Entry& a, const Entry& b) {
        return a.frame.timeStampUs < b.frame.timeStampUs;
    });
    const uint64_t window = static_cast<uint64_t>(kReorderWindow.count());
    const uint64_t until = all || held_.empty() || held_.back().frame.timeStampUs < window
                               ? UINT64_MAX
                               : held_.back().frame.timeStampUs - window;
    CandumpRecord record;
    record.interfaceName = interfaceName_;
    auto e = held_.begin();
    for (; e != held_.end() && e->frame.timeStampUs <= until; ++e) {
        record.frame = e->frame;
        record.timeUs =
            static_cast<uint64_t>(static_cast<int64_t>(e->frame.timeStampUs) + wallOffsetUs_);
        record.direction = e->transmitted ? 'T' : 'R';
        sink_->write(record);
    }
    held_.erase(held_.begin(), e);
}
