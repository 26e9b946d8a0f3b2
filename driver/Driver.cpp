#include "Driver.h"

#include "DriverLog.h"
#include "ZarvoCodes.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

// The hardware window shows the information text from its 77th character on,
// so the first 76 characters are a fixed heading.
constexpr size_t kInfoHeadingSize = 76;

void copyText(char* target, const std::string& text, size_t size) {
    std::memset(target, 0, size);
    std::memcpy(target, text.data(), std::min(text.size(), size - 1));
}

std::vector<GroupMessage> groupMessages(uint8_t n, const type_ZarvoMsg* msgs,
                                        const int32_t* intervals, const int32_t* times,
                                        const int32_t* terminals) {
    std::vector<GroupMessage> messages(n);
    for (size_t k = 0; k < n; ++k)
        messages[k] = {frameFromMsg(msgs[k]), intervals[k], times[k], terminals[k]};
    return messages;
}

// A received frame into the caller's fields; the time stamp only when asked for.
int32_t copyFrameOut(const CanFrame& frame, uint32_t* id, uint8_t* mode, uint8_t* rtr, uint8_t* len,
                     uint8_t* data, uint64_t* timeStamp) {
    *id = frame.id;
    *mode = frame.extended ? 1 : 0;
    *rtr = frame.remote ? 1 : 0;
    *len = frame.len;
    std::memcpy(data, frame.data.data(), 8);
    if (timeStamp)
        *timeStamp = frame.timeStampUs;
    return kZarvoOk;
}

} // namespace

Driver::Driver(std::vector<std::unique_ptr<ChannelProvider>> providers, const Clock& clock)
    : providers_(std::move(providers)), clock_(clock) {
    install(scanAll(false));
}

Driver::~Driver() {
    {
        std::lock_guard lock(searchMutex_);
        if (search_.joinable())
            search_.join();
    }
    closeAll();
}

std::vector<Driver::Provided> Driver::scanAll(bool reportProgress) {
    std::vector<Provided> table;
    for (size_t i = 0; i < providers_.size(); ++i) {
        for (ChannelInfo& info : providers_[i]->scan())
            table.push_back({std::move(info), providers_[i].get()});
        if (reportProgress)
            progress_.store(static_cast<int>(99 * (i + 1) / providers_.size()));
    }
    if (table.size() > kZarvoMaxPorts) {
        driverLog("Zarvo: " + std::to_string(table.size()) +
                  " CAN channels found, only the first " + std::to_string(kZarvoMaxPorts) +
                  " get a port");
        table.resize(kZarvoMaxPorts);
    }
    return table;
}

void Driver::install(std::vector<Provided> table) {
    std::lock_guard lock(mutex_);
    table_ = std::move(table);
    for (size_t port = 0; port < table_.size(); ++port) {
        const Provided& row = table_[port];
        std::shared_ptr<PortEngine>& engine = engines_[row.info.key];
        if (!engine)
            engine = std::make_shared<PortEngine>(static_cast<uint8_t>(port),
                                                  row.provider->create(row.info), clock_);
        engine->setPortNumber(static_cast<uint8_t>(port));
    }
}

int32_t Driver::startSearch() {
    std::lock_guard lock(searchMutex_);
    if (progress_.load() < 100)
        return kZarvoOk; // one search at a time
    if (search_.joinable())
        search_.join();
    progress_.store(0);
    search_ = std::thread([this] {
        install(scanAll(true));
        progress_.store(100);
    });
    return kZarvoOk;
}

int32_t Driver::getSearchProgress(uint8_t* percent) const {
    if (!percent)
        return kZarvoBadArgument;
    *percent = static_cast<uint8_t>(progress_.load());
    return kZarvoOk;
}

