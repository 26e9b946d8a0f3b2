#pragma once
// A signal database in the bus monitor: a frame's message and its decoded
// signals as lines of text, and the chronological view's rows while some
// frames are expanded to those lines. Free of Qt; decoding happens only when
// a frame is expanded, never as frames arrive.

#include "DbcDatabase.h"
#include "MonitorFrame.h"

#include <cstddef>
#include <string>
#include <vector>

// The frame's message in `database`, or nullptr.
const dbc::Message* monitorMessage(const dbc::Database& database, const MonitorFrame& frame);

// One line per decoded signal of the frame's message, in the message's order:
// "Temp = 22.5 degC", with the value table's label after the value where it
// has one: "Gear = 1 (First)". A multiplexed message gives the signals of its
// multiplexor's current value only. None for a remote frame or a frame of no
// message.
std::vector<std::string> signalLines(const dbc::Database& database, const MonitorFrame& frame);

// Frame rows (the BusMonitor's chronological rows) and view rows: the row of
// an expanded frame is followed by one row per signal line.
class ExpandedFrames {
public:
    struct Place {
        size_t frame = 0; // the frame row
        int line = -1;    // the signal line of that frame; -1 for the frame's own row
        bool operator==(const Place&) const = default;
    };

    // The view rows of `frames` frame rows.
    size_t rowCount(size_t frames) const { return frames + lineCount_; }
    Place place(size_t row) const;
    // The view row of frame row `frame` (also one past the last frame).
    size_t rowOf(size_t frame) const;
    // The lines of an expanded frame; nullptr for one that is not expanded.
    const std::vector<std::string>* lines(size_t frame) const;

    // `frame` is not expanded yet.
    void expand(size_t frame, std::vector<std::string> lines);
    void collapse(size_t frame);
    // Frame rows first..last left the view: their lines go with them and the
    // later frames move up.
    void remove(size_t first, size_t last);
    void clear();

private:
    struct Entry {
        size_t frame;
        std::vector<std::string> lines;
    };
    std::vector<Entry>::const_iterator find(size_t frame) const;

    std::vector<Entry> entries_; // by frame row; a few, those the user expanded
    size_t lineCount_ = 0;
};
