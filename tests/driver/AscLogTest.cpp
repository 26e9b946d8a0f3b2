// Vector ASC logs both ways: the reader's constructs and refusals, the
// writer read back, the trace file of either format, and both checked against
// python-can and can-utils where Debian has them installed.

#include "AscLog.h"

#include "TraceFile.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

namespace fs = std::filesystem;

// Local time is UTC for every test here, so that dates read as written.
class AscLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        folder_ = fs::temp_directory_path() / ("kestrel-asc-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string file(const std::string& name) const { return (folder_ / name).string(); }
    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(folder_ / name, std::ios::binary) << text;
        return file(name);
    }

    fs::path folder_;
};

struct Read {
    bool ok = false;
    std::vector<CandumpRecord> records;
    TraceSkips skipped;
    std::string error;
};

Read readAsc(const std::string& text) {
    std::istringstream in(text);
    Read r;
    r.ok = readAscLog(in, r.records, r.skipped, r.error);
    return r;
}

CanFrame frame(uint32_t id, bool extended, bool remote, std::vector<uint8_t> bytes,
               uint8_t len = 0) {
    CanFrame f{.id = id, .extended = extended, .remote = remote};
    f.len = remote ? len : static_cast<uint8_t>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), f.data.begin());
    return f;
}

void expectSameFrame(const CandumpRecord& got, const CandumpRecord& want) {
    EXPECT_EQ(got.frame.id, want.frame.id);
    EXPECT_EQ(got.frame.extended, want.frame.extended);
    EXPECT_EQ(got.frame.remote, want.frame.remote);
    EXPECT_EQ(got.frame.len, want.frame.len);
    if (!want.frame.remote) {
        EXPECT_EQ(got.frame.data, want.frame.data);
    }
    EXPECT_EQ(got.direction, want.direction);
}

// Same frames, directions and spacing; `slackUs` for readers that go through floats.
void expectSameTrace(const std::vector<CandumpRecord>& got, const std::vector<CandumpRecord>& want,
                     int64_t slackUs = 0) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        expectSameFrame(got[i], want[i]);
        const auto spacing = [](const auto& v, size_t k) {
            return static_cast<int64_t>(v[k].timeUs - v[0].timeUs);
        };
        EXPECT_NEAR(spacing(got, i), spacing(want, i), slackUs);
    }
}

const char* kHeader = "date Sat Nov 14 10:13:20.250 pm 2026\n"
                      "base hex  timestamps absolute\n"
                      "internal events logged\n"
                      "// version 9.0.0\n"
                      "Begin Triggerblock Sat Nov 14 10:13:20.250 pm 2026\n";
// 2026-11-14 22:13:20.250 UTC
constexpr uint64_t kStartUs = 1794694400'250000;

