// The simulated bus and its device: the default device's answers and
// broadcasts, bit times and arbitration on the bus, and SimDevice.ini.

#include "SimDevice.h"

#include "DriverLog.h"
#include "EngineTestSupport.h"
#include "SimChannel.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>

namespace {

// Moves the clock 1 ms at a time until a frame with `id` arrived (at most 5 s
// of simulated time).
std::optional<CanFrame> runUntil(ManualClock& clock, SimChannel& bus, const Collector& collector,
                                 uint32_t id) {
    for (int ms = 0; ms < 5000 && !collector.find(id); ++ms)
        collector.advance(clock, bus, 1);
    return collector.find(id);
}

CanFrame request(uint32_t id, bool extended, bool remote, uint8_t len,
                 std::array<uint8_t, 8> data = {}) {
    CanFrame f;
    f.id = id;
    f.extended = extended;
    f.remote = remote;
    f.len = len;
    f.data = data;
    return f;
}

SimDeviceConfig parsed(const std::string& text) {
    std::string error;
    std::optional<SimDeviceConfig> config = parseSimDeviceConfig(text, error);
    EXPECT_TRUE(config) << error;
    return config.value_or(SimDeviceConfig{});
}

struct Answer {
    const char* what;
    CanFrame request;
    std::optional<CanFrame> response;
};

// A bus at 10 kbit/s with the device `text` on it: an 8-byte data request
// 0x100 is written at time 0 and the bus runs until the answer 0x108 arrives.
struct RequestOnASlowBus {
    explicit RequestOnASlowBus(std::string text)
        : bus([text = std::move(text)] { return parsed(text); }, clock) {
        std::string note;
        EXPECT_TRUE(bus.open(10000, port, note)) << note;
        EXPECT_TRUE(bus.write(request(0x100, false, false, 8)));
        answer = runUntil(clock, bus, port, 0x108);
    }
    ~RequestOnASlowBus() { bus.close(); }

