#include "SimReplay.h"

#include "TraceFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>

namespace {

// A hexadecimal identifier with or without 0x.
bool parseId(std::string text, uint32_t& id) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.erase(0, 2);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id, 16);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size() &&
           id <= 0x1FFFFFFF;
}

// "0x3E8 0x100-0x1FF", blanks or commas between the items.
bool parseIds(std::string text, std::vector<std::pair<uint32_t, uint32_t>>& ids) {
    std::replace(text.begin(), text.end(), ',', ' ');
    std::istringstream in(text);
    ids.clear();
    for (std::string item; in >> item;) {
        const size_t dash = item.find('-');
        uint32_t first = 0;
        uint32_t last = 0;
        if (!parseId(item.substr(0, dash), first) ||
            !parseId(dash == std::string::npos ? item : item.substr(dash + 1), last) ||
            last < first)
            return false;
        ids.emplace_back(first, last);
    }
    return !ids.empty();
}

std::string lowered(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

} // namespace

bool SimReplayConfig::wanted(uint32_t id) const {
    return ids.empty() || std::any_of(ids.begin(), ids.end(), [id](const auto& range) {
               return id >= range.first && id <= range.second;
           });
}

bool setReplayKey(const std::string& key, const std::string& value, SimReplayConfig& replay) {
    if (key == "file") {
        replay.file = value;
        return !value.empty();
    }
    if (key == "loop") {
        const std::string v = lowered(value);
        replay.loop = v == "yes";
        return v == "yes" || v == "no";
    }
    if (key == "speed") {
        const auto [end, ec] =
            std::from_chars(value.data(), value.data() + value.size(), replay.speed);
        return ec == std::errc() && end == value.data() + value.size() && replay.speed > 0 &&
               replay.speed <= 1000;
    }
    return key == "ids" && parseIds(value, replay.ids);
}

bool loadReplayTrace(SimReplayConfig& replay, const std::string& folder, std::string& error) {
    if (replay.file.empty()) {
        error = "[Replay] without File";
        return false;
    }
    const std::string path =
        folder.empty() || replay.file.front() == '/' ? replay.file : folder + "/" + replay.file;
    TraceFile trace;
    if (!readTraceFile(path, trace, error))
        return false;
    const std::vector<CandumpRecord>& records = trace.records;
    replay.frames.clear();
    const uint64_t first = records.empty() ? 0 : records.front().timeUs;
    for (const CandumpRecord& r : records) {
        if (!replay.wanted(r.frame.id))
            continue;
        replay.frames.push_back(r.frame);
        // A trace out of time order plays its frames at once rather than in the past.
        replay.frames.back().timeStampUs = r.timeUs > first ? r.timeUs - first : 0;
    }
    if (replay.frames.size() > 1)
        replay.loopGapUs =
            std::max<uint64_t>(replay.frames.back().timeStampUs / (replay.frames.size() - 1), 1000);
    return true;
}

void SimReplay::start(const SimReplayConfig* replay, Clock::Time start) {
    replay_ = replay && !replay->frames.empty() ? replay : nullptr;
    next_ = 0;
    passStart_ = start;
}

Clock::Time SimReplay::dueOf(size_t index) const {
    const double us = static_cast<double>(replay_->frames[index].timeStampUs) / replay_->speed;
    return passStart_ + std::chrono::nanoseconds(std::llround(us * 1000));
}

Clock::Time SimReplay::sendDue(Clock::Time now, const Send& send) {
    while (replay_) {
        if (next_ == replay_->frames.size()) {
            if (!replay_->loop)
                return Clock::kNever;
            const double gapUs = static_cast<double>(replay_->loopGapUs) / replay_->speed;
            passStart_ = dueOf(next_ - 1) + std::chrono::nanoseconds(std::llround(gapUs * 1000));
            next_ = 0;
        }
        const Clock::Time due = dueOf(next_);
        if (due > now)
            return due;
        send(replay_->frames[next_], due);
        ++next_;
    }
    return Clock::kNever;
}
