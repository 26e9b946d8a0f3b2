// Kestrel's own driver through the binding: the simulator ports at the end of
// the table, live data changes of a repeated message, readers that each see
// every frame, and one run across two processes over Qt's virtual CAN bus.

#include "QtCanProviders.h"
#include "SeenNotice.h"
#include "SimProvider.h"
#include "VirtualCanPeer.h"
#include "ZarvoApi.h"
#include "ZarvoCodes.h"
#include "ZarvoReader.h"

#include <QCoreApplication>
#include <QProcess>
#include <condition_variable>
#include <cstring>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace {

std::mutex g_mutex;
std::condition_variable g_added;
std::vector<Seen> g_seen;
int32_t g_responseId = -1;

void onTx(uint32_t port, uint8_t group, uint8_t* state) {
    {
        std::lock_guard lock(g_mutex);
        g_seen.push_back({*state == 0 ? 'S' : 'E'});
        g_added.notify_all();
    }
    if (*state == 0)
        builtinZarvoBinding().Zarvo_SetResponseID(static_cast<uint8_t>(port), group, g_responseId);
}

void onRx(uint32_t, uint8_t, uint32_t id, uint8_t, uint8_t, uint8_t, uint8_t* data) {
    std::lock_guard lock(g_mutex);
    g_seen.push_back({'R', id, data[0]});
    g_added.notify_all();
}

// Waits until `pred` holds for what was seen; false after 20 s.
template <typename Pred> bool waitSeen(Pred pred) {
    std::unique_lock lock(g_mutex);
    return g_added.wait_for(lock, std::chrono::seconds(20), [&] { return pred(g_seen); });
}

std::vector<Seen> seen() {
    std::lock_guard lock(g_mutex);
    return g_seen;
}

struct Table {
    uint8_t count = 0;
    uint32_t types[kZarvoMaxPorts]{};
    uint32_t modules[kZarvoMaxPorts]{};
    uint8_t canPorts[kZarvoMaxPorts]{};
};

Table portTable() {
    Table t;
    builtinZarvoBinding().Zarvo_GetPortTable(&t.count, t.types, t.modules, nullptr, nullptr,
                                             nullptr, t.canPorts);
    return t;
}

class BindingTest : public ::testing::Test {
protected:
    BindingTest() {
        std::lock_guard lock(g_mutex);
        g_seen.clear();
    }
};

TEST_F(BindingTest, SimulatorPortsComeLastInTheTable) {
    const Table t = portTable();
    ASSERT_GE(t.count, SimProvider::kPorts);
    for (uint8_t i = 0; i < SimProvider::kPorts; ++i) {
        const size_t port = t.count - SimProvider::kPorts + i;
        EXPECT_EQ(t.types[port], kTypeSimulator);
        EXPECT_EQ(t.canPorts[port], i);
    }
}

TEST_F(BindingTest, RepeatedMessageTakesNewDataLiveWithoutANewStart) {
    const auto port = static_cast<uint8_t>(portTable().count - SimProvider::kPorts);
    ASSERT_EQ(builtinZarvoBinding().Zarvo_OpenPort(port, 250000), kZarvoOk);
    ASSERT_EQ(builtinZarvoBinding().Zarvo_SetGroupCount(port, 1), kZarvoOk);
    g_responseId = 0x108;
    type_ZarvoMsg record = msg(0x100, 0x01);
    int32_t interval = 5, times = 0, terminal = 0;
    ASSERT_EQ(
        builtinZarvoBinding().Zarvo_SendGroup(port, 0, 1, &record, &interval, &times, &terminal),
        kZarvoOk);
    builtinZarvoBinding().Zarvo_SetRxCallback(port, 0, onRx);
    builtinZarvoBinding().Zarvo_SetTxCallback(port, 0, onTx);
    ASSERT_TRUE(waitSeen([](const auto& s) { return s.size() >= 3; }));

    // As the single transmit dialog does: a new record for group 0, freed at once.
    {
        auto changed = std::make_unique<type_ZarvoMsg>(msg(0x100, 0x02));
        ASSERT_EQ(builtinZarvoBinding().Zarvo_SendGroup(port, 0, 1, changed.get(), &interval,
                                                        &times, &terminal),
                  kZarvoOk);
    }
    const Seen changedAnswer{'R', 0x108, 0x42};
    ASSERT_TRUE(waitSeen(
        [&](const auto& s) { return std::find(s.begin(), s.end(), changedAnswer) != s.end(); }));
    ASSERT_EQ(builtinZarvoBinding().Zarvo_StopGroup(port, 0), kZarvoOk);
    const std::vector<Seen> all = seen();
    EXPECT_EQ(std::count(all.begin(), all.end(), Seen{'S'}), 1);
    EXPECT_EQ(std::count(all.begin(), all.end(), Seen{'E'}), 0);
    EXPECT_EQ(all[1], (Seen{'R', 0x108, 0x41}));
    EXPECT_EQ(builtinZarvoBinding().Zarvo_ClosePort(port), kZarvoOk);
}

