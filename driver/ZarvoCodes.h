#pragma once
// Return codes of the driver's operations and the bits of a port's status
// (Zarvo_GetPortStatus). Both are listed in the README.

#include <cstdint>

// What an operation returns.
enum ZarvoResult : int32_t {
    kZarvoOk = 0,
    kZarvoUnknownPort = 1,    // port not in the port table
    kZarvoNotOpen = 2,        // the port is not open
    kZarvoBadGroup = 3,       // group not below the group count
    kZarvoBadArgument = 4,    // null pointer or a value out of range
    kZarvoOpenFailed = 5,     // the channel could not be opened
    kZarvoQueueEmpty = 6,     // Zarvo_ReadFrame with nothing waiting
    kZarvoWrongThread = 7,    // Zarvo_ClosePort from inside one of the port's callbacks
    kZarvoUnknownModule = 8,  // Zarvo_GetModuleIP of a module that has no IP address
    kZarvoUnknownReader = 10, // a reader that was never opened or is closed (ZarvoReader.h)
};

// Bits of a port's status; 0 = healthy. A decimal status shown to the user is
// the sum of the bits that are set.
enum ZarvoStatusBit : uint32_t {
    kStatusNotOpen = 1u << 0,        // not opened yet, or closed
    kStatusOpenFailed = 1u << 1,     // the last Zarvo_OpenPort failed
    kStatusRxOverflow = 1u << 2,     // frames were dropped; cleared when the queue is read empty
    kStatusWriteFailed = 1u << 3,    // the last transmission failed
    kStatusErrorPassive = 1u << 4,   // the controller is error passive
    kStatusBusOff = 1u << 5,         // the controller is bus-off
    kStatusAdapterLost = 1u << 6,    // the adapter went away or stopped answering
    kStatusNoticesDropped = 1u << 7, // receive notices were dropped: the callbacks fell behind
};
