// The bus monitor's core on an injected clock: the capture ring's bound and
// drop count, the fixed view's counts, cycle times and highlights, the
// chronological view through pause, filter and drops, and the statistics.

#include "BusMonitor.h"

#include "AscLog.h"
#include "MonitorExport.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

using namespace std::chrono_literals;

MonitorFrame frame(uint32_t id, uint64_t timeUs, std::initializer_list<uint8_t> bytes = {},
                   uint8_t flags = 0) {
    MonitorFrame f;
    f.id = id;
    f.timeUs = timeUs;
    f.flags = flags;
    f.len = static_cast<uint8_t>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), f.data.begin());
    return f;
}

// Keeps a row count as a model would, checking that every notice fits it.
class RowMirror final : public RowListener {
public:
    void aboutToInsert(size_t first, size_t last) override {
        EXPECT_LE(first, rows);
        EXPECT_LE(first, last);
        pending = last - first + 1;
    }
    void inserted() override { rows += pending; }
    void aboutToRemove(size_t first, size_t last) override {
        EXPECT_LT(last, rows);
        EXPECT_LE(first, last);
        pending = last - first + 1;
    }
    void removed() override { rows -= pending; }
    void changed(size_t first, size_t last) override {
        EXPECT_LE(first, last);
        EXPECT_LT(last, rows);
        changes.emplace_back(first, last);
    }
    void aboutToReset() override { ++resets; }
    void reset() override { rows = resetTo ? resetTo() : 0; }

    size_t rows = 0;
    size_t pending = 0;
    int resets = 0;
    std::function<size_t()> resetTo;
    std::vector<std::pair<size_t, size_t>> changes;
};

class BusMonitorTest : public ::testing::Test {
protected:
    BusMonitorTest() {
        chronological.resetTo = [this] { return monitor.chronologicalRows(); };
        fixed.resetTo = [this] { return monitor.fixedRows(); };
        monitor.setListeners(&chronological, &fixed);
    }
    void append(std::initializer_list<MonitorFrame> frames) {
        const std::vector<MonitorFrame> batch(frames);
        monitor.append(batch);
        EXPECT_EQ(chronological.rows, monitor.chronologicalRows());
        EXPECT_EQ(fixed.rows, monitor.fixedRows());
    }
    std::vector<uint32_t> chronologicalIds() const {
        std::vector<uint32_t> ids;
        for (size_t r = 0; r < monitor.chronologicalRows(); ++r)
            ids.push_back(monitor.chronologicalFrame(r).id);
        return ids;
    }

    ManualClock clock;
    BusMonitor monitor{clock, 100};
    RowMirror chronological;
    RowMirror fixed;
};

// Every frame held is where its sequence number says.
void expectInOrder(const CaptureRing& ring) {
    ASSERT_EQ(ring.end() - ring.begin(), ring.size());
    for (uint64_t seq = ring.begin(); seq < ring.end(); ++seq)
        ASSERT_EQ(ring.at(seq).id, seq);
}

TEST(CaptureRingTest, KeepsTheNewestFramesAndCountsTheRestAsDropped) {
    const struct {
        size_t capacity;
        uint32_t pushed;
        size_t size;
        uint64_t dropped;
    } cases[] = {
        {5, 3, 3, 0},  {5, 5, 5, 0}, {5, 6, 5, 1},
        {5, 13, 5, 8}, {1, 4, 1, 3}, {0, 2, 1, 1}, // no capacity is one frame
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.capacity << " " << c.pushed);
        CaptureRing ring(c.capacity);
        for (uint32_t i = 0; i < c.pushed; ++i)
            ring.push(frame(i, i));
        EXPECT_EQ(ring.size(), c.size);
        EXPECT_EQ(ring.dropped(), c.dropped);
        expectInOrder(ring);
    }
}

TEST(CaptureRingTest, ResizingKeepsTheNewestAndWrapsOnFromThere) {
    const struct {
        size_t capacity;
        uint32_t pushed;
        size_t resizeTo;
    } cases[] = {{5, 13, 3}, {5, 13, 9}, {5, 2, 1}, {5, 2, 4}, {8, 8, 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.capacity << " " << c.pushed << " " << c.resizeTo);
        CaptureRing ring(c.capacity);
        uint32_t pushed = 0;
        for (; pushed < c.pushed; ++pushed)
            ring.push(frame(pushed, pushed));
        ring.setCapacity(c.resizeTo);
        EXPECT_EQ(ring.size(), std::min<size_t>({c.capacity, c.pushed, c.resizeTo}));
        expectInOrder(ring);
        for (; pushed < c.pushed + 2 * c.resizeTo + 1; ++pushed)
            ring.push(frame(pushed, pushed));
        EXPECT_EQ(ring.size(), c.resizeTo);
        EXPECT_EQ(ring.dropped(), pushed - c.resizeTo);
        expectInOrder(ring);
    }
}

