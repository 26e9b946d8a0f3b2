#pragma once
// The Qt SerialBus backends as channel providers. Their devices live on one
// I/O thread of the driver with its own event loop, so they work the same in
// the GUI program, in kestrel-cli and under any other thread. Without a
// QCoreApplication there is no Qt I/O and these providers find nothing.

#include "Driver.h"

#include <memory>

// Type codes of the port table (see README).
inline constexpr uint32_t kTypeEthernet = 1000;  // Qt virtual CAN bus over TCP on this host
inline constexpr uint32_t kTypeSerial = 1001;    // serial adapter attached with slcand (slcanN)
inline constexpr uint32_t kTypeSocketCan = 3000; // any other SocketCAN interface
inline constexpr uint32_t kTypePeakCan = 3001;   // PEAK-System channel through its library

enum class QtBackend { SocketCan, PeakCan, VirtualCan };

std::unique_ptr<ChannelProvider> makeQtCanProvider(QtBackend backend);

// Closes every Qt device of the driver and ends the I/O thread. Runs by
// itself when the QCoreApplication is destroyed.
void shutdownQtCanIo();
