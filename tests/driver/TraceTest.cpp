// Bus traces: the candump log format both ways, the trace tap's writer
// thread, and the simulated device replaying a recorded trace.

#include "CandumpLog.h"
#include "DriverLog.h"
#include "EngineTestSupport.h"
#include "SimChannel.h"
#include "SimDevice.h"
#include "TraceFile.h"
#include "TraceTap.h"
#include "ZarvoCodes.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

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
        "(1.0) can0 40000000#00",            // beyond 29 bits, not an error frame
        "(18446744073710.0) can0 123#00",    // beyond 64 bits of microseconds
        "(1.0) can0 123##",                  // CAN FD without its flags
        "(1.0) can0 123##1A",                // CAN FD with half a byte
        "(1.0) can0 800##1AA",               // CAN FD beyond 11 bits
        "(1.0) can0 1234#00",                // neither 3 nor 8 digits
        "(1.0) can0 123#0",                  // half a byte
        "(1.0) can0 123#001122334455667788", // nine bytes
        "(1.0) can0 123#R9",                 // remote length beyond 8
        "(1.0) can0 123#GG",                 // not hexadecimal
        "1.0 can0 123#00",                   // time without parentheses
        "(1.0) can0 123#00 X",               // unknown direction
        "(1.0) can0 123#00 T extra",         // too many fields
        "(1.0) can0",                        // no frame
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

