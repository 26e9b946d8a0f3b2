#pragma once
// One CAN frame inside the driver, and its conversions to and from the
// message record of the binding.

#include "ZarvoApi.h"

#include <array>
#include <cstdint>

struct CanFrame {
    uint32_t id = 0;
    bool extended = false; // 29-bit identifier
    bool remote = false;   // RTR
    uint8_t len = 0;       // 0..8
    std::array<uint8_t, 8> data{};
    // Microseconds on the driver's clock: when it was received, or when a
    // transmission was due.
    uint64_t timeStampUs = 0;

    friend bool operator==(const CanFrame&, const CanFrame&) = default;
};

// The frame a message record describes. The identifier is masked to 11 or 29
// bits and the length limited to 8, since that is all a bus can carry.
CanFrame frameFromMsg(const type_ZarvoMsg& msg);

// Bits the frame occupies on the bus at most: with worst-case bit stuffing,
// the CRC delimiter, acknowledge, end of frame and interframe space.
uint32_t worstCaseFrameBits(const CanFrame& frame);
