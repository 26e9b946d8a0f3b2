#include "FakeZarvo.h"

#include "CandumpLog.h"
#include "ZarvoReader.h"
#include "ZarvoTrace.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<FakeZarvo*> g_current{nullptr};

FakeZarvo& current() {
    FakeZarvo* fake = g_current.load();
    if (!fake) {
        std::fputs("FakeZarvo: operation called after the fake was destroyed\n", stderr);
        std::abort();
    }
    return *fake;
}

void copyText(char* target, const std::string& text) {
    std::memset(target, 0, kZarvoTextSize);
    std::memcpy(target, text.data(), std::min<size_t>(text.size(), kZarvoTextSize - 1));
}

FakeZarvoCall makeCall(const char* op, uint32_t port = 0, uint8_t group = 0, int64_t value = 0) {
    FakeZarvoCall call;
    call.op = op;
    call.port = port;
    call.group = group;
    call.value = value;
    return call;
}

} // namespace

// The binding's operations: each records its call and answers from the fake's state.
struct FakeZarvoOps {
    static int32_t getDriverInfo(char* info) {
        FakeZarvo& f = current();
        FakeZarvoCall call = makeCall("Zarvo_GetDriverInfo");
        call.nullArgument = info == nullptr;
        if (info) {
            std::lock_guard lock(f.mutex_);
            const size_t n = std::min<size_t>(f.driverInfo_.size(), kZarvoDriverInfoSize - 1);
            std::memcpy(info, f.driverInfo_.data(), n);
            info[n] = '\0';
        }
        return f.record(std::move(call));
    }

    static int32_t startSearch() { return current().record(makeCall("Zarvo_StartSearch")); }

    static int32_t getSearchProgress(uint8_t* percent) {
        FakeZarvo& f = current();
        FakeZarvoCall call = makeCall("Zarvo_GetSearchProgress");
        call.nullArgument = percent == nullptr;
        if (percent) {
            std::lock_guard lock(f.mutex_);
            *percent = f.searchProgress_;
        }
        return f.record(std::move(call));
    }

    static int32_t getPortTable(uint8_t* count, uint32_t* typeCodes, uint32_t* moduleNumbers,
                                uint8_t* moduleArea, char* names, char* versions,
                                uint8_t* moduleCanPorts) {
        FakeZarvo& f = current();
        FakeZarvoCall call = makeCall("Zarvo_GetPortTable");
        call.nullArgument = count == nullptr;
        {
            std::lock_guard lock(f.mutex_);
            const size_t n = std::min<size_t>(f.ports_.size(), kZarvoMaxPorts);
            if (count)
                *count = static_cast<uint8_t>(n);
            if (moduleArea)
                std::memset(moduleArea, 0, kZarvoModuleAreaSize);
            for (size_t i = 0; i < n; ++i) {
                const FakeZarvoPort& p = f.ports_[i];
                if (typeCodes)
                    typeCodes[i] = p.typeCode;
                if (moduleNumbers)
                    moduleNumbers[i] = p.moduleNumber;
                if (names)
                    copyText(names + i * kZarvoTextSize, p.name);
                if (versions)
                    copyText(versions + i * kZarvoTextSize, p.version);
                if (moduleCanPorts)
                    moduleCanPorts[i] = p.moduleCanPort;
            }
        }
        return f.record(std::move(call));
    }

    static int32_t openPort(uint8_t port, uint32_t bitRate) {
        return current().record(makeCall("Zarvo_OpenPort", port, 0, bitRate));
    }

    static int32_t closePort(uint8_t port) {
        return current().record(makeCall("Zarvo_ClosePort", port));
    }

    static int32_t readFrame(uint8_t port, uint32_t* id, uint8_t* mode, uint8_t* rtr, uint8_t* len,
                             uint8_t* data, uint64_t* timeStamp) {
        FakeZarvo& f = current();
        FakeZarvoCall call = makeCall("Zarvo_ReadFrame", port);
        call.nullArgument = !id || !mode || !rtr || !len || !data;
        {
            std::lock_guard lock(f.mutex_);
            std::deque<FakeZarvoFrame>& queue = f.rxFrames_[port];
            if (!queue.empty() && !call.nullArgument) {
                const FakeZarvoFrame frame = queue.front();
                queue.pop_front();
                *id = frame.id;
                *mode = frame.mode;
                *rtr = frame.rtr;
                *len = frame.len;
                std::memcpy(data, frame.data.data(), 8);
                if (timeStamp)
                    *timeStamp = 0;
            }
        }
        return f.record(std::move(call));
    }

