#include "CanFrame.h"

#include <algorithm>

CanFrame frameFromMsg(const type_ZarvoMsg& msg) {
    CanFrame frame;
    frame.extended = msg.Mode != 0;
    frame.remote = msg.RTR != 0;
    const uint32_t id = uint32_t{msg.ID[0]} | uint32_t{msg.ID[1]} << 8 | uint32_t{msg.ID[2]} << 16 |
                        uint32_t{msg.ID[3]} << 24;
    frame.id = id & (frame.extended ? 0x1FFFFFFFu : 0x7FFu);
    frame.len = std::min<uint8_t>(msg.Len, 8);
    std::copy(std::begin(msg.Data), std::end(msg.Data), frame.data.begin());
    return frame;
}

uint32_t worstCaseFrameBits(const CanFrame& frame) {
    // Bits from start of frame to the end of the CRC are subject to stuffing:
    // 34 (11-bit) or 54 (29-bit) plus the data field, which a remote frame lacks.
    const uint32_t dataBits = frame.remote ? 0 : 8u * frame.len;
    const uint32_t stuffed = (frame.extended ? 54u : 34u) + dataBits;
    // One stuff bit after every four equal bits after the first five: (n - 1) / 4.
    const uint32_t stuffBits = (stuffed - 1) / 4;
    const uint32_t trailer = 1 + 2 + 7 + 3; // CRC delimiter, ACK, EOF, interframe space
    return stuffed + stuffBits + trailer;
}
