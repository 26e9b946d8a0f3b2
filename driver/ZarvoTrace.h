#pragma once
// Bus traces: Kestrel's own addition to the driver's operations. Every frame
// a port transmits and receives goes to a sink (usually a candump log file,
// CandumpFileSink) from the binding's Zarvo_StartTrace until its
// Zarvo_StopTrace; the binding's Zarvo_AddTap and Zarvo_RemoveTap add
// listeners beside the trace. Only Kestrel's own driver can trace; another
// binding (a test's fake) answers kZarvoCannotTrace and nothing is traced.

#include "CandumpLog.h"

#include <cstdint>
#include <memory>

inline constexpr int32_t kZarvoCannotTrace = 9;
