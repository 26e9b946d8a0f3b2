#pragma once
// Decoding a watched value from a frame's eight data bytes. Pure; any thread.

#include <cstdint>
#include <optional>

// The value of data type `type` (0 BYTE, 1 char, 2 WORD, 3 short, 4 DWORD,
// 5 long, 6 float, 7 double) whose first byte is data[firstByte], least
// significant byte first, as a signed 32-bit integer: a DWORD of 2^31 or more
// reads as negative; float and double are truncated toward zero, and an
// integer part outside the signed 32-bit range saturates to its nearest end
// (NaN gives 0). nullopt for a type outside 0..7 or a value that would reach
// beyond the eight bytes.
std::optional<int32_t> DecodeCanValue(const uint8_t (&data)[8], int type, int firstByte);