int32_t Driver::getDriverInfo(char* info) const {
    if (!info)
        return kZarvoBadArgument;
    std::string heading = "Kestrel CAN port driver on Qt SerialBus and a built-in simulated bus.";
    heading.resize(kInfoHeadingSize, ' ');
    std::string text = heading + "Version " + kDriverVersion + ".";
    for (const auto& provider : providers_) {
        if (const std::string s = provider->summary(); !s.empty())
            text += " " + s + ".";
    }
    {
        std::lock_guard lock(mutex_);
        for (const auto& [key, note] : openNotes_)
            text += " " + note + ".";
    }
    copyText(info, text, kZarvoDriverInfoSize);
    return kZarvoOk;
}

int32_t Driver::getPortTable(uint8_t* count, uint32_t* typeCodes, uint32_t* moduleNumbers,
                             uint8_t* moduleArea, char* names, char* versions,
                             uint8_t* moduleCanPorts) const {
    if (!count)
        return kZarvoBadArgument;
    std::lock_guard lock(mutex_);
    *count = static_cast<uint8_t>(table_.size());
    if (moduleArea)
        std::memset(moduleArea, 0, kZarvoModuleAreaSize);
    for (size_t i = 0; i < table_.size(); ++i) {
        const ChannelInfo& row = table_[i].info;
        if (typeCodes)
            typeCodes[i] = row.typeCode;
        if (moduleNumbers)
            moduleNumbers[i] = row.moduleNumber;
        if (names)
            copyText(names + i * kZarvoTextSize, row.name, kZarvoTextSize);
        if (versions)
            copyText(versions + i * kZarvoTextSize, row.version, kZarvoTextSize);
        if (moduleCanPorts)
            moduleCanPorts[i] = row.moduleCanPort;
    }
    return kZarvoOk;
}

int32_t Driver::getModuleIP(uint32_t moduleNumber, uint8_t* ip) const {
    if (!ip)
        return kZarvoBadArgument;
    std::lock_guard lock(mutex_);
    const auto it = std::find_if(table_.begin(), table_.end(), [&](const Provided& row) {
        return row.info.typeCode == 1000 && row.info.moduleNumber == moduleNumber;
    });
    if (it == table_.end())
        return kZarvoUnknownModule;
    std::memcpy(ip, it->info.ip.data(), 4);
    return kZarvoOk;
}

std::shared_ptr<PortEngine> Driver::engine(uint8_t port) const {
    std::lock_guard lock(mutex_);
    if (port >= table_.size())
        return nullptr;
    return engines_.at(table_[port].info.key);
}

std::string Driver::traceName(uint8_t port) const {
    std::lock_guard lock(mutex_);
    if (port >= table_.size())
        return {};
    const std::string& key = table_[port].info.key; // "backend/channel"
    const size_t slash = key.find('/');
    const std::string channel = key.substr(slash + 1);
    const bool numbered = !channel.empty() && std::isdigit(static_cast<unsigned char>(channel[0]));
    return numbered ? key.substr(0, slash) + channel : channel;
}

int32_t Driver::startTrace(uint8_t port, std::unique_ptr<TraceSink> sink) {
    const std::shared_ptr<PortEngine> e = engine(port);
    if (!e || !sink)
        return e ? kZarvoBadArgument : kZarvoUnknownPort;
    auto tap = std::make_shared<TraceTap>(std::move(sink), traceName(port), clock_);
    if (const std::shared_ptr<TraceTap> old = e->setTrace(std::move(tap)))
        old->finish();
    return kZarvoOk;
}

int32_t Driver::stopTrace(uint8_t port) {
    const std::shared_ptr<PortEngine> e = engine(port);
    if (!e)
        return kZarvoUnknownPort;
    if (const std::shared_ptr<TraceTap> old = e->setTrace(nullptr))
        old->finish();
    return kZarvoOk;
}

int32_t Driver::addTap(uint8_t port, std::unique_ptr<TraceSink> sink, uint64_t& tapId) {
    const std::shared_ptr<PortEngine> e = engine(port);
    if (!e || !sink)
        return e ? kZarvoBadArgument : kZarvoUnknownPort;
    auto tap = std::make_shared<TraceTap>(std::move(sink), traceName(port), clock_);
    {
        std::lock_guard lock(mutex_);
        tapId = ++lastTapId_;
        tapOwners_.emplace(tapId, e);
    }
    e->addTap(tapId, std::move(tap));
    return kZarvoOk;
}

