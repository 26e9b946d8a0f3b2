#pragma once
// The bus monitor's logic: the capture ring, the per-identifier table, the
// bus statistics and the two views of the capture that the window shows:
// chronological (one row per frame) and fixed (one row per identifier and
// direction, sorted by both). The views follow the capture at append() unless
// paused, and tell a RowListener (the window's models) before and after every
// change of their rows, so that the models never reset for new frames. Free
// of Qt; not thread-safe (frames arrive through MonitorStaging).

#include "CaptureRing.h"
#include "Clock.h"
#include "MonitorFilter.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

// Told about each change of a view's rows, in the order of QAbstractItemModel's
// begin/end calls.
class RowListener {
public:
    virtual ~RowListener() = default;
    virtual void aboutToInsert(size_t first, size_t last) = 0;
    virtual void inserted() = 0;
    virtual void aboutToRemove(size_t first, size_t last) = 0;
    virtual void removed() = 0;
    virtual void changed(size_t first, size_t last) = 0;
    virtual void aboutToReset() = 0;
    virtual void reset() = 0;
};

// One identifier and direction of the fixed view.
struct FixedRow {
    MonitorFrame last;    // the latest frame
    uint64_t count = 0;   // frames since the capture was cleared
    int64_t cycleUs = -1; // time between the last two frames; -1 before the second
    int64_t cycleMinUs = -1;
    int64_t cycleMaxUs = -1;
    uint8_t changed = 0; // bit i: byte i differs from the frame before (length changes too)
    Clock::Time changedAt{};
    bool lit = false; // `changed` is still highlighted

    uint32_t key() const; // orders the rows: identifier, then 11 before 29 bits, Rx before Tx
};

struct BusStatistics {
    double framesPerSecond = 0;
    double busLoadPercent = 0; // at the bit rate given, worst-case stuffed frame lengths
    uint64_t captured = 0;     // frames in the capture
    uint64_t droppedFromStart = 0;
    uint64_t lostBeforeCapture = 0; // the driver's hand-off fell behind
};

class BusMonitor {
public:
    // A changed byte stays highlighted this long.
    static constexpr std::chrono::milliseconds kHighlight{1000};
    // Frames per second and the bus load are averaged over this much time.
    static constexpr std::chrono::milliseconds kRateWindow{1000};

    explicit BusMonitor(const Clock& clock = steadyClock(),
                        size_t capacity = CaptureRing::kDefaultCapacity);

    void setListeners(RowListener* chronological, RowListener* fixed);

    // New frames for the capture, and how many were lost before it.
    void append(std::span<const MonitorFrame> frames, uint64_t lostBefore = 0);
    // Ends the highlights whose time is over and takes a sample for the rates;
    // append() does it too.
    void tick();

    // A paused view keeps its rows while the capture goes on (frames that
    // leave the ring still leave the chronological view); resuming brings in
    // everything captured meanwhile.
    void setPaused(bool paused);
    bool paused() const { return paused_; }
    // Shows the capture anew through `filter` (the views reset).
    void setFilter(MonitorFilter filter);
    const MonitorFilter& filter() const { return filter_; }
    // Empties the capture, the table and the views.
    void clear();
    // The ring's capacity; the oldest frames beyond it are dropped (views reset).
    void setCapacity(size_t capacity);

    const CaptureRing& capture() const { return ring_; }
    // The time of the first frame captured since clear() (0 before it).
    uint64_t startUs() const { return startUs_.value_or(0); }
    BusStatistics statistics(uint32_t bitRate) const;

    // The chronological view.
    size_t chronologicalRows() const { return chronological_.size(); }
    const MonitorFrame& chronologicalFrame(size_t row) const;
    // The fixed view.
    size_t fixedRows() const { return fixed_.size(); }
    const FixedRow& fixedRow(size_t row) const { return fixed_[row]; }

private:
    struct Sample {
        Clock::Time at;
        uint64_t frames;
        uint64_t bits;
    };

    void count(const MonitorFrame& frame, Clock::Time now);
    void followCapture();
    void dropGoneFrames();
    void catchUpChronological();
    void catchUpFixed();
    size_t fixedPosition(uint32_t key) const;
    bool isShownAt(size_t at, uint32_t key) const;
    void insertOrRemoveFixed(const FixedRow& row);
    void rebuildViews();
    void takeSample(Clock::Time now);

    const Clock& clock_;
    CaptureRing ring_;
    MonitorFilter filter_;
    bool paused_ = false;
    RowListener* chronologicalListener_ = nullptr;
    RowListener* fixedListener_ = nullptr;

    struct Entry {
        FixedRow row;
        bool touched = false; // in touched_
    };

    // Every identifier and direction since clear(), by key, and the keys
    // touched since the fixed view last caught up.
    std::unordered_map<uint32_t, Entry> table_;
    std::vector<uint32_t> touched_;
    std::vector<uint64_t> incoming_; // catchUpChronological()'s batch, kept for its memory

    std::deque<uint64_t> chronological_; // sequence numbers of the shown frames
    uint64_t shownUntil_ = 0;            // the capture is shown up to here
    std::vector<FixedRow> fixed_;     // the shown rows, sorted by key: a copy, frozen while paused
    std::vector<uint32_t> fixedKeys_; // their keys, searched without touching the rows

    uint64_t totalFrames_ = 0;
    uint64_t totalBits_ = 0;
    uint64_t lostBefore_ = 0;
    std::optional<uint64_t> startUs_;
    std::deque<Sample> samples_;
};
