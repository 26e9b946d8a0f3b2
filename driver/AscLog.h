#pragma once
// Vector's ASC text log of classic CAN frames, beside the candump log:
//   date Wed Dec 09 10:26:38.650 am 2026
//   base hex  timestamps absolute
//   no internal events logged
//   // channel 1 = simulator0
//   Begin Triggerblock Wed Dec 09 10:26:38.650 am 2026
//      0.000411 1  7E0             Tx   d 8 03 22 F1 90 00 00 00 00
//      0.002077 1  1ABCDEF0x       Rx   r 4
//   End TriggerBlock
// Times are seconds since the start of the measurement (the date of "Begin
// Triggerblock", else the "date" line; local time), an identifier ending in
// 'x' has 29 bits, 'd' is a data frame with its length and bytes and 'r' a
// remote frame with its length. ASC channels are numbers; Kestrel writes the
// interface name of each channel as a comment, and a channel without one reads
// as "can<N-1>", as can-utils name it. Comments ("//") and timed lines that
// are not classic CAN frames (error frames, statistics, CAN FD frames, ...)
// are skipped and counted. Free of Qt.

#include "CandumpLog.h"

#include <istream>
#include <map>
#include <string>
#include <vector>

// Every classic CAN frame of an ASC log, with its wall-clock time. False at
// the first line that is not understood, with `error` set to "line N: ...".
bool readAscLog(std::istream& in, std::vector<CandumpRecord>& records, TraceSkips& skipped,
                std::string& error);

// Writes base hex, absolute timestamps. The measurement starts at the first
// record's time in whole milliseconds, so that the date line and the
// timestamps give back every record's microsecond.
class AscFormat final : public TraceLineFormat {
public:
    void frameLines(const CandumpRecord& record, std::vector<std::string>& lines) override;
    std::string comment(const std::string& text) const override { return "// " + text; }
    void closingLines(std::vector<std::string>& lines) override;

private:
    void header(uint64_t startUs, std::vector<std::string>& lines);

    bool started_ = false;
    uint64_t startUs_ = 0;
    std::map<std::string, int> channels_;
};

class AscFileSink final : public TraceFileSink {
public:
    explicit AscFileSink(const std::string& path, uint64_t capBytes = kDefaultCap)
        : TraceFileSink(path, std::make_unique<AscFormat>(), capBytes) {}
};
