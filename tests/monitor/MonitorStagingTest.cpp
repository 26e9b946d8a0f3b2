// The hand-off from the driver's tap to the window: one wake-up per batch,
// the bound, and no frame lost or doubled between threads.

#include "MonitorStaging.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

CandumpRecord record(uint32_t id, char direction, bool extended = false, bool remote = false) {
    CandumpRecord r;
    r.timeUs = 1700000000000000 + id;
    r.interfaceName = "simulator0";
    r.frame.id = id;
    r.frame.extended = extended;
    r.frame.remote = remote;
    r.frame.len = 2;
    r.frame.data = {0xAB, 0xCD};
    r.direction = direction;
    return r;
}

TEST(MonitorStagingTest, OneWakeUpPerBatchAndTheBoundCountsTheRest) {
    std::atomic<int> wakes{0};
    auto staging = std::make_shared<MonitorStaging>([&] { ++wakes; }, 3);
    MonitorSink sink(staging);
    for (uint32_t id = 0; id < 5; ++id)
        sink.write(record(id, 'R'));
    EXPECT_EQ(wakes, 1);
    MonitorStaging::Batch batch;
    staging->take(batch);
    EXPECT_EQ(batch.frames.size(), 3u);
    EXPECT_EQ(batch.dropped, 2u);
    EXPECT_EQ(staging->interfaceName(), "simulator0");

    sink.finish(4); // the tap's own drops wake the window too
    EXPECT_EQ(wakes, 2);
    sink.write(record(9, 'T'));
    EXPECT_EQ(wakes, 2);
    staging->take(batch);
    ASSERT_EQ(batch.frames.size(), 1u);
    EXPECT_EQ(batch.dropped, 4u);
    staging->take(batch);
    EXPECT_TRUE(batch.frames.empty());
    EXPECT_EQ(batch.dropped, 0u);
}

TEST(MonitorStagingTest, RecordsBecomeCompactFramesAndBack) {
    const CandumpRecord records[] = {record(0x123, 'R'), record(0x123, 'T'),
                                     record(0x1ABCDEF0, 'T', true),
                                     record(0x7FF, 'R', false, true)};
    for (const CandumpRecord& r : records) {
        SCOPED_TRACE(formatCandumpLine(r));
        const MonitorFrame f = monitorFrame(r);
        EXPECT_EQ(f.transmitted(), r.direction == 'T');
        EXPECT_EQ(f.extended(), r.frame.extended);
        EXPECT_EQ(f.remote(), r.frame.remote);
        EXPECT_EQ(formatCandumpLine(candumpRecord(f, "simulator0")), formatCandumpLine(r));
    }
}

// The tap's writer pushes while the window takes: every frame arrives once.
TEST(MonitorStagingTest, FramesCrossThreadsWholeAndOnce) {
    constexpr uint32_t kFrames = 20000;
    auto staging = std::make_shared<MonitorStaging>(nullptr);
    std::thread writer([staging] {
        MonitorSink sink(staging);
        for (uint32_t id = 0; id < kFrames; ++id)
            sink.write(record(id, 'R'));
    });
    std::vector<uint32_t> seen;
    MonitorStaging::Batch batch;
    while (seen.size() < kFrames) {
        staging->take(batch);
        for (const MonitorFrame& f : batch.frames)
            seen.push_back(f.id);
        ASSERT_EQ(batch.dropped, 0u);
    }
    writer.join();
    for (uint32_t id = 0; id < kFrames; ++id)
        ASSERT_EQ(seen[id], id);
}

} // namespace
