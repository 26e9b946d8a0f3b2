#include "Tthread_dataconvert_rxcan.h"

#include "Phrases.h"
#include "TrendDecode.h"
#include "TrendTables.h"
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

} // namespace

uint64_t TThread_DataConvert_RxCAN::Pack(uint32_t id, int32_t type, int32_t firstByte,
                                         bool enabled) {
    return id | Code(type) << 32 | Code(firstByte) << 40 | uint64_t{enabled} << 48;
}

void TThread_DataConvert_RxCAN::History::push(int32_t value) {
    --newest;
    ring[newest] = value;
    length = std::min(length + 1, kTrendHistoryLength);
}

void TThread_DataConvert_RxCAN::History::clear() {
    *this = History{};
}

TrendHistory TThread_DataConvert_RxCAN::History::copy() const {
    TrendHistory out;
    const auto split = static_cast<std::ptrdiff_t>(kTrendHistoryLength - newest);
    std::copy(ring.begin() + newest, ring.end(), out.begin());
    std::copy(ring.begin(), ring.begin() + newest, out.begin() + split);
    return out;
}

TThread_DataConvert_RxCAN::TThread_DataConvert_RxCAN(TrendView& view, uint8_t port,
                                                     const Clock& clock, const ZarvoBinding& driver)
    : view_(view), clock_(clock), driver_(driver), port_(port), trend1_(Pack(0, 0, 0, true)),
      thread_([this] { Execute(); }) {}

TThread_DataConvert_RxCAN::~TThread_DataConvert_RxCAN() {
    Stop();
}

void TThread_DataConvert_RxCAN::SetPort(uint8_t port) {
    port_.store(port, std::memory_order_relaxed);
}

void TThread_DataConvert_RxCAN::SetSlot(uint64_t& slot, History& history, uint64_t match) {
    if (slot != match)
        history.clear();
    slot = match;
}

void TThread_DataConvert_RxCAN::SetTrend1(uint32_t id, int32_t type, int32_t firstByte) {
    std::lock_guard lock(mutex_);
    SetSlot(trend1_, history1_, Pack(id, type, firstByte, true));
}

void TThread_DataConvert_RxCAN::SetTrend2(uint32_t id, int32_t type, int32_t firstByte) {
    std::lock_guard lock(mutex_);
    SetSlot(trend2_, history2_, Pack(id, type, firstByte, true));
}

void TThread_DataConvert_RxCAN::ClearTrend(int curve) {
    std::lock_guard lock(mutex_);
    if (curve == 1)
        SetSlot(trend1_, history1_, 0);
    else
        SetSlot(trend2_, history2_, 0);
}

int TThread_DataConvert_RxCAN::SetWatchItem(int index, uint32_t id, int32_t type,
                                            int32_t firstByte) {
    if (index < 0 || index >= kWatchItemCount)
        return 1;
    const uint64_t match = Pack(id, type, firstByte, true);
    const auto i = static_cast<size_t>(index);
    std::lock_guard lock(mutex_);
    if (watch_[i] != match) {
        const auto end = watch_.begin() + watchEnd_;
        const auto same = std::find(watch_.begin(), end, match);
        values_[i] =
            same == end ? std::nullopt : values_[static_cast<size_t>(same - watch_.begin())];
        watch_[i] = match;
    }
    watchEnd_ = std::max(watchEnd_, index + 1);
    return 0;
}

void TThread_DataConvert_RxCAN::SetWatchItemCount(int count) {
    std::lock_guard lock(mutex_);
    for (int i = std::max(count, 0); i < watchEnd_; ++i) {
        watch_[static_cast<size_t>(i)] = 0;
        values_[static_cast<size_t>(i)].reset();
    }
    watchEnd_ = std::clamp(count, 0, watchEnd_);
}

TrendHistory TThread_DataConvert_RxCAN::History1() const {
    std::lock_guard lock(mutex_);
    return history1_.copy();
}

TrendHistory TThread_DataConvert_RxCAN::History2() const {
    std::lock_guard lock(mutex_);
    return history2_.copy();
}

TrendHistories TThread_DataConvert_RxCAN::Histories() const {
    std::lock_guard lock(mutex_);
    return {history1_.copy(), history2_.copy(), history1_.length, history2_.length};
}

std::optional<int32_t> TThread_DataConvert_RxCAN::WatchItemValue(int index) const {
    if (index < 0 || index >= kWatchItemCount)
        return std::nullopt;
    std::lock_guard lock(mutex_);
    return values_[static_cast<size_t>(index)];
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
    ZarvoReader reader(
        driver_); // a queue of this thread's own: a running test's thread takes none of it
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
        ZarvoFrameBuffer frame;
        for (uint16_t i = 0; i < count; ++i) {
            reader.read(frame);
            Decode(frame.id, frame.data);
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
        // A history still waiting for its first frame stays empty.
        std::lock_guard lock(mutex_);
        for (History* history : {&history1_, &history2_})
            if (history->length > 0)
                history->push(0);
    }
    view_.runOnUiThread([] {});
    return true;
}

void TThread_DataConvert_RxCAN::ReportStatus(uint8_t port) {
    uint32_t status = 1; // "port not open" stays when the call is refused (an unknown port)
    uint32_t second = 0;
    driver_.Zarvo_GetPortStatus(port, &status, &second);
    view_.runOnUiThread([this, status] { ShowPortStatus(view_, status); });
}

void TThread_DataConvert_RxCAN::Decode(uint32_t id, const uint8_t (&data)[8]) {
    // Matches and results under one lock: a match changed meanwhile never
    // receives a value of the one it replaced, and a copy of both histories
    // never holds half a frame.
    std::lock_guard lock(mutex_);
    if (const std::optional<int32_t> trend1 = SlotValue(trend1_, id, data))
        history1_.push(*trend1);
    if (const std::optional<int32_t> trend2 = SlotValue(trend2_, id, data))
        history2_.push(*trend2);
    for (int i = 0; i < watchEnd_; ++i) {
        const auto index = static_cast<size_t>(i);
        if (const std::optional<int32_t> value = SlotValue(watch_[index], id, data))
            values_[index] = value;
    }
}

std::optional<int32_t> TThread_DataConvert_RxCAN::SlotValue(uint64_t slot, uint32_t id,
                                                            const uint8_t (&data)[8]) {
    const Match m = Unpack(slot);
    if (!m.enabled || m.id != id)
        return std::nullopt;
    return DecodeCanValue(data, m.type, m.firstByte);
}

void WatchTrendTable(TThread_DataConvert_RxCAN& thread) {
    const type_TrendCAN& t = Global_TrendCAN;
    for (int i = 0; i < t.TrendCAN_Count; ++i)
        thread.SetWatchItem(i, static_cast<uint32_t>(t.TrendCANID[i]), t.CANDataType[i],
                            t.CANDataRange[i]);
    thread.SetWatchItemCount(t.TrendCAN_Count);
}
