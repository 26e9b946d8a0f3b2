// Bus traces: the candump log format both ways, the trace tap's writer
// thread, and the simulated device replaying a recorded trace.

#include "CandumpLog.h"
#include "DriverLog.h"
#include "EngineTestSupport.h"
#include "SimChannel.h"
#include "SimDevice.h"
#include "TraceTap.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

// SimDevice.ini of `folder` as the driver reads it, with the default device and
// a log line when it has an error.
SimDeviceConfig loadDevice(const std::string& folder) {
    std::ifstream file(folder + "/" + kSimDeviceFile, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    std::string error;
    if (std::optional<SimDeviceConfig> config = parseSimDevice(text.str(), folder, error))
        return *config;
    driverLog(error);
    return SimDeviceConfig::defaults();
}

// A folder of its own under the system's temporary folder, removed at the end.
struct TempFolder {
    TempFolder() {
        static int serial = 0;
        path = fs::temp_directory_path() /
               ("kestrel-trace-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
        fs::create_directories(path);
    }
    ~TempFolder() { fs::remove_all(path); }
    std::string file(const std::string& name) const { return (path / name).string(); }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(path / name, std::ios::binary) << text;
    }
    fs::path path;
};

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(TraceTest, LinesRoundTripForEveryKindOfFrame) {
    const struct {
        CandumpRecord record;
        const char* line;
    } cases[] = {
        {{1700000000123456, "can0",
          CanFrame{.id = 0x123, .len = 8, .data = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}},
          'T'},
         "(1700000000.123456) can0 123#1122334455667788 T"},
        {{5, "simulator0",
          CanFrame{.id = 0x1ABCDEF0, .extended = true, .len = 3, .data = {0xAB, 0xCD, 0x0E}}, 'R'},
         "(0.000005) simulator0 1ABCDEF0#ABCD0E R"},
        {{1000000, "can1", CanFrame{.id = 0x7FF, .len = 0}, 'R'}, "(1.000000) can1 7FF# R"},
        {{2000000, "can1", CanFrame{.id = 0x001, .remote = true, .len = 0}, 'T'},
         "(2.000000) can1 001#R T"},
        {{2000001, "can1", CanFrame{.id = 0x00000002, .extended = true, .remote = true, .len = 8},
          'T'},
         "(2.000001) can1 00000002#R8 T"},
        {{3000000, "vcan0", CanFrame{.id = 0x456, .len = 1, .data = {0xFF}}, 0},
         "(3.000000) vcan0 456#FF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(formatCandumpLine(c.record), c.line);
        CandumpRecord back;
        ASSERT_TRUE(parseCandumpLine(c.line, back));
        EXPECT_EQ(back.timeUs, c.record.timeUs);
        EXPECT_EQ(back.interfaceName, c.record.interfaceName);
        EXPECT_EQ(back.frame, c.record.frame);
        EXPECT_EQ(back.direction, c.record.direction);
    }
}

TEST(TraceTest, ReaderNamesTheFirstLineThatIsNotAFrame) {
    const char* bad[] = {
        "(1.0) can0 800#00",                 // beyond 11 bits
        "(1.0) can0 20000000#00",            // beyond 29 bits
        "(1.0) can0 1234#00",                // neither 3 nor 8 digits
        "(1.0) can0 123#0",                  // half a byte
        "(1.0) can0 123#001122334455667788", // nine bytes
        "(1.0) can0 123#R9",                 // remote length beyond 8
        "(1.0) can0 123#GG",                 // not hexadecimal
        "1.0 can0 123#00",                   // time without parentheses
        "(1.0) can0 123#00 X",               // unknown direction
        "(1.0) can0 123#00 T extra",         // too many fields
        "(1.0) can0",                        // no frame
        "(18446744073710.0) can0 123#00",    // microseconds beyond 64 bits
    };
    for (const char* line : bad) {
        SCOPED_TRACE(line);
        std::istringstream in(std::string("# a comment\n\n(0.5) can0 100#01 R\n") + line + "\n");
        std::vector<CandumpRecord> records;
        std::string error;
        EXPECT_FALSE(readCandumpLog(in, records, error));
        EXPECT_EQ(error, "line 4: not a candump frame line");
    }
}

TEST(TraceTest, FileSinkStopsAtItsCapWithAClosingComment) {
    TempFolder folder;
    const CandumpRecord record{1000000, "can0", CanFrame{.id = 0x123, .len = 1, .data = {0xAA}},
                               'T'};
    const std::string line = formatCandumpLine(record) + "\n";
    CandumpFileSink sink(folder.file("t.log"), 2 * line.size() + 1);
    ASSERT_TRUE(sink.isOpen());
    for (int i = 0; i < 5; ++i)
        sink.write(record);
    sink.finish(7);
    EXPECT_EQ(readAll(folder.file("t.log")),
              line + line + "# trace cut at " + std::to_string(2 * line.size() + 1) +
                  " bytes: 3 later frames are not in it\n"
                  "# 7 frames dropped: the trace writer fell behind\n");
    EXPECT_FALSE(CandumpFileSink(folder.file("no/such/folder.log")).isOpen());
}

// Holds the writer thread inside its first write until released.
class BlockingSink final : public TraceSink {
public:
    void write(const CandumpRecord& record) override {
        std::unique_lock lock(mutex_);
        records_.push_back(record);
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_; });
    }
    void finish(uint64_t dropped) override {
        std::lock_guard lock(mutex_);
        dropped_ = dropped;
    }
    void waitForFirst() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !records_.empty(); });
    }
    void release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    std::vector<CandumpRecord> records() {
        std::lock_guard lock(mutex_);
        return records_;
    }
    uint64_t dropped() {
        std::lock_guard lock(mutex_);
        return dropped_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<CandumpRecord> records_;
    uint64_t dropped_ = 0;
    bool released_ = false;
};

