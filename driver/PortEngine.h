#pragma once
// One virtual port while it is in use: its channel, its transmit groups, the
// scheduler thread that times them, its readers' receive queues and the
// thread that runs its callbacks. Free of Qt, so that it can run under ThreadSanitizer.
//
// Group timeline, message k after message k-1:
//   state-0 callback (the message starts; transmissions wait for it to return)
//   times[k] transmissions (0 = until stopped), transmission i due at
//     start + i * max(intervals[k], 1 ms); the window after the last one is
//     intervals[k] from when the channel took it
//   state-1 callback, then a pause of terminals[k], then message k+1.
// A group handed over without a transmit callback waits up to kCallbackGrace
// for one before it starts, so that its first start notice is not lost. The
// state-1 callback waits until the channel has handed over every frame
// time-stamped before the window closed, so that a response that came inside
// the window is reported before its message ends, however late the PC is.
//
// Receive queues: every reader of the port gets every received frame in a
// bounded queue of its own, which drops its oldest frame when full and counts
// it. Reader kPortQueue serves the callers that name no reader; it takes
// frames from the opening on, and its drops show in the port's status once it
// has been read or while the port has no other reader, so that a port whose
// readers all have queues of their own does not report the overflow of a
// queue that nobody reads.
//
// Thread-safe: every public method may be called from any thread, also from
// inside the port's callbacks (except close()).

#include "CallbackQueue.h"
#include "CanChannel.h"
#include "Clock.h"
#include "TraceTap.h"
#include "ZarvoApi.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct GroupMessage {
    CanFrame frame;
    int32_t interval = 0; // ms
    int32_t times = 1;    // transmissions; 0 (or negative) = until stopped
    int32_t terminal = 0; // ms
};

class PortEngine final : private ChannelListener {
public:
    static constexpr size_t kRxQueueCapacity = 4096;
    static constexpr uint32_t kPortQueue = 0;
    static constexpr std::chrono::milliseconds kCallbackGrace{100};
    // Repeated transmissions are at least this far apart (interval 0 means
    // every millisecond) instead of flooding the bus from a spinning thread.
    static constexpr std::chrono::milliseconds kMinRepeatInterval{1};

    PortEngine(uint8_t port, std::unique_ptr<CanChannel> channel,
               const Clock& clock = steadyClock(), size_t rxCapacity = kRxQueueCapacity);
    ~PortEngine() override;
    PortEngine(const PortEngine&) = delete;
    PortEngine& operator=(const PortEngine&) = delete;

    // Opening an open port does nothing and succeeds, unless its adapter was
    // lost or the bit rate differs: then the port is closed and opened again.
    // `note` receives what the channel has to say about this opening (or why
    // it failed); it stays empty when the port was open already.
    int32_t open(uint32_t bitRate, std::string& note);
    // What the channel had to say about the port's latest opening.
    std::string openNote() const;
    // Stops every group, drops waiting notices and frames, releases the
    // channel. Waits for a running callback to return, so it must not be
    // called from one (kZarvoWrongThread).
    int32_t close();
    bool isOpen() const;
    // The port number the callbacks report (the table may be renumbered by a search).
    void setPortNumber(uint8_t port) { port_.store(port); }

    // Starts afresh: every group stops and forgets its messages, callbacks
    // and response identifier; their waiting notices are dropped.
    int32_t setGroupCount(uint8_t count);
    // An empty group is done at once. On a running group with as many
    // messages the new messages replace the old ones from the next
    // transmission on; otherwise the group (re)starts with its first message.
    int32_t sendGroup(uint8_t group, std::vector<GroupMessage> messages);
    // No notice of the group runs after this returns (it waits for one that
    // is running, unless called from inside a callback).
    int32_t stopGroup(uint8_t group);
    int32_t setTxCallback(uint8_t group, ZarvoTxCallback callback);
    int32_t setRxCallback(uint8_t group, ZarvoRxCallback callback);
    int32_t setResponseId(uint8_t group, int32_t id);

    // A queue of its own for `reader` (not kPortQueue), from now on; it stays
    // through closing and opening the port until removeReader().
    void addReader(uint32_t reader);
    void removeReader(uint32_t reader);
    // kZarvoUnknownReader for a reader the port does not have.
    int32_t rxCount(uint16_t& count, uint32_t reader = kPortQueue);
    int32_t readFrame(CanFrame& frame, uint32_t reader = kPortQueue);
    // The frames `reader` lost because its queue was full, since it was added.
    int32_t readerDropped(uint32_t reader, uint64_t& dropped) const;
    // 0 = healthy, else kStatus… bits (ZarvoCodes.h).
    uint32_t status() const;
    // Frames dropped from the receive queues (once for every reader that lost
    // one), receive notices dropped because the callbacks fell behind, and
    // frames the bus's other nodes dropped.
    uint64_t droppedFrames() const;