    ManualClock clock;
    Collector port;
    SimChannel bus;
    std::optional<CanFrame> answer;
};

TEST(SimDeviceTest, DefaultDeviceAnswersRequestsByTheRules) {
    const std::array<uint8_t, 8> bytes{0xF0, 1, 2, 3, 4, 5, 6, 7};
    const std::array<uint8_t, 8> answered{0x30, 1, 2, 3, 4, 5, 6, 7};
    const Answer cases[] = {
        {"11-bit data", request(0x123, false, false, 8, bytes),
         request(0x12B, false, false, 8, answered)},
        {"highest 11-bit", request(0x7F7, false, false, 3, bytes),
         request(0x7FF, false, false, 3, answered)},
        {"29-bit data", request(0x1ABCDE0, true, false, 8, bytes),
         request(0x1ABCDE8, true, false, 8, answered)},
        {"highest 29-bit", request(0x1FFFFFF7, true, false, 1, bytes),
         request(0x1FFFFFFF, true, false, 1, answered)},
        {"remote", request(0x321, false, true, 5),
         request(0x321, false, false, 5, {0, 1, 2, 3, 4, 5, 6, 7})},
        {"11-bit above 0x7F7", request(0x7F8, false, false, 8, bytes), std::nullopt},
        {"29-bit above 0x1FFFFFF7", request(0x1FFFFFF8, true, false, 8, bytes), std::nullopt},
    };
    const SimDeviceConfig device = SimDeviceConfig::defaults();
    for (const Answer& c : cases) {
        SCOPED_TRACE(c.what);
        const SimResponder* r = device.responderFor(c.request);
        ASSERT_EQ(r != nullptr, c.response.has_value());
        if (r) {
            EXPECT_EQ(r->answer(c.request), *c.response);
            EXPECT_EQ(r->delayMs, 1);
        }
    }
}

TEST(SimDeviceTest, DefaultBroadcastsCarryTheTrendValuesLeastSignificantByteFirst) {
    const SimDeviceConfig device = SimDeviceConfig::defaults();
    ASSERT_EQ(device.broadcasts.size(), 2u);
    const SimBroadcast& values = device.broadcasts[0];
    const SimBroadcast& clock = device.broadcasts[1];
    EXPECT_EQ(values.id, 0x3E8u);
    EXPECT_EQ(values.periodMs, 20);
    EXPECT_EQ(clock.id, 0x3E9u);
    EXPECT_EQ(clock.periodMs, 100);

    const auto word = [](const CanFrame& f, int b) { return f.data[b] | f.data[b + 1] << 8; };
    const CanFrame quarter = values.frameAt(0.5); // sine (2 s) at its top
    EXPECT_EQ(word(quarter, 0), 250);
    EXPECT_EQ(static_cast<int16_t>(word(quarter, 2)), 400);
    const CanFrame second = values.frameAt(1.0);
    EXPECT_EQ(word(second, 0), 500);
    EXPECT_EQ(static_cast<int16_t>(word(second, 2)), 0);
    float f = 0;
    std::memcpy(&f, second.data.data() + 4, 4);
    EXPECT_NEAR(f, 10 * std::sin(2 * M_PI * 0.2), 1e-4);
    EXPECT_EQ(word(values.frameAt(2.0), 0), 1000) << "the ramp turns at 1000";
    EXPECT_EQ(word(values.frameAt(4.0), 0), 0) << "and comes back to 0";
    const CanFrame sine = values.frameAt(1.5);
    EXPECT_EQ(static_cast<int16_t>(word(sine, 2)), -400);

    double seconds = 0;
    std::memcpy(&seconds, clock.frameAt(2.5).data.data(), 8);
    EXPECT_DOUBLE_EQ(seconds, 2.5);
}

TEST(SimDeviceTest, FrameOccupiesTheBusForItsWorstCaseBitTime) {
    EXPECT_EQ(worstCaseFrameBits(request(1, false, false, 8)), 135u);
    EXPECT_EQ(worstCaseFrameBits(request(1, true, false, 8)), 160u);
    EXPECT_EQ(worstCaseFrameBits(request(1, false, false, 0)), 55u);
    EXPECT_EQ(worstCaseFrameBits(request(1, false, true, 8)), 55u)
        << "a remote frame has no data field";

    // At 10 kbit/s an 8-byte 11-bit frame takes 13.5 ms: request 0 … 13.5,
    // answer after 1 ms from 14.5 to 28.0.
    RequestOnASlowBus run("[Responder]\nRequest = any\nResponse = request+8\n");
    ASSERT_TRUE(run.answer);
    EXPECT_EQ(run.answer->timeStampUs, 28000u);
    EXPECT_FALSE(run.port.find(0x100)) << "a port does not receive its own frames";
}

TEST(SimDeviceTest, LowerIdentifierWinsTheBus) {
    // A broadcast 0x050 and the request 0x100 are both ready at 0: the
    // broadcast goes first (0 … 13.5), the request next (… 27.0), the
    // answer after 1 ms (28.0 … 41.5).
    RequestOnASlowBus run("[Responder]\nRequest = 0x100\nResponse = request+8\n"
                          "[Broadcast]\nID = 0x050\nPeriod = 1000\n");
    ASSERT_TRUE(run.answer);
    EXPECT_EQ(run.answer->timeStampUs, 41500u);
    EXPECT_EQ(run.port.find(0x050)->timeStampUs, 13500u);
    EXPECT_EQ(run.bus.framesOnBus(), 3u);
}

TEST(SimDeviceTest, FullTransmitQueueRefusesFramesAndBadBitRatesDoNotOpen) {
    ManualClock clock; // never advanced: nothing leaves the queue
    SimChannel bus([] { return SimDeviceConfig{}; }, clock);
    Collector port;
    std::string note;
    EXPECT_FALSE(bus.open(0, port, note));
    EXPECT_NE(note.find("bit rate"), std::string::npos);
    EXPECT_FALSE(bus.write(request(1, false, false, 0))) << "not open";
    ASSERT_TRUE(bus.open(1000000, port, note));
    size_t accepted = 0;
    while (accepted < 1000 && bus.write(request(1, false, false, 0)))
        ++accepted;
    // The queue holds kTxQueueLimit; one more may already be on the bus.
    EXPECT_GE(accepted, SimChannel::kTxQueueLimit);
    EXPECT_LE(accepted, SimChannel::kTxQueueLimit + 1);
}

TEST(SimDeviceTest, DeviceQueueIsBoundedAndItsDropsAreCounted) {
    // 200 broadcasts all due when the port opens, on a clock that stands still.
    constexpr uint64_t kBroadcasts = 200;
    std::string text;
    for (uint64_t i = 0; i < kBroadcasts; ++i)
        text += "[Broadcast " + std::to_string(i) + "]\nID = " + std::to_string(i) + "\n";
    ManualClock clock;
    SimChannel bus([&] { return parsed(text); }, clock);
    Collector port;
    std::string note;
    ASSERT_TRUE(bus.open(SimChannel::kMinBitRate, port, note));
    constexpr uint64_t kDropped = kBroadcasts - SimChannel::kTxQueueLimit;
    EXPECT_TRUE(
        port.waitFor([&](const std::vector<CanFrame>&) { return port.dropped >= kDropped; }));
    EXPECT_EQ(port.dropped, kDropped);
    EXPECT_TRUE(bus.write(request(0x7FF, false, false, 0))) << "the port has a queue of its own";
    bus.close();
}

TEST(SimDeviceTest, ExampleFileDescribesItsResponders) {
    std::ifstream file(KESTREL_EXAMPLES_DIR "/SimDevice.ini");
    ASSERT_TRUE(file);
    const SimDeviceConfig c = parsed(std::string(std::istreambuf_iterator<char>(file), {}));
    ASSERT_EQ(c.responders.size(), 4u);
    ASSERT_EQ(c.broadcasts.size(), 2u);

    const CanFrame diag = request(0x7E0, false, false, 8, {0x10, 0x03});
    EXPECT_EQ(c.responderFor(diag)->answer(diag), request(0x7E8, false, false, 8, {0x50, 0x03}));
    EXPECT_EQ(c.responderFor(diag)->delayMs, 5);
    const CanFrame sdo = request(0x1FF, false, false, 8);
    EXPECT_EQ(c.responderFor(sdo)->answer(sdo), request(0x581, false, false, 4, {0x60, 0, 0x10}));
    EXPECT_FALSE(c.responderFor(request(0x123, false, false, 2))->answers);
    EXPECT_EQ(c.responderFor(request(0x200, false, false, 2)), nullptr);
    EXPECT_EQ(c.broadcasts[0].values.size(), 3u);
    EXPECT_EQ(c.broadcasts[1].values[0].wave, SimValue::Wave::Time);
}

TEST(SimDeviceTest, FileErrorsNameTheirLine) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"[Gadget]", "line 1: unknown section [Gadget]"},
        {"Request = 1", "line 1: expected key = value inside a section"},
        {"[Responder]\nRequest = 0x800-0x100", "line 2: bad Request '0x800-0x100'"},
        {"[Responder]\nRequest = 0x20000000", "line 2: bad Request '0x20000000'"},
        {"[Responder]\n\n; note\nDelay = -1", "line 4: bad Delay '-1'"},
        {"[Responder]\nData = 1 2 3 4 5 6 7 8 9", "line 2: bad Data '1 2 3 4 5 6 7 8 9'"},
        {"[Responder]\nData = 1FF", "line 2: bad Data '1FF'"},
        {"[Responder]\nResponse = request*2", "line 2: bad Response 'request*2'"},
        {"[Responder]\nColour = red", "line 2: bad Colour 'red'"},
        {"[Broadcast]\nPeriod = 0", "line 2: bad Period '0'"},
        {"[Broadcast]\nFormat = any", "line 2: bad Format 'any'"},
        {"[Broadcast]\nValue1 = WORD 7 sine 0 1 100", "line 2: bad Value1 'WORD 7 sine 0 1 100'"},
        {"[Broadcast]\nValue1 = long 0 wobble", "line 2: bad Value1 'long 0 wobble'"},
        {"[Broadcast]\nValue5 = BYTE 0 constant 1", "line 2: bad Value5 'BYTE 0 constant 1'"},
        {"[Broadcast]\nValue1 = BYTE 0 time\nValue2 = BYTE 1 time\nValue3 = BYTE 2 time\n"
         "Value4 = BYTE 3 time\nValue1 = BYTE 4 time",
         "line 6: bad Value1 'BYTE 4 time'"},
        {"[Broadcast\nID = 1", "line 1: section header without ']'"},
        {"[Broadcast]\nID = 0x12345\nPeriod = 5",
         "line 2: an identifier above 0x7FF with Format = 11"},
        {"[Broadcast]\nFormat = 29\nID = 0x800\n[Broadcast]\nID = 0x800\nFormat = 11\n[x]",
         "line 6: an identifier above 0x7FF with Format = 11"},
        {"[Responder]\nFormat = 11\nRequest = 0x800-0x900",
         "line 3: an identifier above 0x7FF with Format = 11"},
        {"[Responder]\nResponse = 0x800\nFormat = 11",
         "line 3: an identifier above 0x7FF with Format = 11"},
        {"[Responder]\nRequest = 0x000000001", "line 2: bad Request '0x000000001'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string error;
        EXPECT_FALSE(parseSimDeviceConfig(c.text, error));
        EXPECT_EQ(error, c.error);
    }
}

} // namespace
