#include "DbcDecode.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>

namespace dbc {

namespace {

uint64_t lowBits(int count) {
    return count >= 64 ? ~0ull : (1ull << count) - 1;
}

// Intel: the start bit is the least significant bit; bits rise through each
// byte and on into the next byte.
uint64_t intelBits(const Signal& s, const uint8_t* data) {
    uint64_t value = 0;
    int bit = s.startBit;
    for (int got = 0; got < s.length;) {
        const int offset = bit % 8;
        const int take = std::min(8 - offset, s.length - got);
        value |= static_cast<uint64_t>((data[bit / 8] >> offset) & lowBits(take)) << got;
        got += take;
        bit += take;
    }
    return value;
}

// Motorola in DBC numbering: the start bit is the most significant bit; bits
// fall through each byte and go on at bit 7 of the next byte.
uint64_t motorolaBits(const Signal& s, const uint8_t* data) {
    uint64_t value = 0;
    int byte = s.startBit / 8;
    int top = s.startBit % 8;
    for (int left = s.length; left > 0;) {
        const int take = std::min(top + 1, left);
        const uint64_t chunk = (data[byte] >> (top - take + 1)) & lowBits(take);
        value = (value << take) | chunk;
        left -= take;
        ++byte;
        top = 7;
    }
    return value;
}

int64_t signExtended(uint64_t bits, int length) {
    if (length < 64 && (bits >> (length - 1)) & 1)
        bits |= ~lowBits(length);
    return static_cast<int64_t>(bits);
}

} // namespace

std::optional<uint64_t> rawBits(const Signal& signal, const uint8_t* data, size_t length) {
    if (static_cast<size_t>(signal.bytesNeeded) > length)
        return std::nullopt;
    return signal.order == ByteOrder::Intel ? intelBits(signal, data) : motorolaBits(signal, data);
}

double physicalValue(const Signal& signal, uint64_t bits, const std::string** label) {
    double raw = 0;
    if (label != nullptr)
        *label = nullptr;
    switch (signal.type) {
    case ValueType::Float:
        raw = std::bit_cast<float>(static_cast<uint32_t>(bits));
        break;
    case ValueType::Double:
        raw = std::bit_cast<double>(bits);
        break;
    case ValueType::Integer:
        const int64_t whole =
            signal.isSigned ? signExtended(bits, signal.length) : static_cast<int64_t>(bits);
        raw = signal.isSigned ? static_cast<double>(whole) : static_cast<double>(bits);
        if (label != nullptr && !signal.labels.empty() && (signal.isSigned || whole >= 0)) {
            if (const auto it = signal.labels.find(whole); it != signal.labels.end())
                *label = &it->second;
        }
        break;
    }
    return raw * signal.factor + signal.offset;
}

namespace {

std::optional<uint64_t> muxValue(const Message& message, const uint8_t* data, size_t length) {
    if (message.multiplexor < 0)
        return std::nullopt;
    return rawBits(message.signalList[static_cast<size_t>(message.multiplexor)], data, length);
}

} // namespace

std::optional<double> decodeSignal(const Message& message, const Signal& signal,
                                   const uint8_t* data, size_t length) {
    if (signal.mux == MuxRole::Multiplexed && muxValue(message, data, length) != signal.muxValue)
        return std::nullopt;
    const std::optional<uint64_t> bits = rawBits(signal, data, length);
    if (!bits)
        return std::nullopt;
    return physicalValue(signal, *bits);
}

void decodeFrame(const Message& message, const uint8_t* data, size_t length,
                 std::vector<DecodedValue>& out) {
    out.clear();
    const std::optional<uint64_t> selected = muxValue(message, data, length);
    for (const Signal& s : message.signalList) {
        if (s.mux == MuxRole::Multiplexed && selected != s.muxValue)
            continue;
        const std::optional<uint64_t> bits = rawBits(s, data, length);
        if (!bits)
            continue;
        DecodedValue& v = out.emplace_back();
        v.signal = &s;
        v.physical = physicalValue(s, *bits, &v.label);
    }
}

std::string formatPhysical(double value) {
    if (std::isnan(value))
        return "nan";
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string physicalText(const DecodedValue& value) {
    const std::string& unit = value.signal->unit;
    return unit.empty() ? formatPhysical(value.physical)
                        : formatPhysical(value.physical) + " " + unit;
}

} // namespace dbc