CanFrame stamped(uint32_t id, uint64_t us) {
    CanFrame f = CanFrame{.id = id, .len = 0};
    f.timeStampUs = us;
    return f;
}

TEST(TraceTest, TapCountsWhatItCannotHoldAndWritesTheRestInTimeOrder) {
    auto owned = std::make_unique<BlockingSink>();
    BlockingSink& sink = *owned;
    ManualClock clock;
    TraceTap tap(std::move(owned), "simulator0", clock, 2);
    tap.push(stamped(0x100, 1000), true); // wakes the writer, which then waits in the sink
    sink.waitForFirst();
    tap.push(stamped(0x102, 3500), false); // a received frame pushed ahead of ...
    tap.push(stamped(0x101, 2000), true);  // ... a transmitted one stamped before it
    for (uint32_t id = 0x200; id < 0x203; ++id)
        tap.push(stamped(id, 4000), false); // the buffer is full
    sink.release();
    tap.finish();

    const std::vector<CandumpRecord> written = sink.records();
    ASSERT_EQ(written.size(), 3u);
    EXPECT_EQ(sink.dropped(), 3u);
    const std::pair<uint32_t, char> expected[] = {{0x100, 'T'}, {0x101, 'T'}, {0x102, 'R'}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(written[i].frame.id, expected[i].first);
        EXPECT_EQ(written[i].direction, expected[i].second);
        EXPECT_EQ(written[i].interfaceName, "simulator0");
    }
    // Driver time becomes wall-clock time; the spacing stays as it was.
    EXPECT_EQ(written[1].timeUs - written[0].timeUs, 1000u);
    EXPECT_EQ(written[2].timeUs - written[0].timeUs, 2500u);
    const auto wallNow = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::system_clock::now().time_since_epoch());
    EXPECT_NEAR(static_cast<double>(written[0].timeUs / 1000000),
                static_cast<double>(wallNow.count()), 60);
}

// A recorded trace with uneven gaps; the replayed device has no responders
// and no broadcasts, so every frame the port gets comes from the trace.
constexpr const char* kTrace = "# made by hand\n"
                               "(1700000000.000000) can0 100#0102 T\n"
                               "(1700000000.001500) can0 108#4102 R\n"
                               "(1700000000.010000) can0 1ABCDEF0#R2 R\n"
                               "(1700000000.010400) can0 3E8# R\n"
                               "(1700000000.030000) can0 200#AABBCCDDEEFF0011 T\n";
// The same trace as an ASC log, with an event among its frames.
constexpr const char* kAscTrace =
    "date Tue Nov 14 10:13:20 pm 2023\n"
    "base hex  timestamps absolute\n"
    "   0.000000 1  100             Tx   d 2 01 02\n"
    "   0.001500 1  108             Rx   d 2 41 02\n"
    "   0.005000 1  ErrorFrame\n"
    "   0.010000 1  1ABCDEF0x       Rx   r 2\n"
    "   0.010400 1  3E8             Rx   d 0\n"
    "   0.030000 1  200             Tx   d 8 AA BB CC DD EE FF 00 11\n";

struct Replayed {
    uint32_t id;
    int64_t atUs; // from the first frame replayed
};