TEST(CaptureRingTest, ClearingStartsTheDropCountAgain) {
    CaptureRing ring(3);
    for (uint32_t i = 0; i < 10; ++i)
        ring.push(frame(i, i));
    ring.clear();
    EXPECT_EQ(ring.size(), 0u);
    EXPECT_EQ(ring.dropped(), 0u);
    for (uint32_t i = 10; i < 14; ++i)
        ring.push(frame(i, i));
    EXPECT_EQ(ring.dropped(), 1u);
    EXPECT_EQ(ring.at(ring.begin()).id, 11u);
    EXPECT_EQ(ring.at(ring.end() - 1).id, 13u);
}

TEST(CaptureRingTest, AMillionFramesTakeLessThan200MiB) {
    EXPECT_LE(sizeof(MonitorFrame) * CaptureRing::kDefaultCapacity * 2, 200u << 20)
        << "even while the ring's storage grows";
}

TEST_F(BusMonitorTest, TheFixedViewCountsAndTimesEachIdentifierAndDirection) {
    append({frame(0x200, 1000, {1, 2}), frame(0x100, 1500, {9}),
            frame(0x200, 11000, {1, 2}, MonitorFrame::kTransmitted)});
    append({frame(0x200, 21000, {1, 2}), frame(0x200, 26000, {1, 2}), frame(0x200, 46000, {1, 2}),
            frame(0x100, 1000000, {9}, MonitorFrame::kExtended)});
    const struct {
        uint32_t id;
        uint8_t flags;
        uint64_t count;
        int64_t cycle, min, max;
    } expected[] = {
        {0x100, 0, 1, -1, -1, -1},
        {0x100, MonitorFrame::kExtended, 1, -1, -1, -1},
        {0x200, 0, 4, 20000, 5000, 20000},
        {0x200, MonitorFrame::kTransmitted, 1, -1, -1, -1},
    };
    ASSERT_EQ(monitor.fixedRows(), std::size(expected));
    for (size_t r = 0; r < std::size(expected); ++r) {
        SCOPED_TRACE(r);
        const FixedRow& row = monitor.fixedRow(r);
        EXPECT_EQ(row.last.id, expected[r].id);
        EXPECT_EQ(row.last.flags, expected[r].flags);
        EXPECT_EQ(row.count, expected[r].count);
        EXPECT_EQ(row.cycleUs, expected[r].cycle);
        EXPECT_EQ(row.cycleMinUs, expected[r].min);
        EXPECT_EQ(row.cycleMaxUs, expected[r].max);
    }
}

TEST_F(BusMonitorTest, ChangedBytesStayHighlightedForAMoment) {
    append({frame(0x10, 0, {1, 2, 3})});
    EXPECT_FALSE(monitor.fixedRow(0).lit) << "the first frame has nothing to differ from";
    const struct {
        std::initializer_list<uint8_t> bytes;
        uint8_t changed;
    } steps[] = {
        {{1, 9, 3}, 0b010},
        {{1, 9, 3, 4}, 0b1000}, // a longer frame: the new byte
        {{7, 9}, 0b1101},       // shorter: the bytes gone count as changed
    };
    for (const auto& step : steps) {
        clock.advance(10ms);
        append({frame(0x10, 0, step.bytes)});
        EXPECT_TRUE(monitor.fixedRow(0).lit);
        EXPECT_EQ(monitor.fixedRow(0).changed, step.changed);
    }
    // The same data again keeps the highlight until its time is over.
    clock.advance(BusMonitor::kHighlight - 1ms);
    append({frame(0x10, 0, {7, 9})});
    EXPECT_TRUE(monitor.fixedRow(0).lit);
    EXPECT_EQ(monitor.fixedRow(0).changed, 0b1101);
    fixed.changes.clear();
    clock.advance(1ms);
    monitor.tick();
    EXPECT_FALSE(monitor.fixedRow(0).lit);
    EXPECT_EQ(fixed.changes, (std::vector<std::pair<size_t, size_t>>{{0, 0}}));
    fixed.changes.clear();
    monitor.tick();
    EXPECT_TRUE(fixed.changes.empty()) << "an ended highlight is announced once";
}

