#include "AscLog.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <chrono>
#include <ctime>
#include <string_view>

namespace {

using Tokens = std::vector<std::string_view>;

constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

Tokens split(std::string_view line) {
    Tokens tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        const size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        if (i > start)
            tokens.push_back(line.substr(start, i - start));
    }
    return tokens;
}

bool same(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The tokens from `from` on are `words`, compared without case.
bool startsWith(const Tokens& tokens, size_t from, std::initializer_list<std::string_view> words) {
    if (tokens.size() < from + words.size())
        return false;
    size_t i = from;
    return std::all_of(words.begin(), words.end(),
                       [&](std::string_view w) { return same(tokens[i++], w); });
}

template <typename T> bool number(std::string_view text, int base, T& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

// "12.345678" or "-0.5" as microseconds; digits past the sixth are cut off.
// Up to 10^12 s: any time a date up to the year 9999 can start, and no overflow.
bool parseSeconds(std::string_view text, int64_t& us) {
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    const size_t dot = text.find('.');
    std::string micro(dot == std::string_view::npos ? "" : text.substr(dot + 1));
    if (micro.size() > 6)
        micro.resize(6);
    micro.resize(6, '0');
    int64_t seconds = 0;
    int64_t fraction = 0;
    if (!number(text.substr(0, dot), 10, seconds) || seconds > 1'000'000'000'000 ||
        !number(std::string_view(micro), 10, fraction) ||
        (dot != std::string_view::npos && dot + 1 == text.size()))
        return false;
    us = (seconds * 1'000'000 + fraction) * (negative ? -1 : 1);
    return true;
}

// "Dec", also German "Dez": 0 … 11, or -1.
int monthOf(std::string_view name) {
    for (size_t m = 0; m < kMonths.size(); ++m)
        if (same(name, kMonths[m]))
            return static_cast<int>(m);
    constexpr std::pair<const char*, int> kGerman[] = {
        {"M\xC3\xA4r", 2}, {"Mai", 4}, {"Okt", 9}, {"Dez", 11}};
    for (const auto& [german, m] : kGerman)
        if (same(name, german))
            return m;
    return -1;
}

// "10:26:38.650" (fraction optional) into `tm` and microseconds.
bool parseClock(std::string_view text, std::tm& tm, int64_t& us) {
    const size_t c1 = text.find(':');
    const size_t c2 = c1 == std::string_view::npos ? c1 : text.find(':', c1 + 1);
    if (c2 == std::string_view::npos)
        return false;
    int64_t seconds = 0;
    if (!number(text.substr(0, c1), 10, tm.tm_hour) ||
        !number(text.substr(c1 + 1, c2 - c1 - 1), 10, tm.tm_min) ||
        !parseSeconds(text.substr(c2 + 1), us) || us < 0)
        return false;
    seconds = us / 1'000'000;
    us %= 1'000'000;
    tm.tm_sec = static_cast<int>(seconds);
    return tm.tm_hour <= 23 && tm.tm_min <= 59 && tm.tm_sec <= 60;
}

// date = [weekday] month day hh:mm:ss[.fff] [am|pm] year, in local time.
bool parseDate(const Tokens& tokens, size_t from, int64_t& us) {
    const size_t count = tokens.size() - std::min(from, tokens.size());
    if (count != 5 && count != 6)
        return false;
    std::tm tm{};
    tm.tm_isdst = -1;
    tm.tm_mon = monthOf(tokens[from + 1]);
    int year = 0;
    int64_t fraction = 0;
    if (tm.tm_mon < 0 || !number(tokens[from + 2], 10, tm.tm_mday) || tm.tm_mday < 1 ||
        tm.tm_mday > 31 || !parseClock(tokens[from + 3], tm, fraction) ||
        !number(tokens.back(), 10, year) || year < 1900 || year > 9999)
        return false;
    if (count == 6) {
        const bool pm = same(tokens[from + 4], "pm");
        if ((!pm && !same(tokens[from + 4], "am")) || tm.tm_hour < 1 || tm.tm_hour > 12)
            return false;
        tm.tm_hour = tm.tm_hour % 12 + (pm ? 12 : 0);
    }
    tm.tm_year = year - 1900;
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1))
        return false;
    us = static_cast<int64_t>(t) * 1'000'000 + fraction;
    return true;
}

