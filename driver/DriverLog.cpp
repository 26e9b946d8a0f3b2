#include "DriverLog.h"

#include <cstdio>
#include <mutex>

namespace {

struct LogSink {
    std::mutex mutex;
    std::function<void(const std::string&)> sink;
};

LogSink& logSink() {
    static LogSink s;
    return s;
}

} // namespace

void driverLog(const std::string& line) {
    LogSink& s = logSink();
    std::lock_guard lock(s.mutex);
    if (s.sink)
        s.sink(line);
    else
        std::fprintf(stderr, "%s\n", line.c_str());
}

void setDriverLogSink(std::function<void(const std::string&)> sink) {
    LogSink& s = logSink();
    std::lock_guard lock(s.mutex);
    s.sink = std::move(sink);
}
