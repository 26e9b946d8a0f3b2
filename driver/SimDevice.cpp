#include "SimDevice.h"

#include "DriverLog.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <numbers>
#include <sstream>

namespace {

// ---------------------------------------------------------------- values

double triangle(double phase) {
    return phase < 0.5 ? 2 * phase : 2 - 2 * phase;
}

template <typename T> void put(T value, int firstByte, std::array<uint8_t, 8>& data) {
    std::array<uint8_t, sizeof(T)> bytes{};
    std::memcpy(bytes.data(), &value, sizeof(T)); // Kestrel runs on little-endian machines
    const size_t n = std::min<size_t>(sizeof(T), 8 - static_cast<size_t>(firstByte));
    std::copy_n(bytes.begin(), n, data.begin() + firstByte);
}

template <typename T> T clampedRound(double v) {
    const double lo = static_cast<double>(std::numeric_limits<T>::min());
    const double hi = static_cast<double>(std::numeric_limits<T>::max());
    return static_cast<T>(std::clamp(std::round(v), lo, hi));
}

// ---------------------------------------------------------------- parsing

std::string trim(const std::string& s) {
    const size_t begin = s.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return {};
    const size_t end = s.find_last_not_of(" \t\r");
    return s.substr(begin, end - begin + 1);
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::vector<std::string> words(const std::string& s) {
    std::istringstream in(s);
    std::vector<std::string> out;
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

// Decimal with an optional sign, or 0x and hexadecimal digits.
bool toInteger(const std::string& text, int64_t& value) {
    std::string s = trim(text);
    bool negative = false;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        negative = s[0] == '-';
        s.erase(0, 1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.erase(0, 2);
    }
    if (s.empty() || (base == 16 && s.size() > 8)) // Kestrel's files take at most 8 hex digits
        return false;
    uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
    if (ec != std::errc() || end != s.data() + s.size() || magnitude > 0xFFFFFFFFull)
        return false;
    value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    return true;
}

bool toDouble(const std::string& text, double& value) {
    const std::string s = trim(text);
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return !s.empty() && ec == std::errc() && end == s.data() + s.size() && std::isfinite(value);
}

// Up to eight hexadecimal bytes separated by blanks.
bool toBytes(const std::string& text, std::array<uint8_t, 8>& bytes, int& count) {
    const std::vector<std::string> list = words(text);
    if (list.size() > 8)
        return false;
    bytes.fill(0);
    count = 0;
    for (const std::string& w : list) {
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), value, 16);
        if (w.size() > 2 || ec != std::errc() || end != w.data() + w.size())
            return false;
        bytes[static_cast<size_t>(count++)] = static_cast<uint8_t>(value);
    }
    return true;
}

bool inRange(int64_t v, int64_t lo, int64_t hi) {
    return v >= lo && v <= hi;
}

// Reads an integer from lo to hi into `target`.
template <typename T> bool toBounded(const std::string& text, int64_t lo, int64_t hi, T& target) {
    int64_t n = 0;
    if (!toInteger(text, n) || !inRange(n, lo, hi))
        return false;
    target = static_cast<T>(n);
    return true;
}

// Reports the first error and remembers it; later checks do nothing.
class Problems {
public:
    bool failed() const { return !message_.empty(); }
    const std::string& message() const { return message_; }
    void at(int line, const std::string& what) {
        if (!failed())
            message_ = "line " + std::to_string(line) + ": " + what;
    }

private:
    std::string message_;
};

bool parseFormat(const std::string& v, int& format) {
    const std::string f = lower(trim(v));
    format = f == "11" ? 0 : f == "29" ? 1 : -1;
    return f == "11" || f == "29" || f == "any";
}

bool parseRequest(const std::string& v, SimResponder& r) {
    const std::string t = lower(trim(v));
    if (t == "any") {
        r.firstId = 0;
        r.lastId = 0x1FFFFFFF;
        return true;
    }
    const size_t dash = t.find('-');
    int64_t first = 0;
    int64_t last = 0;
    const bool ok = dash == std::string::npos ? toInteger(t, first) && toInteger(t, last)
                                              : toInteger(t.substr(0, dash), first) &&
                                                    toInteger(t.substr(dash + 1), last);
    r.firstId = static_cast<uint32_t>(first);
    r.lastId = static_cast<uint32_t>(last);
    return ok && inRange(first, 0, 0x1FFFFFFF) && inRange(last, first, 0x1FFFFFFF);
}

bool parseResponse(const std::string& v, SimResponder& r) {
    const std::string t = lower(trim(v));
    r.answers = t != "none";
    if (!r.answers)
        return true;
    if (t.rfind("request", 0) == 0) {
        r.relative = true;
        const std::string rest = trim(t.substr(7));
        r.offset = 0;
        return rest.empty() || ((rest[0] == '+' || rest[0] == '-') && toInteger(rest, r.offset));
    }
    r.relative = false;
    return toBounded(t, 0, 0x1FFFFFFF, r.responseId);
}

bool parseData(const std::string& v, SimResponder& r) {
    const std::string t = lower(trim(v));
    if (t == "echo" || t == "count") {
        r.data = t == "echo" ? SimResponder::Data::Echo : SimResponder::Data::Count;
        return true;
    }
    r.data = SimResponder::Data::Pattern;
    return toBytes(t, r.pattern, r.patternLength);
}

bool parseLength(const std::string& v, int& length) {
    const std::string t = lower(trim(v));
    if (t == "request") {
        length = -1;
        return true;
    }
    return toBounded(t, 0, 8, length);
}

bool setResponderKey(const std::string& key, const std::string& v, SimResponder& r) {
    int unused = 0;
    if (key == "request")
        return parseRequest(v, r);
    if (key == "format")
        return parseFormat(v, r.format);
    if (key == "frames") {
        const std::string t = lower(trim(v));
        r.frames = t == "data"     ? SimResponder::Frames::Data
                   : t == "remote" ? SimResponder::Frames::Remote
                                   : SimResponder::Frames::Any;
        return t == "data" || t == "remote" || t == "any";
    }
    if (key == "response")
        return parseResponse(v, r);
    if (key == "data")
        return parseData(v, r);
    if (key == "add")
        return toBytes(v, r.add, unused);
    if (key == "length")
        return parseLength(v, r.length);
    if (key == "delay")
        return toBounded(v, 0, 60000, r.delayMs);
    return false;
}

constexpr const char* kTypeNames[] = {"byte",  "char", "word",  "short",
                                      "dword", "long", "float", "double"};
constexpr int kTypeSizes[] = {1, 1, 2, 2, 4, 4, 4, 8};
constexpr const char* kWaveNames[] = {"triangle", "sine", "square", "sawtooth", "constant", "time"};

// TYPE FIRSTBYTE WAVE [MIN MAX [PERIOD]]
bool parseValue(const std::string& v, SimValue& value) {
    const std::vector<std::string> w = words(v);
    if (w.size() < 3 || w.size() > 6)
        return false;
    const auto type = std::find(std::begin(kTypeNames), std::end(kTypeNames), lower(w[0]));
    const auto wave = std::find(std::begin(kWaveNames), std::end(kWaveNames), lower(w[2]));
    if (type == std::end(kTypeNames) || wave == std::end(kWaveNames))
        return false;
    value.type = static_cast<int>(type - std::begin(kTypeNames));
    value.wave = static_cast<SimValue::Wave>(wave - std::begin(kWaveNames));
    if (!toBounded(w[1], 0, 8 - kTypeSizes[value.type], value.firstByte))
        return false;
    value.minimum = value.maximum = 0;
    if (w.size() >= 4 && !toDouble(w[3], value.minimum))
        return false;
    value.maximum = value.minimum;
    if (w.size() >= 5 && !toDouble(w[4], value.maximum))
        return false;
    value.periodMs = 1000;
    return w.size() < 6 || toBounded(w[5], 1, 86400000, value.periodMs);
}

bool setBroadcastKey(const std::string& key, const std::string& v, SimBroadcast& b) {
    int count = 0;
    int format = -1;
    if (key == "id")
        return toBounded(v, 0, 0x1FFFFFFF, b.id);
    if (key == "format") {
        const bool ok = parseFormat(v, format) && format != -1;
        b.extended = format == 1;
        return ok;
    }
    if (key == "period")
        return toBounded(v, 1, 3600000, b.periodMs);
    if (key == "length")
        return toBounded(v, 0, 8, b.length);
    if (key == "data")
        return toBytes(v, b.base, count);
    if (key.size() == 6 && key.rfind("value", 0) == 0 && key[5] >= '1' &&
        key[5] < '1' + static_cast<int>(SimBroadcast::kMaxValues)) {
        SimValue value;
        if (b.values.size() >= SimBroadcast::kMaxValues || !parseValue(v, value))
            return false;
        b.values.push_back(value);
        return true;
    }
    return false;
}

enum class Section { None, Responder, Broadcast, Replay };

constexpr uint32_t kMaxStandardId = 0x7FF;

// An 11-bit section whose identifier needs 29 bits: the frame would go out
// with its identifier cut, or the responder could never match.
bool fitsFormat(const SimResponder& r) {
    return r.format != 0 || (r.firstId <= kMaxStandardId &&
                             (!r.answers || r.relative || r.responseId <= kMaxStandardId));
}

bool fitsFormat(const SimBroadcast& b) {
    return b.extended || b.id <= kMaxStandardId;
}

// Checks the section that just ended; `line` is that of its last identifier or
// format key, where the mismatch shows.
void checkFormat(Section section, const SimDeviceConfig& config, int line, Problems& problems) {
    const bool fits = section == Section::Responder   ? fitsFormat(config.responders.back())
                      : section == Section::Broadcast ? fitsFormat(config.broadcasts.back())
                                                      : true;
    if (!fits)
        problems.at(line, "an identifier above 0x7FF with Format = 11");
}

bool isFormatKey(const std::string& key) {
    return key == "id" || key == "format" || key == "request" || key == "response";
}

Section sectionKind(const std::string& name) {
    const std::string n = lower(name);
    if (n.rfind("responder", 0) == 0)
        return Section::Responder;
    if (n.rfind("broadcast", 0) == 0)
        return Section::Broadcast;
    if (n == "replay")
        return Section::Replay;
    return Section::None;
}

SimResponder dataResponder(int format, uint32_t lastId) {
    SimResponder r;
    r.frames = SimResponder::Frames::Data;
    r.format = format;
    r.lastId = lastId;
    r.offset = 8;
    r.add[0] = 0x40;
    return r;
}

} // namespace

