#pragma once
// Pieces of argument handling shared by the kestrel-cli commands.

#include "IniFile.h"
#include "ZarvoApi.h"

#include <QList>
#include <QString>
#include <chrono>
#include <cstdint>
#include <optional>

// "kestrel-cli: <message>" on stderr.
void PrintError(const QString& message);
// "kestrel-cli: warning: <message>" on stderr for each of a reader's warnings.
void PrintWarnings(const QList<IniWarning>& warnings);

// Loads the logger and names today's log, before anything is read, so that
// the readers' own lines reach the log too.
void StartLogging();

// Whether two paths name one file (also through a link); paths of files that
// do not exist yet are compared as absolute paths.
bool SameFile(const QString& a, const QString& b);

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
    // Reads Zarvo.ini when the options leave a value open, printing its
    // warnings: 0, or kExitBadZarvoIni after telling why it cannot be used.
    int readZarvoIni() const;
    // ZarvoPort and ZarvoBaudRate as given; the others stay as read.
    void applyToGlobals() const;
};

// Opens ZarvoPort at ZarvoBaudRate through `driver`: true, or false after
// giving the driver's reason on stderr. Values or verdicts of a port that did
// not open would be logged as if real.
bool OpenZarvoPort(const ZarvoBinding& driver);

// Whether ZarvoPort is in the driver's port table; when not, says so on stderr
// ("The Zarvo port is error. ...").
bool CheckPortInTable(const ZarvoBinding& driver);
