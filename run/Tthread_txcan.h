#pragma once
// TThread_TxCAN: the worker thread that starts the transmission of a run. It
// turns the test item table into the driver's transmit groups, hands each
// group over with the callbacks that report its progress, then suspends
// itself; the driver sends, repeats and times the messages on its own.
//
// Life cycle: created suspended; Resume() at the start of every run. Once
// resumed it waits for the wake event that StartSend() signals; after each
// set-up it suspends itself, and when resumed while RunFlag is still 1 (the
// previous run ended without Stop) it sets up the next run at once.
//
// Thread-safe: every public method may be called from any thread; the run
// control calls them on the UI thread. The set-up reads the table,
// IsTestAll, IsGroupSend and SingleTestRow, so those are set before Resume().

#include "ZarvoApi.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// One group's records and the interval, times and terminal arrays that go with them.
struct GroupBuffers {
    std::vector<type_ZarvoMsg> msgs;
    std::vector<int32_t> intervals, times, terminals;
};

struct GroupCallbacks {
    ZarvoRxCallback rx;
    ZarvoTxCallback tx;
};

class TThread_TxCAN {
public:
    // Hands the groups over to `driver`.
    explicit TThread_TxCAN(const ZarvoBinding& driver = builtinZarvoBinding());
    // Ends the thread: a set-up under way finishes its current group first.
    ~TThread_TxCAN();
    TThread_TxCAN(const TThread_TxCAN&) = delete;
    TThread_TxCAN& operator=(const TThread_TxCAN&) = delete;

    // The port of the next set-up.
    void SetPort(uint8_t port);
    // RunFlag := 1, then, 10 ms later, the wake event.
    void StartSend();
    // RunFlag := 0 and the wake event reset. A set-up under way hands over no
    // further group.
    void StopSend();
    // Lets a suspended thread go on. A thread that is still setting up takes
    // the resume as soon as it would suspend itself; one that waits for its
    // wake event is not affected.
    void Resume();
    // Returns once no set-up is under way or due (UI thread, after StopSend()).
    void WaitUntilIdle();

private:
    enum class State { Suspended, Waiting, Busy };

    void Execute();
    // Waits while suspended; false once terminated. Called with `lock` held.
    bool StaySuspended(std::unique_lock<std::mutex>& lock);
    void SetUp();
    void SetUpSingle();
    void SetUpAllItems();
    void SetUpGroups();
    // One group to the driver, then the callbacks that report its progress.
    void HandOver(uint8_t group, GroupBuffers buffers, GroupCallbacks callbacks);

    const ZarvoBinding& driver_;
    std::atomic<uint8_t> Port{0};
    std::atomic<uint8_t> RunFlag{0};
    std::mutex Lock; // around the driver calls of each group

    std::mutex stateMutex_;
    std::condition_variable stateChanged_;
    State state_ = State::Suspended;
    bool wake_ = false;          // the auto-reset wake event
    bool resumePending_ = false; // Resume() arrived while a set-up ran
    bool terminated_ = false;
    std::thread thread_;
};
