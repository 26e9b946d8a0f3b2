#include "TraceFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

// Why `path` is no trace to read, or empty when it may be read.
std::string unreadable(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found)
        return "no such file";
    if (ec)
        return ec.message();
    if (std::filesystem::is_directory(status))
        return "is a folder, not a trace file";
    // A device or a pipe could deliver without end (/dev/zero).
    if (!std::filesystem::is_regular_file(status))
        return "is not a regular file";
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec)
        return ec.message();
    if (size > kMaxTraceFileBytes)
        return "is " + std::to_string(size) + " bytes, above the " +
               std::to_string(kMaxTraceFileBytes) + " bytes a replayed trace may have";
    return {};
}

} // namespace

bool readTraceFile(const std::string& path, const TraceVisitor& visit, TraceSkips& skips,
                   std::string& error) {
    if (std::string why = unreadable(path); !why.empty()) {
        error = path + ": " + why;
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::string problem;
    if (!readCandumpLog(in, visit, skips, problem)) {
        error = path + " " + problem;
        return false;
    }
    if (in.bad()) {
        error = path + ": the read failed";
        return false;
    }
    return true;
}
