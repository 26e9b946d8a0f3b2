// libFuzzer target for trace files, read as a candump log and as an ASC log.
// Any input is read or refused with a line number; every frame read is a
// valid CAN frame; and what was read, written in either format, reads back as
// the same frames at the same microseconds on the same interfaces.

#include "AscLog.h"

#include <cstdlib>
#include <ctime>
#include <sstream>

namespace {

// ASC dates can name this far ahead.
constexpr uint64_t kLastAscUs = 253402300799ull * 1000000;

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

std::string Written(const std::vector<CandumpRecord>& records, TraceLineFormat&& format) {
    std::vector<std::string> lines;
    for (const CandumpRecord& r : records)
        format.frameLines(r, lines);
    format.closingLines(lines);
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

void CheckSame(const std::vector<CandumpRecord>& back, const std::vector<CandumpRecord>& read) {
    Check(back.size() == read.size());
    for (size_t i = 0; i < read.size(); ++i) {
        const CanFrame& a = back[i].frame;
        const CanFrame& b = read[i].frame;
        Check(a.id == b.id && a.extended == b.extended && a.remote == b.remote && a.len == b.len &&
              a.data == b.data && back[i].timeUs == read[i].timeUs &&
              back[i].interfaceName == read[i].interfaceName);
        Check(read[i].direction == 0 || back[i].direction == read[i].direction);
    }
}

void RoundTrip(const std::vector<CandumpRecord>& read) {
    std::istringstream candump(Written(read, CandumpFormat()));
    std::vector<CandumpRecord> back;
    std::string error;
    Check(readCandumpLog(candump, back, error));
    CheckSame(back, read);
    for (const CandumpRecord& r : read)
        if (r.timeUs > kLastAscUs)
            return;
    std::istringstream asc(Written(read, AscFormat()));
    TraceSkips skipped;
    back.clear();
    Check(readAscLog(asc, back, skipped, error));
    CheckSame(back, read);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "UTC", 1); // a local time without daylight saving: every date names one moment
    tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const bool asc : {false, true}) {
        std::istringstream in(text);
        std::vector<CandumpRecord> records;
        TraceSkips skipped;
        std::string error;
        const bool ok = asc ? readAscLog(in, records, skipped, error)
                            : readCandumpLog(in, records, error, &skipped);
        if (!ok) {
            Check(error.rfind("line ", 0) == 0);
            continue;
        }
        for (const CandumpRecord& r : records)
            Check(r.frame.len <= 8 && r.frame.id <= (r.frame.extended ? 0x1FFFFFFFu : 0x7FFu) &&
                  !r.interfaceName.empty());
        RoundTrip(records);
    }
    return 0;
}
