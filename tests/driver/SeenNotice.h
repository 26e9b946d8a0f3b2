#pragma once
// What the driver's tests record from its callbacks, and the message records
// they hand over.

#include "ZarvoApi.h"

#include <cstring>
#include <ostream>

// 'S' start, 'E' end, 'R' response (with its identifier and data byte 0).
struct Seen {
    char kind;
    uint32_t id = 0;
    uint8_t firstByte = 0;
    friend bool operator==(const Seen&, const Seen&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Seen& s) {
        return out << s.kind << " " << s.id << " " << int(s.firstByte);
    }
};

// An 8-byte data frame with an 11-bit identifier and `byte0` in data byte 0.
inline type_ZarvoMsg msg(uint32_t id, uint8_t byte0) {
    type_ZarvoMsg m{};
    std::memcpy(m.ID, &id, 4);
    m.Len = 8;
    m.Data[0] = byte0;
    return m;
}
