#include "MonitorFrame.h"

#include <cstdio>

MonitorFrame monitorFrame(const CandumpRecord& record) {
    MonitorFrame frame;
    frame.timeUs = record.timeUs;
    frame.id = record.frame.id;
    frame.flags = static_cast<uint8_t>((record.frame.extended ? MonitorFrame::kExtended : 0) |
                                       (record.frame.remote ? MonitorFrame::kRemote : 0) |
                                       (record.direction == 'T' ? MonitorFrame::kTransmitted : 0));
    frame.len = record.frame.len;
    frame.data = record.frame.data;
    return frame;
}

CanFrame canFrame(const MonitorFrame& frame) {
    CanFrame can;
    can.id = frame.id;
    can.extended = frame.extended();
    can.remote = frame.remote();
    can.len = frame.len;
    can.data = frame.data;
    return can;
}

CandumpRecord candumpRecord(const MonitorFrame& frame, const std::string& interfaceName) {
    CandumpRecord record;
    record.timeUs = frame.timeUs;
    record.interfaceName = interfaceName;
    record.frame = canFrame(frame);
    record.direction = frame.transmitted() ? 'T' : 'R';
    return record;
}

std::string identifierText(const MonitorFrame& frame) {
    char text[16];
    if (frame.extended())
        std::snprintf(text, sizeof text, "%08Xx", static_cast<unsigned>(frame.id));
    else
        std::snprintf(text, sizeof text, "%03X", static_cast<unsigned>(frame.id));
    return text;
}

std::string dataText(const MonitorFrame& frame) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    if (frame.remote())
        return text;
    for (size_t i = 0; i < frame.len && i < frame.data.size(); ++i) {
        if (i)
            text += ' ';
        text += kHex[frame.data[i] >> 4];
        text += kHex[frame.data[i] & 15];
    }
    return text;
}