// Opens a simulator bus at 500 kbit/s with `ini` beside the trace, runs it
// for `ms` of bus time and waits for the `count` frames due by then.
std::vector<Replayed> replay(const std::string& ini, int ms, size_t count) {
    TempFolder folder;
    folder.write("trace.log", kTrace);
    folder.write("trace.asc", kAscTrace);
    folder.write(kSimDeviceFile, ini);
    ManualClock clock;
    Collector port;
    SimChannel bus([dir = folder.path.string()] { return loadDevice(dir); }, clock);
    std::string note;
    EXPECT_TRUE(bus.open(500000, port, note)) << note;
    for (int step = 0; step < ms; ++step) {
        clock.advance(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    for (int wait = 0; wait < 10000 && port.frames().size() < count; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    bus.close();
    std::vector<Replayed> seen;
    for (const CanFrame& f : port.frames()) {
        const auto first = static_cast<int64_t>(port.frames().front().timeStampUs);
        seen.push_back({f.id, static_cast<int64_t>(f.timeStampUs) - first});
    }
    return seen;
}

TEST(TraceTest, SimulatorReplaysTheTraceAtItsRecordedTimes) {
    const struct {
        const char* ini;
        int ms;
        std::vector<Replayed> expected;
    } cases[] = {
        {"[Replay]\nFile = trace.log\n",
         60,
         {{0x100, 0}, {0x108, 1500}, {0x1ABCDEF0, 10000}, {0x3E8, 10400}, {0x200, 30000}}},
        {"[Replay]\nFile = trace.asc\n",
         60,
         {{0x100, 0}, {0x108, 1500}, {0x1ABCDEF0, 10000}, {0x3E8, 10400}, {0x200, 30000}}},
        {"[Replay]\nFile = trace.log\nSpeed = 2\nIDs = 0x100, 0x200-0x3FF\n",
         60,
         {{0x100, 0}, {0x3E8, 5200}, {0x200, 15000}}},
        // A loop starts again one mean frame spacing (30 ms / 2) after its last frame.
        {"[Replay]\nFile = trace.log\nLoop = yes\nSpeed = 2\nIDs = 0x100 0x200\n",
         80,
         {{0x100, 0},
          {0x200, 15000},
          {0x100, 30000},
          {0x200, 45000},
          {0x100, 60000},
          {0x200, 75000}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        const std::vector<Replayed> seen = replay(c.ini, c.ms, c.expected.size());
        ASSERT_EQ(seen.size(), c.expected.size());
        for (size_t i = 0; i < seen.size(); ++i) {
            EXPECT_EQ(seen[i].id, c.expected[i].id) << "frame " << i;
            // Frames are stamped at their end on the bus: the spacing differs
            // from the recorded one by the difference of their bit times.
            EXPECT_NEAR(seen[i].atUs, c.expected[i].atUs, 1000) << "frame " << i;
        }
    }
}

TEST(TraceTest, ExampleDeviceReplaysItsRecordedTrace) {
    std::vector<std::string> log;
    setDriverLogSink([&](const std::string& line) { log.push_back(line); });
    const SimDeviceConfig device = loadDevice(KESTREL_EXAMPLES_DIR "/replay");
    setDriverLogSink(nullptr);
    EXPECT_TRUE(log.empty()) << log.front();
    ASSERT_TRUE(device.replay);
    EXPECT_TRUE(device.replay->loop);
    EXPECT_EQ(device.responders.size(), 1u);
    ASSERT_FALSE(device.replay->frames.empty());
    for (const CanFrame& f : device.replay->frames)
        EXPECT_TRUE(f.id == 0x3E8 || f.id == 0x3E9 || f.id == 0x7E8) << f.id;
}

TEST(TraceTest, BadReplaySectionOrTraceIsLoggedAndTheDefaultDeviceServes) {
    const struct {
        const char* ini;
        const char* trace;
        const char* logged;
    } cases[] = {
        {"[Replay]\nLoop = maybe\n", kTrace, "line 2: bad Loop 'maybe'"},
        {"[Replay]\nSpeed = 0\n", kTrace, "line 2: bad Speed '0'"},
        {"[Replay]\nIDs = 0x300-0x200\n", kTrace, "line 2: bad IDs '0x300-0x200'"},
        {"[Replay]\nLoop = no\n", kTrace, "[Replay] without File"},
        {"[Replay]\nFile = missing.log\n", kTrace, "missing.log cannot be read"},
        {"[Replay]\nFile = trace.log\n", "(1.0) can0 100#01 T\n(1.1) can0 100 T\n",
         "trace.log line 2: not a candump frame line"},
        {"[Replay]\nFile = trace.asc\n", "1.0 1 100 Rx d 1 01\n1.1 1 800 Rx d 0\n",
         "trace.asc line 2: bad identifier"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        TempFolder folder;
        folder.write("trace.log", c.trace);
        folder.write("trace.asc", c.trace);
        folder.write(kSimDeviceFile, c.ini);
        std::vector<std::string> log;
        setDriverLogSink([&](const std::string& line) { log.push_back(line); });
        const SimDeviceConfig device = loadDevice(folder.path.string());
        setDriverLogSink(nullptr);
        EXPECT_FALSE(device.replay);
        EXPECT_EQ(device.broadcasts.size(), SimDeviceConfig::defaults().broadcasts.size());
        ASSERT_EQ(log.size(), 1u);
        EXPECT_NE(log[0].find(c.logged), std::string::npos) << log[0];
    }
}

} // namespace
