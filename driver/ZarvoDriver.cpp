// Kestrel's own CAN port driver behind the binding: the Qt SerialBus
// backends first, then the simulator ports.

#include "AppPaths.h"
#include "Driver.h"
#include "DriverLog.h"
#include "QtCanProviders.h"
#include "SimDeviceFile.h"
#include "SimProvider.h"
#include "SystemLog.h"
#include "ZarvoApi.h"

namespace {

std::vector<std::unique_ptr<ChannelProvider>> makeProviders() {
    std::vector<std::unique_ptr<ChannelProvider>> providers;
    providers.push_back(makeQtCanProvider(QtBackend::SocketCan));
    providers.push_back(makeQtCanProvider(QtBackend::PeakCan));
    providers.push_back(makeQtCanProvider(QtBackend::VirtualCan));
    providers.push_back(
        std::make_unique<SimProvider>([] { return LoadSimDeviceFile(ProgramFolder()); }));
    return providers;
}

std::vector<std::unique_ptr<ChannelProvider>> providersLoggingToSystemLog() {
    setDriverLogSink([](const std::string& line) { SystemLog(QString::fromStdString(line)); });
    return makeProviders();
}

// Built on the first call of any operation; the quick scan runs then. At
// process exit it closes every port and ends its threads.
Driver& driver() {
    static Driver instance(providersLoggingToSystemLog());
    return instance;
}

} // namespace

const ZarvoBinding& builtinZarvoBinding() {
    static const ZarvoBinding table{
        [](char* info) { return driver().getDriverInfo(info); },
        [] { return driver().startSearch(); },
        [](uint8_t* percent) { return driver().getSearchProgress(percent); },
        [](uint8_t* count, uint32_t* typeCodes, uint32_t* moduleNumbers, uint8_t* moduleArea,
           char* names, char* versions, uint8_t* moduleCanPorts) {
            return driver().getPortTable(count, typeCodes, moduleNumbers, moduleArea, names,
                                         versions, moduleCanPorts);
        },
        [](uint8_t port, uint32_t bitRate) { return driver().openPort(port, bitRate); },
        [](uint8_t port) { return driver().closePort(port); },
        [](uint8_t port, uint32_t* id, uint8_t* mode, uint8_t* rtr, uint8_t* len, uint8_t* data,
           uint64_t* timeStamp) {
            return driver().readFrame(port, id, mode, rtr, len, data, timeStamp);
        },
        [](uint8_t port, uint16_t* count) { return driver().getRxCount(port, count); },
        [](uint8_t port, uint32_t* status, uint32_t* second) {
            return driver().getPortStatus(port, status, second);
        },
        [](uint32_t module, uint8_t* ip) { return driver().getModuleIP(module, ip); },
        [](uint8_t port, uint8_t group, uint8_t n, const type_ZarvoMsg* msgs,
           const int32_t* intervals, const int32_t* times, const int32_t* terminals) {
            return driver().sendGroup(port, group, n, msgs, intervals, times, terminals);
        },
        [](uint8_t port, uint8_t group) { return driver().stopGroup(port, group); },
        [](uint8_t port, uint8_t group, ZarvoTxCallback callback) {
            return driver().setTxCallback(port, group, callback);
        },
        [](uint8_t port, uint8_t count) { return driver().setGroupCount(port, count); },
        [](uint8_t port, uint8_t group, ZarvoRxCallback callback) {
            return driver().setRxCallback(port, group, callback);
        },
        [](uint8_t port, uint8_t group, int32_t id) {
            return driver().setResponseID(port, group, id);
        },
        [](uint8_t port, std::unique_ptr<TraceSink> sink) {
            return driver().startTrace(port, std::move(sink));
        },
        [](uint8_t port) { return driver().stopTrace(port); },
        [](uint8_t port, std::unique_ptr<TraceSink> sink, uint64_t& tapId) {
            return driver().addTap(port, std::move(sink), tapId);
        },
        [](uint64_t tapId) { driver().removeTap(tapId); },
        [](uint8_t port, uint32_t* reader) { return driver().openReader(port, reader); },
        [](uint32_t reader) { return driver().closeReader(reader); },
        [](uint32_t reader, uint16_t* count) { return driver().getReaderRxCount(reader, count); },
        [](uint32_t reader, ZarvoFrameBuffer& f) {
            return driver().readReaderFrame(reader, &f.id, &f.mode, &f.rtr, &f.len, f.data,
                                            &f.timeStamp);
        },
        [](uint32_t reader, uint64_t* dropped) {
            return driver().getReaderDropped(reader, dropped);
        },
    };
    return table;
}