std::string formatDate(uint64_t us) {
    const auto seconds = static_cast<std::time_t>(us / 1'000'000);
    std::tm tm{};
    localtime_r(&seconds, &tm);
    char text[64];
    std::snprintf(text, sizeof text, "%s %s %02d %02d:%02d:%02d.%03d %s %d", kDays[tm.tm_wday % 7],
                  kMonths[tm.tm_mon % 12], tm.tm_mday, tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12,
                  tm.tm_min, tm.tm_sec, static_cast<int>(us % 1'000'000 / 1000),
                  tm.tm_hour < 12 ? "am" : "pm", tm.tm_year + 1900);
    return text;
}

// Reads one ASC log line by line.
class AscReader {
public:
    AscReader(std::vector<CandumpRecord>& records, TraceSkips& skipped)
        : records_(records), skipped_(skipped) {}

    // Empty when the line is understood, else what is wrong with it.
    std::string line(std::string_view text);

private:
    std::string header(const Tokens& t);
    std::string timed(const Tokens& t);
    std::string frame(const Tokens& t, int64_t us);
    void channelName(std::string_view comment);

    std::vector<CandumpRecord>& records_;
    TraceSkips& skipped_;
    int base_ = 16;
    bool relative_ = false;
    int64_t startUs_ = 0;
    int64_t previousUs_ = 0; // relative timestamps count from the previous timed line
    std::map<uint32_t, std::string> names_;
};

std::string AscReader::line(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    if (text.substr(first, 2) == "//") {
        ++skipped_.comments;
        channelName(text.substr(first + 2));
        return {};
    }
    const Tokens t = split(text);
    if (t.empty()) // blanks the first check does not know, such as form feeds
        return {};
    return std::isdigit(static_cast<unsigned char>(t[0][0])) || t[0][0] == '-' ? timed(t)
                                                                               : header(t);
}

// "// channel 2 = can1", as Kestrel writes it.
void AscReader::channelName(std::string_view comment) {
    const Tokens t = split(comment);
    uint32_t channel = 0;
    if (t.size() == 4 && same(t[0], "channel") && number(t[1], 10, channel) && t[2] == "=")
        names_[channel] = std::string(t[3]);
}

std::string AscReader::header(const Tokens& t) {
    if (same(t[0], "date"))
        return parseDate(t, 1, startUs_) ? "" : "date not understood";
    if (startsWith(t, 0, {"begin", "triggerblock"}))
        return t.size() == 2 || parseDate(t, 2, startUs_) ? "" : "date not understood";
    if (startsWith(t, 0, {"end", "triggerblock"}) && t.size() == 2)
        return {};
    if (startsWith(t, 0, {"internal", "events", "logged"}) ||
        startsWith(t, 0, {"no", "internal", "events", "logged"}))
        return {};
    if (same(t[0], "base")) {
        const bool hex = t.size() > 1 && same(t[1], "hex");
        const bool timestamps = startsWith(t, 2, {"timestamps"}) && t.size() == 4;
        if ((!hex && !(t.size() > 1 && same(t[1], "dec"))) || (t.size() > 2 && !timestamps) ||
            (timestamps && !same(t[3], "absolute") && !same(t[3], "relative")))
            return "base not understood";
        base_ = hex ? 16 : 10;
        relative_ = timestamps && same(t[3], "relative");
        return {};
    }
    return "not an ASC line";
}

std::string AscReader::timed(const Tokens& t) {
    int64_t us = 0;
    if (!parseSeconds(t[0], us))
        return "not a time";
    if (relative_)
        us += previousUs_;
    previousUs_ = us;
    // A classic frame: time, channel number, identifier, Rx or Tx, ...
    uint32_t channel = 0;
    if (t.size() >= 4 && number(t[1], 10, channel) && (same(t[3], "Rx") || same(t[3], "Tx")))
        return frame(t, us);
    ++skipped_.events;
    return {};
}

