#include "TraceFile.h"

#include "AscLog.h"

#include <algorithm>
#include <cctype>
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

} // namespace

TraceFileFormat traceFormatOf(const std::string& path) {
    return endsWith(path, ".asc") ? TraceFileFormat::Asc : TraceFileFormat::Candump;
}

bool readTraceFile(const std::string& path, TraceFile& trace, std::string& error) {
    std::error_code failed;
    const bool regular = std::filesystem::is_regular_file(path, failed);
    std::ifstream in(path, std::ios::binary);
    if (!regular || !in) {
        error = path + " cannot be read";
        return false;
    }
    if (std::filesystem::file_size(path, failed) > kMaxTraceFileBytes) {
        error = path + " is larger than " + std::to_string(kMaxTraceFileBytes >> 20) + " MiB";
        return false;
    }
    const bool asc = traceFormatOf(path) == TraceFileFormat::Asc ||
                     (!endsWith(path, ".log") && looksLikeAsc(in));
    std::string problem;
    trace = {};
    const bool read = asc ? readAscLog(in, trace.records, trace.skipped, problem)
                          : readCandumpLog(in, trace.records, problem, &trace.skipped);
    if (!read) {
        error = path + " " + problem;
        trace = {};
        return false;
    }
    if (in.bad()) {
        error = path + " cannot be read";
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
