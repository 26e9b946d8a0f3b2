#include "CandumpLog.h"

#include "DriverLog.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <sstream>

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

template <typename T> bool hexValue(std::string_view text, T& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

// "(seconds.micro)"; false also for a time beyond what 64 bits of
// microseconds hold.
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

bool allHex(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](unsigned char c) { return std::isxdigit(c) != 0; });
}

constexpr uint32_t kErrorFlag = 0x20000000;

enum class FrameKind { Classic, CanFd, Error, Bad };

// "123##1AABB": the flags digit, then up to 64 data bytes.
bool isCanFd(std::string_view data) {
    return !data.empty() && allHex(data) && (data.size() - 1) % 2 == 0 && data.size() <= 129;
}

// "123#11223344", "12345678#R", "123#R3"; CAN FD and error frames only as such.
FrameKind parseFrame(std::string_view text, CanFrame& frame) {
    const size_t hash = text.find('#');
    if (hash == std::string::npos)
        return FrameKind::Bad;
    const std::string_view id = text.substr(0, hash);
    std::string_view data = text.substr(hash + 1);
    if ((id.size() != 3 && id.size() != 8) || !hexValue(id, frame.id))
        return FrameKind::Bad;
    frame.extended = id.size() == 8;
    FrameKind kind = FrameKind::Classic;
    if (frame.extended && (frame.id & ~(kErrorFlag | 0x1FFFFFFFu)) == 0 &&
        (frame.id & kErrorFlag) != 0)
        kind = FrameKind::Error;
    else if (frame.id > (frame.extended ? 0x1FFFFFFFu : 0x7FFu))
        return FrameKind::Bad;
    if (!data.empty() && data.front() == '#')
        return kind == FrameKind::Classic && isCanFd(data.substr(1)) ? FrameKind::CanFd
                                                                     : FrameKind::Bad;
    frame.data.fill(0);
    frame.remote = !data.empty() && (data.front() == 'R' || data.front() == 'r');
    if (frame.remote) {
        frame.len = 0;
        const bool ok = data.size() == 1 ||
                        (data.size() == 2 && hexValue(data.substr(1), frame.len) && frame.len <= 8);
        return ok ? kind : FrameKind::Bad;
    }
    if (data.size() % 2 != 0 || data.size() > 16)
        return FrameKind::Bad;
    frame.len = static_cast<uint8_t>(data.size() / 2);
    for (size_t i = 0; i < frame.len; ++i)
        if (!hexValue(data.substr(2 * i, 2), frame.data[i]))
            return FrameKind::Bad;
    return kind;
}

FrameKind parseLine(const std::string& line, CandumpRecord& record) {
    std::istringstream in(line);
    std::string time;
    std::string frame;
    std::string direction;
    std::string extra;
    if (!(in >> time >> record.interfaceName >> frame) || (in >> direction && in >> extra))
        return FrameKind::Bad;
    if (direction.empty())
        record.direction = 0;
    else if (direction == "T" || direction == "R")
        record.direction = direction[0];
    else
        return FrameKind::Bad;
    return parseTime(time, record.timeUs) ? parseFrame(frame, record.frame) : FrameKind::Bad;
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
    return parseLine(line, record) == FrameKind::Classic;
}

bool readCandumpLog(std::istream& in, const TraceVisitor& visit, TraceSkips& skipped,
                    std::string& error) {
    int number = 0;
    CandumpRecord record;
    for (std::string line; std::getline(in, line);) {
        ++number;
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos)
            continue;
        if (line[first] == '#') {
            ++skipped.comments;
            continue;
        }
        std::string refusal;
        switch (parseLine(line, record)) {
        case FrameKind::Classic:
            if (visit(record, refusal))
                continue;
            break;
        case FrameKind::CanFd:
            ++skipped.canFd;
            continue;
        case FrameKind::Error:
            ++skipped.errorFrames;
            continue;
        case FrameKind::Bad:
            refusal = "not a candump frame line";
            break;
        }
        error = "line " + std::to_string(number) + ": " + refusal;
        return false;
    }
    return true;
}

bool readCandumpLog(std::istream& in, std::vector<CandumpRecord>& records, std::string& error,
                    TraceSkips* skipped) {
    TraceSkips counted;
    const bool read = readCandumpLog(
        in,
        [&records](const CandumpRecord& record, std::string&) {
            records.push_back(record);
            return true;
        },
        counted, error);
    if (skipped)
        *skipped = counted;
    return read;
}

std::string droppedFramesNote(uint64_t dropped) {
    return std::to_string(dropped) + " frames dropped: the trace writer fell behind";
}

TraceFileSink::TraceFileSink(const std::string& path, std::unique_ptr<TraceLineFormat> format,
                             uint64_t capBytes)
    : TraceFileSink(std::make_shared<SafeFileWriter>(path), std::move(format), capBytes, true) {}

TraceFileSink::TraceFileSink(std::shared_ptr<SafeFileWriter> file,
                             std::unique_ptr<TraceLineFormat> format, uint64_t capBytes)
    : TraceFileSink(std::move(file), std::move(format), capBytes, false) {}

TraceFileSink::TraceFileSink(std::shared_ptr<SafeFileWriter> file,
                             std::unique_ptr<TraceLineFormat> format, uint64_t capBytes,
                             bool commitOnFinish)
    : file_(std::move(file)), format_(std::move(format)), commitOnFinish_(commitOnFinish),
      opened_(!file_->failed()), cap_(capBytes), failed_(!opened_) {}

void TraceFileSink::checkWritten() {
    if (failed_ || !file_->failed())
        return;
    failed_ = true;
    driverLog("Trace Error! " + file_->error() + ": the trace stops here");
}

void TraceFileSink::put(const std::string& line) {
    file_->write(line);
    file_->write("\n");
    written_ += line.size() + 1;
    checkWritten();
}

void TraceFileSink::write(const CandumpRecord& record) {
    if (failed_)
        return;
    lines_.clear();
    format_->frameLines(record, lines_);
    uint64_t size = 0;
    for (const std::string& line : lines_)
        size += line.size() + 1;
    if (cut_ > 0 || size > cap_ - std::min(written_, cap_)) {
        ++cut_;
        return;
    }
    for (const std::string& line : lines_)
        put(line);
}

void TraceFileSink::finish(uint64_t dropped) {
    finished_ = true;
    if (failed_)
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
    if (commitOnFinish_)
        file_->commit();
    else
        file_->flush();
    checkWritten();
}