std::string AscReader::frame(const Tokens& t, int64_t us) {
    CandumpRecord record;
    uint32_t channel = 0;
    number(t[1], 10, channel);
    if (channel < 1)
        return "channel 0 (channels count from 1)";
    std::string_view id = t[2];
    CanFrame& f = record.frame;
    f.extended = !id.empty() && (id.back() == 'x' || id.back() == 'X');
    if (f.extended)
        id.remove_suffix(1);
    if (!number(id, base_, f.id) || f.id > (f.extended ? 0x1FFFFFFFu : 0x7FFu))
        return "bad identifier";
    record.direction = same(t[3], "Tx") ? 'T' : 'R';
    const bool remote = t.size() > 4 && same(t[4], "r");
    if (!remote && !(t.size() > 4 && same(t[4], "d")))
        return "neither a data (d) nor a remote (r) frame";
    f.remote = remote;
    unsigned length = 0;
    const bool hasLength = t.size() > 5 && number(t[5], base_, length);
    if ((!remote && !hasLength) || length > 8)
        return "bad length";
    f.len = static_cast<uint8_t>(length);
    for (size_t i = 0; !remote && i < length; ++i)
        if (t.size() <= 6 + i || !number(t[6 + i], base_, f.data[i]))
            return "missing or bad data byte";
    const int64_t at = startUs_ + us;
    if (at < 0)
        return "time before 1970";
    record.timeUs = static_cast<uint64_t>(at);
    const auto name = names_.find(channel);
    record.interfaceName =
        name != names_.end() ? name->second : "can" + std::to_string(channel - 1);
    records_.push_back(std::move(record));
    return {};
}

} // namespace

bool readAscLog(std::istream& in, std::vector<CandumpRecord>& records, TraceSkips& skipped,
                std::string& error) {
    AscReader reader(records, skipped);
    int number = 0;
    for (std::string text; std::getline(in, text);) {
        ++number;
        if (const std::string problem = reader.line(text); !problem.empty()) {
            error = "line " + std::to_string(number) + ": " + problem;
            return false;
        }
    }
    return true;
}

void AscFormat::header(uint64_t startUs, std::vector<std::string>& lines) {
    started_ = true;
    startUs_ = startUs / 1000 * 1000;
    const std::string date = formatDate(startUs_);
    lines.push_back("date " + date);
    lines.push_back("base hex  timestamps absolute");
    lines.push_back("no internal events logged");
    lines.push_back("Begin Triggerblock " + date);
}

void AscFormat::frameLines(const CandumpRecord& r, std::vector<std::string>& lines) {
    if (!started_)
        header(r.timeUs, lines);
    const auto [it, added] = channels_.try_emplace(r.interfaceName, channels_.size() + 1);
    if (added)
        lines.push_back(comment("channel " + std::to_string(it->second) + " = " + r.interfaceName));
    const bool early = r.timeUs < startUs_; // a record before the first one
    const uint64_t offset = early ? startUs_ - r.timeUs : r.timeUs - startUs_;
    char time[40];
    std::snprintf(time, sizeof time, "%s%llu.%06llu", early ? "-" : "",
                  static_cast<unsigned long long>(offset / 1'000'000),
                  static_cast<unsigned long long>(offset % 1'000'000));
    char id[16];
    std::snprintf(id, sizeof id, r.frame.extended ? "%Xx" : "%X", r.frame.id);
    char text[128];
    int n =
        std::snprintf(text, sizeof text, "%11s %d  %-15s %-4s %c %X", time, it->second, id,
                      r.direction == 'T' ? "Tx" : "Rx", r.frame.remote ? 'r' : 'd', r.frame.len);
    for (size_t i = 0; !r.frame.remote && i < r.frame.len && i < r.frame.data.size(); ++i)
        n +=
            std::snprintf(text + n, sizeof text - static_cast<size_t>(n), " %02X", r.frame.data[i]);
    lines.emplace_back(text);
}

void AscFormat::closingLines(std::vector<std::string>& lines) {
    if (!started_) {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        header(static_cast<uint64_t>(
                   std::chrono::duration_cast<std::chrono::microseconds>(now).count()),
               lines);
    }
    lines.push_back("End TriggerBlock");
}
