#pragma once
// The trace tap of a port: every frame the port transmits or receives goes
// into a bounded lock-free queue that a writer thread of its own drains into
// a TraceSink. The port's threads never wait for the writer, take no lock it
// holds and make no system call: when the queue is full the frame is counted
// as dropped, and the count reaches the sink at the end. The writer looks
// every kWriterPeriod and runs a few nice steps below the port's threads, so
// that formatting and file writes yield to them. Time stamps on the driver's
// monotonic clock become wall-clock time by the offset between the two
// clocks when the tap is made. Free of Qt.
//
// Thread-safe: push() from any thread; finish() once, from one thread.

#include "CandumpLog.h"
#include "Clock.h"

#include <atomic>
#include <boost/lockfree/queue.hpp>
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
    static constexpr size_t kMaxCapacity = 65534; // what the fixed-size queue can index
    static constexpr std::chrono::milliseconds kWriterPeriod{20};
    static constexpr std::chrono::microseconds kReorderWindow{5000};
    static constexpr int kWriterNiceSteps = 19;

    TraceTap(std::unique_ptr<TraceSink> sink, std::string interfaceName,
             const Clock& clock = steadyClock(), size_t capacity = kDefaultCapacity);
    // Finishes the trace when that was not done.
    ~TraceTap();
    TraceTap(const TraceTap&) = delete;
    TraceTap& operator=(const TraceTap&) = delete;

    // `frame.timeStampUs` is on the driver's clock. Lock-free, never waits.
    void push(const CanFrame& frame, bool transmitted);
    // Hands every frame still queued to the sink, ends the writer thread
    // and calls the sink's finish() with the number of dropped frames.
    void finish();

private:
    struct Entry {
        CanFrame frame;
        bool transmitted = false;
    };

    void writerLoop();
    // Takes the queued frames and writes them, all or up to the reorder window.
    void writeQueued(bool all);
    void drain(bool all);

    const std::unique_ptr<TraceSink> sink_;
    const std::string interfaceName_;
    const int64_t wallOffsetUs_; // wall-clock minus driver clock

    boost::lockfree::queue<Entry, boost::lockfree::fixed_sized<true>> queue_;
    std::atomic<uint64_t> dropped_{0};
    std::atomic<bool> finished_{false}; // frames pushed later are ignored
    std::vector<Entry> held_;           // the writer's, then finish()'s

    // Between the writer and finish() only.
    std::mutex mutex_;
    std::condition_variable wake_;
    bool quit_ = false;
    std::thread writer_;
};
