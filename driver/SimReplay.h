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
    // A trace whose frames would come later than this after the replay's start
    // (at its Speed), or whose loop would take longer, is refused.
    static constexpr double kMaxSpanSeconds = 7 * 24 * 3600;
    // A larger trace file is refused: its frames stay in memory while the port is open.
    static constexpr uint64_t kMaxTraceBytes = 16ull << 20;

    std::string file;
    bool loop = false;
    double speed = 1;
    std::vector<std::pair<uint32_t, uint32_t>> ids; // ranges; empty = every identifier
    // The frames to send; timeStampUs counts from the trace's first frame.
    std::vector<CanFrame> frames;
    uint64_t spanUs = 0; // the latest timeStampUs of `frames`
    // A loop starts again this long after its last frame: the trace's mean
    // frame spacing, so that a periodic trace stays periodic.
    uint64_t loopGapUs = 1000;

    bool wanted(uint32_t id) const;
    // How long after the replay's start `us` of the trace come, at the speed.
    Clock::Time scaled(uint64_t us) const;
};

// Applies one key of the [Replay] section; false when the key or its value is wrong.
bool setReplayKey(const std::string& key, const std::string& value, SimReplayConfig& replay);

// Reads the trace named by `replay.file` (relative to `folder`) and logs the
// CAN FD and error frames it skipped. False with `error` set to
// "PATH line N: ...", "PATH cannot be read: ..." or "PATH is larger than
// 16 MiB", or "PATH: ..." when a frame would come later than kMaxSpanSeconds
// after the start or a Loop has nothing to repeat.
bool loadReplayTrace(SimReplayConfig& replay, const std::string& folder, std::string& error);

// The playback on one open simulated bus. Used by the bus thread alone.
class SimReplay {
public:
    struct Due {
        CanFrame frame;
        Clock::Time at;
    };
    // The most frames one call hands over: as many as the device's queue holds.
    static constexpr size_t kBatchLimit = 64;

    // Plays `replay` (nothing when null or without frames) from `start` on.
    // `replay` must outlive the playback.
    void start(const SimReplayConfig* replay, Clock::Time start);
    // Appends the frames due by `now` to `batch`, each with its due time, up to
    // kBatchLimit; later ones of them are passed over and counted in `dropped`,
    // and a loop that fell a whole pass behind skips it. Returns when the next
    // frame is due (Clock::kNever when the trace is over).
    Clock::Time takeDue(Clock::Time now, std::vector<Due>& batch, uint64_t& dropped);

private:
    const SimReplayConfig* replay_ = nullptr;
    size_t next_ = 0;
    Clock::Time passStart_{};
    Clock::Time period_{}; // from one pass's start to the next one's
};
