#pragma once
// Decoding a frame's data with its message's signals: raw bits in the
// signal's byte order, sign or IEEE float, then factor and offset. A
// multiplexed message yields its plain signals, its multiplexor and the
// signals of the multiplexor's current value. Free of Qt; thread-safe (it
// only reads the database).

#include "DbcDatabase.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dbc {

struct DecodedValue {
    const Signal* signal = nullptr;
    double physical = 0; // raw * factor + offset
    // The value table's label of the raw value, or nullptr.
    const std::string* label = nullptr;
};

// The signal's bits as they stand in the frame (the least significant bit
// first), or nothing when the frame is too short to hold them.
std::optional<uint64_t> rawBits(const Signal& signal, const uint8_t* data, size_t length);

// The signal's value from its raw bits: sign-extended or read as float or
// double, then scaled; `label` gets the value table's entry, if any.
double physicalValue(const Signal& signal, uint64_t bits, const std::string** label = nullptr);

// The physical value of one signal of `message` in the frame; nothing when
// the frame is too short for it, or when it is multiplexed and the
// multiplexor does not select it.
std::optional<double> decodeSignal(const Message& message, const Signal& signal,
                                   const uint8_t* data, size_t length);

// The decoded signals of the frame, in the message's order; signals the frame
// is too short for are left out (and, when the multiplexor is, every
// multiplexed signal). `out` is cleared first, so a caller can reuse it.
void decodeFrame(const Message& message, const uint8_t* data, size_t length,
                 std::vector<DecodedValue>& out);

// The value as the shortest text that reads back as the same double
// ("22.5", not "22.500000000000004"); "nan", "inf" and "-inf" as such.
std::string formatPhysical(double value);

// The value with its signal's unit: "22.5 degC", or "3" without a unit.
std::string physicalText(const DecodedValue& value);

} // namespace dbc
