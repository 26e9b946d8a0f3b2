// The trend receive thread on the fake driver. A manual clock holds the
// thread in its 10 ms pause after an empty poll until the test moves time on,
// so every poll is counted exactly (each one reports the port status once).

#include "DbcDatabase.h"
#include "FakeZarvo.h"
#include "TrendSignals.h"
#include "TrendTables.h"
#include "Tthread_dataconvert_rxcan.h"
#include "UiTaskQueue.h"

#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr uint8_t kPort = 2;
constexpr int kIdleRoundsForAZero = 52;

// Runs the thread's calls at once on the thread itself and records the
// status; a status update ends with the search-again text shown or hidden.
class RecordingTrendView : public TrendView {
public:
    void runOnUiThread(const std::function<void()>& task) override { task(); }
    void processPendingEvents() override {}
    void setStatusLamp(LampColour colour) override {
        std::lock_guard lock(mutex_);
        lamp_ = colour;
    }
    void showSearchAgain(const QString& text) override { finishUpdate(text); }
    void hideSearchAgain() override { finishUpdate(std::nullopt); }

    int statusUpdates() const {
        std::lock_guard lock(mutex_);
        return statusUpdates_;
    }
    bool waitForStatusUpdates(int count) const {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 10s, [&] { return statusUpdates_ >= count; });
    }
    LampColour lamp() const {
        std::lock_guard lock(mutex_);
        return lamp_;
    }
    std::optional<QString> searchAgain() const {
        std::lock_guard lock(mutex_);
        return searchAgain_;
    }

private:
    void finishUpdate(std::optional<QString> text) {
        std::lock_guard lock(mutex_);
        searchAgain_ = std::move(text);
        ++statusUpdates_;
        changed_.notify_all();
    }

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    int statusUpdates_ = 0;
    LampColour lamp_ = LampColour::Blue;
    std::optional<QString> searchAgain_;
};

FakeZarvoFrame Frame(uint32_t id, std::array<uint8_t, 8> data) {
    return {id, 0, 0, 8, data};
}

class TrendThreadTest : public ::testing::Test {
protected:
    // Starts the thread and waits until it pauses after its first, empty poll.
    void SetUp() override {
        thread =
            std::make_unique<TThread_DataConvert_RxCAN>(view, kPort, clock, FakeZarvo::binding());
        ASSERT_TRUE(view.waitForStatusUpdates(1));
    }

    // Ends the current pause `polls` times; each time the next poll is empty.
    void idle(int polls) {
        for (int i = 0; i < polls; ++i) {
            const int updates = view.statusUpdates();
            clock.advance(10ms);
            ASSERT_TRUE(view.waitForStatusUpdates(updates + 1));
        }
    }

    // Ends the current pause with `frames` waiting; returns once they are
    // decoded and the thread pauses again after the next, empty poll.
    void deliver(std::initializer_list<FakeZarvoFrame> frames) {
        for (const FakeZarvoFrame& frame : frames)
            fake.pushRxFrame(kPort, frame);
        const int updates = view.statusUpdates();
        clock.advance(10ms);
        ASSERT_TRUE(view.waitForStatusUpdates(updates + 2));
    }

    FakeZarvo fake;
    ManualClock clock;
    RecordingTrendView view;
    std::unique_ptr<TThread_DataConvert_RxCAN> thread;
};

TEST_F(TrendThreadTest, SlotsFillTheirHistoriesNewestFirst) {
    thread->SetTrend1(0x100, 2, 0);
    deliver({Frame(0x100, {1, 0}), Frame(0x200, {9}), Frame(0x100, {2, 1})});
    // Slot 2 takes nothing until it is set; then it has its own identifier.
    thread->SetTrend2(0x200, 1, 0);
    deliver({Frame(0x200, {0xFF}), {0x100, 1, 1, 0, {3, 0}}}); // mode and RTR are not compared
    const TrendHistories h = thread->Histories();
    EXPECT_EQ(h.history1[0], 3);
    EXPECT_EQ(h.history1[1], 0x0102);
    EXPECT_EQ(h.history1[2], 1);
    EXPECT_EQ(h.history1[3], 0);
    EXPECT_EQ(h.history2[0], -1);
    EXPECT_EQ(h.history2[1], 0);
    EXPECT_EQ(h.length1, 3);
    EXPECT_EQ(h.length2, 1);
    EXPECT_EQ(thread->History1(), h.history1);
    EXPECT_EQ(thread->History2(), h.history2);
}

