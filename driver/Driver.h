#pragma once
// The driver behind the binding: the port table built from the channel
// providers, the search, and one PortEngine per channel. Free of Qt; the Qt
// SerialBus backends come in as providers (QtCanProviders.h).
//
// Thread-safe: every operation may be called from any thread, also from
// inside callbacks.

#include "CanChannel.h"
#include "Clock.h"
#include "PortEngine.h"
#include "ZarvoApi.h"

#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// One row of the port table.
struct ChannelInfo {
    std::string key; // unique and stable per channel, e.g. "socketcan/can0"
    uint32_t typeCode = 0;
    uint32_t moduleNumber = 0;
    std::string name;    // at most kZarvoTextSize - 1 characters are shown
    std::string version; // likewise
    uint8_t moduleCanPort = 0;
    std::array<uint8_t, 4> ip{}; // modules with an IP address (type 1000)
};

class ChannelProvider {
public:
    virtual ~ChannelProvider() = default;
    // The channels this backend offers now. Called on the thread that builds
    // the table (never on a backend's own thread); may take a while.
    virtual std::vector<ChannelInfo> scan() = 0;
    virtual std::unique_ptr<CanChannel> create(const ChannelInfo& info) = 0;
    // What the driver information text says about this backend after a scan,
    // e.g. "SocketCAN: can0 vcan0"; empty when there is nothing to say.
    virtual std::string summary() const = 0;
};

inline constexpr const char* kDriverVersion = KESTREL_DRIVER_VERSION;

class Driver {
public:
    explicit Driver(std::vector<std::unique_ptr<ChannelProvider>> providers,
                    const Clock& clock = steadyClock());
    // Stops a running search and closes every port.
    ~Driver();
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    int32_t getDriverInfo(char* info) const;
    int32_t startSearch();
    int32_t getSearchProgress(uint8_t* percent) const;
    int32_t getPortTable(uint8_t* count, uint32_t* typeCodes, uint32_t* moduleNumbers,
                         uint8_t* moduleArea, char* names, char* versions,
                         uint8_t* moduleCanPorts) const;
    int32_t openPort(uint8_t port, uint32_t bitRate);
    int32_t closePort(uint8_t port);
    int32_t readFrame(uint8_t port, uint32_t* id, uint8_t* mode, uint8_t* rtr, uint8_t* len,
                      uint8_t* data, uint64_t* timeStamp);
    int32_t getRxCount(uint8_t port, uint16_t* count) const;
    int32_t getPortStatus(uint8_t port, uint32_t* status, uint32_t* second) const;
    int32_t getModuleIP(uint32_t moduleNumber, uint8_t* ip) const;
    int32_t sendGroup(uint8_t port, uint8_t group, uint8_t n, const type_ZarvoMsg* msgs,
                      const int32_t* intervals, const int32_t* times, const int32_t* terminals);
    int32_t stopGroup(uint8_t port, uint8_t group);
    int32_t setTxCallback(uint8_t port, uint8_t group, ZarvoTxCallback callback);
    int32_t setGroupCount(uint8_t port, uint8_t count);
    int32_t setRxCallback(uint8_t port, uint8_t group, ZarvoRxCallback callback);
    int32_t setResponseID(uint8_t port, uint8_t group, int32_t id);

    // Traces every frame the port transmits and receives into `sink` until
    // stopTrace(); a trace already running on the port is finished first.
    // The interface name of the trace is the port's: the channel's name
    // ("can0") or the backend and its number ("simulator0").
    int32_t startTrace(uint8_t port, std::unique_ptr<TraceSink> sink);
    // Ends the port's trace: every frame still buffered reaches the sink,
    // whose finish() has run when this returns. Harmless without a trace.
    int32_t stopTrace(uint8_t port);
    // A listener beside the trace: every frame the port transmits and
    // receives also goes to `sink` until removeTap(`tapId`). Ids are unique
    // in the driver and never 0.
    int32_t addTap(uint8_t port, std::unique_ptr<TraceSink> sink, uint64_t& tapId);
    // Like stopTrace() for the tap added as `tapId`; harmless for an unknown id.
    void removeTap(uint64_t tapId);
    // The interface name a trace of `port` carries; empty for an unknown port.
    std::string traceName(uint8_t port) const;

    // Receive queues of their own (ZarvoReader.h). A reader stays with the
    // channel of the port it was opened on, also when a search renumbers the table.
    int32_t openReader(uint8_t port, uint32_t* reader);
    int32_t closeReader(uint32_t reader);
    int32_t getReaderRxCount(uint32_t reader, uint16_t* count);
    int32_t readReaderFrame(uint32_t reader, uint32_t* id, uint8_t* mode, uint8_t* rtr,
                            uint8_t* len, uint8_t* data, uint64_t* timeStamp);
    int32_t getReaderDropped(uint32_t reader, uint64_t* dropped) const;

    // The engine of a port in the table (null when there is no such port).
    std::shared_ptr<PortEngine> engine(uint8_t port) const;
    // Closes every open port (program exit).
    void closeAll();

private:
    struct Provided {
        ChannelInfo info;
        ChannelProvider* provider = nullptr;
    };

    std::vector<Provided> scanAll(bool reportProgress);
    void install(std::vector<Provided> table);
    void logBadCall(const char* op, uint8_t port, int32_t result) const;
    std::shared_ptr<PortEngine> readerEngine(uint32_t reader) const;

    const std::vector<std::unique_ptr<ChannelProvider>> providers_;
    const Clock& clock_;

    mutable std::mutex mutex_;
    std::vector<Provided> table_;
    // Every channel ever listed keeps its engine, so that an open port
    // survives a search that renumbers the table.
    std::map<std::string, std::shared_ptr<PortEngine>> engines_;
    std::map<std::string, std::string> openNotes_; // what opening each port had to say
    std::map<uint32_t, std::shared_ptr<PortEngine>> readers_;
    uint32_t lastReader_ = PortEngine::kPortQueue;
    std::map<uint64_t, std::shared_ptr<PortEngine>> tapOwners_; // addTap()'s ids
    uint64_t lastTapId_ = 0;

    std::mutex searchMutex_; // serialises startSearch() and the destructor
    std::thread search_;
    std::atomic<int> progress_{100};
};
