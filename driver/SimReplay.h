#pragma once
// Replay of a recorded bus trace (candump or ASC log, TraceFile.h) by the simulated
// device: the [Replay] section of SimDevice.ini names the trace, and the
// device sends its frames at their recorded times relative to the first
// frame, from the opening of the port on, besides answering requests.
//   [Replay]
//   File = trace.log        ; relative to the folder of SimDevice.ini
//   Loop = yes              ; yes or no (default no)
//   Speed = 2               ; time runs this many times faster (default 1)
//   IDs = 0x3E8 0x100-0x1FF ; only these identifiers (default every frame)
// Free of Qt.

#include "CanFrame.h"
#include "Clock.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

struct SimReplayConfig {
    std::string file;
    bool loop = false;
    double speed = 1;
    std::vector<std::pair<uint32_t, uint32_t>> ids; // ranges; empty = every identifier
    // The frames to send; timeStampUs counts from the trace's first frame.
    std::vector<CanFrame> frames;
    // A loop starts again this long after its last frame: the trace's mean
    // frame spacing, so that a periodic trace stays periodic.
    uint64_t loopGapUs = 1000;

    bool wanted(uint32_t id) const;
};

// Applies one key of the [Replay] section; false when the key or its value is wrong.
bool setReplayKey(const std::string& key, const std::string& value, SimReplayConfig& replay);

// Reads the trace named by `replay.file` (relative to `folder`). False with
// `error` set to "PATH line N: ...", "PATH cannot be read" or "PATH is larger
// than N MiB".
bool loadReplayTrace(SimReplayConfig& replay, const std::string& folder, std::string& error);

// The playback on one open simulated bus.
class SimReplay {
public:
    using Send = std::function<void(const CanFrame& frame, Clock::Time at)>;

    // Plays `replay` (nothing when null or without frames) from `start` on.
    // `replay` must outlive the playback.
    void start(const SimReplayConfig* replay, Clock::Time start);
    // Sends every frame due by `now`, each with its due time; returns when the
    // next one is due (Clock::kNever when the trace is over).
    Clock::Time sendDue(Clock::Time now, const Send& send);

private:
    Clock::Time dueOf(size_t index) const;

    const SimReplayConfig* replay_ = nullptr;
    size_t next_ = 0;
    Clock::Time passStart_{};
};
