#pragma once
// The simulator ports: always present, last in the port table, so that every
// feature works on a machine without CAN hardware. Each port is a bus of its
// own with the simulated device on it.

#include "Driver.h"

#include <functional>

inline constexpr uint32_t kTypeSimulator = 3100;

class SimProvider final : public ChannelProvider {
public:
    static constexpr uint8_t kPorts = 2;

    // `configFolder` gives the folder whose SimDevice.ini describes the
    // device; it is asked at every opening of a simulator port.
    SimProvider(std::function<std::string()> configFolder, const Clock& clock = steadyClock());

    std::vector<ChannelInfo> scan() override;
    std::unique_ptr<CanChannel> create(const ChannelInfo& info) override;
    std::string summary() const override;

private:
    const std::function<std::string()> configFolder_;
    const Clock& clock_;
};
