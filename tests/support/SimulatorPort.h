#pragma once
// The first simulator port of the driver's port table, for the tests and
// benchmarks that run on Kestrel's own simulated bus.

#include "SimProvider.h"
#include "ZarvoApi.h"

#include <array>
#include <optional>

inline std::optional<uint8_t> FirstSimulatorPort() {
    uint8_t count = 0;
    std::array<uint32_t, kZarvoMaxPorts> types{};
    builtinZarvoBinding().Zarvo_GetPortTable(&count, types.data(), nullptr, nullptr, nullptr,
                                             nullptr, nullptr);
    for (uint8_t port = 0; port < count; ++port)
        if (types[port] == kTypeSimulator)
            return port;
    return std::nullopt;
}
