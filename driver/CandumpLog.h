#pragma once
// The candump log format of can-utils, in which Kestrel writes bus traces and
// from which the simulator replays them:
//   (1700000000.123456) simulator0 123#1122334455667788 T
// wall-clock seconds with microseconds, the interface (the port's name), the
// identifier (3 hexadecimal digits for 11 bits, 8 for 29 bits), '#' and the
// data in upper-case hexadecimal, or R and the length for a remote frame
// (plain R for length 0), and the direction: T transmitted by the port,
// R received. Lines starting with '#' are comments. Free of Qt.

#include "CanFrame.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <istream>
#include <string>
#include <vector>

struct CandumpRecord {
    uint64_t timeUs = 0; // microseconds since 1970 (UTC)
    std::string interfaceName;
    CanFrame frame;     // its timeStampUs is not used
    char direction = 0; // 'T', 'R', or 0 when the line has no direction
};

// One line, without the line break.
std::string formatCandumpLine(const CandumpRecord& record);

// One frame line; false when `line` is not one.
bool parseCandumpLine(const std::string& line, CandumpRecord& record);

// Every frame line of a log; blank and comment lines are skipped. False at the
// first line that is neither, with `error` set to "line N: ...".
bool readCandumpLog(std::istream& in, std::vector<CandumpRecord>& records, std::string& error);
// The same, one frame at a time to `take` (a log need not fit in memory).
bool forEachCandumpRecord(std::istream& in, const std::function<void(const CandumpRecord&)>& take,
                          std::string& error);

// Where a trace tap hands its frames: called on the tap's writer thread only.
class TraceSink {
public:
    virtual ~TraceSink() = default;
    virtual void write(const CandumpRecord& record) = 0;
    // The trace is over; `dropped` frames were lost because the writer fell behind.
    virtual void finish(uint64_t dropped) = 0;
};

// Writes a candump log file of at most `capBytes`; when a line would pass
// the cap, writing stops and a closing comment says how many frames are
// missing. finish() adds a comment about dropped frames and closes the file.
class CandumpFileSink final : public TraceSink {
public:
    static constexpr uint64_t kDefaultCap = 64ull << 20;

    explicit CandumpFileSink(const std::string& path, uint64_t capBytes = kDefaultCap);
    ~CandumpFileSink() override;
    CandumpFileSink(const CandumpFileSink&) = delete;
    CandumpFileSink& operator=(const CandumpFileSink&) = delete;

    // False when the file could not be created.
    bool isOpen() const { return file_ != nullptr; }
    void write(const CandumpRecord& record) override;
    void finish(uint64_t dropped) override;

private:
    void put(const std::string& line);

    std::FILE* file_ = nullptr;
    const uint64_t cap_;
    uint64_t written_ = 0;
    uint64_t cut_ = 0; // frames left out once the cap was reached
};
