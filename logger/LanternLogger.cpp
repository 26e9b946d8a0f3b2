// libLanternLogger.so: appends time-stamped lines to one log file.
//
// Kestrel loads this library at run time and calls its two C exports from the
// UI thread, the transmit thread and the CAN driver's callback threads at once;
// one mutex serialises them. Each line is flushed as it is written, so a crash
// loses nothing that was logged before it.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <string>

#define LANTERN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::mutex logMutex;
std::string logPath;
std::FILE* logFile = nullptr;

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

} // namespace

// Names the log file; later lines go there. Returns 0, or -1 for a null name.
LANTERN_EXPORT int32_t Log_SetFileName(const char* fileName, int32_t) {
    const std::lock_guard lock(logMutex);
    CloseLog();
    if (!fileName)
        return -1;
    logPath = fileName;
    return 0;
}

// Appends one line. Returns 0, or -1 when there is no file name yet or the
// file cannot be opened or written.
LANTERN_EXPORT int32_t Log_Write(const char* text, int32_t) {
    const std::string line = TimeStamp() + "  " + (text ? text : "");
    const std::lock_guard lock(logMutex);
    if (!OpenLog())
        return -1;
    const bool ok = std::fputs(line.c_str(), logFile) >= 0 && std::fputc('\n', logFile) != EOF &&
                    std::fflush(logFile) == 0;
    return ok ? 0 : -1;
}
