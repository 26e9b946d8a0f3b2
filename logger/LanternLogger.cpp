// libLanternLogger.so: appends time-stamped lines to one log file.
//
// Kestrel loads this library at run time and calls its two C exports from the
// UI thread, the transmit thread and the CAN driver's callback threads at once;
// one mutex serialises them. Each line is flushed as it is written, so a crash
// loses nothing that was logged before it.
//
// A log file stays under 64 MiB, whichever processes write to it: once the
// next line would pass the bound, one line says that lines are left out, and
// the lines are counted instead; the count is written when the day changes,
// when the log is named anew and when the program ends.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <string>
#include <sys/stat.h>

#define LANTERN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr long long kLogBound = 64LL << 20;
// Room kept below the bound for the lines about left-out lines.
constexpr long long kNoticeRoom = 4096;

std::mutex logMutex;
std::string logPath;
std::FILE* logFile = nullptr;

// Lines left out since the bound was reached; day is the date they belong to.
struct LeftOut {
    bool active = false;
    unsigned long long lines = 0;
    std::string day;
} leftOut;

bool PutLine(const std::string& line) {
    return std::fputs(line.c_str(), logFile) >= 0 && std::fputc('\n', logFile) != EOF &&
           std::fflush(logFile) == 0;
}

long long LogSize() {
    struct stat info {};
    return fstat(fileno(logFile), &info) == 0 ? static_cast<long long>(info.st_size) : 0;
}

// Writes how many lines were left out, if any; later lines are counted afresh.
void WriteLeftOutCount(const std::string& stamp) {
    if (!leftOut.active || !logFile)
        return;
    PutLine(stamp + "  " + std::to_string(leftOut.lines) + " lines of " + leftOut.day +
            " were left out of the log: it had reached " + std::to_string(kLogBound >> 20) +
            " MiB");
    leftOut = LeftOut{};
}

void CloseLog() {
    if (logFile)
        std::fclose(logFile);
    logFile = nullptr;
}

// Opens the log for appending, creating its folder on first use.
bool OpenLog() {
    if (logFile)
        return true;
    if (logPath.empty())
        return false;
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(logPath).parent_path(), ignored);
    logFile = std::fopen(logPath.c_str(), "a");
    return logFile != nullptr;
}

// "YYYY-MM-DD HH:MM:SS.mmm", local time.
std::string TimeStamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(text + length, sizeof text - length, ".%03d", static_cast<int>(millis));
    return text;
}

// The count of left-out lines reaches the log when the program ends.
struct CountAtExit {
    ~CountAtExit() {
        const std::lock_guard lock(logMutex);
        WriteLeftOutCount(TimeStamp());
        CloseLog();
    }
} countAtExit;

} // namespace

// Names the log file; later lines go there. Returns 0, or -1 for a null name.
LANTERN_EXPORT int32_t Log_SetFileName(const char* fileName, int32_t) {
    const std::lock_guard lock(logMutex);
    WriteLeftOutCount(TimeStamp());
    CloseLog();
    if (!fileName)
        return -1;
    logPath = fileName;
    return 0;
}

// Appends one line. Returns 0, or -1 when there is no file name yet or the
// file cannot be opened or written.
LANTERN_EXPORT int32_t Log_Write(const char* text, int32_t) {
    const std::string stamp = TimeStamp();
    const std::string line = stamp + "  " + (text ? text : "");
    const std::string day = stamp.substr(0, 10);
    const std::lock_guard lock(logMutex);
    if (!OpenLog())
        return -1;
    if (leftOut.active && leftOut.day != day)
        WriteLeftOutCount(stamp);
    if (LogSize() + static_cast<long long>(line.size()) + 1 <= kLogBound - kNoticeRoom)
        return PutLine(line) ? 0 : -1;
    if (!leftOut.active) {
        leftOut = LeftOut{true, 0, day};
        PutLine(stamp + "  The log has reached " + std::to_string(kLogBound >> 20) +
                " MiB: further lines are left out and counted");
    }
    ++leftOut.lines;
    return 0;
}
