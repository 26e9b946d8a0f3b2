#pragma once
// The bus monitor's capture: a bounded ring of frames. When it is full the
// oldest frame makes room and counts as dropped from the start. Every frame
// keeps one sequence number for its life, so that the views refer to frames
// by number and notice when theirs are gone. Free of Qt; not thread-safe.

#include "MonitorFrame.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CaptureRing {
public:
    static constexpr size_t kDefaultCapacity = 1'000'000;

    explicit CaptureRing(size_t capacity = kDefaultCapacity);

    void push(const MonitorFrame& frame);
    // Keeps the newest min(size, capacity) frames; the others count as dropped.
    void setCapacity(size_t capacity);
    size_t capacity() const { return capacity_; }
    // Empties the capture; the drop count starts again from 0.
    void clear();

    // Sequence numbers of the oldest frame held and one past the newest.
    uint64_t begin() const { return end_ - frames_.size(); }
    uint64_t end() const { return end_; }
    size_t size() const { return frames_.size(); }
    // `seq` in [begin(), end()).
    const MonitorFrame& at(uint64_t seq) const;
    // Frames dropped from the start since the last clear().
    uint64_t dropped() const { return begin() - cleared_; }

private:
    size_t slot(uint64_t seq) const { return static_cast<size_t>((seq - origin_) % capacity_); }

    size_t capacity_;
    // Grows up to capacity_; frame `seq` lives in slot(seq), counted from origin_.
    std::vector<MonitorFrame> frames_;
    uint64_t origin_ = 0; // the first frame of frames_[0] since the last clear or resize
    uint64_t end_ = 0;
    uint64_t cleared_ = 0; // end_ at the last clear()
};
