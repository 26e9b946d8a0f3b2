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
// A slot or watch item may instead follow a signal of a DBC database: its
// value is then the signal's physical value, decoded when a frame of the
// signal's message arrives (and, for a multiplexed signal, carries it).
//
// Thread-safe: every public method may be called from any thread; the window
// calls them on the UI thread. The setters take effect from the next frame
// (signal setters: from the next batch of frames); the histories are copied
// under a short lock, never torn.

#include "Clock.h"
#include "DbcDatabase.h"
#include "TrendView.h"
#include "ZarvoApi.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

inline constexpr int kTrendHistoryLength = 256;
inline constexpr int kWatchItemCount = 100;

// Values as doubles: a whole-byte value is a signed 32-bit integer, which a
// double holds exactly; a signal's value is its physical value.
using TrendHistory = std::array<double, kTrendHistoryLength>;

// A signal of a database, with the message it lies in. Both belong to the
// database handed over with it, which the thread keeps alive.
struct TrendSignal {
    std::shared_ptr<const dbc::Database> database;
    const dbc::Message* message = nullptr;
    const dbc::Signal* signal = nullptr;

    explicit operator bool() const { return signal != nullptr; }
};

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
    // Slot 1 or 2 (`slot`) or watch item `index` following a signal instead;
    // 1 for a slot or index outside. An empty TrendSignal follows nothing.
    int SetTrendSignal(int slot, const TrendSignal& signal);
    int SetWatchSignal(int index, const TrendSignal& signal);

    TrendHistory History1() const;
    TrendHistory History2() const;
    TrendHistories Histories() const;
    // The latest value of watch item `index` (0..99): 0 until its first frame
    // and for an index outside.
    int32_t WatchItemValue(int index) const;
    // The latest value of watch item `index`: its signal's physical value
    // when it follows a signal, else WatchItemValue(); 0 until the first frame.
    double WatchValue(int index) const;

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
        void push(double value);
        TrendHistory copy() const;
    };

    void Execute();
    // An empty poll; false when the thread is to end.
    bool Idle(uint8_t port, int& idleRounds);
    void ReportStatus(uint8_t port);
    // The signals followed, replaced as a whole by the setters so that the
    // thread takes them once per batch of frames, without allocating.
    struct SignalPlan {
        TrendSignal trend[2];
        std::array<TrendSignal, kWatchItemCount> watch{};
        int watchEnd = 0;
    };
    void ChangePlan(const std::function<void(SignalPlan&)>& change);
    void Decode(const SignalPlan& plan, const ZarvoFrameBuffer& frame);
    // A slot's value in this frame, from its signal or its byte match.
    static bool TrendValue(const std::atomic<uint64_t>& slot, const TrendSignal& signal,
                           const ZarvoFrameBuffer& frame, double& value);
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
    std::array<std::atomic<double>, kWatchItemCount> signalValues_{};
    std::array<std::atomic<bool>, kWatchItemCount> isSignal_{};

    mutable std::mutex planMutex_;
    std::shared_ptr<const SignalPlan> plan_ = std::make_shared<SignalPlan>();

    mutable std::mutex historyMutex_;
    History history1_;
    History history2_;

    std::mutex stopMutex_;
    std::condition_variable stopChanged_;
    bool stopping_ = false;
    bool finished_ = false;
    std::thread thread_;
};