void Driver::removeTap(uint64_t tapId) {
    std::shared_ptr<PortEngine> e;
    {
        std::lock_guard lock(mutex_);
        const auto it = tapOwners_.find(tapId);
        if (it == tapOwners_.end())
            return;
        e = std::move(it->second);
        tapOwners_.erase(it);
    }
    if (const std::shared_ptr<TraceTap> tap = e->removeTap(tapId))
        tap->finish();
}

void Driver::logBadCall(const char* op, uint8_t port, int32_t result) const {
    if (result != kZarvoOk)
        driverLog(std::string(op) + "(" + std::to_string(port) + ") Error! (" +
                  std::to_string(result) + ")");
}

int32_t Driver::openPort(uint8_t port, uint32_t bitRate) {
    const std::shared_ptr<PortEngine> e = engine(port);
    if (!e) {
        logBadCall("Zarvo_OpenPort", port, kZarvoUnknownPort);
        return kZarvoUnknownPort;
    }
    std::string note;
    const int32_t result = e->open(bitRate, note);
    // The information text keeps what the latest opening had to say, also
    // through later calls on the open port.
    const std::string latest = e->openNote();
    {
        std::lock_guard lock(mutex_);
        const std::string& key = table_.size() > port ? table_[port].info.key : std::string();
        if (latest.empty())
            openNotes_.erase(key);
        else
            openNotes_[key] = "Port " + std::to_string(port) + ": " + latest;
    }
    if (!note.empty())
        driverLog("Zarvo_OpenPort(" + std::to_string(port) + "): " + note);
    logBadCall("Zarvo_OpenPort", port, result);
    return result;
}

int32_t Driver::closePort(uint8_t port) {
    const std::shared_ptr<PortEngine> e = engine(port);
    return e ? e->close() : kZarvoUnknownPort;
}

void Driver::closeAll() {
    std::map<std::string, std::shared_ptr<PortEngine>> engines;
    {
        std::lock_guard lock(mutex_);
        engines = engines_;
    }
    for (auto& [key, e] : engines)
        e->close();
}

int32_t Driver::readFrame(uint8_t port, uint32_t* id, uint8_t* mode, uint8_t* rtr, uint8_t* len,
                          uint8_t* data, uint64_t* timeStamp) {
    const std::shared_ptr<PortEngine> e = engine(port);
    if (!e)
        return kZarvoUnknownPort;
    if (!id || !mode || !rtr || !len || !data)
        return kZarvoBadArgument;
    CanFrame frame;
    const int32_t result = e->readFrame(frame);
    return result == kZarvoOk ? copyFrameOut(frame, id, mode, rtr, len, data, timeStamp) : result;
}

std::shared_ptr<PortEngine> Driver::readerEngine(uint32_t reader) const {
    std::lock_guard lock(mutex_);
    const auto it = readers_.find(reader);
    return it == readers_.end() ? nullptr : it->second;
}

int32_t Driver::openReader(uint8_t port, uint32_t* reader) {
    if (!reader)
        return kZarvoBadArgument;
    const std::shared_ptr<PortEngine> e = engine(port);
    if (!e)
        return kZarvoUnknownPort;
    {
        std::lock_guard lock(mutex_);
        // Numbers are not used again, so a stale number never reads another queue.
        *reader = ++lastReader_;
        readers_[*reader] = e;
    }
    e->addReader(*reader);
    return kZarvoOk;
}

int32_t Driver::closeReader(uint32_t reader) {
    std::shared_ptr<PortEngine> e;
    {
        std::lock_guard lock(mutex_);
        const auto it = readers_.find(reader);
        if (it == readers_.end())
            return kZarvoUnknownReader;
        e = std::move(it->second);
        readers_.erase(it);
    }
    e->removeReader(reader);
    return kZarvoOk;
}