TEST_F(TrendThreadTest, WatchItemsTakeTheirValuesFromEveryMatchingFrame) {
    EXPECT_EQ(thread->SetWatchItem(0, 0x100, 2, 1), 0);
    EXPECT_EQ(thread->SetWatchItem(1, 0x100, 5, 4), 0); // the same identifier
    EXPECT_EQ(thread->SetWatchItem(42, 0x7FF, 0, 7), 0);
    EXPECT_EQ(thread->SetWatchItem(99, 0x100, 9, 0), 0); // no such type
    EXPECT_EQ(thread->SetWatchItem(98, 0x100, 7, 1), 0); // beyond the eight bytes
    EXPECT_EQ(thread->SetWatchItem(100, 0x100, 0, 0), 1);
    EXPECT_EQ(thread->SetWatchItem(-1, 0x100, 0, 0), 1);
    deliver({Frame(0x100, {1, 2, 3, 4, 5, 6, 7, 8}), Frame(0x7FF, {0, 0, 0, 0, 0, 0, 0, 200})});
    EXPECT_EQ(thread->WatchItemValue(0), 770);
    EXPECT_EQ(thread->WatchItemValue(1), 134678021);
    EXPECT_EQ(thread->WatchItemValue(42), 200);
    EXPECT_EQ(thread->WatchItemValue(99), std::nullopt);
    EXPECT_EQ(thread->WatchItemValue(98), std::nullopt);
    EXPECT_EQ(thread->WatchItemValue(2), std::nullopt);
    EXPECT_EQ(thread->WatchItemValue(100), std::nullopt);
}

struct MatchChange {
    const char* what;
    uint32_t id;
    int type;
    int range;
    bool kept;     // whether the history and the value of the old match stay
    int32_t after; // the value the next frames give the new match
};

class TrendMatchChange : public TrendThreadTest,
                         public ::testing::WithParamInterface<MatchChange> {};

// Nothing of an earlier match is shown under a new one: a curve and a watch
// item wait for the first frame of their new match.
TEST_P(TrendMatchChange, ClearsTheHistoryAndTheValueOfAnotherMatch) {
    const MatchChange& c = GetParam();
    thread->SetTrend1(0x100, 0, 0);
    thread->SetWatchItem(0, 0x100, 0, 0);
    deliver({Frame(0x100, {0xF5, 6})});
    thread->SetTrend1(c.id, c.type, c.range);
    thread->SetWatchItem(0, c.id, c.type, c.range);
    TrendHistories h = thread->Histories();
    EXPECT_EQ(h.length1, c.kept ? 1 : 0) << c.what;
    EXPECT_EQ(h.history1[0], c.kept ? 245 : 0) << c.what;
    EXPECT_EQ(thread->WatchItemValue(0), c.kept ? std::optional(245) : std::nullopt) << c.what;
    idle(kIdleRoundsForAZero);
    EXPECT_EQ(thread->Histories().length1, c.kept ? 2 : 0) << c.what << ": idle zero";

    deliver({Frame(0x200, {9, 1}), Frame(0x100, {0xF5, 6})});
    h = thread->Histories();
    EXPECT_EQ(h.history1[0], c.after) << c.what;
    EXPECT_EQ(thread->WatchItemValue(0), c.after) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Changes, TrendMatchChange,
                         ::testing::Values(MatchChange{"the same match", 0x100, 0, 0, true, 245},
                                           MatchChange{"another identifier", 0x200, 0, 0, false, 9},
                                           MatchChange{"another type", 0x100, 1, 0, false, -11},
                                           MatchChange{"another range", 0x100, 0, 1, false, 6}));

TEST_F(TrendThreadTest, ClearedCurveAndItemsBeyondTheTableTakeNothing) {
    thread->SetTrend2(0x100, 0, 0);
    thread->SetWatchItem(0, 0x100, 0, 0);
    thread->SetWatchItem(1, 0x100, 0, 1);
    deliver({Frame(0x100, {1, 2})});
    thread->ClearTrend(2);
    thread->SetWatchItemCount(1);
    EXPECT_EQ(thread->Histories().length2, 0);
    EXPECT_EQ(thread->WatchItemValue(1), std::nullopt);
    deliver({Frame(0x100, {3, 4})});
    EXPECT_EQ(thread->Histories().length2, 0);
    EXPECT_EQ(thread->WatchItemValue(0), 3);
    EXPECT_EQ(thread->WatchItemValue(1), std::nullopt);
}

