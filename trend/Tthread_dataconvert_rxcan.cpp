#include "Tthread_dataconvert_rxcan.h"

#include "DbcDecode.h"
#include "Phrases.h"
#include "TrendDecode.h"
#include "TrendSignals.h"
#include "TrendTables.h"
#include "ZarvoApi.h"
#include "ZarvoReader.h"

#include <algorithm>
#include <chrono>

namespace {

constexpr auto kIdlePoll = std::chrono::milliseconds(10);
// Empty polls in a row after which both histories receive a 0.
constexpr int kIdleRoundsPerZero = 52;

struct ByteRange {
    uint32_t id;
    int type;
    int firstByte;
    bool enabled;
};

ByteRange Unpack(uint64_t word) {
    return {static_cast<uint32_t>(word), static_cast<int>((word >> 32) & 0xFF),
            static_cast<int>((word >> 40) & 0xFF), ((word >> 48) & 1) != 0};
}

// Codes beyond a byte become 255, which decodes nothing, like any other bad code.
uint64_t Code(int32_t code) {
    return static_cast<uint64_t>(std::clamp<int32_t>(code, 0, 255) == code ? code : 255);
}

uint64_t Pack(uint32_t id, int32_t type, int32_t firstByte) {
    return id | Code(type) << 32 | Code(firstByte) << 40 | uint64_t{1} << 48;
}

std::optional<double> SignalValue(const TrendSignal& s, const ZarvoFrameBuffer& frame) {
    if (!s || s.message->id != frame.id || s.message->extended != (frame.mode == 1) || frame.rtr)
        return std::nullopt;
    return dbc::decodeSignal(*s.message, *s.signal, frame.data, std::min<size_t>(frame.len, 8));
}

} // namespace

TThread_DataConvert_RxCAN::Match TThread_DataConvert_RxCAN::ByteMatch(uint32_t id, int32_t type,
                                                                      int32_t firstByte) {
    return {Pack(id, type, firstByte), {}};
}

TThread_DataConvert_RxCAN::Match TThread_DataConvert_RxCAN::SignalMatch(const TrendSignal& signal) {
    return {0, signal};
}

void TThread_DataConvert_RxCAN::History::push(double value) {
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
    : view_(view), clock_(clock), driver_(driver), port_(port), trend_{ByteMatch(0, 0, 0), Match{}},
      thread_([this] { Execute(); }) {}

TThread_DataConvert_RxCAN::~TThread_DataConvert_RxCAN() {
    Stop();
}

void TThread_DataConvert_RxCAN::SetPort(uint8_t port) {
    port_.store(port, std::memory_order_relaxed);
}

void TThread_DataConvert_RxCAN::SetSlot(int curve, const Match& match) {
    const auto i = static_cast<size_t>(curve - 1);
    std::lock_guard lock(mutex_);
    if (!(trend_[i] == match))
        history_[i].clear();
    trend_[i] = match;
}

void TThread_DataConvert_RxCAN::SetTrend1(uint32_t id, int32_t type, int32_t firstByte) {
    SetSlot(1, ByteMatch(id, type, firstByte));
}

void TThread_DataConvert_RxCAN::SetTrend2(uint32_t id, int32_t type, int32_t firstByte) {
    SetSlot(2, ByteMatch(id, type, firstByte));
}

int TThread_DataConvert_RxCAN::SetTrendSignal(int slot, const TrendSignal& signal) {
    if (slot != 1 && slot != 2)
        return 1;
    SetSlot(slot, SignalMatch(signal));
    return 0;
}

void TThread_DataConvert_RxCAN::ClearTrend(int curve) {
    SetSlot(curve == 1 ? 1 : 2, Match{});
}

int TThread_DataConvert_RxCAN::SetWatch(int index, const Match& match) {
    if (index < 0 || index >= kWatchItemCount)
        return 1;
    const auto i = static_cast<size_t>(index);
    std::lock_guard lock(mutex_);
    if (!(watch_[i] == match)) {
        const auto end = watch_.begin() + watchEnd_;
        const auto same = std::find(watch_.begin(), end, match);
        values_[i] =
            same == end ? std::nullopt : values_[static_cast<size_t>(same - watch_.begin())];
        watch_[i] = match;
    }
    watchEnd_ = std::max(watchEnd_, index + 1);
    return 0;
}

int TThread_DataConvert_RxCAN::SetWatchItem(int index, uint32_t id, int32_t type,
                                            int32_t firstByte) {
    return SetWatch(index, ByteMatch(id, type, firstByte));
}

int TThread_DataConvert_RxCAN::SetWatchSignal(int index, const TrendSignal& signal) {
    return SetWatch(index, SignalMatch(signal));
}

void TThread_DataConvert_RxCAN::SetWatchItemCount(int count) {
    std::lock_guard lock(mutex_);
    for (int i = std::max(count, 0); i < watchEnd_; ++i) {
        watch_[static_cast<size_t>(i)] = Match{};
        values_[static_cast<size_t>(i)].reset();
    }
    watchEnd_ = std::clamp(count, 0, watchEnd_);
}

TrendHistory TThread_DataConvert_RxCAN::History1() const {
    std::lock_guard lock(mutex_);
    return history_[0].copy();
}

TrendHistory TThread_DataConvert_RxCAN::History2() const {
    std::lock_guard lock(mutex_);
    return history_[1].copy();
}

TrendHistories TThread_DataConvert_RxCAN::Histories() const {
    std::lock_guard lock(mutex_);
    return {history_[0].copy(), history_[1].copy(), history_[0].length, history_[1].length};
}

std::optional<double> TThread_DataConvert_RxCAN::WatchItemValue(int index) const {
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
            Decode(frame);
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
        for (History& history : history_)
            if (history.length > 0)
                history.push(0);
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

void TThread_DataConvert_RxCAN::Decode(const ZarvoFrameBuffer& frame) {
    // Matches and results under one lock: a match changed meanwhile never
    // receives a value of the one it replaced, and a copy of both histories
    // never holds half a frame.
    std::lock_guard lock(mutex_);
    for (size_t curve = 0; curve < trend_.size(); ++curve)
        if (const std::optional<double> value = MatchValue(trend_[curve], frame))
            history_[curve].push(*value);
    for (int i = 0; i < watchEnd_; ++i) {
        const auto index = static_cast<size_t>(i);
        if (const std::optional<double> value = MatchValue(watch_[index], frame))
            values_[index] = value;
    }
}

std::optional<double> TThread_DataConvert_RxCAN::MatchValue(const Match& match,
                                                            const ZarvoFrameBuffer& frame) {
    if (match.signal)
        return SignalValue(match.signal, frame);
    const ByteRange m = Unpack(match.bytes);
    if (!m.enabled || m.id != frame.id)
        return std::nullopt;
    return DecodeCanValue(frame.data, m.type, m.firstByte);
}

void WatchTrendTable(TThread_DataConvert_RxCAN& thread,
                     const std::shared_ptr<const dbc::Database>& database) {
    const type_TrendCAN& t = Global_TrendCAN;
    for (int i = 0; i < t.TrendCAN_Count; ++i)
        if (!t.Signal[i].isEmpty())
            thread.SetWatchSignal(i, FindTrendSignal(database, t.Signal[i]));
        else
            thread.SetWatchItem(i, static_cast<uint32_t>(t.TrendCANID[i]), t.CANDataType[i],
                                t.CANDataRange[i]);
    thread.SetWatchItemCount(t.TrendCAN_Count);
}
