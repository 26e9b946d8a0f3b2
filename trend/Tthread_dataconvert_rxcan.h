#pragma once
// TThread_DataConvert_RxCAN: the worker behind the trend window. It polls a
// receive queue of its own on the port (ZarvoReader), takes every waiting
// frame off it, and decodes the values of the watched identifiers: two trend
// slots with a history of the last 256 values each (newest at index 0), and
// up to 100 watch items with their latest value. A running test's receive
// thread reads a queue of its own, so both see every frame.
//
// Each poll reports the port status to the view (a blocking call onto the UI
// thread). An empty queue makes the poll last 10 ms; on the 52nd empty poll in
// a row both histories receive a 0, so that curves fall to zero while nothing
// arrives. Nothing is allocated per frame.
//
// Thread-safe: every public method may be called from any thread; the window
// calls them on the UI thread. The setters take effect from the next frame;
// the histories are copied under a short lock, never torn.

#include "Clock.h"
#include "TrendView.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

inline constexpr int kTrendHistoryLength = 256;
inline constexpr int kWatchItemCount = 100;

using TrendHistory = std::array<int32_t, kTrendHistoryLength>;

// Both histories as they stood at one instant.
struct TrendHistories {
    TrendHistory history1{};
    TrendHistory history2{};
};

class TThread_DataConvert_RxCAN {
public:
    // Starts polling `port` at once. Slot 1 matches identifier 0 as a BYTE at
    // D1 until SetTrend1(); slot 2 and the watch items match nothing yet.
    TThread_DataConvert_RxCAN(TrendView& view, uint8_t port, const Clock& clock = steadyClock());
    // Stop()s the thread.
    ~TThread_DataConvert_RxCAN();
    TThread_DataConvert_RxCAN(const TThread_DataConvert_RxCAN&) = delete;
    TThread_DataConvert_RxCAN& operator=(const TThread_DataConvert_RxCAN&) = delete;

    // The port polled from the next poll on (the window's ZarvoPort).
    void SetPort(uint8_t port);
    // Slot 1; its history is kept (the chart clears its curve itself).
    void SetTrend1(uint32_t id, int32_t type, int32_t firstByte);
    // Slot 2, enabled from now on for good.
    void SetTrend2(uint32_t id, int32_t type, int32_t firstByte);
    // Watch item `index` (0..99): 0 when registered, 1 for an index outside.
    // A type outside 0..7 or a range beyond the eight bytes leaves the value as
    // it is when frames arrive.
    int SetWatchItem(int index, uint32_t id, int32_t type, int32_t firstByte);

    TrendHistory History1() const;
    TrendHistory History2() const;
    TrendHistories Histories() const;
    // The latest value of watch item `index` (0..99): 0 until its first frame
    // and for an index outside.
    int32_t WatchItemValue(int index) const;

    // Ends the loop and joins the thread, carrying out the view's pending
    // calls meanwhile. Call it before the port is closed. Idempotent.
    void Stop();
    // True once the loop has ended: the port is polled no more.
    bool Stopped();

private:
    // A slot's or watch item's match, packed into one word so that the window
    // changes it in a single store: identifier, type, first byte, enabled.
    static uint64_t Pack(uint32_t id, int32_t type, int32_t firstByte, bool enabled);

    struct History {
        TrendHistory ring{};
        uint8_t newest = 0; // ring index of entry 0; wraps at 256
        void push(int32_t value);
        TrendHistory copy() const;
    };

    void Execute();
    // An empty poll; false when the thread is to end.
    bool Idle(uint8_t port, int& idleRounds);
    void ReportStatus(uint8_t port);
    void Decode(uint32_t id, const uint8_t (&data)[8]);
    // The value of a slot's or watch item's match in this frame, if it has one.
    static std::optional<int32_t> SlotValue(const std::atomic<uint64_t>& slot, uint32_t id,
                                            const uint8_t (&data)[8]);

    TrendView& view_;
    const Clock& clock_;
    std::atomic<uint8_t> port_;
    std::atomic<uint64_t> trend1_;
    std::atomic<uint64_t> trend2_{0};
    std::array<std::atomic<uint64_t>, kWatchItemCount> watch_{};
    std::atomic<int> watchEnd_{0}; // one above the highest registered item
    std::array<std::atomic<int32_t>, kWatchItemCount> values_{};

    mutable std::mutex historyMutex_;
    History history1_;
    History history2_;

    std::mutex stopMutex_;
    std::condition_variable stopChanged_;
    bool stopping_ = false;
    bool finished_ = false;
    std::thread thread_;
};