// ---------------------------------------------------------------- behaviour

bool SimResponder::matches(const CanFrame& request) const {
    if ((frames == Frames::Data && request.remote) || (frames == Frames::Remote && !request.remote))
        return false;
    if (format != -1 && format != (request.extended ? 1 : 0))
        return false;
    return request.id >= firstId && request.id <= lastId;
}

CanFrame SimResponder::answer(const CanFrame& request) const {
    CanFrame response;
    response.extended = request.extended;
    const int64_t id = relative ? int64_t{request.id} + offset : int64_t{responseId};
    response.id = static_cast<uint32_t>(id) & (request.extended ? 0x1FFFFFFFu : 0x7FFu);
    const int defaultLength = data == Data::Pattern ? patternLength : request.len;
    response.len = static_cast<uint8_t>(length < 0 ? defaultLength : length);
    for (size_t k = 0; k < 8; ++k) {
        const uint8_t source = data == Data::Echo    ? request.data[k]
                               : data == Data::Count ? static_cast<uint8_t>(k)
                                                     : pattern[k];
        response.data[k] = static_cast<uint8_t>(source + add[k]);
    }
    if (request.remote && data == Data::Echo)
        response.data.fill(0); // a remote frame carries no data to echo
    return response;
}

double SimValue::valueAt(double seconds) const {
    const double period = periodMs / 1000.0;
    const double phase = std::fmod(seconds, period) / period;
    const double span = maximum - minimum;
    switch (wave) {
    case Wave::Triangle:
        return minimum + span * triangle(phase);
    case Wave::Sine:
        return minimum + span * (0.5 + 0.5 * std::sin(2 * std::numbers::pi * phase));
    case Wave::Square:
        return phase < 0.5 ? maximum : minimum;
    case Wave::Sawtooth:
        return minimum + span * phase;
    case Wave::Time:
        return seconds;
    case Wave::Constant:
        break;
    }
    return minimum;
}

