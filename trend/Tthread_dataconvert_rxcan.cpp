#include "Tthread_dataconvert_rxcan.h"

#include "DbcDecode.h"
#include "Phrases.h"
#include "TrendDecode.h"
#include "ZarvoApi.h"
#include "ZarvoReader.h"

#include <algorithm>
#include <chrono>

namespace {

constexpr auto kIdlePoll = std::chrono::milliseconds(10);
// Empty polls in a row after which both histories receive a 0.
constexpr int kIdleRoundsPerZero = 52;

struct Match {
    uint32_t id;
    int type;
    int firstByte;
    bool enabled;
};

Match Unpack(uint64_t word) {
    return {static_cast<uint32_t>(word), static_cast<int>((word >> 32) & 0xFF),
            static_cast<int>((word >> 40) & 0xFF), ((word >> 48) & 1) != 0};
}

// Codes beyond a byte become 255, which decodes nothing, like any other bad code.
uint64_t Code(int32_t code) {
    return static_cast<uint64_t>(std::clamp<int32_t>(code, 0, 255) == code ? code : 255);
}

std::optional<double> SignalValue(const TrendSignal& s, const ZarvoFrameBuffer& frame) {
    if (!s || s.message->id != frame.id || s.message->extended != (frame.mode == 1) || frame.rtr)
        return std::nullopt;
    return dbc::decodeSignal(*s.message, *s.signal, frame.data, std::min<size_t>(frame.len, 8));
}

} // namespace

void ShowTrendPortStatus(TrendView& view, uint32_t status) {
    if (status == 0) {
        view.setStatusLamps(LampColour::Green);
        view.hideSearchAgain();
        return;
    }
    view.setStatusLamps(LampColour::Red);
    view.showSearchAgain(SearchAgainText(status));
}

uint64_t TThread_DataConvert_RxCAN::Pack(uint32_t id, int32_t type, int32_t firstByte,
                                         bool enabled) {
    return id | Code(type) << 32 | Code(firstByte) << 40 | uint64_t{enabled} << 48;
}

void TThread_DataConvert_RxCAN::History::push(double value) {
    --newest;
    ring[newest] = value;
}

TrendHistory TThread_DataConvert_RxCAN::History::copy() const {
    TrendHistory out;
    const auto split = static_cast<std::ptrdiff_t>(kTrendHistoryLength - newest);
    std::copy(ring.begin() + newest, ring.end(), out.begin());
    std::copy(ring.begin(), ring.begin() + newest, out.begin() + split);
    return out;
}

TThread_DataConvert_RxCAN::TThread_DataConvert_RxCAN(TrendView& view, uint8_t port,
                                                     const Clock& clock)
    : view_(view), clock_(clock), port_(port), trend1_(Pack(0, 0, 0, true)),
      thread_([this] { Execute(); }) {}

TThread_DataConvert_RxCAN::~TThread_DataConvert_RxCAN() {
    Stop();
}

void TThread_DataConvert_RxCAN::SetPort(uint8_t port) {
    port_.store(port, std::memory_order_relaxed);
}

void TThread_DataConvert_RxCAN::SetTrend1(uint32_t id, int32_t type, int32_t firstByte) {
    SetTrendSignal(1, {});
    trend1_.store(Pack(id, type, firstByte, true), std::memory_order_relaxed);
}

void TThread_DataConvert_RxCAN::SetTrend2(uint32_t id, int32_t type, int32_t firstByte) {
    SetTrendSignal(2, {});
    trend2_.store(Pack(id, type, firstByte, true), std::memory_order_relaxed);
}

void TThread_DataConvert_RxCAN::ChangePlan(const std::function<void(SignalPlan&)>& change) {
    std::lock_guard lock(planMutex_);
    auto plan = std::make_shared<SignalPlan>(*plan_);
    change(*plan);
    plan_ = std::move(plan);
}