// The first `count` frames a queue gets (waits at most 20 s for them).
template <typename Count, typename Read>
std::vector<ZarvoFrameBuffer> takeFrames(size_t count, Count waiting, Read read) {
    std::vector<ZarvoFrameBuffer> frames;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (frames.size() < count && std::chrono::steady_clock::now() < until) {
        const uint16_t n = waiting();
        if (n == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        for (uint16_t i = 0; i < n && frames.size() < count; ++i)
            read(frames.emplace_back());
    }
    return frames;
}

TEST_F(BindingTest, EveryReaderOfAPortSeesEveryFrame) {
    const auto port = static_cast<uint8_t>(portTable().count - SimProvider::kPorts);
    ZarvoReader first;
    ZarvoReader second;
    first.count(port); // both queues exist before the first frame
    second.count(port);
    ASSERT_EQ(builtinZarvoBinding().Zarvo_OpenPort(port, 500000), kZarvoOk);
    constexpr size_t kFrames = 20; // the default device's broadcasts
    const auto fromFirst = takeFrames(
        kFrames, [&] { return first.count(port); }, [&](auto& f) { first.read(f); });
    const auto fromSecond = takeFrames(
        kFrames, [&] { return second.count(port); }, [&](auto& f) { second.read(f); });
    const auto fromPortQueue = takeFrames(
        kFrames,
        [&] {
            uint16_t n = 0;
            builtinZarvoBinding().Zarvo_GetRxCount(port, &n);
            return n;
        },
        [&](auto& f) { ReadMarkedFrame(builtinZarvoBinding(), port, f); });
    builtinZarvoBinding().Zarvo_ClosePort(port);
    ASSERT_EQ(fromFirst.size(), kFrames);
    for (const auto* other : {&fromSecond, &fromPortQueue}) {
        ASSERT_EQ(other->size(), kFrames);
        for (size_t i = 0; i < kFrames; ++i) {
            EXPECT_EQ((*other)[i].id, fromFirst[i].id) << i;
            EXPECT_EQ((*other)[i].timeStamp, fromFirst[i].timeStamp) << i;
            EXPECT_EQ(std::memcmp((*other)[i].data, fromFirst[i].data, 8), 0) << i;
        }
    }
    uint32_t reader = 0;
    ASSERT_EQ(builtinZarvoBinding().Zarvo_OpenReader(port, &reader), kZarvoOk);
    ASSERT_EQ(builtinZarvoBinding().Zarvo_CloseReader(reader), kZarvoOk);
    uint16_t count = 0;
    EXPECT_EQ(builtinZarvoBinding().Zarvo_GetReaderRxCount(reader, &count), kZarvoUnknownReader);
    EXPECT_EQ(builtinZarvoBinding().Zarvo_CloseReader(reader), kZarvoUnknownReader);
}

TEST_F(BindingTest, GroupRunsAcrossTwoProcessesOverQtsVirtualBus) {
    int argc = 1;
    char name[] = "driver_binding_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    QProcess peer;
    ASSERT_TRUE(StartVirtualCanPeer(peer, QStringLiteral(KESTREL_VIRTUALCAN_PEER)));
    ASSERT_TRUE(SearchCanDevices());
    const Table t = portTable();
    int port = -1;
    for (uint8_t i = 0; i < t.count && port < 0; ++i) {
        if (t.types[i] == kTypeEthernet && t.canPorts[i] == 0)
            port = i;
    }
    ASSERT_GE(port, 0) << "the peer's virtual CAN server was not found";
    uint8_t ip[4]{};
    ASSERT_EQ(builtinZarvoBinding().Zarvo_GetModuleIP(t.modules[port], ip), kZarvoOk);
    EXPECT_EQ(std::vector<int>(ip, ip + 4), (std::vector<int>{127, 0, 0, 1}));

    const auto p = static_cast<uint8_t>(port);
    ASSERT_EQ(builtinZarvoBinding().Zarvo_OpenPort(p, 500000), kZarvoOk);
    char info[kZarvoDriverInfoSize];
    builtinZarvoBinding().Zarvo_GetDriverInfo(info);
    EXPECT_NE(std::string(info).find("bit rate does not apply"), std::string::npos) << info;
    g_responseId = 0x2A8;
    const type_ZarvoMsg record = msg(0x2A0, 0x05);
    const int32_t interval = 500, times = 1, terminal = 0;
    ASSERT_EQ(builtinZarvoBinding().Zarvo_SetGroupCount(p, 1), kZarvoOk);
    ASSERT_EQ(builtinZarvoBinding().Zarvo_SendGroup(p, 0, 1, &record, &interval, &times, &terminal),
              kZarvoOk);
    builtinZarvoBinding().Zarvo_SetRxCallback(p, 0, onRx);
    builtinZarvoBinding().Zarvo_SetTxCallback(p, 0, onTx);

    ASSERT_TRUE(waitSeen([](const auto& s) { return s.size() >= 3; }));
    EXPECT_EQ(seen(), (std::vector<Seen>{{'S'}, {'R', 0x2A8, 0x45}, {'E'}}));
    uint32_t status = 1;
    builtinZarvoBinding().Zarvo_GetPortStatus(p, &status, nullptr);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(builtinZarvoBinding().Zarvo_ClosePort(p), kZarvoOk);
    peer.kill();
    peer.waitForFinished();
}

} // namespace
