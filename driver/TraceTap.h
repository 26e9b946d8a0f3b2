#pragma once
// The trace tap of a port: every frame the port transmits or receives goes
// into a bounded buffer that a writer thread of its own drains into a
// TraceSink. The port's threads never wait for the sink: when the buffer is
// full the frame is counted as dropped, and the count reaches the sink at the
// end. Time stamps on the driver's monotonic clock become wall-clock time by
// the offset between the two clocks when the tap is made. Free of Qt.
//
// Thread-safe: push() from any thread; finish() once, from one thread.

#include "CandumpLog.h"
#include "Clock.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TraceTap {
public:
    static constexpr size_t kDefaultCapacity = 16384;
    static constexpr std::chrono::milliseconds kWriterPeriod{20};
    static constexpr std::chrono::microseconds kReorderWindow{5000};

    TraceTap(std::unique_ptr<TraceSink> sink, std::string interfaceName,
             const Clock& clock = steadyClock(), size_t capacity = kDefaultCapacity);
    // Finishes the trace when that was not done.
    ~TraceTap();
    TraceTap(const TraceTap&) = delete;
    TraceTap& operator=(const TraceTap&) = delete;

    // `frame.timeStampUs` is on the driver's clock. Never blocks for long.
    void push(const CanFrame& frame, bool transmitted);
    // Hands every frame still buffered to the sink, ends the writer thread
    // and calls the sink's finish() with the number of dropped frames.
    void finish();

private:
    struct Entry {
        CanFrame frame;
        bool transmitted = false;
    };

    void writerLoop();
    void drain(std::vector<Entry>& held, bool all);

    const std::unique_ptr<TraceSink> sink_;
    const std::string interfaceName_;
    const int64_t wallOffsetUs_; // wall-clock minus driver clock
    const size_t capacity_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Entry> buffer_;
    uint64_t dropped_ = 0;
    bool quit_ = false;
    std::thread writer_;
};
