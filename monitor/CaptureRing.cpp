#include "CaptureRing.h"

#include <algorithm>

CaptureRing::CaptureRing(size_t capacity) : capacity_(std::max<size_t>(capacity, 1)) {}

void CaptureRing::push(const MonitorFrame& frame) {
    if (frames_.size() < capacity_)
        frames_.push_back(frame);
    else
        frames_[slot(end_)] = frame;
    ++end_;
}

const MonitorFrame& CaptureRing::at(uint64_t seq) const {
    return frames_[slot(seq)];
}

void CaptureRing::setCapacity(size_t capacity) {
    capacity = std::max<size_t>(capacity, 1);
    const uint64_t first = end_ - std::min<uint64_t>(frames_.size(), capacity);
    std::vector<MonitorFrame> kept;
    kept.reserve(static_cast<size_t>(end_ - first));
    for (uint64_t seq = first; seq < end_; ++seq)
        kept.push_back(at(seq));
    capacity_ = capacity;
    frames_ = std::move(kept);
    frames_.shrink_to_fit();
    origin_ = first;
}

void CaptureRing::clear() {
    frames_.clear();
    origin_ = end_;
    cleared_ = end_;
}
