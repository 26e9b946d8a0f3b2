// The driver's operations as the binding calls them, on the simulator ports
// only: the port table, the information text, the search, a whole group
// against the simulated device, and bad calls.

#include "Driver.h"

#include "SeenNotice.h"
#include "SimProvider.h"
#include "ZarvoCodes.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace {

Driver* g_driver = nullptr;

std::mutex g_mutex;
std::condition_variable g_added;
std::vector<Seen> g_seen;
std::vector<uint32_t> g_requests; // per message of the group: the request identifier
size_t g_started = 0;

void add(const Seen& s) {
    std::lock_guard lock(g_mutex);
    g_seen.push_back(s);
    g_added.notify_all();
}

// As the run engine does: at each start, name the response to wait for.
void onTx(uint32_t port, uint8_t group, uint8_t* state) {
    add({*state == 0 ? 'S' : 'E'});
    if (*state == 0) {
        std::lock_guard lock(g_mutex);
        const uint32_t request = g_requests.at(g_started++);
        g_driver->setResponseID(static_cast<uint8_t>(port), group,
                                static_cast<int32_t>(request + 8));
    }
}

void onRx(uint32_t, uint8_t, uint32_t id, uint8_t, uint8_t, uint8_t, uint8_t* data) {
    add({'R', id, data[0]});
}

class DriverTest : public ::testing::Test {
protected:
    DriverTest() {
        std::vector<std::unique_ptr<ChannelProvider>> providers;
        providers.push_back(std::make_unique<SimProvider>(SimDeviceConfig::defaults));
        driver = std::make_unique<Driver>(std::move(providers));
        g_driver = driver.get();
        std::lock_guard lock(g_mutex);
        g_seen.clear();
        g_started = 0;
    }
    ~DriverTest() override {
        driver.reset();
        g_driver = nullptr;
    }

    std::unique_ptr<Driver> driver;
};

