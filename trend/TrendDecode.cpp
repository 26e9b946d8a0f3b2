#include "TrendDecode.h"

#include "TrendTables.h"

#include <bit>
#include <cmath>
#include <limits>

namespace {

uint64_t LittleEndian(const uint8_t* bytes, int count) {
    uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | bytes[i];
    return value;
}

// Truncation toward zero; a cast of a value beyond the range would be undefined.
int32_t Saturated(double value) {
    if (std::isnan(value))
        return 0;
    constexpr double kLow = std::numeric_limits<int32_t>::min();
    constexpr double kHigh = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::trunc(std::fmin(std::fmax(value, kLow), kHigh)));
}

} // namespace

std::optional<int32_t> DecodeCanValue(const uint8_t (&data)[8], int type, int firstByte) {
    const int bytes = DataTypeBytes(type);
    if (bytes == 0 || firstByte < 0 || firstByte > 8 - bytes)
        return std::nullopt;
    const uint64_t raw = LittleEndian(data + firstByte, bytes);
    switch (type) {
    case 0:
    case 2:
        return static_cast<int32_t>(raw);
    case 1:
        return static_cast<int8_t>(raw);
    case 3:
        return static_cast<int16_t>(raw);
    case 6:
        return Saturated(std::bit_cast<float>(static_cast<uint32_t>(raw)));
    case 7:
        return Saturated(std::bit_cast<double>(raw));
    default: // 4, 5
        return static_cast<int32_t>(static_cast<uint32_t>(raw));
    }
}