void SimValue::encode(double seconds, std::array<uint8_t, 8>& data) const {
    const double v = valueAt(seconds);
    switch (type) {
    case 0:
        return put(clampedRound<uint8_t>(v), firstByte, data);
    case 1:
        return put(clampedRound<int8_t>(v), firstByte, data);
    case 2:
        return put(clampedRound<uint16_t>(v), firstByte, data);
    case 3:
        return put(clampedRound<int16_t>(v), firstByte, data);
    case 4:
        return put(clampedRound<uint32_t>(v), firstByte, data);
    case 5:
        return put(clampedRound<int32_t>(v), firstByte, data);
    case 6:
        return put(static_cast<float>(v), firstByte, data);
    default:
        return put(v, firstByte, data);
    }
}

CanFrame SimBroadcast::frameAt(double seconds) const {
    CanFrame frame;
    frame.id = id;
    frame.extended = extended;
    frame.len = length;
    frame.data = base;
    for (const SimValue& v : values)
        v.encode(seconds, frame.data);
    return frame;
}

SimDeviceConfig SimDeviceConfig::defaults() {
    SimDeviceConfig c;
    SimResponder remote;
    remote.frames = SimResponder::Frames::Remote;
    remote.data = SimResponder::Data::Count;
    c.responders = {remote, dataResponder(0, 0x7F7), dataResponder(1, 0x1FFFFFF7)};

    SimBroadcast trend;
    trend.id = 0x3E8;
    trend.periodMs = 20;
    trend.values = {{2, 0, SimValue::Wave::Triangle, 0, 1000, 4000},
                    {3, 2, SimValue::Wave::Sine, -400, 400, 2000},
                    {6, 4, SimValue::Wave::Sine, -10, 10, 5000}};
    SimBroadcast clock;
    clock.id = 0x3E9;
    clock.periodMs = 100;
    clock.values = {{7, 0, SimValue::Wave::Time, 0, 0, 1000}};
    c.broadcasts = {trend, clock};
    return c;
}