TEST_F(DriverTest, PortTableListsTheSimulatorPorts) {
    uint8_t count = 0;
    uint32_t types[kZarvoMaxPorts]{};
    uint32_t modules[kZarvoMaxPorts]{};
    uint8_t area[kZarvoModuleAreaSize];
    char names[kZarvoMaxPorts * kZarvoTextSize];
    char versions[kZarvoMaxPorts * kZarvoTextSize];
    uint8_t canPorts[kZarvoMaxPorts]{};
    ASSERT_EQ(driver->getPortTable(&count, types, modules, area, names, versions, canPorts),
              kZarvoOk);
    ASSERT_EQ(count, SimProvider::kPorts);
    for (uint8_t i = 0; i < count; ++i) {
        EXPECT_EQ(types[i], kTypeSimulator);
        EXPECT_EQ(modules[i], 0u);
        EXPECT_EQ(canPorts[i], i);
        EXPECT_STREQ(names + i * kZarvoTextSize, "Simulator");
        EXPECT_EQ(std::string(versions + i * kZarvoTextSize).rfind("Kestrel ", 0), 0u);
    }
    uint8_t onlyCount = 0;
    EXPECT_EQ(
        driver->getPortTable(&onlyCount, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
        kZarvoOk);
    EXPECT_EQ(onlyCount, count);
}

TEST_F(DriverTest, InformationTextPutsVersionAndBackendsFromThe77thCharacter) {
    char info[kZarvoDriverInfoSize];
    std::memset(info, 'x', sizeof info);
    ASSERT_EQ(driver->getDriverInfo(info), kZarvoOk);
    const size_t length = strnlen(info, sizeof info);
    ASSERT_LT(length, sizeof info) << "zero-terminated";
    const std::string shown = std::string(info).substr(76, 128);
    EXPECT_EQ(shown.rfind(std::string("Version ") + kDriverVersion, 0), 0u) << shown;
    EXPECT_NE(shown.find("Simulator: 2 ports"), std::string::npos) << shown;
}

TEST_F(DriverTest, SearchRunsInTheBackgroundUntil100) {
    ASSERT_EQ(driver->startSearch(), kZarvoOk);
    uint8_t percent = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (percent < 100 && std::chrono::steady_clock::now() < deadline) {
        driver->getSearchProgress(&percent);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(percent, 100);
    uint8_t count = 0;
    driver->getPortTable(&count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(count, SimProvider::kPorts);
}

TEST_F(DriverTest, GroupAgainstTheSimulatedDeviceReportsEveryStepInOrder) {
    uint32_t reader = 0;
    ASSERT_EQ(driver->openReader(0, &reader), kZarvoOk);
    ASSERT_EQ(driver->openPort(0, 500000), kZarvoOk);
    ASSERT_EQ(driver->setGroupCount(0, 1), kZarvoOk);
    g_requests = {0x100, 0x7E0};
    const type_ZarvoMsg msgs[] = {msg(0x100, 0x01), msg(0x7E0, 0x22)};
    const int32_t intervals[] = {200, 200}; // windows far longer than the 1 ms answer
    const int32_t times[] = {2, 1};
    const int32_t terminals[] = {0, 0};
    ASSERT_EQ(driver->sendGroup(0, 0, 2, msgs, intervals, times, terminals), kZarvoOk);
    ASSERT_EQ(driver->setRxCallback(0, 0, onRx), kZarvoOk);
    ASSERT_EQ(driver->setTxCallback(0, 0, onTx), kZarvoOk);

    const std::vector<Seen> expected{
        {'S'}, {'R', 0x108, 0x41}, {'R', 0x108, 0x41}, {'E'}, {'S'}, {'R', 0x7E8, 0x62}, {'E'}};
    {
        std::unique_lock lock(g_mutex);
        ASSERT_TRUE(g_added.wait_for(lock, std::chrono::seconds(20),
                                     [&] { return g_seen.size() >= expected.size(); }));
        EXPECT_EQ(g_seen, expected);
    }

    // The answers and the device's broadcasts also went to the port's receive
    // queue, and all of them to the reader's queue as well.
    uint16_t waiting = 0;
    ASSERT_EQ(driver->getRxCount(0, &waiting), kZarvoOk);
    EXPECT_GE(waiting, 3);
    std::vector<uint64_t> stamps[2];
    for (const bool ownQueue : {false, true}) {
        uint32_t id = 0;
        uint8_t mode = 9, rtr = 9, len = 0, data[8]{};
        uint64_t stamp = 0;
        bool sawAnswer = false;
        while ((ownQueue
                    ? driver->readReaderFrame(reader, &id, &mode, &rtr, &len, data, &stamp)
                    : driver->readFrame(0, &id, &mode, &rtr, &len, data, &stamp)) == kZarvoOk) {
            sawAnswer |= id == 0x7E8 && mode == 0 && rtr == 0 && len == 8 && data[0] == 0x62;
            stamps[ownQueue].push_back(stamp);
        }
        EXPECT_TRUE(sawAnswer);
    }
    ASSERT_GE(stamps[1].size(), stamps[0].size());
    EXPECT_TRUE(std::equal(stamps[0].begin(), stamps[0].end(), stamps[1].begin()));
    uint64_t dropped = 1;
    ASSERT_EQ(driver->getReaderDropped(reader, &dropped), kZarvoOk);
    EXPECT_EQ(dropped, 0u);
    EXPECT_EQ(driver->closeReader(reader), kZarvoOk);
    uint32_t status = 1;
    ASSERT_EQ(driver->getPortStatus(0, &status, nullptr), kZarvoOk);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(driver->closePort(0), kZarvoOk);
    ASSERT_EQ(driver->getPortStatus(0, &status, nullptr), kZarvoOk);
    EXPECT_EQ(status, kStatusNotOpen);
}

// Counts the frames a trace or tap hands over, and whether it was finished.
class CountingSink final : public TraceSink {
public:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        size_t frames = 0;
        bool finished = false;

        // True when `done` held within 20 s.
        template <typename Done> bool waitFor(Done done) {
            std::unique_lock lock(mutex);
            return changed.wait_for(lock, std::chrono::seconds(20), [&] { return done(*this); });
        }
        size_t count() {
            std::lock_guard lock(mutex);
            return frames;
        }
        bool ended() {
            std::lock_guard lock(mutex);
            return finished;
        }
    };

    explicit CountingSink(std::shared_ptr<State> state) : state_(std::move(state)) {}
    void write(const CandumpRecord&) override {
        std::lock_guard lock(state_->mutex);
        ++state_->frames;
        state_->changed.notify_all();
    }
    void finish(uint64_t) override {
        std::lock_guard lock(state_->mutex);
        state_->finished = true;
        state_->changed.notify_all();
    }

private:
    std::shared_ptr<State> state_;
};

// The default device broadcasts every 20 ms: the trace and two taps all see
// the traffic, and each ends on its own without stopping the others.
TEST_F(DriverTest, TheTraceAndSeveralTapsListenAtOnce) {
    ASSERT_EQ(driver->openPort(0, 500000), kZarvoOk);
    auto trace = std::make_shared<CountingSink::State>();
    auto first = std::make_shared<CountingSink::State>();
    auto second = std::make_shared<CountingSink::State>();
    ASSERT_EQ(driver->startTrace(0, std::make_unique<CountingSink>(trace)), kZarvoOk);
    uint64_t firstId = 0;
    uint64_t secondId = 0;
    ASSERT_EQ(driver->addTap(0, std::make_unique<CountingSink>(first), firstId), kZarvoOk);
    ASSERT_EQ(driver->addTap(0, std::make_unique<CountingSink>(second), secondId), kZarvoOk);
    EXPECT_NE(firstId, 0u);
    EXPECT_NE(firstId, secondId);
    for (const auto& state : {trace, first, second})
        ASSERT_TRUE(state->waitFor([](CountingSink::State& s) { return s.frames >= 2; }));

    driver->removeTap(secondId);
    EXPECT_TRUE(second->waitFor([](CountingSink::State& s) { return s.finished; }));
    const size_t secondFrames = second->count();
    ASSERT_EQ(driver->stopTrace(0), kZarvoOk);
    EXPECT_TRUE(trace->waitFor([](CountingSink::State& s) { return s.finished; }));
    const size_t firstFrames = first->count();
    EXPECT_TRUE(first->waitFor([&](CountingSink::State& s) { return s.frames > firstFrames + 1; }))
        << "the tap stopped with the trace";
    EXPECT_FALSE(first->ended());
    EXPECT_EQ(second->count(), secondFrames); // nothing after its removal
    driver->removeTap(firstId);
    EXPECT_TRUE(first->ended());
    driver->removeTap(firstId); // once more, and an id never given: harmless
    driver->removeTap(12345);

    uint64_t id = 0;
    EXPECT_EQ(driver->addTap(7, std::make_unique<CountingSink>(first), id), kZarvoUnknownPort);
    EXPECT_EQ(driver->addTap(0, nullptr, id), kZarvoBadArgument);
    EXPECT_EQ(id, 0u);
}

TEST_F(DriverTest, BadCallsAreRefusedHarmlessly) {
    const type_ZarvoMsg one[] = {msg(0x100, 0)};
    const int32_t v[] = {1};
    uint8_t u8 = 0;
    uint16_t u16 = 0;
    uint32_t u32 = 0;
    uint8_t data[8]{};
    const struct {
        const char* call;
        int32_t result;
        int32_t expected;
    } cases[] = {
        {"open unknown port", driver->openPort(7, 500000), kZarvoUnknownPort},
        {"open at bit rate 0", driver->openPort(1, 0), kZarvoOpenFailed},
        {"close unknown port", driver->closePort(7), kZarvoUnknownPort},
        {"send on unknown port", driver->sendGroup(7, 0, 1, one, v, v, v), kZarvoUnknownPort},
        {"send on closed port", driver->sendGroup(0, 0, 1, one, v, v, v), kZarvoNotOpen},
        {"send without records", driver->sendGroup(0, 0, 1, nullptr, v, v, v), kZarvoBadArgument},
        {"send without intervals", driver->sendGroup(0, 0, 1, one, nullptr, v, v),
         kZarvoBadArgument},
        {"stop on unknown port", driver->stopGroup(7, 0), kZarvoUnknownPort},
        {"group count on closed port", driver->setGroupCount(0, 2), kZarvoNotOpen},
        {"tx callback on unknown port", driver->setTxCallback(7, 0, onTx), kZarvoUnknownPort},
        {"rx callback on closed port", driver->setRxCallback(0, 0, onRx), kZarvoNotOpen},
        {"response id on unknown port", driver->setResponseID(7, 0, 1), kZarvoUnknownPort},
        {"read without buffers", driver->readFrame(0, nullptr, &u8, &u8, &u8, data, nullptr),
         kZarvoBadArgument},
        {"read on closed port", driver->readFrame(0, &u32, &u8, &u8, &u8, data, nullptr),
         kZarvoNotOpen},
        {"count without buffer", driver->getRxCount(0, nullptr), kZarvoBadArgument},
        {"count on unknown port", driver->getRxCount(7, &u16), kZarvoUnknownPort},
        {"status without buffer", driver->getPortStatus(0, nullptr, nullptr), kZarvoBadArgument},
        {"info without buffer", driver->getDriverInfo(nullptr), kZarvoBadArgument},
        {"progress without buffer", driver->getSearchProgress(nullptr), kZarvoBadArgument},
        {"table without count",
         driver->getPortTable(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
         kZarvoBadArgument},
        {"IP of a module without one", driver->getModuleIP(0, data), kZarvoUnknownModule},
        {"reader of unknown port", driver->openReader(7, &u32), kZarvoUnknownPort},
        {"reader without buffer", driver->openReader(0, nullptr), kZarvoBadArgument},
        {"close unknown reader", driver->closeReader(12345), kZarvoUnknownReader},
        {"count of unknown reader", driver->getReaderRxCount(12345, &u16), kZarvoUnknownReader},
        {"read of unknown reader",
         driver->readReaderFrame(12345, &u32, &u8, &u8, &u8, data, nullptr), kZarvoUnknownReader},
        {"read of reader without buffers",
         driver->readReaderFrame(12345, nullptr, &u8, &u8, &u8, data, nullptr), kZarvoBadArgument},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.result, c.expected) << c.call;

    uint32_t status = 0;
    driver->getPortStatus(1, &status, nullptr);
    EXPECT_EQ(status, kStatusNotOpen | kStatusOpenFailed) << "a failed opening shows";

    ASSERT_EQ(driver->openPort(0, 500000), kZarvoOk);
    EXPECT_EQ(driver->sendGroup(0, 0, 0, nullptr, nullptr, nullptr, nullptr), kZarvoOk)
        << "an empty group (n = 0) is accepted and done at once";
    EXPECT_EQ(driver->sendGroup(0, 1, 1, one, v, v, v), kZarvoBadGroup);
}

// Every output of a refused call keeps what the caller put there.
TEST_F(DriverTest, RefusedCallsLeaveTheirOutputsUntouched) {
    constexpr uint8_t kMark = 0xA5;
    alignas(8) std::array<uint8_t, 8192> out;
    auto* p8 = out.data();
    auto* p16 = reinterpret_cast<uint16_t*>(out.data() + 64);
    auto* p32 = reinterpret_cast<uint32_t*>(out.data() + 128);
    auto* text = reinterpret_cast<char*>(out.data() + 256);
    const struct {
        const char* call;
        std::function<int32_t()> run;
    } cases[] = {
        {"table without count",
         [&] {
             return driver->getPortTable(nullptr, p32, p32 + 8, p8 + 4096, text, text + 1024,
                                         p8 + 16);
         }},
        {"status of unknown port", [&] { return driver->getPortStatus(7, p32, p32 + 1); }},
        {"count on unknown port", [&] { return driver->getRxCount(7, p16); }},
        {"count on closed port", [&] { return driver->getRxCount(0, p16); }},
        {"read on unknown port",
         [&] { return driver->readFrame(7, p32, p8, p8 + 1, p8 + 2, p8 + 8, nullptr); }},
        {"read on closed port",
         [&] { return driver->readFrame(0, p32, p8, p8 + 1, p8 + 2, p8 + 8, nullptr); }},
        {"IP of a module without one", [&] { return driver->getModuleIP(0, p8); }},
    };
    for (const auto& c : cases) {
        out.fill(kMark);
        EXPECT_NE(c.run(), kZarvoOk) << c.call;
        EXPECT_EQ(std::count(out.begin(), out.end(), kMark), static_cast<ptrdiff_t>(out.size()))
            << c.call << " wrote into an output";
    }
}

// A channel that opens with something to say, as a SocketCAN interface that
// keeps its own bit rate.
class TalkativeChannel final : public CanChannel {
public:
    bool open(uint32_t, ChannelListener&, std::string& note) override {
        note = "running at its own rate";
        return true;
    }
    void close() override {}
    bool write(const CanFrame&) override { return true; }
};

class TalkativeProvider final : public ChannelProvider {
public:
    std::vector<ChannelInfo> scan() override {
        ChannelInfo info;
        info.key = "talkative/0";
        return {info};
    }
    std::unique_ptr<CanChannel> create(const ChannelInfo&) override {
        return std::make_unique<TalkativeChannel>();
    }
    std::string summary() const override { return {}; }
};

TEST(DriverNoteTest, InformationTextKeepsWhatTheOpeningSaidThroughLaterCalls) {
    std::vector<std::unique_ptr<ChannelProvider>> providers;
    providers.push_back(std::make_unique<TalkativeProvider>());
    Driver driver(std::move(providers));
    ASSERT_EQ(driver.openPort(0, 500000), kZarvoOk);
    ASSERT_EQ(driver.openPort(0, 500000), kZarvoOk); // the port is open: nothing new to say
    char info[kZarvoDriverInfoSize];
    driver.getDriverInfo(info);
    EXPECT_NE(std::string(info).find("Port 0: running at its own rate"), std::string::npos) << info;
}

} // namespace
