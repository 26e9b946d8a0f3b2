#include "CliOptions.h"

#include <cstdio>

void PrintError(const QString& message) {
    std::fprintf(stderr, "kestrel-cli: %s\n", qUtf8Printable(message));
}

std::optional<long long> WholeNumber(const QString& text, long long low, long long high) {
    bool ok = false;
    const long long value = text.toLongLong(&ok);
    return ok && value >= low && value <= high ? std::optional(value) : std::nullopt;
}

std::optional<bool> PortOptions::apply(const QString& name, const QString& value) {
    if (name == QLatin1String("--port")) {
        const auto number = WholeNumber(value, 0, 255);
        port = number ? std::optional(static_cast<uint8_t>(*number)) : std::nullopt;
        return number.has_value();
    }
    if (name == QLatin1String("--bitrate")) {
        const auto number = WholeNumber(value, 1, UINT32_MAX);
        bitRate = number ? std::optional(static_cast<uint32_t>(*number)) : std::nullopt;
        return number.has_value();
    }
    return std::nullopt;
}