    // Every frame the port transmits or receives from now on also goes to
    // `tap` (null: none); returns the tap in use before. No frame reaches the
    // old tap after this returns. The port has one such trace; taps added
    // with addTap() listen beside it.
    std::shared_ptr<TraceTap> setTrace(std::shared_ptr<TraceTap> tap);
    // Several listeners at once (a run's trace and the bus monitor): every
    // frame from now on also goes to `tap`, until removeTap(`id`). The caller
    // picks ids unique per port.
    void addTap(uint64_t id, std::shared_ptr<TraceTap> tap);
    // The tap added as `id` (null when none); no frame reaches it after this returns.
    std::shared_ptr<TraceTap> removeTap(uint64_t id);

    // True when nothing is due on the clock, no group waits for its start
    // notice (a closing window may wait for the channel) and no callback
    // waits or runs (tests step a ManualClock with it).
    bool idle() const;

private:
    // Closing: the message's window is over; its end notice waits for the
    // channel to hand over the frames of the window.
    enum class Phase { Idle, AwaitingCallback, Starting, Sending, Closing, Pausing };
    struct Group {
        std::vector<GroupMessage> messages;
        Phase phase = Phase::Idle;
        size_t index = 0;    // current message
        int64_t sent = 0;    // its transmissions so far
        Clock::Time start{}; // due time of its first transmission
        Clock::Time due{};   // next event
        uint64_t run = 0;    // new at every start and stop: stale start notices are ignored
        int32_t responseId = -1;
        bool heldUp = false; // closing, waits for the channel rather than the clock
        ZarvoTxCallback tx = nullptr;
        ZarvoRxCallback rx = nullptr;
    };

    struct Reader {
        std::deque<CanFrame> queue;
        bool overflow = false; // frames were dropped since the queue was last read empty
        uint64_t dropped = 0;
        bool claimed = true; // read since the opening (only kPortQueue starts without)
    };

    // A transmission the scheduler hands to the channel. After the last one
    // of a message its window runs from when the channel took it, so that a
    // late wake-up does not shorten it.
    struct Outgoing {
        CanFrame frame;
        uint8_t group = 0;
        uint64_t run = 0;
        std::optional<Clock::Time> window; // after the message's last transmission
    };

    void frameReceived(const CanFrame& frame) override;
    void conditionChanged(uint32_t statusBit, bool present) override;
    void framesDropped(uint64_t count) override;
    void channelCaughtUp() override;

    int32_t checkGroup(uint8_t group) const; // with mutex_ held
    Reader* readerOf(uint32_t reader);       // with mutex_ held; claims the port queue
    bool shows(const Reader& reader) const;  // with mutex_ held: its drops count for the port
    bool needsReopen(uint32_t bitRate) const;
    bool ready(Group& group, Clock::Time now, Clock::Time& delivered);
    void withdrawNotices(std::optional<int> group);
    void startGroup(uint8_t g, Clock::Time now);
    void beginMessage(uint8_t g, Clock::Time at);
    void keepNextDue(Group& group, Clock::Time oldInterval);
    void step(uint8_t g, std::vector<Outgoing>& toWrite);
    void postTxNotice(uint8_t g, uint8_t state, bool gatesTransmission);
    void startNoticeDone(uint8_t g, uint64_t run);
    void schedulerLoop();
    void writeFrames(const std::vector<Outgoing>& frames);
    void wake();
    void pushToTaps(const CanFrame& frame, bool transmitted); // with mutex_ held
    std::shared_ptr<TraceTap> takeTap(uint64_t id);           // with mutex_ held

    std::atomic<uint32_t> port_;
    const std::unique_ptr<CanChannel> channel_;
    const Clock& clock_;
    const size_t rxCapacity_;

    // Serialises open() and close() so that the threads start and stop once.
    std::mutex lifecycle_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool open_ = false;
    bool openFailed_ = false;
    bool quit_ = false;
    bool schedulerWaiting_ = false;
    std::vector<Group> groups_;
    std::map<uint32_t, Reader> readers_;
    bool noticesDropped_ = false;
    uint64_t dropped_ = 0;
    uint64_t nextRun_ = 0;
    uint32_t bitRate_ = 0;
    std::string openNote_;
    uint32_t conditions_ = 0;
    std::unique_ptr<CallbackQueue> callbacks_;
    // The trace of setTrace() has the id kTraceSlot; addTap()'s ids are others.
    static constexpr uint64_t kTraceSlot = 0;
    std::vector<std::pair<uint64_t, std::shared_ptr<TraceTap>>> taps_;
    std::vector<CanFrame> written_; // scheduler thread only: the frames writeFrames() got out
    std::thread scheduler_;
};
