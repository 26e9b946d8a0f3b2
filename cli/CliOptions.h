#pragma once
// Pieces of argument handling shared by the kestrel-cli commands.

#include <QString>
#include <chrono>
#include <cstdint>
#include <optional>

// "kestrel-cli: <message>" on stderr.
void PrintError(const QString& message);

// Loads the logger and names today's log, before anything is read, so that
// the readers' own lines reach the log too.
void StartLogging();

// `text` as a whole decimal number within [low, high]; nullopt otherwise.
std::optional<long long> WholeNumber(const QString& text, long long low, long long high);

// `text` as seconds above 0 (fractions allowed, below 10 million), in
// milliseconds; nullopt otherwise.
std::optional<std::chrono::milliseconds> Seconds(const QString& text);

// --port N and --bitrate B of the commands that open a port; a missing one is
// taken from Zarvo.ini.
struct PortOptions {
    std::optional<uint8_t> port;
    std::optional<uint32_t> bitRate;

    // Applies option `name` with `value`: nullopt when `name` is neither of
    // the two, else whether `value` is right.
    std::optional<bool> apply(const QString& name, const QString& value);
    // Whether Zarvo.ini must be read for what the options leave open.
    bool needZarvoIni() const { return !port || !bitRate; }
    // ZarvoPort and ZarvoBaudRate as given; the others stay as read.
    void applyToGlobals() const;
};

// Opens ZarvoPort at ZarvoBaudRate: true, or false after giving the driver's
// reason on stderr. Values or verdicts of a port that did not open would be
// logged as if real.
bool OpenZarvoPort();

// Whether ZarvoPort is in the driver's port table; when not, says so on stderr
// ("The Zarvo port is error. ...").
bool CheckPortInTable();