TEST_F(BusMonitorTest, NewRowsComeInSortedAndChangesAreOneNotice) {
    append({frame(0x300, 0), frame(0x100, 0)});
    fixed.changes.clear();
    append({frame(0x200, 0), frame(0x300, 0), frame(0x100, 0)});
    std::vector<uint32_t> ids;
    for (size_t r = 0; r < monitor.fixedRows(); ++r)
        ids.push_back(monitor.fixedRow(r).last.id);
    EXPECT_EQ(ids, (std::vector<uint32_t>{0x100, 0x200, 0x300}));
    EXPECT_EQ(fixed.changes, (std::vector<std::pair<size_t, size_t>>{{0, 2}}));
    EXPECT_EQ(fixed.resets, 0);
    EXPECT_EQ(chronological.resets, 0);
}

TEST_F(BusMonitorTest, APausedViewHoldsStillWhileTheCaptureGoesOn) {
    append({frame(1, 0, {1}), frame(2, 0, {1})});
    monitor.setPaused(true);
    append({frame(3, 0, {1}), frame(1, 0, {2})});
    EXPECT_EQ(chronologicalIds(), (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(monitor.fixedRows(), 2u);
    EXPECT_EQ(monitor.fixedRow(0).count, 1u) << "the fixed view is frozen too";
    EXPECT_EQ(monitor.capture().size(), 4u);
    monitor.setPaused(false);
    EXPECT_EQ(chronologicalIds(), (std::vector<uint32_t>{1, 2, 3, 1}));
    EXPECT_EQ(monitor.fixedRows(), 3u);
    EXPECT_EQ(monitor.fixedRow(0).count, 2u);
    EXPECT_EQ(monitor.fixedRow(0).last.data[0], 2);
    EXPECT_EQ(chronological.rows, 4u);
    EXPECT_EQ(fixed.rows, 3u);
}

TEST_F(BusMonitorTest, FramesLeavingTheRingLeaveTheViewAlsoWhilePaused) {
    for (uint32_t i = 0; i < 80; ++i)
        append({frame(i, i)});
    monitor.setPaused(true);
    for (uint32_t i = 80; i < 150; ++i)
        append({frame(i, i)});
    EXPECT_EQ(monitor.capture().dropped(), 50u);
    EXPECT_EQ(monitor.chronologicalRows(), 30u); // 50..79
    EXPECT_EQ(monitor.chronologicalFrame(0).id, 50u);
    monitor.setPaused(false);
    EXPECT_EQ(monitor.chronologicalRows(), 100u);
    EXPECT_EQ(monitor.chronologicalFrame(99).id, 149u);
    monitor.setCapacity(10);
    EXPECT_EQ(monitor.chronologicalRows(), 10u);
    EXPECT_EQ(chronological.rows, 10u);
    EXPECT_EQ(monitor.statistics(500000).droppedFromStart, 140u);
    EXPECT_EQ(monitor.fixedRows(), 150u) << "the table keeps every identifier";
}

TEST_F(BusMonitorTest, TheFilterChoosesWhatIsShownNotWhatIsCaptured) {
    append({frame(0x100, 0, {0xAA}), frame(0x7E8, 0, {0xBB}), frame(0x101, 0, {0xAA}),
            frame(0x100, 0, {0xCC}, MonitorFrame::kTransmitted)});
    MonitorFilter filter;
    std::string bad;
    ASSERT_TRUE(parseIdRules("100-1FF", filter.rules, bad));
    filter.text = "aa";
    monitor.setFilter(filter);
    EXPECT_EQ(chronologicalIds(), (std::vector<uint32_t>{0x100, 0x101}));
    EXPECT_EQ(monitor.fixedRows(), 2u);
    append({frame(0x102, 0, {0xAA}), frame(0x7E8, 0, {0xAA}), frame(0x101, 0, {0xBB})});
    EXPECT_EQ(chronologicalIds(), (std::vector<uint32_t>{0x100, 0x101, 0x102}));
    // 0x101's data no longer holds the text: its fixed row goes.
    std::vector<uint32_t> fixedIds;
    for (size_t r = 0; r < monitor.fixedRows(); ++r)
        fixedIds.push_back(monitor.fixedRow(r).last.id);
    EXPECT_EQ(fixedIds, (std::vector<uint32_t>{0x100, 0x102}));
    EXPECT_EQ(monitor.capture().size(), 7u);
    monitor.setFilter({});
    EXPECT_EQ(monitor.chronologicalRows(), 7u);
    EXPECT_EQ(monitor.fixedRows(), 5u);
}

TEST_F(BusMonitorTest, ClearEmptiesCaptureTableAndViews) {
    for (uint32_t i = 0; i < 120; ++i)
        append({frame(i % 3, i)});
    monitor.clear();
    EXPECT_EQ(monitor.chronologicalRows(), 0u);
    EXPECT_EQ(monitor.fixedRows(), 0u);
    EXPECT_EQ(monitor.statistics(0).captured, 0u);
    EXPECT_EQ(monitor.statistics(0).droppedFromStart, 0u);
    append({frame(1, 200), frame(1, 210)});
    EXPECT_EQ(monitor.fixedRow(0).count, 2u);
    EXPECT_EQ(monitor.fixedRow(0).cycleUs, 10);
}

TEST_F(BusMonitorTest, RatesAndBusLoadFollowTheClock) {
    const MonitorFrame full = frame(0x100, 0, {1, 2, 3, 4, 5, 6, 7, 8});
    const double bits = worstCaseFrameBits(canFrame(full));
    std::vector<MonitorFrame> batch(50, full);
    monitor.append(batch);
    EXPECT_EQ(monitor.statistics(500000).framesPerSecond, 0) << "no time has passed";
    clock.advance(500ms);
    monitor.append(batch);
    BusStatistics stats = monitor.statistics(500000);
    EXPECT_DOUBLE_EQ(stats.framesPerSecond, 100);
    EXPECT_DOUBLE_EQ(stats.busLoadPercent, 100 * bits * 100 / 500000);
    EXPECT_EQ(monitor.statistics(0).busLoadPercent, 0) << "no bit rate, no load";
    // A quiet bus: the rate falls to nothing once the window has passed.
    clock.advance(BusMonitor::kRateWindow);
    monitor.tick();
    clock.advance(BusMonitor::kRateWindow);
    monitor.tick();
    EXPECT_EQ(monitor.statistics(500000).framesPerSecond, 0);
    monitor.append({}, 3);
    EXPECT_EQ(monitor.statistics(500000).lostBeforeCapture, 3u);
}

TEST(MonitorExportTest, FramesBecomeCandumpLines) {
    const std::vector<MonitorFrame> frames{
        frame(0x123, 1700000000123456, {0x11, 0x22}, MonitorFrame::kTransmitted),
        frame(0x1ABCDEF0, 1700000000200000, {0, 0, 0},
              MonitorFrame::kExtended | MonitorFrame::kRemote),
    };
    EXPECT_EQ(candumpText(frames, "simulator0"), "(1700000000.123456) simulator0 123#1122 T\n"
                                                 "(1700000000.200000) simulator0 1ABCDEF0#R3 R\n");
    CaptureRing ring(100000);
    for (uint64_t i = 0; i < 5000; ++i)
        ring.push(frame(0x7FF, i, {1, 2, 3, 4, 5, 6, 7, 8}));
    std::string written;
    int pieces = 0;
    CandumpFormat candump;
    EXPECT_TRUE(writeCapture(ring, "can0", candump, [&](std::string_view piece) {
        written += piece;
        ++pieces;
        return true;
    }));
    EXPECT_GT(pieces, 1);
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 5000);
    EXPECT_EQ(written.substr(0, 45), "(0.000000) can0 7FF#0102030405060708 R\n(0.000");
    int calls = 0;
    EXPECT_FALSE(
        writeCapture(ring, "can0", candump, [&](std::string_view) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2) << "writing stops at the first failure";
}

// Saved as ASC, the capture reads back frame for frame: 11 and 29 bits, data
// and remote frames of every length, both directions, every microsecond.
TEST(MonitorExportTest, TheCaptureSavedAsAscReadsBackWhole) {
    CaptureRing ring(100);
    uint64_t time = 1700000000123456;
    for (uint8_t len = 0; len <= 8; ++len) {
        for (const uint8_t flags : {0, 1, 2, 3, 4, 7}) {
            MonitorFrame f =
                frame(flags & MonitorFrame::kExtended ? 0x18DAF110u + len : 0x700u + len,
                      time += 1371, {}, flags);
            f.len = len;
            for (uint8_t i = 0; i < len; ++i)
                f.data[i] = static_cast<uint8_t>(0x11 * (i + 1) + len);
            if (f.remote())
                f.data = {};
            ring.push(f);
        }
    }
    AscFormat asc;
    std::string text;
    ASSERT_TRUE(writeCapture(ring, "simulator0", asc, [&](std::string_view piece) {
        text += piece;
        return true;
    }));
    std::istringstream in(text);
    std::vector<CandumpRecord> records;
    TraceSkips skipped;
    std::string error;
    ASSERT_TRUE(readAscLog(in, records, skipped, error)) << error;
    ASSERT_EQ(records.size(), ring.size());
    for (uint64_t seq = ring.begin(); seq < ring.end(); ++seq) {
        const CandumpRecord expected = candumpRecord(ring.at(seq), "simulator0");
        const CandumpRecord& read = records[static_cast<size_t>(seq - ring.begin())];
        SCOPED_TRACE(formatCandumpLine(expected));
        EXPECT_EQ(formatCandumpLine(read), formatCandumpLine(expected));
    }
}

} // namespace
