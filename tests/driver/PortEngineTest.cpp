// The port engine on a recording channel and a hand-driven clock: group
// timelines, live replacement, response notices, the receive queue, status
// and bad calls.

#include "CallbackQueue.h"
#include "EngineTestSupport.h"
#include "ZarvoCodes.h"

#include <future>
#include <gtest/gtest.h>

namespace {

class PortEngineTest : public ::testing::Test {
protected:
    PortEngineTest() {
        auto owned = std::make_unique<RecordingChannel>();
        channel = owned.get();
        engine = std::make_unique<PortEngine>(3, std::move(owned), clock, 4);
        std::string note;
        EXPECT_EQ(engine->open(500000, note), kZarvoOk);
    }

    // Hands over `group` with callbacks set first, as a caller that wants every notice.
    void send(uint8_t group, std::vector<GroupMessage> messages) {
        engine->setTxCallback(group, NoticeRecorder::tx);
        engine->setRxCallback(group, NoticeRecorder::rx);
        ASSERT_EQ(engine->sendGroup(group, std::move(messages)), kZarvoOk);
        settle(*engine);
    }

    std::vector<int64_t> writtenAt(uint32_t id) const {
        std::vector<int64_t> times;
        for (const CanFrame& f : channel->written()) {
            if (f.id == id)
                times.push_back(dueMs(f));
        }
        return times;
    }