int TThread_DataConvert_RxCAN::SetTrendSignal(int slot, const TrendSignal& signal) {
    if (slot != 1 && slot != 2)
        return 1;
    if (signal) // the slot's byte match stops; slot 2 is enabled for good all the same
        (slot == 1 ? trend1_ : trend2_).store(Pack(0, 0, 0, false), std::memory_order_relaxed);
    ChangePlan([&](SignalPlan& plan) { plan.trend[slot - 1] = signal; });
    return 0;
}

int TThread_DataConvert_RxCAN::SetWatchSignal(int index, const TrendSignal& signal) {
    if (SetWatchItem(index, 0, 0, 0) != 0)
        return 1;
    const auto i = static_cast<size_t>(index);
    watch_[i].store(Pack(0, 0, 0, false), std::memory_order_relaxed);
    signalValues_[i].store(0, std::memory_order_relaxed);
    isSignal_[i].store(static_cast<bool>(signal), std::memory_order_relaxed);
    ChangePlan([&](SignalPlan& plan) {
        plan.watch[i] = signal;
        plan.watchEnd = std::max(plan.watchEnd, index + 1);
    });
    return 0;
}

int TThread_DataConvert_RxCAN::SetWatchItem(int index, uint32_t id, int32_t type,
                                            int32_t firstByte) {
    if (index < 0 || index >= kWatchItemCount)
        return 1;
    if (isSignal_[static_cast<size_t>(index)].exchange(false))
        ChangePlan([index](SignalPlan& plan) { plan.watch[static_cast<size_t>(index)] = {}; });
    watch_[static_cast<size_t>(index)].store(Pack(id, type, firstByte, true),
                                             std::memory_order_relaxed);
    int end = watchEnd_.load(std::memory_order_relaxed);
    while (end <= index && !watchEnd_.compare_exchange_weak(end, index + 1))
        ;
    return 0;
}

TrendHistory TThread_DataConvert_RxCAN::History1() const {
    std::lock_guard lock(historyMutex_);
    return history1_.copy();
}

TrendHistory TThread_DataConvert_RxCAN::History2() const {
    std::lock_guard lock(historyMutex_);
    return history2_.copy();
}

TrendHistories TThread_DataConvert_RxCAN::Histories() const {
    std::lock_guard lock(historyMutex_);
    return {history1_.copy(), history2_.copy()};
}

int32_t TThread_DataConvert_RxCAN::WatchItemValue(int index) const {
    if (index < 0 || index >= kWatchItemCount)
        return 0;
    return values_[static_cast<size_t>(index)].load(std::memory_order_relaxed);
}

double TThread_DataConvert_RxCAN::WatchValue(int index) const {
    if (index < 0 || index >= kWatchItemCount)
        return 0;
    const auto i = static_cast<size_t>(index);
    return isSignal_[i].load(std::memory_order_relaxed)
               ? signalValues_[i].load(std::memory_order_relaxed)
               : values_[i].load(std::memory_order_relaxed);
}

void TThread_DataConvert_RxCAN::Stop() {
    std::unique_lock lock(stopMutex_);
    stopping_ = true;
    stopChanged_.notify_all();
    // The loop may be waiting for the view's UI thread, which is this one.
    while (!finished_) {
        lock.unlock();
        view_.processPendingEvents();
        lock.lock();
        stopChanged_.wait_for(lock, std::chrono::milliseconds(1), [this] { return finished_; });
    }
    lock.unlock();
    if (thread_.joinable())
        thread_.join();
}

bool TThread_DataConvert_RxCAN::Stopped() {
    std::lock_guard lock(stopMutex_);
    return finished_;
}

