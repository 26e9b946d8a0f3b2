#include "CandumpLog.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

template <typename T> bool hexValue(std::string_view text, T& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

// "(seconds.micro)"
bool parseTime(std::string_view text, uint64_t& us) {
    const size_t dot = text.find('.');
    if (text.size() < 4 || text.front() != '(' || text.back() != ')' || dot == std::string::npos)
        return false;
    const std::string_view seconds = text.substr(1, dot - 1);
    std::string micro(text.substr(dot + 1, text.size() - dot - 2));
    if (micro.empty() || micro.size() > 6)
        return false;
    micro.resize(6, '0');
    uint64_t s = 0;
    uint64_t u = 0;
    const auto [se, sc] = std::from_chars(seconds.data(), seconds.data() + seconds.size(), s);
    const auto [ue, uc] = std::from_chars(micro.data(), micro.data() + micro.size(), u);
    if (sc != std::errc() || se != seconds.data() + seconds.size() || uc != std::errc() ||
        ue != micro.data() + micro.size() || s > (UINT64_MAX - 999999) / 1000000)
        return false; // a time whose microseconds do not fit would wrap round
    us = s * 1000000 + u;
    return true;
}

// "123#11223344", "12345678#R", "123#R3"
bool parseFrame(std::string_view text, CanFrame& frame) {
    const size_t hash = text.find('#');
    if (hash == std::string::npos)
        return false;
    const std::string_view id = text.substr(0, hash);
    const std::string_view data = text.substr(hash + 1);
    if ((id.size() != 3 && id.size() != 8) || !hexValue(id, frame.id))
        return false;
    frame.extended = id.size() == 8;
    if (frame.id > (frame.extended ? 0x1FFFFFFFu : 0x7FFu))
        return false;
    frame.data.fill(0);
    frame.remote = !data.empty() && (data.front() == 'R' || data.front() == 'r');
    if (frame.remote) {
        frame.len = 0;
        return data.size() == 1 ||
               (data.size() == 2 && hexValue(data.substr(1), frame.len) && frame.len <= 8);
    }
    if (data.size() % 2 != 0 || data.size() > 16)
        return false;
    frame.len = static_cast<uint8_t>(data.size() / 2);
    for (size_t i = 0; i < frame.len; ++i)
        if (!hexValue(data.substr(2 * i, 2), frame.data[i]))
            return false;
    return true;
}

} // namespace

std::string formatCandumpLine(const CandumpRecord& r) {
    char time[32];
    std::snprintf(time, sizeof time, "(%llu.%06llu) ",
                  static_cast<unsigned long long>(r.timeUs / 1000000),
                  static_cast<unsigned long long>(r.timeUs % 1000000));
    char id[16];
    std::snprintf(id, sizeof id, r.frame.extended ? "%08X#" : "%03X#", r.frame.id);
    std::string line = time + r.interfaceName + ' ' + id;
    if (r.frame.remote) {
        line += 'R';
        if (r.frame.len != 0)
            line += kHex[r.frame.len & 0xF];
    } else {
        for (size_t i = 0; i < r.frame.len && i < r.frame.data.size(); ++i) {
            line += kHex[r.frame.data[i] >> 4];
            line += kHex[r.frame.data[i] & 0xF];
        }
    }
    if (r.direction != 0) {
        line += ' ';
        line += r.direction;
    }
    return line;
}

bool parseCandumpLine(const std::string& line, CandumpRecord& record) {
    std::istringstream in(line);
    std::string time;
    std::string frame;
    std::string direction;
    std::string extra;
    if (!(in >> time >> record.interfaceName >> frame) || (in >> direction && in >> extra))
        return false;
    if (direction.empty())
        record.direction = 0;
    else if (direction == "T" || direction == "R")
        record.direction = direction[0];
    else
        return false;
    return parseTime(time, record.timeUs) && parseFrame(frame, record.frame);
}

bool forEachCandumpRecord(std::istream& in, const std::function<void(const CandumpRecord&)>& take,
                          std::string& error, TraceSkips* skipped) {
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos)
            continue;
        if (line[first] == '#') {
            if (skipped)
                ++skipped->comments;
            continue;
        }
        CandumpRecord record;
        if (!parseCandumpLine(line, record)) {
            error = "line " + std::to_string(number) + ": not a candump frame line";
            return false;
        }
        take(record);
    }
    return true;
}

bool readCandumpLog(std::istream& in, std::vector<CandumpRecord>& records, std::string& error,
                    TraceSkips* skipped) {
    return forEachCandumpRecord(
        in, [&records](const CandumpRecord& record) { records.push_back(record); }, error, skipped);
}

std::string droppedFramesNote(uint64_t dropped) {
    return std::to_string(dropped) + " frames dropped: the trace writer fell behind";
}

TraceFileSink::TraceFileSink(const std::string& path, std::unique_ptr<TraceLineFormat> format,
                             uint64_t capBytes)
    : file_(std::fopen(path.c_str(), "wb")), format_(std::move(format)), cap_(capBytes) {}

TraceFileSink::~TraceFileSink() {
    if (file_)
        std::fclose(file_);
}

void TraceFileSink::put(const std::string& line) {
    if (std::fputs(line.c_str(), file_) < 0 || std::fputc('\n', file_) == EOF)
        failed_ = true;
    written_ += line.size() + 1;
}

void TraceFileSink::write(const CandumpRecord& record) {
    lines_.clear();
    format_->frameLines(record, lines_);
    uint64_t size = 0;
    for (const std::string& line : lines_)
        size += line.size() + 1;
    if (!file_ || cut_ > 0 || size > cap_ - std::min(written_, cap_)) {
        ++cut_;
        return;
    }
    for (const std::string& line : lines_)
        put(line);
}

void TraceFileSink::finish(uint64_t dropped) {
    if (!file_)
        return;
    lines_.clear();
    if (cut_ > 0)
        lines_.push_back(format_->comment("trace cut at " + std::to_string(cap_) + " bytes: " +
                                          std::to_string(cut_) + " later frames are not in it"));
    if (dropped > 0)
        lines_.push_back(format_->comment(droppedFramesNote(dropped)));
    format_->closingLines(lines_);
    for (const std::string& line : lines_)
        put(line);
    if (std::fclose(file_) != 0)
        failed_ = true;
    file_ = nullptr;
    finished_ = true;
}