const SimResponder* SimDeviceConfig::responderFor(const CanFrame& request) const {
    const auto it = std::find_if(responders.begin(), responders.end(),
                                 [&](const SimResponder& r) { return r.matches(request); });
    return it == responders.end() ? nullptr : &*it;
}

std::optional<SimDeviceConfig> parseSimDeviceConfig(const std::string& text, std::string& error) {
    SimDeviceConfig config;
    Problems problems;
    Section section = Section::None;
    int formatLine = 0;
    std::istringstream in(text);
    int lineNumber = 0;
    for (std::string raw; !problems.failed() && std::getline(in, raw);) {
        ++lineNumber;
        const std::string line = trim(raw.substr(0, raw.find(';')));
        if (line.empty())
            continue;
        if (line.front() == '[') {
            checkFormat(section, config, formatLine, problems);
            if (line.back() != ']')
                problems.at(lineNumber, "section header without ']'");
            section = sectionKind(line.substr(1, line.size() - 2));
            formatLine = lineNumber;
            if (section == Section::Responder)
                config.responders.emplace_back();
            else if (section == Section::Broadcast)
                config.broadcasts.emplace_back();
            else if (section == Section::Replay)
                config.replay.emplace();
            else
                problems.at(lineNumber, "unknown section " + line);
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos || section == Section::None) {
            problems.at(lineNumber, "expected key = value inside a section");
            continue;
        }
        const std::string key = lower(trim(line.substr(0, eq)));
        const std::string value = trim(line.substr(eq + 1));
        const bool ok = section == Section::Replay ? setReplayKey(key, value, *config.replay)
                        : section == Section::Responder
                            ? setResponderKey(key, value, config.responders.back())
                            : setBroadcastKey(key, value, config.broadcasts.back());
        if (!ok)
            problems.at(lineNumber, "bad " + trim(line.substr(0, eq)) + " '" + value + "'");
        if (isFormatKey(key))
            formatLine = lineNumber;
    }
    checkFormat(section, config, formatLine, problems);
    if (problems.failed()) {
        error = problems.message();
        return std::nullopt;
    }
    return config;
}

std::optional<SimDeviceConfig> parseSimDevice(const std::string& text, const std::string& folder,
                                              std::string& error) {
    std::optional<SimDeviceConfig> config = parseSimDeviceConfig(text, error);
    if (config && config->replay && !loadReplayTrace(*config->replay, folder, error))
        return std::nullopt;
    return config;
}
