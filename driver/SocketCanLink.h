#pragma once
// What the kernel says about a SocketCAN interface: whether it is up and the
// bit rate it runs at. Qt SerialBus asks libsocketcan to set the bit rate but
// does not report whether that worked (it does not without privileges, nor on
// an interface that is up), so the driver reads the rate back to tell the user.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

struct SocketCanLink {
    bool up = false;
    std::optional<uint32_t> bitRate; // none for interfaces without bit timing (vcan)
};

// Asks the kernel over rtnetlink; nullopt when the interface is unknown or the
// kernel cannot be asked.
std::optional<SocketCanLink> querySocketCanLink(const std::string& interfaceName);

// The link state in the kernel's answer to an RTM_GETLINK request; nullopt
// when the answer is not a well-formed RTM_NEWLINK message.
std::optional<SocketCanLink> parseSocketCanLink(const void* message, size_t size);
