#include "Tthread_txcan.h"

#include "Clock.h"
#include "Globals.h"
#include "RunCallbacks.h"
#include "SystemLog.h"
#include "ZarvoApi.h"
#include "ZarvoRecord.h"

#include <chrono>
#include <vector>

namespace {

using namespace std::chrono_literals;

// One group's records and arrays, built in group mode.
struct GroupBuffers {
    std::vector<type_ZarvoMsg> msgs;
    std::vector<int32_t> intervals, times, terminals;
};

struct Callbacks {
    ZarvoRxCallback rx;
    ZarvoTxCallback tx;
};

// The same sequence in every mode. The driver copies what it keeps during
// Zarvo_SendGroup, so the caller frees the arrays afterwards.
void HandOver(std::mutex& lock, uint8_t port, uint8_t group, uint8_t n, const type_ZarvoMsg* msgs,
              const int32_t* intervals, const int32_t* times, const int32_t* terminals,
              Callbacks callbacks) {
    {
        std::lock_guard held(lock);
        zarvo().Zarvo_SendGroup(port, group, n, msgs, intervals, times, terminals);
    }
    std::this_thread::sleep_for(5ms);
    {
        std::lock_guard held(lock);
        zarvo().Zarvo_SetRxCallback(port, group, callbacks.rx);
        zarvo().Zarvo_SetTxCallback(port, group, callbacks.tx);
    }
    std::this_thread::sleep_for(10ms);
}

GroupBuffers BuildGroup(uint8_t group) {
    const type_CustomerCMD& t = Global_CustomerCMD;
    GroupBuffers g;
    for (int j = 0; j < t.CMD_Count; ++j) {
        if (t.TxCANGroup[j] != group)
            continue;
        const int k = static_cast<int>(g.msgs.size());
        g.msgs.push_back(BuildZarvoMsg(j));
        g.intervals.push_back(t.TxLoopInterval[j]);
        g.times.push_back(t.TxLoopTimes[j]);
        g.terminals.push_back(t.TxLoopTerminal[j]);
        const uint8_t* id = g.msgs.back().ID;
        SystemLogf("TT_CustomerCMD.CMD_ID[%d]=%x", j, t.TxCANID[j]);
        SystemLogf("CANID[%d]_0_byte=%d, CANID[%d]_1_byte=%d, CANID[%d]_2_byte=%d, "
                   "CANID[%d]_3_byte=%d",
                   k, id[0], k, id[1], k, id[2], k, id[3]);
        SystemLogf("TT_CustomerCMD.CMD_Data[%d][0]=%d", j, t.TxCANData[j][0]);
        SystemLogf("Interval[%d]=%d, Times[%d]=%d, Terminal_Interval[%d]=%d", k, g.intervals.back(),
                   k, g.times.back(), k, g.terminals.back());
    }
    return g;
}

// Element 0 of `values`, or 0 for a group without items.
int32_t First(const std::vector<int32_t>& values) {
    return values.empty() ? 0 : values.front();
}

} // namespace

TThread_TxCAN::TThread_TxCAN() : thread_([this] { Execute(); }) {}

TThread_TxCAN::~TThread_TxCAN() {
    {
        std::lock_guard lock(stateMutex_);
        terminated_ = true;
    }
    stateChanged_.notify_all();
    thread_.join();
}

void TThread_TxCAN::SetPort(uint8_t port) {
    Port = port;
}

void TThread_TxCAN::StartSend() {
    RunFlag = 1;
    std::this_thread::sleep_for(10ms);
    {
        std::lock_guard lock(stateMutex_);
        wake_ = true;
    }
    stateChanged_.notify_all();
}

void TThread_TxCAN::StopSend() {
    RunFlag = 0;
    std::lock_guard lock(stateMutex_);
    wake_ = false;
}

void TThread_TxCAN::Resume() {
    {
        std::lock_guard lock(stateMutex_);
        if (state_ == State::Suspended)
            state_ = State::Busy;
        else if (state_ == State::Busy)
            resumePending_ = true;
    }
    stateChanged_.notify_all();
}

void TThread_TxCAN::WaitUntilIdle() {
    std::unique_lock lock(stateMutex_);
    stateChanged_.wait(lock, [this] { return state_ != State::Busy || terminated_; });
}

