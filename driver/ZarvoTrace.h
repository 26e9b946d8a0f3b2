#pragma once
// Bus traces: Kestrel's own addition to the driver's operations. Every frame
// a port transmits and receives goes to a sink (usually a candump log file,
// CandumpFileSink) until the trace is stopped. Only Kestrel's own driver can
// trace; with another binding installed (a test's fake) both calls return
// kZarvoCannotTrace and nothing is traced.

#include "CandumpLog.h"

#include <cstdint>
#include <memory>

inline constexpr int32_t kZarvoCannotTrace = 9;

int32_t Zarvo_StartTrace(uint8_t port, std::unique_ptr<TraceSink> sink);
// Every traced frame has reached the sink, and the sink is finished, when this returns.
int32_t Zarvo_StopTrace(uint8_t port);