// The variables follow the rows: after a removal each later entry keeps its
// own value (the latest frame of its match), never the removed entry's.
TEST_F(TrendThreadTest, WatchedTableRemovalMovesValuesWithTheirEntries) {
    type_TrendCAN& t = Global_TrendCAN;
    t = type_TrendCAN{};
    const uint32_t ids[] = {0x100, 0x200, 0x300};
    for (int i = 0; i < 3; ++i)
        t.TrendCANID[i] = static_cast<int32_t>(ids[i]);
    t.TrendCAN_Count = 3;
    WatchTrendTable(*thread, nullptr);
    deliver({Frame(0x100, {1}), Frame(0x200, {2}), Frame(0x300, {3})});
    t.TrendCANID[1] = 0x300; // entry 1 (0x200) removed
    t.TrendCAN_Count = 2;
    WatchTrendTable(*thread, nullptr);
    EXPECT_EQ(thread->WatchItemValue(0), 1);
    EXPECT_EQ(thread->WatchItemValue(1), 3);
    EXPECT_EQ(thread->WatchItemValue(2), std::nullopt);
    t.TrendCANID[1] = 0x400; // another identifier in its place: no value until its frame
    WatchTrendTable(*thread, nullptr);
    EXPECT_EQ(thread->WatchItemValue(1), std::nullopt);
    t = type_TrendCAN{};
}

TEST_F(TrendThreadTest, EveryFiftySecondEmptyPollInARowPushesAZero) {
    thread->SetTrend1(0x100, 0, 0);
    thread->SetTrend2(0x100, 0, 0);
    deliver({Frame(0x100, {7})});
    idle(51);
    EXPECT_EQ(thread->History1()[0], 7);
    idle(1);
    EXPECT_EQ(thread->History1()[0], 0);
    EXPECT_EQ(thread->History1()[1], 7);
    EXPECT_EQ(thread->History2()[1], 7);
    idle(52);
    EXPECT_EQ(thread->History1()[2], 7);

    // Unwatched traffic restarts the count: 50 + 1 + 51 empty polls push nothing.
    idle(50);
    deliver({Frame(0x555, {1})});
    idle(51);
    EXPECT_EQ(thread->History1()[2], 7);
    idle(1);
    EXPECT_EQ(thread->History1()[3], 7);
}

TEST_F(TrendThreadTest, StatusUpdateColoursTheLampsAndShowsTheCode) {
    fake.setPortStatus(kPort, 5);
    idle(1);
    EXPECT_EQ(view.lamp(), LampColour::Red);
    EXPECT_EQ(view.searchAgain(), QStringLiteral("Search CAN devices again! ( 5 )"));
    fake.setPortStatus(kPort, 0);
    idle(1);
    EXPECT_EQ(view.lamp(), LampColour::Green);
    EXPECT_EQ(view.searchAgain(), std::nullopt);
}

// A view whose calls wait for the test thread to serve them, as a window's do.
class QueuedTrendView : public TrendView {
public:
    void runOnUiThread(const std::function<void()>& task) override { queue.runBlocking(task); }
    void processPendingEvents() override { queue.drain(); }
    void setStatusLamp(LampColour) override {}
    void showSearchAgain(const QString&) override {}
    void hideSearchAgain() override {}

    UiTaskQueue queue;
};

// Under ThreadSanitizer: a reader copies the histories while frames arrive,
// and Stop() ends a thread that waits for the UI thread that stops it.
TEST(TrendThreadRace, CopiesAreNeverTornAndStopServesTheWaitingThread) {
    FakeZarvo fake;
    ManualClock clock;
    QueuedTrendView view;
    TThread_DataConvert_RxCAN thread(view, kPort, clock, FakeZarvo::binding());
    thread.SetTrend1(0x100, 2, 0);
    thread.SetTrend2(0x100, 2, 0);
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done) {
            const TrendHistories h = thread.Histories();
            ASSERT_EQ(h.history1, h.history2);
            for (size_t i = 1; i < h.history1.size() && h.history1[i] != 0; ++i)
                ASSERT_EQ(h.history1[i - 1], h.history1[i] + 1) << "at " << i;
        }
    });
    for (uint16_t value = 1; value <= 600; ++value) {
        fake.pushRxFrame(
            kPort, Frame(0x100, {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)}));
        clock.advance(10ms);
        view.queue.drain();
    }
    const auto give_up = std::chrono::steady_clock::now() + 10s;
    while (thread.History1()[0] != 600 && std::chrono::steady_clock::now() < give_up) {
        clock.advance(10ms);
        view.queue.drain();
    }
    done = true;
    reader.join();
    EXPECT_EQ(thread.History1()[0], 600);
    thread.Stop();
    thread.Stop();
}