TEST_F(AscLogTest, ReaderTakesEveryClassicFrameAndCountsWhatItSkips) {
    const Read r = readAsc(std::string(kHeader) +
                           "   0.000000 Start of measurement\n"
                           "// channel 2 = simulator0\n"
                           "   0.001000 1  123             Rx   d 3 11 22 33\n"
                           "   0.002500 2  1ABCDEF0x       Tx   d 8 01 02 03 04 05 06 07 08 "
                           "Length = 240000 BitCount = 125 ID = 448585456x\n"
                           "   0.003000 1  7FF             Tx   r\n"
                           "   0.004000 2  1x              Rx   r 8\n"
                           "   0.005000 1  ErrorFrame\n"
                           "   0.006000 CANFD 1 Rx 100 1 0 8 8 00 00 00 00 00 00 00 00\n"
                           "   0.007000 1  Statistic: D 0 R 0 XD 0 XR 0 E 0 O 0 B 0.00%\n"
                           "   0.008000 1  0               Rx   d 0\n"
                           "End TriggerBlock\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.skipped.comments, 2u);
    EXPECT_EQ(r.skipped.events, 4u);
    const std::vector<CandumpRecord> want = {
        {kStartUs + 1000, "can0", frame(0x123, false, false, {0x11, 0x22, 0x33}), 'R'},
        {kStartUs + 2500, "simulator0", frame(0x1ABCDEF0, true, false, {1, 2, 3, 4, 5, 6, 7, 8}),
         'T'},
        {kStartUs + 3000, "can0", frame(0x7FF, false, true, {}, 0), 'T'},
        {kStartUs + 4000, "simulator0", frame(1, true, true, {}, 8), 'R'},
        {kStartUs + 8000, "can0", frame(0, false, false, {}), 'R'},
    };
    ASSERT_EQ(r.records.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(i);
        expectSameFrame(r.records[i], want[i]);
        EXPECT_EQ(r.records[i].timeUs, want[i].timeUs);
        EXPECT_EQ(r.records[i].interfaceName, want[i].interfaceName);
    }
}

TEST_F(AscLogTest, HeadersSetTheStartTheBaseAndTheTimestamps) {
    const struct {
        const char* header;
        const char* line;
        uint64_t timeUs;
        uint32_t id;
    } cases[] = {
        {"date Sat Nov 14 22:13:20 2026\n", "1.5 1 10 Rx d 0", 1794694401'500000, 0x10},
        {"date Sat Nov 14 12:13:20.100 am 2026\n", "0 1 10 Rx d 0", 1794615200'100000, 0x10},
        {"date Sa Dez 14 10:13:20 pm 2026\n", "0 1 10 Rx d 0", 1797286400'000000, 0x10},
        {"date Sat Nov 14 10:13:20 pm 2026\nbase dec timestamps absolute\n", "0 1 2047 Rx d 0",
         1794694400'000000, 0x7FF},
        {"base hex timestamps relative\n", "1.0 1 Statistic: x\n2.5 1 10 Tx d 0", 3'500000, 0x10},
        {"", "0.25 1 10 Rx d 0", 250000, 0x10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        const Read r = readAsc(std::string(c.header) + c.line + "\n");
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.records.size(), 1u);
        EXPECT_EQ(r.records[0].timeUs, c.timeUs);
        EXPECT_EQ(r.records[0].frame.id, c.id);
    }
}

TEST_F(AscLogTest, ReaderNamesTheLineItCannotTake) {
    const struct {
        const char* line;
        const char* error;
    } cases[] = {
        {"hello", "not an ASC line"},
        {"date someday", "date not understood"},
        {"date Sat Nov 14 13:13:20 pm 2026", "date not understood"},
        {"base oct", "base not understood"},
        {"1.x 1 100 Rx d 0", "not a time"},
        {"1.0 1 800 Rx d 0", "bad identifier"},
        {"1.0 1 20000000x Rx d 0", "bad identifier"},
        {"1.0 1 10G Rx d 0", "bad identifier"},
        {"1.0 0 100 Rx d 0", "channel 0 (channels count from 1)"},
        {"1.0 1 100 Rx e 0", "neither a data (d) nor a remote (r) frame"},
        {"1.0 1 100 Rx d 9 00 00 00 00 00 00 00 00 00", "bad length"},
        {"1.0 1 100 Rx d", "bad length"},
        {"1.0 1 100 Rx d 3 01 02", "missing or bad data byte"},
        {"1.0 1 100 Rx d 1 100", "missing or bad data byte"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const Read r = readAsc(std::string(kHeader) + "\f\v \r\n" + c.line + "\n0.5 1 1 Rx d 0\n");
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, std::string("line 7: ") + c.error);
    }
}

// Data frames of every length in both formats, remote frames of every
// length, both directions, two interfaces, uneven spacing.
std::vector<CandumpRecord> everyKind() {
    std::vector<CandumpRecord> records;
    uint64_t t = 1796811998'650411;
    for (uint8_t len = 0; len <= 8; ++len) {
        std::vector<uint8_t> bytes;
        for (uint8_t i = 0; i < len; ++i)
            bytes.push_back(static_cast<uint8_t>(0x11 * i + len));
        const char dir = len % 2 ? 'T' : 'R';
        records.push_back({t += 977, "can0", frame(0x100u + len, false, false, bytes), dir});
        records.push_back({t += 3, "can0", frame(0x1ABC0000u + len, true, false, bytes), dir});
        records.push_back({t += 12345, "can0", frame(0x7F0u + len, false, true, {}, len), dir});
        records.push_back({t += 1, "can0", frame(0x1FFFFFF0u + len, true, true, {}, len), dir});
    }
    return records;
}

std::string candumpText(const std::vector<CandumpRecord>& records) {
    std::string text;
    for (const CandumpRecord& r : records)
        text += formatCandumpLine(r) + "\n";
    return text;
}

void writeAsc(const std::string& path, const std::vector<CandumpRecord>& records) {
    AscFileSink sink(path);
    ASSERT_TRUE(sink.isOpen());
    for (const CandumpRecord& r : records)
        sink.write(r);
    sink.finish(0);
    ASSERT_TRUE(sink.complete());
}

TEST_F(AscLogTest, WrittenLogReadsBackToTheMicrosecondWithItsInterfaceNames) {
    std::vector<CandumpRecord> records = everyKind();
    records[5].interfaceName = "simulator0";
    writeAsc(file("t.asc"), records);
    TraceFile back;
    std::string error;
    ASSERT_TRUE(readTraceFile(file("t.asc"), back, error)) << error;
    ASSERT_EQ(back.records.size(), records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(i);
        expectSameFrame(back.records[i], records[i]);
        EXPECT_EQ(back.records[i].timeUs, records[i].timeUs);
        EXPECT_EQ(back.records[i].interfaceName, records[i].interfaceName);
    }
    // An empty trace is still a whole ASC log.
    writeAsc(file("empty.asc"), {});
    ASSERT_TRUE(readTraceFile(file("empty.asc"), back, error)) << error;
    EXPECT_TRUE(back.records.empty());
}

TEST_F(AscLogTest, TraceFilesAreReadByNameOrContentWithinTheirBound) {
    const std::string candump = "# c\n(1.000000) can0 123#11 R\n";
    const std::string asc = "// c\n1.0 1 123 Rx d 1 11\n";
    const struct {
        std::string name;
        std::string text;
        bool ok;
        std::string error;
    } cases[] = {
        {"a.log", candump, true, ""},
        {"a.ASC", asc, true, ""},
        {"a.trace", asc, true, ""},
        {"b.trace", candump, true, ""},
        {"a.log", asc, false, "line 1: not a candump frame line"},
        {"a.asc", candump, false, "line 1: not an ASC line"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name + ": " + c.text);
        TraceFile trace;
        std::string error;
        const std::string path = write(c.name, c.text);
        EXPECT_EQ(readTraceFile(path, trace, error), c.ok);
        if (!c.ok) {
            EXPECT_EQ(error, path + " " + c.error);
            continue;
        }
        ASSERT_EQ(trace.records.size(), 1u);
        EXPECT_EQ(trace.records[0].frame.id, 0x123u);
        EXPECT_EQ(trace.records[0].interfaceName, "can0");
        EXPECT_EQ(trace.skipped.comments, 1u);
    }
    TraceFile trace;
    std::string error;
    EXPECT_FALSE(readTraceFile(file("missing.log"), trace, error));
    EXPECT_EQ(error, file("missing.log") + " cannot be read: no such file");
    fs::resize_file(write("big.log", ""), kMaxTraceFileBytes + 1);
    EXPECT_FALSE(readTraceFile(file("big.log"), trace, error));
    EXPECT_EQ(error, file("big.log") + " is larger than 128 MiB");
    EXPECT_FALSE(readTraceFile(folder_.string(), trace, error));
    EXPECT_EQ(error, folder_.string() + " cannot be read: it is a folder");
}

// --- independent implementations from Debian

struct Output {
    int status = -1;
    std::string text;
};

Output run(const std::string& command) {
    Output out;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    std::array<char, 4096> buffer;
    for (size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
        out.text.append(buffer.data(), n);
    out.status = pclose(pipe);
    return out;
}

bool have(const std::string& check) {
    return run(check + " >/dev/null 2>&1").status == 0;
}

std::vector<CandumpRecord> candumpRecords(const std::string& text) {
    std::istringstream in(text);
    std::vector<CandumpRecord> records;
    std::string error;
    EXPECT_TRUE(readCandumpLog(in, records, error)) << error << "\n" << text;
    return records;
}

std::vector<CandumpRecord> ascRecords(const std::string& path) {
    TraceFile trace;
    std::string error;
    EXPECT_TRUE(readTraceFile(path, trace, error)) << error;
    return trace.records;
}

constexpr const char* kPython = "/usr/bin/python3";

// Prints the ASC log argv[1] as candump lines, times from the measurement's start.
constexpr const char* kPythonReader = R"(
import sys, can
for m in can.ASCReader(sys.argv[1]):
    ident = ("%08X" if m.is_extended_id else "%03X") % m.arbitration_id
    data = ("R%X" % m.dlc if m.dlc else "R") if m.is_remote_frame else m.data.hex().upper()
    print("(%.6f) can%d %s#%s %s" % (m.timestamp, m.channel, ident, data, "R" if m.is_rx else "T"))
)";

// Writes the candump log argv[1] as the ASC log argv[2].
constexpr const char* kPythonWriter = R"(
import sys, can
w = can.ASCWriter(sys.argv[2], channel=1)
for line in open(sys.argv[1]):
    t, iface, frame, d = line.split()
    ident, data = frame.split("#")
    remote = data.startswith("R")
    w.on_message_received(can.Message(
        timestamp=float(t[1:-1]), arbitration_id=int(ident, 16), is_extended_id=len(ident) == 8,
        is_remote_frame=remote, dlc=int(data[1:] or "0", 16) if remote else len(data) // 2,
        data=b"" if remote else bytes.fromhex(data), is_rx=d == "R", channel=0))
w.stop()
)";

TEST_F(AscLogTest, PythonCanReadsWhatKestrelWritesAndTheOtherWayRound) {
    if (!have(std::string(kPython) + " -c 'import can'"))
        GTEST_SKIP() << "python-can is not installed (Debian package python3-can)";
    const std::vector<CandumpRecord> records = everyKind();
    writeAsc(file("kestrel.asc"), records);
    write("reader.py", kPythonReader);
    write("writer.py", kPythonWriter);
    const Output read =
        run(std::string(kPython) + " " + file("reader.py") + " " + file("kestrel.asc"));
    ASSERT_EQ(read.status, 0) << read.text;
    expectSameTrace(candumpRecords(read.text), records, 1);

    write("kestrel.log", candumpText(records));
    const Output written = run(std::string(kPython) + " " + file("writer.py") + " " +
                               file("kestrel.log") + " " + file("python.asc"));
    ASSERT_EQ(written.status, 0) << written.text;
    expectSameTrace(ascRecords(file("python.asc")), records, 1);
}

TEST_F(AscLogTest, CanUtilsConvertWhatKestrelWritesAndTheOtherWayRound) {
    if (!have("command -v log2asc") || !have("command -v asc2log"))
        GTEST_SKIP() << "log2asc and asc2log are not installed (Debian package can-utils)";
    const std::vector<CandumpRecord> records = everyKind();
    writeAsc(file("kestrel.asc"), records);
    // asc2log takes the date only in a German or US locale; the times from
    // the start of the measurement are what is compared.
    const Output log = run("asc2log -I " + file("kestrel.asc") + " 2>/dev/null");
    ASSERT_EQ(log.status, 0) << log.text;
    const std::vector<CandumpRecord> fromAsc = candumpRecords(log.text);
    expectSameTrace(fromAsc, records);
    for (const CandumpRecord& r : fromAsc)
        EXPECT_EQ(r.interfaceName, "can0");

    write("kestrel.log", candumpText(records));
    const Output asc =
        run("log2asc -I " + file("kestrel.log") + " -O " + file("utils.asc") + " can0 2>&1");
    ASSERT_EQ(asc.status, 0) << asc.text;
    expectSameTrace(ascRecords(file("utils.asc")), records);
}

} // namespace