void TThread_DataConvert_RxCAN::Execute() {
    ZarvoReader reader; // a queue of this thread's own: a running test's thread takes none of it
    int idleRounds = 0;
    for (;;) {
        {
            std::lock_guard lock(stopMutex_);
            if (stopping_)
                break;
        }
        const uint8_t port = port_.load(std::memory_order_relaxed);
        const uint16_t count = reader.count(port);
        if (count == 0) {
            if (!Idle(port, idleRounds))
                break;
            continue;
        }
        idleRounds = 0;
        ReportStatus(port);
        std::shared_ptr<const SignalPlan> plan;
        {
            std::lock_guard lock(planMutex_);
            plan = plan_;
        }
        ZarvoFrameBuffer frame;
        for (uint16_t i = 0; i < count; ++i) {
            reader.read(frame);
            Decode(*plan, frame);
        }
        view_.runOnUiThread([] {});
    }
    std::lock_guard lock(stopMutex_);
    finished_ = true;
    stopChanged_.notify_all();
}

bool TThread_DataConvert_RxCAN::Idle(uint8_t port, int& idleRounds) {
    // Taken before the status update, so that a slow UI thread does not slow
    // the polling down (and a test's clock step after the update is not lost).
    const Clock::Time deadline = clock_.now() + kIdlePoll;
    ReportStatus(port);
    {
        std::unique_lock lock(stopMutex_);
        while (!stopping_ && clock_.now() < deadline)
            clock_.waitUntil(stopChanged_, lock, deadline);
        if (stopping_)
            return false;
    }
    if (++idleRounds < kIdleRoundsPerZero)
        return true;
    idleRounds = 0;
    {
        std::lock_guard lock(historyMutex_);
        history1_.push(0);
        history2_.push(0);
    }
    view_.runOnUiThread([] {});
    return true;
}

void TThread_DataConvert_RxCAN::ReportStatus(uint8_t port) {
    uint32_t status = 1; // "port not open" stays when the call is refused (an unknown port)
    uint32_t second = 0;
    zarvo().Zarvo_GetPortStatus(port, &status, &second);
    view_.runOnUiThread([this, status] { ShowTrendPortStatus(view_, status); });
}

bool TThread_DataConvert_RxCAN::TrendValue(const std::atomic<uint64_t>& slot,
                                           const TrendSignal& signal, const ZarvoFrameBuffer& frame,
                                           double& value) {
    if (const std::optional<double> physical = SignalValue(signal, frame)) {
        value = *physical;
        return true;
    }
    if (const std::optional<int32_t> whole = SlotValue(slot, frame.id, frame.data)) {
        value = *whole;
        return true;
    }
    return false;
}

void TThread_DataConvert_RxCAN::Decode(const SignalPlan& plan, const ZarvoFrameBuffer& frame) {
    const uint32_t id = frame.id;
    const uint8_t(&data)[8] = frame.data;
    double value1 = 0;
    double value2 = 0;
    const bool trend1 = TrendValue(trend1_, plan.trend[0], frame, value1);
    const bool trend2 = TrendValue(trend2_, plan.trend[1], frame, value2);
    if (trend1 || trend2) {
        // One lock for both, so that a copy of both never holds half a frame.
        std::lock_guard lock(historyMutex_);
        if (trend1)
            history1_.push(value1);
        if (trend2)
            history2_.push(value2);
    }
    const int end = watchEnd_.load(std::memory_order_relaxed);
    for (int i = 0; i < end; ++i) {
        const std::optional<int32_t> value = SlotValue(watch_[static_cast<size_t>(i)], id, data);
        if (value)
            values_[static_cast<size_t>(i)].store(*value, std::memory_order_relaxed);
    }
    for (int i = 0; i < plan.watchEnd; ++i)
        if (const auto value = SignalValue(plan.watch[static_cast<size_t>(i)], frame))
            signalValues_[static_cast<size_t>(i)].store(*value, std::memory_order_relaxed);
}

std::optional<int32_t> TThread_DataConvert_RxCAN::SlotValue(const std::atomic<uint64_t>& slot,
                                                            uint32_t id, const uint8_t (&data)[8]) {
    const Match m = Unpack(slot.load(std::memory_order_relaxed));
    if (!m.enabled || m.id != id)
        return std::nullopt;
    return DecodeCanValue(data, m.type, m.firstByte);
}
