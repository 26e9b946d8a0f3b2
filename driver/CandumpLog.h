#pragma once
// The candump log format of can-utils, in which Kestrel writes bus traces and
// from which the simulator replays them:
//   (1700000000.123456) simulator0 123#1122334455667788 T
// wall-clock seconds with microseconds, the interface (the port's name), the
// identifier (3 hexadecimal digits for 11 bits, 8 for 29 bits), '#' and the
// data in upper-case hexadecimal, or R and the length for a remote frame
// (plain R for length 0), and the direction: T transmitted by the port,
// R received. Lines starting with '#' are comments. Free of Qt.
//
// can-utils also logs CAN FD frames ("123##1AABB", a flags digit after the
// two '#') and error frames (an 8-digit identifier with the error flag
// 0x20000000); a classic CAN bus carries neither, so readers count and skip them.

#include "CanFrame.h"
#include "SafeFile.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <vector>

struct CandumpRecord {
    uint64_t timeUs = 0; // microseconds since 1970 (UTC)
    std::string interfaceName;
    CanFrame frame;     // its timeStampUs is not used
    char direction = 0; // 'T', 'R', or 0 when the line has no direction
};

// Lines a trace file leaves out of its frames: comments, and in an ASC log
// the events (error frames, statistics, CAN FD frames, ...).
struct TraceSkips {
    uint64_t comments = 0;
    uint64_t events = 0;
    // Frames a classic CAN bus does not carry, in a candump log.
    uint64_t canFd = 0;
    uint64_t errorFrames = 0;
};

// One line, without the line break.
std::string formatCandumpLine(const CandumpRecord& record);

// One frame line; false when `line` is not one.
bool parseCandumpLine(const std::string& line, CandumpRecord& record);

// Takes each frame of a log in file order; false, with `refusal` set, refuses
// the log at that frame's line.
using TraceVisitor = std::function<bool(const CandumpRecord& record, std::string& refusal)>;

// Hands every frame line of a log to `visit`; blank lines are skipped, and
// comments, CAN FD and error frames counted in `skipped`. False at the first
// line that is none of these or that `visit` refuses, with `error` set to
// "line N: ...".
bool readCandumpLog(std::istream& in, const TraceVisitor& visit, TraceSkips& skipped,
                    std::string& error);
// The same, keeping every frame line in `records`.
bool readCandumpLog(std::istream& in, std::vector<CandumpRecord>& records, std::string& error,
                    TraceSkips* skipped = nullptr);
// The same, one frame at a time to `take` (a log need not fit in memory).
bool forEachCandumpRecord(std::istream& in, const std::function<void(const CandumpRecord&)>& take,
                          std::string& error, TraceSkips* skipped = nullptr);

// "N frames dropped: the trace writer fell behind", the note a trace ends with.
std::string droppedFramesNote(uint64_t dropped);

// Where a trace tap hands its frames: called on the tap's writer thread only.
class TraceSink {
public:
    virtual ~TraceSink() = default;
    virtual void write(const CandumpRecord& record) = 0;
    // The trace is over; `dropped` frames were lost because the writer fell behind.
    virtual void finish(uint64_t dropped) = 0;
};

// How the records of one trace file become lines (without line breaks).
class TraceLineFormat {
public:
    virtual ~TraceLineFormat() = default;
    // The lines of `record`, after what has to come before it (a header).
    virtual void frameLines(const CandumpRecord& record, std::vector<std::string>& lines) = 0;
    virtual std::string comment(const std::string& text) const = 0;
    // The lines that close the file.
    virtual void closingLines(std::vector<std::string>& lines) = 0;
};

class CandumpFormat final : public TraceLineFormat {
public:
    void frameLines(const CandumpRecord& record, std::vector<std::string>& lines) override {
        lines.push_back(formatCandumpLine(record));
    }
    std::string comment(const std::string& text) const override { return "# " + text; }
    void closingLines(std::vector<std::string>&) override {}
};

// Writes a trace file of at most `capBytes` in `format` through a
// SafeFileWriter; when a frame would pass the cap, writing stops and a closing
// comment says how many frames are missing. finish() adds a comment about
// dropped frames. A write that fails stops the trace, with a line in the
// system log, and the old file of that name stays as it was.
class TraceFileSink : public TraceSink {
public:
    static constexpr uint64_t kDefaultCap = 64ull << 20;
    static constexpr uint64_t kNoCap = UINT64_MAX;

    // finish() puts the file in place of `path`.
    TraceFileSink(const std::string& path, std::unique_ptr<TraceLineFormat> format,
                  uint64_t capBytes = kDefaultCap);
    // finish() only flushes: the owner of `file` may add lines and commits it
    // after the tap has finished.
    TraceFileSink(std::shared_ptr<SafeFileWriter> file, std::unique_ptr<TraceLineFormat> format,
                  uint64_t capBytes = kDefaultCap);
    TraceFileSink(const TraceFileSink&) = delete;
    TraceFileSink& operator=(const TraceFileSink&) = delete;

    // False when the file could not be created.
    bool isOpen() const { return opened_; }
    // After finish(): whether every line reached the file and it was put in place.
    bool complete() const { return finished_ && !failed_; }
    // Whether a write failed (or the file could not be created). Thread-safe.
    bool failed() const { return failed_.load(); }
    void write(const CandumpRecord& record) override;
    void finish(uint64_t dropped) override;

private:
    TraceFileSink(std::shared_ptr<SafeFileWriter> file, std::unique_ptr<TraceLineFormat> format,
                  uint64_t capBytes, bool commitOnFinish);
    void put(const std::string& line);
    void checkWritten();

    const std::shared_ptr<SafeFileWriter> file_;
    const std::unique_ptr<TraceLineFormat> format_;
    const bool commitOnFinish_;
    const bool opened_;
    const uint64_t cap_;
    uint64_t written_ = 0;
    uint64_t cut_ = 0; // frames left out once the cap was reached
    bool finished_ = false;
    std::atomic<bool> failed_;
    std::vector<std::string> lines_;
};

class CandumpFileSink final : public TraceFileSink {
public:
    explicit CandumpFileSink(const std::string& path, uint64_t capBytes = kDefaultCap)
        : TraceFileSink(path, std::make_unique<CandumpFormat>(), capBytes) {}
    explicit CandumpFileSink(std::shared_ptr<SafeFileWriter> file, uint64_t capBytes = kDefaultCap)
        : TraceFileSink(std::move(file), std::make_unique<CandumpFormat>(), capBytes) {}
};
