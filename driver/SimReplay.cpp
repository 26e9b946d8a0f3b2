#include "SimReplay.h"

#include "DriverLog.h"
#include "TraceFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <optional>
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

Clock::Time SimReplayConfig::scaled(uint64_t us) const {
    return std::chrono::nanoseconds(std::llround(static_cast<double>(us) * 1000 / speed));
}

namespace {

double scaledSeconds(uint64_t us, double speed) {
    return static_cast<double>(us) / 1e6 / speed;
}

std::string spanProblem(double seconds, double speed) {
    std::ostringstream text;
    text << "due " << seconds << " s after the replay starts at Speed " << speed << ", beyond the "
         << SimReplayConfig::kMaxSpanSeconds << " s a replay may span";
    return text.str();
}

void logSkipped(const std::string& path, const TraceSkips& skips) {
    if (skips.canFd == 0 && skips.errorFrames == 0 && skips.events == 0)
        return;
    driverLog("Simulator: " + path + ": skipped " + std::to_string(skips.canFd) +
              " CAN FD frames, " + std::to_string(skips.errorFrames) + " error frames and " +
              std::to_string(skips.events) +
              " other events, which a classic CAN bus does not carry");
}

// A loop needs something to repeat and must come round within the bound.
std::string loopProblem(const SimReplayConfig& replay) {
    if (replay.frames.empty())
        return "Loop = yes but no frame to replay";
    if (replay.spanUs == 0)
        return "Loop = yes but every frame has the same time stamp";
    const double pass = scaledSeconds(replay.spanUs + replay.loopGapUs, replay.speed);
    if (pass > SimReplayConfig::kMaxSpanSeconds)
        return "Loop = yes with one pass " + spanProblem(pass, replay.speed);
    return {};
}

} // namespace

bool loadReplayTrace(SimReplayConfig& replay, const std::string& folder, std::string& error) {
    if (replay.file.empty()) {
        error = "[Replay] without File";
        return false;
    }
    const std::string path =
        folder.empty() || replay.file.front() == '/' ? replay.file : folder + "/" + replay.file;
    replay.frames.clear();
    // Room for as many frames as the file can hold (its lines have at least
    // 12 bytes, "(0.0) c 100#"), so that the frames are never copied while
    // they grow: pages the frames do not reach take no memory.
    std::error_code ec;
    if (const uintmax_t size = std::filesystem::file_size(path, ec); !ec)
        replay.frames.reserve(std::min<uintmax_t>(size, SimReplayConfig::kMaxTraceBytes) / 12);
    replay.spanUs = 0;
    std::optional<uint64_t> first;
    const auto keep = [&](const CandumpRecord& r, std::string& refusal) {
        first = first.value_or(r.timeUs);
        // A trace out of time order plays its frames at once rather than in the past.
        const uint64_t at = r.timeUs > *first ? r.timeUs - *first : 0;
        if (const double seconds = scaledSeconds(at, replay.speed);
            seconds > SimReplayConfig::kMaxSpanSeconds) {
            refusal = "a frame " + spanProblem(seconds, replay.speed);
            return false;
        }
        if (replay.wanted(r.frame.id)) {
            replay.frames.push_back(r.frame);
            replay.frames.back().timeStampUs = at;
            replay.spanUs = std::max(replay.spanUs, at);
        }
        return true;
    };
    TraceSkips skips;
    if (!readTraceFile(path, keep, skips, error, SimReplayConfig::kMaxTraceBytes))
        return false;
    logSkipped(path, skips);
    if (replay.frames.size() > 1)
        replay.loopGapUs = std::max<uint64_t>(replay.spanUs / (replay.frames.size() - 1), 1000);
    if (replay.loop) {
        if (const std::string problem = loopProblem(replay); !problem.empty()) {
            error = path + ": " + problem;
            return false;
        }
    }
    return true;
}

void SimReplay::start(const SimReplayConfig* replay, Clock::Time start) {
    replay_ = replay && !replay->frames.empty() ? replay : nullptr;
    next_ = 0;
    passStart_ = start;
    if (replay_)
        period_ = replay_->scaled(replay_->spanUs + replay_->loopGapUs);
}

Clock::Time SimReplay::takeDue(Clock::Time now, std::vector<Due>& batch, uint64_t& dropped) {
    while (replay_) {
        if (next_ == replay_->frames.size()) {
            if (!replay_->loop || period_.count() <= 0)
                return Clock::kNever;
            passStart_ += period_;
            // As a late broadcast keeps its grid, passes wholly in the past are skipped.
            if (now - passStart_ >= period_)
                passStart_ += (now - passStart_) / period_ * period_;
            next_ = 0;
        }
        const CanFrame& frame = replay_->frames[next_];
        const Clock::Time due = passStart_ + replay_->scaled(frame.timeStampUs);
        if (due > now)
            return due;
        if (batch.size() < kBatchLimit)
            batch.push_back({frame, due});
        else
            ++dropped;
        ++next_;
    }
    return Clock::kNever;
}
