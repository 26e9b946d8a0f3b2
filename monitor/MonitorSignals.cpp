#include "MonitorSignals.h"

#include "DbcDecode.h"

#include <algorithm>

const dbc::Message* monitorMessage(const dbc::Database& database, const MonitorFrame& frame) {
    return database.find(frame.id, frame.extended());
}

std::vector<std::string> signalLines(const dbc::Database& database, const MonitorFrame& frame) {
    const dbc::Message* message = monitorMessage(database, frame);
    if (message == nullptr || frame.remote())
        return {};
    std::vector<dbc::DecodedValue> values;
    dbc::decodeFrame(*message, frame.data.data(), std::min<size_t>(frame.len, frame.data.size()),
                     values);
    std::vector<std::string> lines;
    lines.reserve(values.size());
    for (const dbc::DecodedValue& v : values)
        lines.push_back(v.signal->name + " = " + dbc::physicalText(v) +
                        (v.label ? " (" + *v.label + ")" : std::string()));
    return lines;
}

ExpandedFrames::Place ExpandedFrames::place(size_t row) const {
    size_t linesBefore = 0;
    for (const Entry& e : entries_) {
        const size_t frameRow = e.frame + linesBefore;
        if (row <= frameRow)
            break;
        if (row <= frameRow + e.lines.size())
            return {e.frame, static_cast<int>(row - frameRow - 1)};
        linesBefore += e.lines.size();
    }
    return {row - linesBefore, -1};
}

size_t ExpandedFrames::rowOf(size_t frame) const {
    size_t row = frame;
    for (auto e = entries_.begin(); e != entries_.end() && e->frame < frame; ++e)
        row += e->lines.size();
    return row;
}

std::vector<ExpandedFrames::Entry>::const_iterator ExpandedFrames::find(size_t frame) const {
    return std::lower_bound(entries_.begin(), entries_.end(), frame,
                            [](const Entry& e, size_t f) { return e.frame < f; });
}

const std::vector<std::string>* ExpandedFrames::lines(size_t frame) const {
    const auto e = find(frame);
    return e != entries_.end() && e->frame == frame ? &e->lines : nullptr;
}

void ExpandedFrames::expand(size_t frame, std::vector<std::string> lines) {
    lineCount_ += lines.size();
    entries_.insert(find(frame), {frame, std::move(lines)});
}

void ExpandedFrames::collapse(size_t frame) {
    const auto e = find(frame);
    if (e == entries_.end() || e->frame != frame)
        return;
    lineCount_ -= e->lines.size();
    entries_.erase(e);
}

void ExpandedFrames::remove(size_t first, size_t last) {
    const size_t count = last - first + 1;
    std::erase_if(entries_, [&](const Entry& e) {
        const bool gone = e.frame >= first && e.frame <= last;
        if (gone)
            lineCount_ -= e.lines.size();
        return gone;
    });
    for (Entry& e : entries_)
        if (e.frame > last)
            e.frame -= count;
}

void ExpandedFrames::clear() {
    entries_.clear();
    lineCount_ = 0;
}
