#include "SimProvider.h"

#include "SimChannel.h"

SimProvider::SimProvider(std::function<SimDeviceConfig()> loadDevice, const Clock& clock)
    : loadDevice_(std::move(loadDevice)), clock_(clock) {}

std::vector<ChannelInfo> SimProvider::scan() {
    std::vector<ChannelInfo> ports;
    for (uint8_t i = 0; i < kPorts; ++i) {
        ChannelInfo info;
        info.key = "simulator/" + std::to_string(i);
        info.typeCode = kTypeSimulator;
        info.moduleNumber = 0;
        info.name = "Simulator";
        info.version = std::string("Kestrel ") + kDriverVersion;
        info.moduleCanPort = i;
        ports.push_back(info);
    }
    return ports;
}

std::unique_ptr<CanChannel> SimProvider::create(const ChannelInfo&) {
    return std::make_unique<SimChannel>(loadDevice_, clock_);
}

std::string SimProvider::summary() const {
    return "Simulator: " + std::to_string(kPorts) + " ports";
}
