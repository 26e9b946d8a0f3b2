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
// a row every history that holds a value receives a 0, so that curves fall to
// zero while nothing arrives. Nothing is allocated per frame.
//
// A slot or watch item given another match (identifier, type or first byte,
// or another signal) forgets what it had: its history is empty and its value unknown until the
// first frame of the new match, so no value of an earlier match is ever shown
// under the new one.
//
// A slot or watch item may instead follow a signal of a DBC database: its
// value is then the signal's physical value, decoded when a frame of the
// signal's message arrives (and, for a multiplexed signal, carries it).
//
// Thread-safe: every public method may be called from any thread; the window
// calls them on the UI thread. The setters take effect from the next frame;
// matches, histories and values change under one short lock, never torn.

#include "Clock.h"
#include "DbcDatabase.h"
#include "TrendView.h"
#include "ZarvoApi.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

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

// Both histories as they stood at one instant. Only the first `length`
// entries of a history are values (newest first); the rest are 0.
struct TrendHistories {
    TrendHistory history1{};
    TrendHistory history2{};
    int length1 = 0;
    int length2 = 0;
};

class TThread_DataConvert_RxCAN {
public:
    // Starts polling `port` at once. Slot 1 matches identifier 0 as a BYTE at
    // D1 until SetTrend1(); slot 2 and the watch items match nothing yet. The
    // port is polled through `driver`.
    TThread_DataConvert_RxCAN(TrendView& view, uint8_t port, const Clock& clock = steadyClock(),
                              const ZarvoBinding& driver = builtinZarvoBinding());
    // Stop()s the thread.
    ~TThread_DataConvert_RxCAN();
    TThread_DataConvert_RxCAN(const TThread_DataConvert_RxCAN&) = delete;
    TThread_DataConvert_RxCAN& operator=(const TThread_DataConvert_RxCAN&) = delete;

    // The port polled from the next poll on (the window's ZarvoPort).
    void SetPort(uint8_t port);
    // Slot 1; its history is kept when the match is the one it had, else emptied.
    void SetTrend1(uint32_t id, int32_t type, int32_t firstByte);
    // Slot 2, enabled from now on for good; its history as for slot 1.
    void SetTrend2(uint32_t id, int32_t type, int32_t firstByte);
    // Curve 1 or 2 matches nothing from now on and its history is emptied
    // (its entry is gone).
    void ClearTrend(int curve);
    // Watch item `index` (0..99): 0 when registered, 1 for an index outside.
    // A type outside 0..7 or a range beyond the eight bytes leaves the value
    // unknown when frames arrive. A new match takes the value of another item
    // with the same match, since that is what its latest frame held; else the
    // value is unknown until the first frame.
    int SetWatchItem(int index, uint32_t id, int32_t type, int32_t firstByte);
    // Slot 1 or 2 (`slot`) or watch item `index` following a signal instead,
    // with the history or value rules above; 1 for a slot or index outside.
    // An empty TrendSignal follows nothing.
    int SetTrendSignal(int slot, const TrendSignal& signal);
    int SetWatchSignal(int index, const TrendSignal& signal);
    // Items `count` and beyond match nothing from now on and have no value
    // (the table has `count` entries left).
    void SetWatchItemCount(int count);

    TrendHistory History1() const;
    TrendHistory History2() const;
    TrendHistories Histories() const;
    // The latest value of watch item `index` (0..99): its signal's physical
    // value when it follows a signal, else the whole value of its bytes;
    // nullopt until its first frame since its match was set, and for an
    // index outside.
    std::optional<double> WatchItemValue(int index) const;

    // Ends the loop and joins the thread, carrying out the view's pending
    // calls meanwhile. Call it before the port is closed. Idempotent.
    void Stop();
    // True once the loop has ended: the port is polled no more.
    bool Stopped();

private:
    // A slot's or watch item's match: a type and byte range of a frame,
    // packed into one word (identifier, type, first byte, enabled; 0 matches
    // nothing), or a signal.
    struct Match {
        uint64_t bytes = 0;
        TrendSignal signal;
        bool operator==(const Match& other) const {
            return bytes == other.bytes && signal.signal == other.signal.signal;
        }
    };
    static Match ByteMatch(uint32_t id, int32_t type, int32_t firstByte);
    static Match SignalMatch(const TrendSignal& signal);

    struct History {
        TrendHistory ring{};
        uint8_t newest = 0; // ring index of entry 0; wraps at 256
        int length = 0;     // values pushed since the last clear, at most 256
        void push(double value);
        void clear();
        TrendHistory copy() const;
    };

    // Sets a slot's match; a different one empties its history.
    void SetSlot(int curve, const Match& match);
    // Sets a watch item's match, as SetWatchItem() tells; 1 for an index outside.
    int SetWatch(int index, const Match& match);

    void Execute();
    // An empty poll; false when the thread is to end.
    bool Idle(uint8_t port, int& idleRounds);
    void ReportStatus(uint8_t port);
    void Decode(const ZarvoFrameBuffer& frame);
    // The value of a slot's or watch item's match in this frame, if it has one.
    static std::optional<double> MatchValue(const Match& match, const ZarvoFrameBuffer& frame);

    TrendView& view_;
    const Clock& clock_;
    const ZarvoBinding& driver_;
    std::atomic<uint8_t> port_;

    // Guards the matches, histories and values below.
    mutable std::mutex mutex_;
    std::array<Match, 2> trend_; // curves 1 and 2
    std::array<Match, kWatchItemCount> watch_{};
    int watchEnd_ = 0; // one above the highest registered item
    std::array<std::optional<double>, kWatchItemCount> values_{};
    std::array<History, 2> history_;

    std::mutex stopMutex_;
    std::condition_variable stopChanged_;
    bool stopping_ = false;
    bool finished_ = false;
    std::thread thread_;
};

// Hands the watched-identifier table (Global_TrendCAN) to `thread`: watch item
// i is entry i, so that variable V(i+1) always follows row i+1 of the table;
// items beyond the table match nothing. A signal entry follows its signal in
// `database`; without the database or the signal there it matches nothing.
// UI thread (the table is read).
void WatchTrendTable(TThread_DataConvert_RxCAN& thread,
                     const std::shared_ptr<const dbc::Database>& database);
