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

// A listener beside the trace (the bus monitor): every frame of the port goes
// to `sink` as well until Zarvo_RemoveTap(`tapId`), so that a run's trace and
// the monitor see the traffic at once. `tapId` is set on success; it is never 0.
int32_t Zarvo_AddTap(uint8_t port, std::unique_ptr<TraceSink> sink, uint64_t& tapId);
// The sink is finished when this returns; harmless for an id that is not in use.
void Zarvo_RemoveTap(uint64_t tapId);