TEST(TraceTest, ReaderSkipsAndCountsWhatAClassicBusDoesNotCarry) {
    std::istringstream in("(1.0) can0 100#01 R\n"
                          "(1.1) can0 123##1AABBCCDD R\n"          // CAN FD, bit-rate switch
                          "(1.2) can0 12345678##0 T\n"             // CAN FD without data
                          "(1.3) can0 20000004#0004000000000000\n" // error frame: controller
                          "(1.4) can0 3FFFFFFF#\n"                 // error frame, every class
                          "(1.5) can0 1FFFFFFF#R T\n");
    std::vector<uint32_t> ids;
    TraceSkips skips;
    std::string error;
    ASSERT_TRUE(readCandumpLog(
        in,
        [&](const CandumpRecord& r, std::string&) {
            ids.push_back(r.frame.id);
            return true;
        },
        skips, error))
        << error;
    EXPECT_EQ(ids, (std::vector<uint32_t>{0x100, 0x1FFFFFFF}));
    EXPECT_EQ(skips.canFd, 2u);
    EXPECT_EQ(skips.errorFrames, 2u);
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

// A write that takes 5 ms, as one preempted inside the channel would: the
// clock moves on meanwhile.
class SlowWriteChannel final : public CanChannel {
public:
    explicit SlowWriteChannel(ManualClock& clock) : clock_(clock) {}
    bool open(uint32_t, ChannelListener&, std::string&) override { return true; }
    void close() override {}
    bool write(const CanFrame&) override {
        clock_.advance(std::chrono::milliseconds(5));
        return true;
    }

private:
    ManualClock& clock_;
};

class RecordsSink final : public TraceSink {
public:
    void write(const CandumpRecord& record) override { records.push_back(record); }
    void finish(uint64_t) override {}
    std::vector<CandumpRecord> records; // read after finish()
};

TEST(TraceTest, TracedTransmissionCarriesItsHandOverTimeHoweverLongTheWriteTakes) {
    ManualClock clock;
    PortEngine engine(0, std::make_unique<SlowWriteChannel>(clock), clock);
    std::string note;
    ASSERT_EQ(engine.open(500000, note), kZarvoOk);
    auto owned = std::make_unique<RecordsSink>();
    const RecordsSink& sink = *owned;
    auto tap = std::make_shared<TraceTap>(std::move(owned), "simulator0", clock);
    tap->push(stamped(0x001, 0), false); // a mark at the clock's start
    engine.setTrace(tap);
    engine.setTxCallback(0, [](uint32_t, uint8_t, uint8_t*) {});
    ASSERT_EQ(engine.sendGroup(0, {{CanFrame{.id = 0x100, .len = 1}, 20, 1, 0}}), kZarvoOk);
    settle(engine);
    engine.close();
    tap->finish();
    ASSERT_EQ(sink.records.size(), 2u);
    EXPECT_EQ(sink.records[1].frame.id, 0x100u);
    // Handed over at 0; an answer could end on the bus before the write returns.
    EXPECT_EQ(sink.records[1].timeUs, sink.records[0].timeUs);
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
    port.advance(clock, bus, ms);
    EXPECT_TRUE(
        port.waitFor([count](const std::vector<CanFrame>& f) { return f.size() >= count; }));
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
        {"[Replay]\nFile = missing.log\n", kTrace, "missing.log cannot be read: no such file"},
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

// What loading `ini` beside `trace` gives: the replayed frames' offsets in µs
// or the log line that refused them.
struct Loaded {
    std::vector<uint64_t> atUs;
    std::string logged;
};

Loaded loadReplay(const std::string& ini, const std::string& trace) {
    TempFolder folder;
    folder.write("trace.log", trace);
    folder.write(kSimDeviceFile, ini);
    Loaded loaded;
    setDriverLogSink([&](const std::string& line) { loaded.logged += line; });
    const SimDeviceConfig device = loadDevice(folder.path.string());
    setDriverLogSink(nullptr);
    if (device.replay)
        for (const CanFrame& f : device.replay->frames)
            loaded.atUs.push_back(f.timeStampUs);
    return loaded;
}

TEST(TraceTest, ReplayChecksTimeStampsAndSpeedWhenTheTraceIsRead) {
    const struct {
        const char* what;
        std::string ini;   // after "[Replay]\nFile = trace.log\n"
        std::string trace; // frames of identifier 0x100
        std::vector<uint64_t> atUs;
        const char* logged; // empty: accepted without a word
    } cases[] = {
        {"a tiny speed stretches 1 s beyond a week",
         "Speed = 0.0000000001\nLoop = yes\n",
         "(0.0) c 100#\n(1.0) c 100#\n",
         {},
         "trace.log line 2: a frame due 1e+10 s after"},
        {"a stamp 317 years after the first",
         "",
         "(0.0) c 100#\n(10000000000.0) c 100#\n",
         {},
         "trace.log line 2: a frame due 1e+10 s after"},
        {"a wall-clock stamp after a zero at a tenth of the speed",
         "Speed = 0.1\n",
         "(0.0) c 100#\n(1796811998.650411) c 100#\n",
         {},
         "trace.log line 2: a frame due"},
        {"the last frame exactly a week after the first",
         "",
         "(1.0) c 100#\n(" + std::to_string(7 * 24 * 3600 + 1) + ".0) c 100#\n",
         {0, 604800000000ull},
         ""},
        {"one microsecond later is refused",
         "",
         "(1.0) c 100#\n(" + std::to_string(7 * 24 * 3600 + 1) + ".000001) c 100#\n",
         {},
         "trace.log line 2: a frame due 604800 s after the replay starts at Speed 1, beyond "
         "the 604800 s"},
        {"double the speed fits twice the span",
         "Speed = 2\n",
         "(0.0) c 100#\n(" + std::to_string(2 * 7 * 24 * 3600) + ".0) c 100#\n",
         {0, 1209600000000ull},
         ""},
        {"a stamp before the first plays at once",
         "",
         "(5.0) c 100#\n(4.0) c 100#\n(6.0) c 100#\n",
         {0, 0, 1000000},
         ""},
        {"a loop with every frame at one time",
         "Loop = yes\n",
         "(5.0) c 100#\n(5.0) c 100#\n",
         {},
         "trace.log: Loop = yes but every frame has the same time stamp"},
        {"a loop of one frame",
         "Loop = yes\n",
         "(5.0) c 100#\n",
         {},
         "trace.log: Loop = yes but every frame has the same time stamp"},
        {"a loop of an empty trace",
         "Loop = yes\n",
         "# nothing\n",
         {},
         "trace.log: Loop = yes but no frame to replay"},
        {"a loop whose identifiers are never in it",
         "Loop = yes\nIDs = 0x200\n",
         "(0.0) c 100#\n(1.0) c 100#\n",
         {},
         "trace.log: Loop = yes but no frame to replay"},
        {"a loop whose gap takes beyond a week",
         "Loop = yes\nSpeed = 0.0000000001\n",
         "(0.0) c 100#\n(0.000001) c 100#\n",
         {},
         "trace.log: Loop = yes with one pass due"},
        {"an empty trace without a loop plays nothing", "", "", {}, ""},
        {"an infinite speed", "Speed = inf\n", "(0.0) c 100#\n", {}, "line 3: bad Speed 'inf'"},
        {"no speed at all", "Speed = nan\n", "(0.0) c 100#\n", {}, "line 3: bad Speed 'nan'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Loaded loaded = loadReplay("[Replay]\nFile = trace.log\n" + c.ini, c.trace);
        EXPECT_EQ(loaded.atUs, c.atUs);
        if (*c.logged == '\0')
            EXPECT_EQ(loaded.logged, "");
        else
            EXPECT_NE(loaded.logged.find(c.logged), std::string::npos) << loaded.logged;
    }
}

TEST(TraceTest, ReplaySkipsCanFdAndErrorFramesAndSaysHowMany) {
    const Loaded loaded = loadReplay("[Replay]\nFile = trace.log\n",
                                     "(1.0) c 100#01\n(1.1) c 101##0\n(1.2) c 20000001#\n"
                                     "(1.3) c 102##1AA\n(1.5) c 103#\n");
    EXPECT_EQ(loaded.atUs, (std::vector<uint64_t>{0, 500000}));
    EXPECT_NE(
        loaded.logged.find("trace.log: skipped 2 CAN FD frames, 1 error frames and 0 other events"),
        std::string::npos)
        << loaded.logged;
}

TEST(TraceTest, ReplayFileThatIsNoTraceIsLoggedWithItsReason) {
    TempFolder folder;
    folder.write("trace.log", "(1.0) c 100#\n");
    // Sparse: no disk used.
    fs::resize_file(folder.path / "trace.log", SimReplayConfig::kMaxTraceBytes + 1);
    fs::create_directory(folder.path / "folder.log");
    const struct {
        std::string file;
        std::string logged;
    } cases[] = {
        {"/dev/zero", "/dev/zero cannot be read: it is not a regular file"},
        {"folder.log", "folder.log cannot be read: it is a folder"},
        {"missing.log", "missing.log cannot be read: no such file"},
        {"trace.log", "trace.log is larger than 16 MiB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        folder.write(kSimDeviceFile, "[Replay]\nFile = " + c.file + "\n");
        std::vector<std::string> log;
        setDriverLogSink([&](const std::string& line) { log.push_back(line); });
        const SimDeviceConfig device = loadDevice(folder.path.string());
        setDriverLogSink(nullptr);
        EXPECT_FALSE(device.replay);
        ASSERT_EQ(log.size(), 1u);
        EXPECT_NE(log[0].find(c.logged), std::string::npos) << log[0];
    }
}

// Frames 0x100 at 0 ms and 0x101 at 10 ms, looping with a 10 ms gap: one pass
// every 20 ms.
SimReplayConfig twoFrameLoop() {
    SimReplayConfig config;
    config.loop = true;
    config.frames = {stamped(0x100, 0), stamped(0x101, 10000)};
    config.spanUs = 10000;
    config.loopGapUs = 10000;
    return config;
}

TEST(TraceTest, ReplayHandsOverWhatIsDueAndSkipsPassesItFellBehind) {
    using std::chrono::milliseconds;
    const struct {
        const char* what;
        std::vector<int> callsMs;                    // takeDue at these times, the last one checked
        std::vector<std::pair<uint32_t, int>> batch; // identifier, due ms
        int nextMs;
    } cases[] = {
        {"the first frame at the start", {0}, {{0x100, 0}}, 10},
        {"both frames of the first pass", {15}, {{0x100, 0}, {0x101, 10}}, 20},
        {"the second pass", {15, 25}, {{0x100, 20}}, 30},
        {"passes behind: the one begun, then the current one",
         {15, 75},
         {{0x100, 20}, {0x101, 30}, {0x100, 60}, {0x101, 70}},
         80},
        {"far behind", {15, 1000000}, {{0x100, 20}, {0x101, 30}, {0x100, 1000000}}, 1000010},
    };
    const SimReplayConfig config = twoFrameLoop();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SimReplay replay;
        replay.start(&config, milliseconds(0));
        std::vector<SimReplay::Due> batch;
        uint64_t dropped = 0;
        Clock::Time next{};
        for (int ms : c.callsMs) {
            batch.clear();
            next = replay.takeDue(milliseconds(ms), batch, dropped);
        }
        std::vector<std::pair<uint32_t, int>> got;
        for (const SimReplay::Due& d : batch)
            got.emplace_back(d.frame.id, static_cast<int>(d.at / milliseconds(1)));
        EXPECT_EQ(got, c.batch);
        EXPECT_EQ(next, milliseconds(c.nextMs));
        EXPECT_EQ(dropped, 0u);
    }
}

TEST(TraceTest, ReplayBatchIsBoundedAndTheRestCountedAsDropped) {
    SimReplayConfig config;
    config.frames.assign(SimReplay::kBatchLimit + 36, stamped(0x100, 0));
    config.frames.push_back(stamped(0x101, 604800000000ull)); // a week later, at speed 1
    config.spanUs = 604800000000ull;
    SimReplay replay;
    replay.start(&config, std::chrono::seconds(1));
    std::vector<SimReplay::Due> batch;
    uint64_t dropped = 0;
    EXPECT_EQ(replay.takeDue(std::chrono::seconds(1), batch, dropped),
              std::chrono::seconds(1 + 604800));
    EXPECT_EQ(batch.size(), SimReplay::kBatchLimit);
    EXPECT_EQ(dropped, 36u);
}

} // namespace