int32_t Driver::getReaderRxCount(uint32_t reader, uint16_t* count) {
    if (!count)
        return kZarvoBadArgument;
    const std::shared_ptr<PortEngine> e = readerEngine(reader);
    return e ? e->rxCount(*count, reader) : kZarvoUnknownReader;
}

int32_t Driver::readReaderFrame(uint32_t reader, uint32_t* id, uint8_t* mode, uint8_t* rtr,
                                uint8_t* len, uint8_t* data, uint64_t* timeStamp) {
    if (!id || !mode || !rtr || !len || !data)
        return kZarvoBadArgument;
    const std::shared_ptr<PortEngine> e = readerEngine(reader);
    if (!e)
        return kZarvoUnknownReader;
    CanFrame frame;
    const int32_t result = e->readFrame(frame, reader);
    return result == kZarvoOk ? copyFrameOut(frame, id, mode, rtr, len, data, timeStamp) : result;
}

int32_t Driver::getReaderDropped(uint32_t reader, uint64_t* dropped) const {
    if (!dropped)
        return kZarvoBadArgument;
    const std::shared_ptr<PortEngine> e = readerEngine(reader);
    return e ? e->readerDropped(reader, *dropped) : kZarvoUnknownReader;
}

int32_t Driver::getRxCount(uint8_t port, uint16_t* count) const {
    if (!count)
        return kZarvoBadArgument;
    const std::shared_ptr<PortEngine> e = engine(port);
    return e ? e->rxCount(*count) : kZarvoUnknownPort;
}

int32_t Driver::getPortStatus(uint8_t port, uint32_t* status, uint32_t* second) const {
    if (!status)
        return kZarvoBadArgument;
    const std::shared_ptr<PortEngine> e = engine(port);
    if (!e)
        return kZarvoUnknownPort;
    *status = e->status();
    if (second)
        *second = static_cast<uint32_t>(std::min<uint64_t>(e->droppedFrames(), UINT32_MAX));
    return kZarvoOk;
}

int32_t Driver::sendGroup(uint8_t port, uint8_t group, uint8_t n, const type_ZarvoMsg* msgs,
                          const int32_t* intervals, const int32_t* times,
                          const int32_t* terminals) {
    const std::shared_ptr<PortEngine> e = engine(port);
    int32_t result = kZarvoUnknownPort;
    if (e && n > 0 && (!msgs || !intervals || !times || !terminals))
        result = kZarvoBadArgument;
    else if (e)
        result = e->sendGroup(group, groupMessages(n, msgs, intervals, times, terminals));
    logBadCall("Zarvo_SendGroup", port, result);
    return result;
}

int32_t Driver::stopGroup(uint8_t port, uint8_t group) {
    const std::shared_ptr<PortEngine> e = engine(port);
    return e ? e->stopGroup(group) : kZarvoUnknownPort;
}

int32_t Driver::setTxCallback(uint8_t port, uint8_t group, ZarvoTxCallback callback) {
    const std::shared_ptr<PortEngine> e = engine(port);
    const int32_t result = e ? e->setTxCallback(group, callback) : kZarvoUnknownPort;
    logBadCall("Zarvo_SetTxCallback", port, result);
    return result;
}

int32_t Driver::setGroupCount(uint8_t port, uint8_t count) {
    const std::shared_ptr<PortEngine> e = engine(port);
    const int32_t result = e ? e->setGroupCount(count) : kZarvoUnknownPort;
    logBadCall("Zarvo_SetGroupCount", port, result);
    return result;
}

int32_t Driver::setRxCallback(uint8_t port, uint8_t group, ZarvoRxCallback callback) {
    const std::shared_ptr<PortEngine> e = engine(port);
    const int32_t result = e ? e->setRxCallback(group, callback) : kZarvoUnknownPort;
    logBadCall("Zarvo_SetRxCallback", port, result);
    return result;
}

int32_t Driver::setResponseID(uint8_t port, uint8_t group, int32_t id) {
    const std::shared_ptr<PortEngine> e = engine(port);
    return e ? e->setResponseId(group, id) : kZarvoUnknownPort;
}