bool TThread_TxCAN::StaySuspended(std::unique_lock<std::mutex>& lock) {
    stateChanged_.wait(lock, [this] { return state_ != State::Suspended || terminated_; });
    return !terminated_;
}

void TThread_TxCAN::Execute() {
    // One step below the receive thread, so that a long hand-over never
    // delays the draining of the receive queue.
    lowerThisThreadsPriority(1);
    std::unique_lock lock(stateMutex_);
    if (!StaySuspended(lock)) // created suspended
        return;
    while (!terminated_) {
        state_ = State::Waiting;
        resumePending_ = false;
        stateChanged_.notify_all();
        stateChanged_.wait(lock, [this] { return wake_ || terminated_; });
        if (terminated_)
            return;
        wake_ = false; // auto-reset
        state_ = State::Busy;
        while (RunFlag == 1) {
            lock.unlock();
            SetUp();
            lock.lock();
            wake_ = false;
            if (terminated_)
                return;
            if (!std::exchange(resumePending_, false)) {
                state_ = State::Suspended;
                stateChanged_.notify_all();
                if (!StaySuspended(lock))
                    return;
            }
        }
    }
}

void TThread_TxCAN::SetUp() {
    const type_CustomerCMD& t = Global_CustomerCMD;
    if (t.IsTestAll == 0)
        SetUpSingle();
    else if (t.IsGroupSend == 0)
        SetUpAllItems();
    else
        SetUpGroups();
}

void TThread_TxCAN::SetUpSingle() {
    type_CustomerCMD& t = Global_CustomerCMD;
    const int item = SingleTestRow - 1;
    if (item < 0 || item >= t.CMD_Count)
        return;
    zarvo().Zarvo_SetGroupCount(Port, 1);
    const type_ZarvoMsg msg = BuildZarvoMsg(item);
    HandOver(Lock, Port, 0, 1, &msg, &t.TxLoopInterval[item], &t.TxLoopTimes[item],
             &t.TxLoopTerminal[item], {RxCallback_Single, TxCallback_Single});
}

void TThread_TxCAN::SetUpAllItems() {
    type_CustomerCMD& t = Global_CustomerCMD;
    zarvo().Zarvo_SetGroupCount(Port, 1);
    // At least one record, so that the driver never sees a null array.
    std::vector<type_ZarvoMsg> msgs(std::max<int>(t.CMD_Count, 1));
    for (int i = 0; i < t.CMD_Count; ++i)
        msgs[static_cast<size_t>(i)] = BuildZarvoMsg(i);
    HandOver(Lock, Port, 0, static_cast<uint8_t>(t.CMD_Count), msgs.data(), t.TxLoopInterval,
             t.TxLoopTimes, t.TxLoopTerminal, {RxCallback_AllItems, TxCallback_AllItems});
}

void TThread_TxCAN::SetUpGroups() {
    const uint8_t groupCount = Global_CustomerCMD.Group_Count;
    if (groupCount == 0)
        return;
    zarvo().Zarvo_SetGroupCount(Port, groupCount);
    // Stop may come while the groups are handed over: no group follows it, so
    // none keeps sending after the driver's groups were stopped.
    for (int g = 0; g < groupCount && RunFlag == 1; ++g) {
        GroupBuffers b = BuildGroup(static_cast<uint8_t>(g));
        const auto n = static_cast<uint8_t>(b.msgs.size());
        SystemLogf("ZarvoPort = %d, i = %d, TotMsg = %d ,_Interval[0]=%d,_Times[0]=%d,"
                   "_Terminal_Interval[0]=%d",
                   Port.load(), g, n, First(b.intervals), First(b.times), First(b.terminals));
        // An empty group still goes to the driver, with non-null arrays.
        b.msgs.resize(std::max<size_t>(n, 1));
        for (auto* values : {&b.intervals, &b.times, &b.terminals})
            values->resize(std::max<size_t>(n, 1));
        HandOver(Lock, Port, static_cast<uint8_t>(g), n, b.msgs.data(), b.intervals.data(),
                 b.times.data(), b.terminals.data(), {RxCallback_Group, TxCallback_Group});
    }
}
