#pragma once
// Pieces of argument handling shared by the kestrel-cli commands.

#include <QString>
#include <cstdint>
#include <optional>

// "kestrel-cli: <message>" on stderr.
void PrintError(const QString& message);

// `text` as a whole decimal number within [low, high]; nullopt otherwise.
std::optional<long long> WholeNumber(const QString& text, long long low, long long high);

// --port N and --bitrate B of the commands that open a port; a missing one is
// taken from Zarvo.ini.
struct PortOptions {
    std::optional<uint8_t> port;
    std::optional<uint32_t> bitRate;

    // Applies option `name` with `value`: nullopt when `name` is neither of
    // the two, else whether `value` is right.
    std::optional<bool> apply(const QString& name, const QString& value);
};
