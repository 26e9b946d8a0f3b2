#pragma once
// One frame of the bus monitor's capture: a compact record (24 bytes), so that
// a capture of a million frames stays small. Free of Qt.

#include "CandumpLog.h"

#include <array>
#include <cstdint>
#include <string>

struct MonitorFrame {
    static constexpr uint8_t kExtended = 1;    // 29-bit identifier
    static constexpr uint8_t kRemote = 2;      // RTR
    static constexpr uint8_t kTransmitted = 4; // sent by the port, else received

    uint64_t timeUs = 0; // microseconds since 1970 (UTC)
    uint32_t id = 0;
    uint8_t flags = 0;
    uint8_t len = 0; // 0..8
    std::array<uint8_t, 8> data{};

    bool extended() const { return (flags & kExtended) != 0; }
    bool remote() const { return (flags & kRemote) != 0; }
    bool transmitted() const { return (flags & kTransmitted) != 0; }

    friend bool operator==(const MonitorFrame&, const MonitorFrame&) = default;
};
static_assert(sizeof(MonitorFrame) <= 24, "the capture keeps its frames compact");

MonitorFrame monitorFrame(const CandumpRecord& record);
CandumpRecord candumpRecord(const MonitorFrame& frame, const std::string& interfaceName);
CanFrame canFrame(const MonitorFrame& frame);

// The identifier as the views show it: 3 hexadecimal digits for 11 bits, 8
// and an "x" for 29 bits ("123", "18DAF110x").
std::string identifierText(const MonitorFrame& frame);
// The data bytes in upper-case hexadecimal, separated by spaces; empty for a
// remote frame.
std::string dataText(const MonitorFrame& frame);
