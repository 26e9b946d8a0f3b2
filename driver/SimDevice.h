#pragma once
// The device under test that sits on every simulated bus: responders that
// answer requests and broadcasts that it sends on its own. Its behaviour
// comes from SimDevice.ini in the program's folder (read by SimDeviceFile.h
// under the rules of Kestrel's other files), or the default device when there
// is none. Free of Qt.

#include "CanFrame.h"
#include "Clock.h"
#include "SimReplay.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct SimResponder {
    enum class Frames { Any, Data, Remote };
    enum class Data { Echo, Count, Pattern };

    Frames frames = Frames::Any;
    int format = -1; // -1 = any, 0 = 11-bit, 1 = 29-bit
    uint32_t firstId = 0;
    uint32_t lastId = 0x1FFFFFFF;
    bool answers = true;
    bool relative = true;    // response identifier = request + offset
    int64_t offset = 0;      // when relative
    uint32_t responseId = 0; // when not relative
    Data data = Data::Echo;
    std::array<uint8_t, 8> pattern{};
    int patternLength = 0;
    std::array<uint8_t, 8> add{};
    int length = -1; // -1 = the request's length (the pattern's for Data::Pattern)
    int32_t delayMs = 1;

    bool matches(const CanFrame& request) const;
    CanFrame answer(const CanFrame& request) const;
};

struct SimValue {
    enum class Wave { Triangle, Sine, Square, Sawtooth, Constant, Time };
    int type = 0; // the trend window's data type codes: 0 BYTE … 7 double
    int firstByte = 0;
    Wave wave = Wave::Constant;
    double minimum = 0;
    double maximum = 0;
    int32_t periodMs = 1000;

    double valueAt(double seconds) const;
    // Writes the value at `seconds` into `data`, least significant byte first.
    void encode(double seconds, std::array<uint8_t, 8>& data) const;
};

struct SimBroadcast {
    uint32_t id = 0;
    bool extended = false;
    int32_t periodMs = 100;
    uint8_t length = 8;
    std::array<uint8_t, 8> base{}; // bytes the values do not cover
    std::vector<SimValue> values;  // at most kMaxValues

    static constexpr size_t kMaxValues = 4;
    CanFrame frameAt(double seconds) const;
};

struct SimDeviceConfig {
    std::vector<SimResponder> responders;
    std::vector<SimBroadcast> broadcasts;
    std::optional<SimReplayConfig> replay; // a recorded trace the device plays

    static SimDeviceConfig defaults();
    // The first responder that matches answers; nullopt when none does.
    const SimResponder* responderFor(const CanFrame& request) const;
};

inline constexpr const char* kSimDeviceFile = "SimDevice.ini";

// Parses the text of SimDevice.ini (lines ended by "\n"). On an error returns
// nullopt and sets `error` to "line N: what is wrong".
std::optional<SimDeviceConfig> parseSimDeviceConfig(const std::string& text, std::string& error);

// As parseSimDeviceConfig, and reads the trace that a [Replay] section names
// (relative to `folder`, the file's own folder); a trace that cannot be read
// is an error too.
std::optional<SimDeviceConfig> parseSimDevice(const std::string& text, const std::string& folder,
                                              std::string& error);
