#pragma once
// The simulator ports: always present, last in the port table, so that every
// feature works on a machine without CAN hardware. Each port is a bus of its
// own with the simulated device on it.

#include "Driver.h"
#include "SimDevice.h"

#include <functional>

inline constexpr uint32_t kTypeSimulator = 3100;

class SimProvider final : public ChannelProvider {
public:
    static constexpr uint8_t kPorts = 2;

    // `loadDevice` gives the device on the bus; it is asked at every opening
    // of a simulator port, so that an edited SimDevice.ini takes effect then.
    SimProvider(std::function<SimDeviceConfig()> loadDevice, const Clock& clock = steadyClock());

    std::vector<ChannelInfo> scan() override;
    std::unique_ptr<CanChannel> create(const ChannelInfo& info) override;
    std::string summary() const override;

private:
    const std::function<SimDeviceConfig()> loadDevice_;
    const Clock& clock_;
};