    ManualClock clock;
    NoticeRecorder recorder{clock};
    RecordingChannel* channel = nullptr;
    std::unique_ptr<PortEngine> engine;
};

using Times = std::vector<int64_t>;

TEST_F(PortEngineTest, GroupFollowsTheTimelineOfEachMessage) {
    send(0, {{frame(0x100), 10, 3, 7}, {frame(0x200), 5, 2, 0}});
    advanceMs(clock, *engine, 80);

    EXPECT_EQ(writtenAt(0x100), (Times{0, 10, 20}));
    EXPECT_EQ(writtenAt(0x200), (Times{37, 42}));
    const std::vector<Notice> expected{{'S', 0, 0}, {'E', 0, 30}, {'S', 0, 37}, {'E', 0, 47}};
    EXPECT_EQ(recorder.notices(), expected);
}

TEST_F(PortEngineTest, UntilStoppedRepeatsOnAFixedGridAndStopEndsWithoutEndNotice) {
    send(0, {{frame(0x100), 5, 0, 0}, {frame(0x200), 5, 1, 0}});
    advanceMs(clock, *engine, 23);
    EXPECT_EQ(engine->stopGroup(0), kZarvoOk);
    advanceMs(clock, *engine, 30);

    EXPECT_EQ(writtenAt(0x100), (Times{0, 5, 10, 15, 20}));
    EXPECT_TRUE(writtenAt(0x200).empty());
    EXPECT_EQ(recorder.notices(), (std::vector<Notice>{{'S', 0, 0}}));
}

TEST_F(PortEngineTest, StopInTheResponseWindowEndsTheGroupAtOnce) {
    send(0, {{frame(0x100), 50, 1, 0}, {frame(0x200), 1, 1, 0}});
    advanceMs(clock, *engine, 20);
    engine->stopGroup(0);
    advanceMs(clock, *engine, 60);
    EXPECT_EQ(writtenAt(0x100), (Times{0}));
    EXPECT_TRUE(writtenAt(0x200).empty());
    EXPECT_EQ(recorder.notices().size(), 1u);
}

TEST_F(PortEngineTest, ReplacementWithEqualCountChangesDataLiveWithoutRestart) {
    send(0, {{frame(0x100, 0x11), 10, 0, 0}});
    advanceMs(clock, *engine, 15);
    ASSERT_EQ(engine->sendGroup(0, {{frame(0x100, 0x22), 10, 0, 0}}), kZarvoOk);
    advanceMs(clock, *engine, 20);

    const std::vector<CanFrame> written = channel->written();
    ASSERT_EQ(written.size(), 4u);
    EXPECT_EQ(writtenAt(0x100), (Times{0, 10, 20, 30}));
    EXPECT_EQ(written[1].data[0], 0x11);
    EXPECT_EQ(written[2].data[0], 0x22);
    EXPECT_EQ(recorder.notices().size(), 1u) << "no second start notice";
}

TEST_F(PortEngineTest, LiveReplacementWithAnotherIntervalKeepsTheNextDueTime) {
    send(0, {{frame(0x100, 0x11), 10, 0, 0}});
    advanceMs(clock, *engine, 35);
    ASSERT_EQ(engine->sendGroup(0, {{frame(0x100, 0x22), 2, 0, 0}}), kZarvoOk);
    advanceMs(clock, *engine, 10);
    EXPECT_EQ(writtenAt(0x100), (Times{0, 10, 20, 30, 40, 42, 44}))
        << "no burst for the transmissions a shorter interval would have had";
    EXPECT_EQ(recorder.notices().size(), 1u);
}

TEST_F(PortEngineTest, ReplacementWithAnotherCountRestartsTheGroup) {
    send(0, {{frame(0x100), 10, 0, 0}});
    advanceMs(clock, *engine, 12);
    ASSERT_EQ(engine->sendGroup(0, {{frame(0x300), 4, 1, 0}, {frame(0x301), 4, 1, 0}}), kZarvoOk);
    settle(*engine);
    advanceMs(clock, *engine, 20);

    EXPECT_EQ(writtenAt(0x100), (Times{0, 10}));
    EXPECT_EQ(writtenAt(0x300), (Times{12}));
    EXPECT_EQ(writtenAt(0x301), (Times{16}));
    const std::vector<Notice> expected{
        {'S', 0, 0}, {'S', 0, 12}, {'E', 0, 16}, {'S', 0, 16}, {'E', 0, 20}};
    EXPECT_EQ(recorder.notices(), expected);
}

TEST_F(PortEngineTest, GroupsOnOnePortKeepTheirOwnTime) {
    ASSERT_EQ(engine->setGroupCount(2), kZarvoOk);
    send(0, {{frame(0x100), 3, 4, 0}});
    advanceMs(clock, *engine, 2);
    send(1, {{frame(0x200), 5, 3, 1}});
    advanceMs(clock, *engine, 30);

    EXPECT_EQ(writtenAt(0x100), (Times{0, 3, 6, 9}));
    EXPECT_EQ(writtenAt(0x200), (Times{2, 7, 12}));
    const std::vector<Notice> expected{{'S', 0, 0}, {'S', 1, 2}, {'E', 0, 12}, {'E', 1, 17}};
    EXPECT_EQ(recorder.notices(), expected);
}

TEST_F(PortEngineTest, GroupWaitsForItsTransmitCallbackSoItsFirstNoticeIsNotLost) {
    ASSERT_EQ(engine->sendGroup(0, {{frame(0x100), 10, 1, 0}}), kZarvoOk);
    advanceMs(clock, *engine, 5);
    EXPECT_TRUE(channel->written().empty());
    engine->setTxCallback(0, NoticeRecorder::tx);
    settle(*engine);
    advanceMs(clock, *engine, 15);
    EXPECT_EQ(writtenAt(0x100), (Times{5}));
    EXPECT_EQ(recorder.notices(), (std::vector<Notice>{{'S', 0, 5}, {'E', 0, 15}}));
}

TEST_F(PortEngineTest, GroupWithoutTransmitCallbackStartsAfterTheGracePeriod) {
    ASSERT_EQ(engine->sendGroup(0, {{frame(0x100), 10, 2, 0}}), kZarvoOk);
    const int graceMs = static_cast<int>(PortEngine::kCallbackGrace.count());
    advanceMs(clock, *engine, graceMs + 15);
    EXPECT_EQ(writtenAt(0x100), (Times{graceMs, graceMs + 10}));
    EXPECT_TRUE(recorder.notices().empty());
}

TEST_F(PortEngineTest, EmptyGroupIsDoneAtOnce) {
    send(0, {});
    advanceMs(clock, *engine, 10);
    EXPECT_TRUE(channel->written().empty());
    EXPECT_TRUE(recorder.notices().empty());
}

TEST_F(PortEngineTest, ResponseNoticesConcernTheCurrentIdentifierWhileTheGroupRuns) {
    recorder.onStart = [this](uint8_t group) { engine->setResponseId(group, 0x108); };
    send(0, {{frame(0x100), 10, 1, 0}});
    channel->receive(frame(0x108, 1));
    channel->receive(frame(0x109, 2));
    channel->receive(frame(0x108, 3));
    ASSERT_TRUE(recorder.waitFor(3));
    engine->setResponseId(0, -1);
    channel->receive(frame(0x108, 4));
    advanceMs(clock, *engine, 10); // the group ends
    engine->setResponseId(0, 0x108);
    channel->receive(frame(0x108, 5));
    settle(*engine);

    const std::vector<Notice> expected{
        {'S', 0, 0}, {'R', 0, 0, 0x108, 1}, {'R', 0, 0, 0x108, 3}, {'E', 0, 10}};
    EXPECT_EQ(recorder.notices(), expected);
    uint16_t waiting = 0;
    engine->rxCount(waiting);
    EXPECT_EQ(waiting, 4) << "every frame also goes to the receive queue (capacity 4)";
}

TEST_F(PortEngineTest, QueueOverflowDropsTheOldestAndReportsUntilReadEmpty) {
    for (uint8_t i = 0; i < 6; ++i)
        channel->receive(frame(0x10 + i));
    EXPECT_EQ(engine->droppedFrames(), 2u);
    EXPECT_EQ(engine->status(), kStatusRxOverflow);

    CanFrame f;
    ASSERT_EQ(engine->readFrame(f), kZarvoOk);
    EXPECT_EQ(f.id, 0x12u);
    for (int i = 0; i < 2; ++i)
        engine->readFrame(f);
    EXPECT_EQ(engine->status(), kStatusRxOverflow) << "one frame still waits";
    engine->readFrame(f);
    EXPECT_EQ(f.id, 0x15u);
    EXPECT_EQ(engine->status(), 0u);
    EXPECT_EQ(engine->readFrame(f), kZarvoQueueEmpty);
}

// Readers 1 and 2 and the port queue each hold 4 frames; reader 1 keeps up,
// reader 2 falls behind, nobody reads the port queue.
TEST_F(PortEngineTest, EveryReaderGetsEveryFrameAndCountsItsOwnDrops) {
    engine->addReader(1);
    engine->addReader(2);
    const auto drain = [&](uint32_t reader) {
        std::vector<uint32_t> ids;
        for (CanFrame f; engine->readFrame(f, reader) == kZarvoOk;)
            ids.push_back(f.id);
        return ids;
    };
    for (uint8_t i = 0; i < 3; ++i)
        channel->receive(frame(0x10 + i));
    EXPECT_EQ(drain(1), (std::vector<uint32_t>{0x10, 0x11, 0x12}));
    for (uint8_t i = 3; i < 6; ++i)
        channel->receive(frame(0x10 + i));
    EXPECT_EQ(engine->status(), kStatusRxOverflow) << "reader 2 lost two frames";
    EXPECT_EQ(engine->droppedFrames(), 2u) << "the port queue is not read: its drops do not count";
    const struct {
        uint32_t reader;
        std::vector<uint32_t> ids;
        uint64_t dropped;
    } cases[] = {
        {1, {0x13, 0x14, 0x15}, 0},
        {2, {0x12, 0x13, 0x14, 0x15}, 2},
        {PortEngine::kPortQueue, {0x12, 0x13, 0x14, 0x15}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reader);
        uint16_t count = 0;
        ASSERT_EQ(engine->rxCount(count, c.reader), kZarvoOk);
        EXPECT_EQ(count, c.ids.size());
        EXPECT_EQ(drain(c.reader), c.ids);
        uint64_t dropped = 0;
        ASSERT_EQ(engine->readerDropped(c.reader, dropped), kZarvoOk);
        EXPECT_EQ(dropped, c.dropped);
    }
    EXPECT_EQ(engine->status(), 0u) << "every queue was read empty";

    engine->removeReader(2);
    CanFrame f;
    uint16_t count = 0;
    uint64_t dropped = 0;
    EXPECT_EQ(engine->readFrame(f, 2), kZarvoUnknownReader);
    EXPECT_EQ(engine->rxCount(count, 2), kZarvoUnknownReader);
    EXPECT_EQ(engine->readerDropped(2, dropped), kZarvoUnknownReader);
    // A reader stays through closing and opening; its queue starts empty.
    channel->receive(frame(0x20));
    engine->close();
    std::string note;
    ASSERT_EQ(engine->open(500000, note), kZarvoOk);
    channel->receive(frame(0x21));
    EXPECT_EQ(drain(1), (std::vector<uint32_t>{0x21}));
}

TEST_F(PortEngineTest, FailedWritesAndBusConditionsShowInTheStatus) {
    channel->setFailWrites(true);
    engine->setTxCallback(0, NoticeRecorder::tx);
    engine->sendGroup(0, {{frame(0x100), 1, 0, 0}});
    settle(*engine);
    EXPECT_EQ(engine->status(), kStatusWriteFailed);
    channel->setFailWrites(false);
    advanceMs(clock, *engine, 1);
    EXPECT_EQ(engine->status(), 0u);

    channel->setCondition(kStatusBusOff, true);
    channel->setCondition(kStatusErrorPassive, true);
    EXPECT_EQ(engine->status(), kStatusBusOff | kStatusErrorPassive);
    channel->setCondition(kStatusBusOff, false);
    EXPECT_EQ(engine->status(), kStatusErrorPassive);
}

TEST_F(PortEngineTest, BadCallsChangeNothingAndSendNothing) {
    const std::vector<GroupMessage> one{{frame(0x100), 1, 1, 0}};
    EXPECT_EQ(engine->sendGroup(1, one), kZarvoBadGroup) << "the group count starts at 1";
    EXPECT_EQ(engine->stopGroup(9), kZarvoBadGroup);
    EXPECT_EQ(engine->setTxCallback(1, NoticeRecorder::tx), kZarvoBadGroup);
    EXPECT_EQ(engine->setRxCallback(1, NoticeRecorder::rx), kZarvoBadGroup);
    EXPECT_EQ(engine->setResponseId(1, 5), kZarvoBadGroup);
    ASSERT_EQ(engine->setGroupCount(0), kZarvoOk);
    EXPECT_EQ(engine->sendGroup(0, one), kZarvoBadGroup);

    ASSERT_EQ(engine->close(), kZarvoOk);
    EXPECT_EQ(engine->setGroupCount(2), kZarvoNotOpen);
    EXPECT_EQ(engine->sendGroup(0, one), kZarvoNotOpen);
    uint16_t waiting = 7;
    EXPECT_EQ(engine->rxCount(waiting), kZarvoNotOpen);
    EXPECT_EQ(waiting, 7) << "a refused call leaves its output";
    CanFrame f;
    EXPECT_EQ(engine->readFrame(f), kZarvoNotOpen);
    EXPECT_EQ(engine->status(), kStatusNotOpen);
    advanceMs(clock, *engine, 5);
    EXPECT_TRUE(channel->written().empty());
}

TEST_F(PortEngineTest, CloseStopsGroupsAndAReopenedPortStartsClean) {
    send(0, {{frame(0x100), 2, 0, 0}});
    advanceMs(clock, *engine, 3);
    ASSERT_EQ(engine->close(), kZarvoOk);
    EXPECT_EQ(engine->close(), kZarvoOk) << "closing twice is harmless";
    std::string note;
    ASSERT_EQ(engine->open(500000, note), kZarvoOk);
    EXPECT_EQ(engine->open(500000, note), kZarvoOk) << "opening an open port is harmless";
    advanceMs(clock, *engine, 10);
    EXPECT_EQ(writtenAt(0x100), (Times{0, 2}));
    EXPECT_EQ(engine->status(), 0u);
}

TEST_F(PortEngineTest, OpeningAPortWhoseAdapterWasLostOpensItAfresh) {
    send(0, {{frame(0x100), 2, 0, 0}});
    channel->setCondition(kStatusAdapterLost, true);
    std::string note;
    ASSERT_EQ(engine->open(500000, note), kZarvoOk);
    EXPECT_EQ(engine->status(), 0u);
    advanceMs(clock, *engine, 10);
    EXPECT_EQ(writtenAt(0x100), (Times{0})) << "the reopened port starts without groups";
    channel->receive(frame(0x200));
    uint16_t waiting = 0;
    engine->rxCount(waiting);
    EXPECT_EQ(waiting, 1) << "the channel reports to the engine again";
}

TEST_F(PortEngineTest, ANewGroupCountForgetsTheCallbacksOfTheEarlierRun) {
    recorder.onStart = [this](uint8_t group) { engine->setResponseId(group, 0x108); };
    send(0, {{frame(0x100), 1, 1, 0}});
    advanceMs(clock, *engine, 3);
    ASSERT_EQ(engine->setGroupCount(1), kZarvoOk);
    ASSERT_EQ(engine->sendGroup(0, {{frame(0x200), 1, 1, 0}}), kZarvoOk);
    channel->receive(frame(0x108));
    advanceMs(clock, *engine, 3);
    EXPECT_EQ(recorder.notices(), (std::vector<Notice>{{'S', 0, 0}, {'E', 0, 1}}));
    EXPECT_TRUE(writtenAt(0x200).empty()) << "the new run waits for its own callbacks";
}

TEST_F(PortEngineTest, IntervalZeroSendsEveryMillisecondWhateverTheCount) {
    send(0, {{frame(0x200), 0, 2, 0}, {frame(0x100), 0, 100000, 0}});
    advanceMs(clock, *engine, 4);
    EXPECT_EQ(writtenAt(0x200), (Times{0, 1})) << "and no window after the last one";
    EXPECT_EQ(writtenAt(0x100), (Times{1, 2, 3, 4}));
    EXPECT_EQ(recorder.notices(), (std::vector<Notice>{{'S', 0, 0}, {'E', 0, 1}, {'S', 0, 1}}));
}

TEST_F(PortEngineTest, NoticesBehindASlowCallbackAreBoundedAndEndWithStop) {
    ASSERT_EQ(engine->setGroupCount(2), kZarvoOk);
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    recorder.onStart = [released](uint8_t group) {
        if (group == 1)
            released.wait();
    };
    engine->setResponseId(0, 0x108);
    send(0, {{frame(0x100), 10, 0, 0}});
    engine->setTxCallback(1, NoticeRecorder::tx);
    ASSERT_EQ(engine->sendGroup(1, {{frame(0x200), 10, 0, 0}}), kZarvoOk); // blocks the callbacks
    for (size_t i = 0; i < CallbackQueue::kReceiveNoticeLimit + 3; ++i)
        channel->receive(frame(0x108));
    EXPECT_EQ(engine->status(), kStatusRxOverflow | kStatusNoticesDropped);
    EXPECT_EQ(engine->stopGroup(0), kZarvoOk);
    release.set_value();
    settle(*engine);
    EXPECT_EQ(recorder.notices(), (std::vector<Notice>{{'S', 0, 0}, {'S', 1, 0}}));
    engine->setGroupCount(1);
    EXPECT_EQ(engine->status(), kStatusRxOverflow) << "a new run starts without the bit";
}

TEST_F(PortEngineTest, EndNoticeWaitsForTheFramesOfTheWindow) {
    recorder.onStart = [this](uint8_t group) { engine->setResponseId(group, 0x108); };
    channel->holdDeliveries(std::chrono::milliseconds(2));
    send(0, {{frame(0x100), 5, 1, 0}, {frame(0x200), 5, 1, 0}});
    advanceMs(clock, *engine, 7);
    channel->receive(frame(0x108)); // arrived at 4 ms, handed over late
    channel->catchUp();
    settle(*engine);
    const std::vector<Notice> expected{{'S', 0, 0}, {'R', 0, 7, 0x108}, {'E', 0, 7}, {'S', 0, 7}};
    EXPECT_EQ(recorder.notices(), expected);
}

TEST_F(PortEngineTest, AWindowRunsFromItsLastTransmissionWhenTheSchedulerWakesLate) {
    send(0, {{frame(0x100), 5, 2, 0}});
    // Asleep past the second transmission and its whole window: the window
    // still closes 5 ms after the channel took that transmission, so that a
    // response to it is reported before the end notice.
    clock.advance(std::chrono::milliseconds(30));
    settle(*engine);
    EXPECT_EQ(writtenAt(0x100), (Times{0, 5}));
    advanceMs(clock, *engine, 6);
    const std::vector<Notice> expected{{'S', 0, 0}, {'E', 0, 35}};
    EXPECT_EQ(recorder.notices(), expected);
}

TEST_F(PortEngineTest, OpeningAtAnotherBitRateReopensThePort) {
    std::string note;
    ASSERT_EQ(engine->open(500000, note), kZarvoOk);
    ASSERT_EQ(engine->open(250000, note), kZarvoOk);
    ASSERT_EQ(engine->open(250000, note), kZarvoOk);
    EXPECT_EQ(channel->openings(), (std::vector<uint32_t>{500000, 250000}));
    EXPECT_EQ(engine->status(), 0u);
}

} // namespace
