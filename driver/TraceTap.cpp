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
      capacity_(std::max<size_t>(capacity, 1)) {
    buffer_.reserve(capacity_);
    writer_ = std::thread([this] { writerLoop(); });
}

TraceTap::~TraceTap() {
    finish();
}

void TraceTap::push(const CanFrame& frame, bool transmitted) {
    {
        std::lock_guard lock(mutex_);
        if (quit_)
            return;
        if (buffer_.size() >= capacity_) {
            ++dropped_;
            return;
        }
        buffer_.push_back({frame, transmitted});
        // The writer looks every kWriterPeriod anyway; it is woken only when
        // the buffer fills up, so most pushes cost no system call.
        if (buffer_.size() != (capacity_ + 1) / 2)
            return;
    }
    wake_.notify_one();
}

void TraceTap::finish() {
    {
        std::lock_guard lock(mutex_);
        if (!writer_.joinable())
            return;
        quit_ = true;
    }
    wake_.notify_one();
    writer_.join();
    sink_->finish(dropped_);
}

void TraceTap::writerLoop() {
    // Swapping with a batch of the same capacity keeps push() free of allocations.
    std::vector<Entry> batch;
    batch.reserve(capacity_);
    std::vector<Entry> held;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait_for(lock, kWriterPeriod,
                       [this] { return quit_ || buffer_.size() >= (capacity_ + 1) / 2; });
        const bool last = quit_;
        buffer_.swap(batch);
        lock.unlock();
        held.insert(held.end(), batch.begin(), batch.end());
        batch.clear();
        drain(held, last);
        lock.lock();
        if (last && buffer_.empty())
            return;
    }
}

// The port's threads push their frames one after the other, each stamped a
// moment before: a received frame can come in just ahead of a transmitted one
// stamped earlier. Frames are written in time order, and those of the last
// kReorderWindow are held back for frames stamped before them.
void TraceTap::drain(std::vector<Entry>& held, bool all) {
    std::stable_sort(held.begin(), held.end(), [](const Entry& a, const Entry& b) {
        return a.frame.timeStampUs < b.frame.timeStampUs;
    });
    const uint64_t window = static_cast<uint64_t>(kReorderWindow.count());
    const uint64_t until = all || held.empty() || held.back().frame.timeStampUs < window
                               ? UINT64_MAX
                               : held.back().frame.timeStampUs - window;
    CandumpRecord record;
    record.interfaceName = interfaceName_;
    auto e = held.begin();
    for (; e != held.end() && e->frame.timeStampUs <= until; ++e) {
        record.frame = e->frame;
        record.timeUs =
            static_cast<uint64_t>(static_cast<int64_t>(e->frame.timeStampUs) + wallOffsetUs_);
        record.direction = e->transmitted ? 'T' : 'R';
        sink_->write(record);
    }
    held.erase(held.begin(), e);
}
