#include "MonitorFilter.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace {

constexpr uint32_t kMaxId = 0x1FFFFFFF;

bool parseHex(std::string_view text, uint32_t& value) {
    if (text.empty() || text.size() > 8)
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return ec == std::errc() && end == text.data() + text.size() && value <= kMaxId;
}

// rule = ["!"] hex ["-" hex | ":" hex]
bool parseRule(std::string_view token, IdRule& rule) {
    rule = IdRule{};
    if (!token.empty() && token[0] == '!') {
        rule.exclude = true;
        token.remove_prefix(1);
    }
    const size_t dash = token.find('-');
    const size_t colon = token.find(':');
    if (colon != std::string_view::npos && dash == std::string_view::npos) {
        rule.kind = IdRule::Kind::Mask;
        return parseHex(token.substr(0, colon), rule.first) &&
               parseHex(token.substr(colon + 1), rule.last);
    }
    if (dash != std::string_view::npos)
        return colon == std::string_view::npos && parseHex(token.substr(0, dash), rule.first) &&
               parseHex(token.substr(dash + 1), rule.last) && rule.first <= rule.last;
    if (!parseHex(token, rule.first))
        return false;
    rule.last = rule.first;
    return true;
}

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

} // namespace

bool IdRule::matches(uint32_t id) const {
    if (kind == Kind::Mask)
        return (id & last) == (first & last);
    return id >= first && id <= last;
}

bool MonitorFilter::passesKey(uint32_t id, bool transmitted) const {
    if ((direction == DirectionFilter::Transmitted && !transmitted) ||
        (direction == DirectionFilter::Received && transmitted))
        return false;
    bool hasInclude = false;
    bool included = false;
    for (const IdRule& rule : rules) {
        const bool hit = rule.matches(id);
        if (rule.exclude && hit)
            return false;
        if (!rule.exclude) {
            hasInclude = true;
            included = included || hit;
        }
    }
    return !hasInclude || included;
}

bool MonitorFilter::passesData(const std::string& shownData) const {
    return text.empty() || upper(shownData).find(upper(text)) != std::string::npos;
}

bool MonitorFilter::passes(const MonitorFrame& frame) const {
    return passesKey(frame.id, frame.transmitted()) &&
           (text.empty() || passesData(dataText(frame)));
}

bool parseIdRules(const std::string& text, std::vector<IdRule>& rules, std::string& badRule) {
    std::vector<IdRule> parsed;
    size_t at = 0;
    while (at < text.size()) {
        const size_t start = text.find_first_not_of(" ,\t", at);
        if (start == std::string::npos)
            break;
        const size_t end = std::min(text.find_first_of(" ,\t", start), text.size());
        const std::string_view token(text.data() + start, end - start);
        IdRule rule;
        if (!parseRule(token, rule)) {
            badRule = token;
            return false;
        }
        parsed.push_back(rule);
        at = end;
    }
    rules = std::move(parsed);
    return true;
}
