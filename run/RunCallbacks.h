#pragma once
// The six callbacks the driver calls while it works through the groups of a
// run: the transmit-state callbacks stamp each item's Start Time and End Time
// in the result cells and name the response to report; the receive callbacks
// judge each response against the item's expectation.
//
// Thread-safe: the driver calls them on its own threads. Each body runs as one
// unit under RunCellsMutex(), so callbacks take effect in the order the driver
// calls them and decide from what the previous one wrote. They read the test
// item table, ZarvoPort and SingleTestRow, which no command changes during a run.

#include "Verdict.h"
#include "ZarvoApi.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>

// Candidates: every item in table order.
void TxCallback_AllItems(uint32_t port, uint8_t group, uint8_t* state);
void RxCallback_AllItems(uint32_t port, uint8_t group, uint32_t id, uint8_t mode, uint8_t rtr,
                         uint8_t len, uint8_t* data);
// Candidates: the items of the notified group in table order.
void TxCallback_Group(uint32_t port, uint8_t group, uint8_t* state);
void RxCallback_Group(uint32_t port, uint8_t group, uint32_t id, uint8_t mode, uint8_t rtr,
                      uint8_t len, uint8_t* data);
// Candidate: the item in grid row SingleTestRow.
void TxCallback_Single(uint32_t port, uint8_t group, uint8_t* state);
void RxCallback_Single(uint32_t port, uint8_t group, uint32_t id, uint8_t mode, uint8_t rtr,
                       uint8_t len, uint8_t* data);

// Held by every callback body. The run control holds it while it copies or
// clears the result columns, so that no callback works on half-cleared rows.
std::mutex& RunCellsMutex();

// The response each item (index) was last judged on since the result columns
// were cleared; none for an item that got none. Guarded by RunCellsMutex().
using RunResponses = std::array<std::optional<Response>, kMaxTestItems>;
RunResponses& ReceivedResponses();
