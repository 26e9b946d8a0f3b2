#pragma once
// The hand-off from the driver to the bus monitor: a trace sink that the
// port's tap feeds on its writer thread, collecting frames in a bounded,
// mutex-guarded buffer that the window takes as a whole at its next refresh.
// The first frame after a take() calls `wake` once, so that the window asks
// for one refresh per batch, never one per frame. Free of Qt.
//
// Thread-safe: push(), finish() and the tap's calls from any thread; take()
// from the one consumer.

#include "CandumpLog.h"
#include "MonitorFrame.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class MonitorStaging {
public:
    static constexpr size_t kDefaultCapacity = 1 << 20;

    explicit MonitorStaging(std::function<void()> wake, size_t capacity = kDefaultCapacity);

    void push(const MonitorFrame& frame, const std::string& interfaceName);
    // The tap's own drops (its writer fell behind), counted with the staging's.
    void addDropped(uint64_t count);

    struct Batch {
        std::vector<MonitorFrame> frames;
        uint64_t dropped = 0; // lost before the capture since the last take()
    };
    // Everything waiting; `batch.frames` is reused as the next buffer.
    void take(Batch& batch);
    // The interface name of the frames ("simulator0"); empty before the first.
    std::string interfaceName() const;

private:
    const std::function<void()> wake_;
    const size_t capacity_;
    mutable std::mutex mutex_;
    std::vector<MonitorFrame> frames_;
    uint64_t dropped_ = 0;
    bool woken_ = false;
    std::string interfaceName_;
};

// The sink a port's tap writes into: converts each record and stages it.
class MonitorSink final : public TraceSink {
public:
    explicit MonitorSink(std::shared_ptr<MonitorStaging> staging) : staging_(std::move(staging)) {}
    void write(const CandumpRecord& record) override;
    void finish(uint64_t dropped) override { staging_->addDropped(dropped); }

private:
    const std::shared_ptr<MonitorStaging> staging_;
};