    static int32_t getRxCount(uint8_t port, uint16_t* count) {
        FakeZarvo& f = current();
        FakeZarvoCall call = makeCall("Zarvo_GetRxCount", port);
        call.nullArgument = count == nullptr;
        if (count) {
            std::lock_guard lock(f.mutex_);
            *count = static_cast<uint16_t>(std::min<size_t>(f.rxFrames_[port].size(), 0xFFFF));
        }
        return f.record(std::move(call));
    }

    static int32_t getPortStatus(uint8_t port, uint32_t* status, uint32_t* second) {
        FakeZarvo& f = current();
        FakeZarvoCall call = makeCall("Zarvo_GetPortStatus", port);
        call.nullArgument = status == nullptr;
        {
            std::lock_guard lock(f.mutex_);
            const auto it = f.statuses_.find(port);
            if (status)
                *status = it == f.statuses_.end() ? 0 : it->second;
            if (second)
                *second = 0;
        }
        return f.record(std::move(call));
    }

    static int32_t getModuleIP(uint32_t moduleNumber, uint8_t* ip) {
        FakeZarvo& f = current();
        FakeZarvoCall call = makeCall("Zarvo_GetModuleIP", moduleNumber);
        call.nullArgument = ip == nullptr;
        if (ip) {
            std::lock_guard lock(f.mutex_);
            std::memset(ip, 0, 4);
            for (const FakeZarvoPort& p : f.ports_) {
                if (p.moduleNumber == moduleNumber) {
                    std::memcpy(ip, p.ip.data(), 4);
                    break;
                }
            }
        }
        return f.record(std::move(call));
    }

    static int32_t sendGroup(uint8_t port, uint8_t group, uint8_t n, const type_ZarvoMsg* msgs,
                             const int32_t* intervals, const int32_t* times,
                             const int32_t* terminals) {
        FakeZarvoCall call = makeCall("Zarvo_SendGroup", port, group, n);
        call.nullArgument = n > 0 && (!msgs || !intervals || !times || !terminals);
        if (!call.nullArgument && n > 0) {
            call.msgs.assign(msgs, msgs + n);
            call.intervals.assign(intervals, intervals + n);
            call.times.assign(times, times + n);
            call.terminals.assign(terminals, terminals + n);
        }
        return current().record(std::move(call));
    }

    static int32_t stopGroup(uint8_t port, uint8_t group) {
        return current().record(makeCall("Zarvo_StopGroup", port, group));
    }

    static int32_t setTxCallback(uint8_t port, uint8_t group, ZarvoTxCallback callback) {
        FakeZarvo& f = current();
        FakeZarvoCall call = makeCall("Zarvo_SetTxCallback", port, group);
        call.callback = reinterpret_cast<void*>(callback);
        {
            std::lock_guard lock(f.mutex_);
            f.txCallbacks_[{port, group}] = callback;
        }
        return f.record(std::move(call));
    }

    static int32_t setGroupCount(uint8_t port, uint8_t count) {
        return current().record(makeCall("Zarvo_SetGroupCount", port, 0, count));
    }

    static int32_t setRxCallback(uint8_t port, uint8_t group, ZarvoRxCallback callback) {
        FakeZarvo& f = current();
        FakeZarvoCall call = makeCall("Zarvo_SetRxCallback", port, group);
        call.callback = reinterpret_cast<void*>(callback);
        {
            std::lock_guard lock(f.mutex_);
            f.rxCallbacks_[{port, group}] = callback;
        }
        return f.record(std::move(call));
    }

    static int32_t setResponseID(uint8_t port, uint8_t group, int32_t id) {
        return current().record(makeCall("Zarvo_SetResponseID", port, group, id));
    }

    // Like any driver but Kestrel's own, the fake cannot trace, tap or read
    // through readers of its own.
    static int32_t startTrace(uint8_t, std::unique_ptr<TraceSink>) { return kZarvoCannotTrace; }
    static int32_t stopTrace(uint8_t) { return kZarvoCannotTrace; }
    static int32_t addTap(uint8_t, std::unique_ptr<TraceSink>, uint64_t&) {
        return kZarvoCannotTrace;
    }
    static void removeTap(uint64_t) {}
    static int32_t openReader(uint8_t, uint32_t*) { return kZarvoNoReaders; }
    static int32_t closeReader(uint32_t) { return kZarvoNoReaders; }
    static int32_t readerRxCount(uint32_t, uint16_t*) { return kZarvoNoReaders; }
    static int32_t readReaderFrame(uint32_t, ZarvoFrameBuffer&) { return kZarvoNoReaders; }
    static int32_t readerDropped(uint32_t, uint64_t*) { return kZarvoNoReaders; }
};

