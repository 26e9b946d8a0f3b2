#pragma once
// What the bus monitor's views show of the capture: identifier rules, the
// direction and a text to find in the data. The capture itself keeps every
// frame; a filter only chooses what is shown. Free of Qt.
//
// Identifier rules, separated by spaces or commas, in hexadecimal:
//   123        exactly 123
//   100-1FF    a range, both ends included
//   7E0:7F0    identifier:mask, as candump's filters: (id & mask) == (7E0 & 7F0)
//   !7DF       a leading '!' excludes what the rule matches
// A frame is shown when it matches no excluding rule and, when there are
// including rules, at least one of them.

#include "MonitorFrame.h"

#include <cstdint>
#include <string>
#include <vector>

struct IdRule {
    enum class Kind { Range, Mask };
    Kind kind = Kind::Range;
    uint32_t first = 0; // Range: lowest; Mask: the identifier
    uint32_t last = 0;  // Range: highest; Mask: the mask
    bool exclude = false;

    bool matches(uint32_t id) const;
    friend bool operator==(const IdRule&, const IdRule&) = default;
};

enum class DirectionFilter { Both, Transmitted, Received };

struct MonitorFilter {
    std::vector<IdRule> rules;
    DirectionFilter direction = DirectionFilter::Both;
    // Found in dataText() without regard to case; empty: every frame.
    std::string text;

    bool passesKey(uint32_t id, bool transmitted) const;
    bool passes(const MonitorFrame& frame) const;
    bool passesData(const std::string& shownData) const;
};

// The rules written in `text` (see above); false with `badRule` set to the
// first rule that is not one, and `rules` untouched.
bool parseIdRules(const std::string& text, std::vector<IdRule>& rules, std::string& badRule);
