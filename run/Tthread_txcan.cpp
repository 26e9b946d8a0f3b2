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

// Appends item `item` of the table to `g`.
void AddItem(GroupBuffers& g, int item) {
    const type_CustomerCMD& t = Global_CustomerCMD;
    g.msgs.push_back(BuildZarvoMsg(item));
    g.intervals.push_back(t.TxLoopInterval[item]);
    g.times.push_back(t.TxLoopTimes[item]);
    g.terminals.push_back(t.TxLoopTerminal[item]);
}

GroupBuffers BuildGroup(uint8_t group) {
    const type_CustomerCMD& t = Global_CustomerCMD;
    GroupBuffers g;
    for (int j = 0; j < t.CMD_Count; ++j) {
        if (t.TxCANGroup[j] != group)
            continue;
        const int k = static_cast<int>(g.msgs.size());
        AddItem(g, j);
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

TThread_TxCAN::TThread_TxCAN(const ZarvoBinding& driver)
    : driver_(driver), thread_([this] { Execute(); }) {}

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
    const int item = SingleTestRow - 1;
    if (item < 0 || item >= Global_CustomerCMD.CMD_Count)
        return;
    driver_.Zarvo_SetGroupCount(Port, 1);
    GroupBuffers b;
    AddItem(b, item);
    HandOver(0, std::move(b), {RxCallback_Single, TxCallback_Single});
}

void TThread_TxCAN::SetUpAllItems() {
    const type_CustomerCMD& t = Global_CustomerCMD;
    driver_.Zarvo_SetGroupCount(Port, 1);
    GroupBuffers b;
    for (int i = 0; i < t.CMD_Count; ++i)
        AddItem(b, i);
    HandOver(0, std::move(b), {RxCallback_AllItems, TxCallback_AllItems});
}

void TThread_TxCAN::SetUpGroups() {
    const uint8_t groupCount = Global_CustomerCMD.Group_Count;
    if (groupCount == 0)
        return;
    driver_.Zarvo_SetGroupCount(Port, groupCount);
    // Stop may come while the groups are handed over: no group follows it, so
    // none keeps sending after the driver's groups were stopped.
    for (int g = 0; g < groupCount && RunFlag == 1; ++g) {
        GroupBuffers b = BuildGroup(static_cast<uint8_t>(g));
        SystemLogf("ZarvoPort = %d, i = %d, TotMsg = %d ,_Interval[0]=%d,_Times[0]=%d,"
                   "_Terminal_Interval[0]=%d",
                   Port.load(), g, static_cast<int>(b.msgs.size()), First(b.intervals),
                   First(b.times), First(b.terminals));
        HandOver(static_cast<uint8_t>(g), std::move(b), {RxCallback_Group, TxCallback_Group});
    }
}

// The same sequence in every mode. The driver copies what it keeps during
// Zarvo_SendGroup, so the buffers go when this returns.
void TThread_TxCAN::HandOver(uint8_t group, GroupBuffers b, GroupCallbacks callbacks) {
    const auto n = static_cast<uint8_t>(b.msgs.size());
    // An empty group still goes to the driver, with non-null arrays.
    b.msgs.resize(std::max<size_t>(n, 1));
    for (auto* values : {&b.intervals, &b.times, &b.terminals})
        values->resize(std::max<size_t>(n, 1));
    UseDriverInCallbacks(driver_);
    {
        std::lock_guard held(Lock);
        driver_.Zarvo_SendGroup(Port, group, n, b.msgs.data(), b.intervals.data(), b.times.data(),
                                b.terminals.data());
    }
    std::this_thread::sleep_for(5ms);
    {
        std::lock_guard held(Lock);
        driver_.Zarvo_SetRxCallback(Port, group, callbacks.rx);
        driver_.Zarvo_SetTxCallback(Port, group, callbacks.tx);
    }
    std::this_thread::sleep_for(10ms);
}
