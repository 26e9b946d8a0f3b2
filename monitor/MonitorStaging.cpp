#include "MonitorStaging.h"

#include <algorithm>
#include <utility>

MonitorStaging::MonitorStaging(std::function<void()> wake, size_t capacity)
    : wake_(std::move(wake)), capacity_(std::max<size_t>(capacity, 1)) {}

void MonitorStaging::push(const MonitorFrame& frame, const std::string& interfaceName) {
    {
        std::lock_guard lock(mutex_);
        if (interfaceName_.empty())
            interfaceName_ = interfaceName;
        if (frames_.size() >= capacity_)
            ++dropped_;
        else
            frames_.push_back(frame);
        if (woken_)
            return;
        woken_ = true;
    }
    if (wake_)
        wake_();
}

void MonitorStaging::addDropped(uint64_t count) {
    if (count == 0)
        return;
    {
        std::lock_guard lock(mutex_);
        dropped_ += count;
        if (woken_)
            return;
        woken_ = true;
    }
    if (wake_)
        wake_();
}

void MonitorStaging::take(Batch& batch) {
    batch.frames.clear();
    std::lock_guard lock(mutex_);
    frames_.swap(batch.frames);
    batch.dropped = std::exchange(dropped_, 0);
    woken_ = false;
}

std::string MonitorStaging::interfaceName() const {
    std::lock_guard lock(mutex_);
    return interfaceName_;
}

void MonitorSink::write(const CandumpRecord& record) {
    staging_->push(monitorFrame(record), record.interfaceName);
}