const ZarvoBinding& FakeZarvo::binding() {
    static const ZarvoBinding table{
        FakeZarvoOps::getDriverInfo, FakeZarvoOps::startSearch,   FakeZarvoOps::getSearchProgress,
        FakeZarvoOps::getPortTable,  FakeZarvoOps::openPort,      FakeZarvoOps::closePort,
        FakeZarvoOps::readFrame,     FakeZarvoOps::getRxCount,    FakeZarvoOps::getPortStatus,
        FakeZarvoOps::getModuleIP,   FakeZarvoOps::sendGroup,     FakeZarvoOps::stopGroup,
        FakeZarvoOps::setTxCallback, FakeZarvoOps::setGroupCount, FakeZarvoOps::setRxCallback,
        FakeZarvoOps::setResponseID, FakeZarvoOps::startTrace,    FakeZarvoOps::stopTrace,
        FakeZarvoOps::addTap,        FakeZarvoOps::removeTap,     FakeZarvoOps::openReader,
        FakeZarvoOps::closeReader,   FakeZarvoOps::readerRxCount, FakeZarvoOps::readReaderFrame,
        FakeZarvoOps::readerDropped,
    };
    return table;
}

FakeZarvo::FakeZarvo() {
    FakeZarvo* expected = nullptr;
    if (!g_current.compare_exchange_strong(expected, this)) {
        std::fputs("FakeZarvo: only one fake may exist at a time\n", stderr);
        std::abort();
    }
}

FakeZarvo::~FakeZarvo() {
    g_current.store(nullptr);
}

int32_t FakeZarvo::record(FakeZarvoCall call) {
    std::lock_guard lock(mutex_);
    const auto it = results_.find(call.op);
    const int32_t result = it == results_.end() ? 0 : it->second;
    calls_.push_back(std::move(call));
    called_.notify_all();
    return result;
}

void FakeZarvo::setPorts(std::vector<FakeZarvoPort> ports) {
    std::lock_guard lock(mutex_);
    ports_ = std::move(ports);
}

void FakeZarvo::setPortCount(uint8_t count) {
    setPorts(std::vector<FakeZarvoPort>(count));
}

void FakeZarvo::setPortStatus(uint8_t port, uint32_t status) {
    std::lock_guard lock(mutex_);
    statuses_[port] = status;
}

void FakeZarvo::setSearchProgress(uint8_t percent) {
    std::lock_guard lock(mutex_);
    searchProgress_ = percent;
}

void FakeZarvo::setDriverInfo(const std::string& info) {
    std::lock_guard lock(mutex_);
    driverInfo_ = info;
}

void FakeZarvo::pushRxFrame(uint8_t port, const FakeZarvoFrame& frame) {
    std::lock_guard lock(mutex_);
    rxFrames_[port].push_back(frame);
}

void FakeZarvo::setResult(const std::string& op, int32_t result) {
    std::lock_guard lock(mutex_);
    results_[op] = result;
}

std::vector<FakeZarvoCall> FakeZarvo::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<FakeZarvoCall> FakeZarvo::calls(const std::string& op) const {
    std::lock_guard lock(mutex_);
    std::vector<FakeZarvoCall> matching;
    std::copy_if(calls_.begin(), calls_.end(), std::back_inserter(matching),
                 [&](const FakeZarvoCall& c) { return c.op == op; });
    return matching;
}

std::vector<std::string> FakeZarvo::callNames() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (const FakeZarvoCall& c : calls_)
        names.push_back(c.op);
    return names;
}

void FakeZarvo::clearCalls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

bool FakeZarvo::waitForCalls(const std::string& op, size_t count,
                             std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return called_.wait_for(lock, timeout, [&] {
        return static_cast<size_t>(std::count_if(calls_.begin(), calls_.end(), [&](const auto& c) {
                   return c.op == op;
               })) >= count;
    });
}

ZarvoTxCallback FakeZarvo::txCallback(uint8_t port, uint8_t group) const {
    std::lock_guard lock(mutex_);
    const auto it = txCallbacks_.find({port, group});
    return it == txCallbacks_.end() ? nullptr : it->second;
}

ZarvoRxCallback FakeZarvo::rxCallback(uint8_t port, uint8_t group) const {
    std::lock_guard lock(mutex_);
    const auto it = rxCallbacks_.find({port, group});
    return it == rxCallbacks_.end() ? nullptr : it->second;
}

bool FakeZarvo::fireTx(uint8_t port, uint8_t group, uint8_t state) {
    const ZarvoTxCallback callback = txCallback(port, group);
    if (!callback)
        return false;
    callback(port, group, &state);
    return true;
}

bool FakeZarvo::fireRx(uint8_t port, uint8_t group, const FakeZarvoFrame& frame) {
    const ZarvoRxCallback callback = rxCallback(port, group);
    if (!callback)
        return false;
    std::array<uint8_t, 8> data = frame.data;
    callback(port, group, frame.id, frame.mode, frame.rtr, frame.len, data.data());
    return true;
}
