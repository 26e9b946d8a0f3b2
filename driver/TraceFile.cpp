#include "TraceFile.h"

#include "AscLog.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

bool endsWith(const std::string& path, const std::string& suffix) {
    return path.size() >= suffix.size() &&
           std::equal(suffix.rbegin(), suffix.rend(), path.rbegin(), [](char a, char b) {
               return a == std::tolower(static_cast<unsigned char>(b));
           });
}

// An ASC log starts with its header or a comment; a candump log with a frame
// line "(" or a comment "#".
bool looksLikeAsc(std::istream& in) {
    std::string word;
    in >> word;
    in.clear();
    in.seekg(0);
    return !word.empty() && word[0] != '(' && word[0] != '#';
}

// Why `path` is no trace file to read, or empty when it may be read.
std::string unreadable(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found)
        return "no such file";
    if (ec)
        return ec.message();
    if (std::filesystem::is_directory(status))
        return "it is a folder";
    // A device or a pipe could deliver without end (/dev/zero).
    if (!std::filesystem::is_regular_file(status))
        return "it is not a regular file";
    return {};
}

// An ASC log is read whole (its reader keeps the records), then visited; a
// frame is named by its number, as the reader keeps no line numbers.
bool visitAscLog(std::istream& in, const TraceVisitor& visit, TraceSkips& skipped,
                 std::string& error) {
    std::vector<CandumpRecord> records;
    if (!readAscLog(in, records, skipped, error))
        return false;
    std::string refusal;
    for (size_t i = 0; i < records.size(); ++i) {
        if (!visit(records[i], refusal)) {
            error = "frame " + std::to_string(i + 1) + ": " + refusal;
            return false;
        }
    }
    return true;
}

} // namespace

TraceFileFormat traceFormatOf(const std::string& path) {
    return endsWith(path, ".asc") ? TraceFileFormat::Asc : TraceFileFormat::Candump;
}

bool readTraceFile(const std::string& path, const TraceVisitor& visit, TraceSkips& skipped,
                   std::string& error, uint64_t maxBytes) {
    if (const std::string why = unreadable(path); !why.empty()) {
        error = path + " cannot be read: " + why;
        return false;
    }
    std::error_code failed;
    if (std::filesystem::file_size(path, failed) > maxBytes) {
        error = path + " is larger than " + std::to_string(maxBytes >> 20) + " MiB";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + " cannot be read: " + std::strerror(errno);
        return false;
    }
    const bool asc = traceFormatOf(path) == TraceFileFormat::Asc ||
                     (!endsWith(path, ".log") && looksLikeAsc(in));
    std::string problem;
    const bool read = asc ? visitAscLog(in, visit, skipped, problem)
                          : readCandumpLog(in, visit, skipped, problem);
    if (!read) {
        error = path + " " + problem;
        return false;
    }
    if (in.bad()) {
        error = path + " cannot be read: the read failed";
        return false;
    }
    return true;
}

bool readTraceFile(const std::string& path, TraceFile& trace, std::string& error) {
    trace = {};
    const auto keep = [&trace](const CandumpRecord& record, std::string&) {
        trace.records.push_back(record);
        return true;
    };
    if (!readTraceFile(path, keep, trace.skipped, error)) {
        trace = {};
        return false;
    }
    return true;
}

std::unique_ptr<TraceLineFormat> makeTraceLineFormat(const std::string& path) {
    if (traceFormatOf(path) == TraceFileFormat::Asc)
        return std::make_unique<AscFormat>();
    return std::make_unique<CandumpFormat>();
}

std::unique_ptr<TraceFileSink> makeTraceFileSink(const std::string& path, uint64_t capBytes) {
    return std::make_unique<TraceFileSink>(path, makeTraceLineFormat(path), capBytes);
}
