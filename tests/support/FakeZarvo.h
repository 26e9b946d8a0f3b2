#pragma once
// A recording stand-in for the CAN port driver, for tests of the code that
// calls it: the test hands binding() to the code under test, whose calls reach
// the FakeZarvo that exists then. Only one may exist at a time.
//
// Like any driver but Kestrel's own, it cannot trace, tap or open readers:
// those operations answer kZarvoCannotTrace / kZarvoNoReaders and are not
// recorded.
//
// Every operation is recorded with its arguments (message records and the
// three arrays of Zarvo_SendGroup are copied) and answers from the state the
// test set up: port table, statuses, receive queue, search progress, driver
// information text. Callbacks registered through the binding can be fired
// with fireTx()/fireRx().
//
// Thread-safe: the binding's operations and the test's methods may be called
// from any thread. Callbacks are fired without the fake's lock held, so they
// may call back into the binding.

#include "ZarvoApi.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

struct FakeZarvoCall {
    std::string op;                  // operation name, e.g. "Zarvo_SendGroup"
    uint32_t port = 0;               // port or module number, where the operation has one
    uint8_t group = 0;               // where the operation has one
    int64_t value = 0;               // bit rate, group count, response identifier, n
    void* callback = nullptr;        // Zarvo_SetTxCallback / Zarvo_SetRxCallback
    bool nullArgument = false;       // a pointer argument the operation needs was null
    std::vector<type_ZarvoMsg> msgs; // Zarvo_SendGroup: copies of the n records
    std::vector<int32_t> intervals, times, terminals;
};

struct FakeZarvoPort {
    uint32_t typeCode = 0;
    uint32_t moduleNumber = 0;
    std::string name;
    std::string version;
    uint8_t moduleCanPort = 0;
    std::array<uint8_t, 4> ip{}; // answer of Zarvo_GetModuleIP for moduleNumber
};

struct FakeZarvoFrame {
    uint32_t id = 0;
    uint8_t mode = 0;
    uint8_t rtr = 0;
    uint8_t len = 0;
    std::array<uint8_t, 8> data{};
};

class FakeZarvo {
public:
    FakeZarvo();
    ~FakeZarvo();
    FakeZarvo(const FakeZarvo&) = delete;
    FakeZarvo& operator=(const FakeZarvo&) = delete;

    // --- state the operations answer from
    void setPorts(std::vector<FakeZarvoPort> ports);
    // Only the count of Zarvo_GetPortTable: `count` ports of type 0.
    void setPortCount(uint8_t count);
    void setPortStatus(uint8_t port, uint32_t status);
    void setSearchProgress(uint8_t percent);
    void setDriverInfo(const std::string& info);
    // Queues a frame for Zarvo_GetRxCount / Zarvo_ReadFrame of `port`.
    void pushRxFrame(uint8_t port, const FakeZarvoFrame& frame);
    // Every later operation named `op` returns `result` (default 0).
    void setResult(const std::string& op, int32_t result);

    // --- what was called
    std::vector<FakeZarvoCall> calls() const;
    std::vector<FakeZarvoCall> calls(const std::string& op) const;
    std::vector<std::string> callNames() const;
    void clearCalls();
    // Waits until at least `count` calls named `op` were made; false on timeout.
    bool waitForCalls(const std::string& op, size_t count,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

    // --- the registered callbacks (null when none)
    ZarvoTxCallback txCallback(uint8_t port, uint8_t group) const;
    ZarvoRxCallback rxCallback(uint8_t port, uint8_t group) const;
    // Calls the registered transmit callback with `state`; false when none.
    bool fireTx(uint8_t port, uint8_t group, uint8_t state);
    // Calls the registered receive callback; false when none.
    bool fireRx(uint8_t port, uint8_t group, const FakeZarvoFrame& frame);

    // The binding that answers from the fake, to be passed to the code under test.
    static const ZarvoBinding& binding();

private:
    friend struct FakeZarvoOps;
    using Key = std::pair<uint8_t, uint8_t>;

    int32_t record(FakeZarvoCall call);

    mutable std::mutex mutex_;
    mutable std::condition_variable called_;
    std::vector<FakeZarvoCall> calls_;
    std::map<std::string, int32_t> results_;
    std::vector<FakeZarvoPort> ports_;
    std::map<uint8_t, uint32_t> statuses_;
    std::map<uint8_t, std::deque<FakeZarvoFrame>> rxFrames_;
    std::map<Key, ZarvoTxCallback> txCallbacks_;
    std::map<Key, ZarvoRxCallback> rxCallbacks_;
    uint8_t searchProgress_ = 100;
    std::string driverInfo_;
};