// Temp: 12 bits from bit 4, scaled; A: 16 big-endian bits of the 29-bit
// message 0x200 while its multiplexor is 1.
const char* const kSignalDbc = "BO_ 256 Std: 8 E\n SG_ Temp : 4|12@1- (0.5,-40) [0|0] \"degC\" X\n"
                               "BO_ 2147484160 Ext: 8 E\n SG_ Sel M : 0|8@1+ (1,0) [0|0] \"\" X\n"
                               " SG_ A m1 : 15|16@0+ (1,0) [0|0] \"\" X\n";

TEST_F(TrendThreadTest, SignalsGivePhysicalValuesOfTheirOwnFramesOnly) {
    const auto db = std::make_shared<const dbc::Database>(dbc::parseDbc(kSignalDbc, "t.dbc"));
    const TrendSignal temp = FindTrendSignal(db, QStringLiteral("Std.Temp"));
    ASSERT_TRUE(temp);
    EXPECT_EQ(thread->SetTrendSignal(1, temp), 0);
    EXPECT_EQ(thread->SetTrendSignal(3, temp), 1);
    EXPECT_EQ(thread->SetWatchSignal(0, temp), 0);
    EXPECT_EQ(thread->SetWatchSignal(1, FindTrendSignal(db, QStringLiteral("Ext.A"))), 0);
    EXPECT_EQ(thread->SetWatchSignal(100, temp), 1);
    thread->SetWatchItem(2, 0x100, 0, 0);
    deliver({Frame(0x100, {0x50, 0x01}),        // Temp 21 * 0.5 - 40
             {0x200, 0, 0, 8, {1, 0x12, 0x34}}, // 11-bit 0x200 is another message
             {0x200, 1, 0, 8, {1, 0xAB, 0xCD}}, // A = 0xABCD
             {0x200, 1, 0, 8, {2, 0x11, 0x11}}, // multiplexor 2: no A
             {0x100, 0, 1, 8, {0xFF, 0xFF}},    // a remote frame carries no value
             {0x100, 0, 0, 1, {0xFF, 0xFF}}});  // too short for Temp
    EXPECT_EQ(thread->WatchItemValue(0), -29.5);
    EXPECT_EQ(thread->WatchItemValue(1), 0xABCD);
    EXPECT_EQ(thread->WatchItemValue(2), 255); // the byte entry beside them
    const TrendHistories h = thread->Histories();
    EXPECT_EQ(h.length1, 1);
    EXPECT_EQ(h.history1[0], -29.5);
    // Another item of the same signal has its latest value at once.
    thread->SetWatchSignal(3, temp);
    EXPECT_EQ(thread->WatchItemValue(3), -29.5);

    // Back to a type and byte range: the signal's value and history are gone with it.
    thread->SetWatchItem(0, 0x100, 0, 1);
    thread->SetTrend1(0x100, 0, 1);
    EXPECT_EQ(thread->WatchItemValue(0), std::nullopt);
    EXPECT_EQ(thread->Histories().length1, 0);
    deliver({Frame(0x100, {0x50, 0x07})});
    EXPECT_EQ(thread->WatchItemValue(0), 7);
    EXPECT_EQ(thread->Histories().length1, 1);
    EXPECT_EQ(thread->History1()[0], 7);
}

// Signal entries of the table follow the database handed with it; without
// it, or without the signal in it, they take nothing.
TEST_F(TrendThreadTest, TheTablesSignalEntriesFollowTheirDatabase) {
    const auto db = std::make_shared<const dbc::Database>(dbc::parseDbc(kSignalDbc, "t.dbc"));
    type_TrendCAN& t = Global_TrendCAN;
    t = type_TrendCAN{};
    t.TrendCANID[0] = 0x100;
    t.Signal[1] = QStringLiteral("Std.Temp");
    t.Signal[2] = QStringLiteral("Std.Missing");
    t.TrendCAN_Count = 3;
    WatchTrendTable(*thread, db);
    deliver({Frame(0x100, {0x50, 0x01})});
    EXPECT_EQ(thread->WatchItemValue(0), 0x50);
    EXPECT_EQ(thread->WatchItemValue(1), -29.5);
    EXPECT_EQ(thread->WatchItemValue(2), std::nullopt);
    WatchTrendTable(*thread, nullptr);
    deliver({Frame(0x100, {0x50, 0x01})});
    EXPECT_EQ(thread->WatchItemValue(1), std::nullopt);
    t = type_TrendCAN{};
}

} // namespace
