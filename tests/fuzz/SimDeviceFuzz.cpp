// libFuzzer target for SimDevice.ini. Any file gives a device (the default
// one when the file is refused) whose frames are valid CAN frames: an 11-bit
// frame never carries a 29-bit identifier, lengths stay within 8.

#include "DriverLog.h"
#include "FuzzFile.h"
#include "SimDeviceFile.h"

namespace {

void CheckFrame(const CanFrame& frame) {
    if (frame.len > 8 || frame.id > (frame.extended ? 0x1FFFFFFFu : 0x7FFu))
        __builtin_trap();
}

CanFrame Request(uint32_t id, bool extended, bool remote) {
    CanFrame frame;
    frame.id = id;
    frame.extended = extended;
    frame.remote = remote;
    frame.len = 8;
    return frame;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setDriverLogSink([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    WriteFuzzFile(QLatin1String(kSimDeviceFile), data, size);
    const SimDeviceConfig device = LoadSimDeviceFile(FuzzFolder());
    for (const SimBroadcast& broadcast : device.broadcasts) {
        for (const double seconds : {0.0, 0.25, 3.5, 1e6})
            CheckFrame(broadcast.frameAt(seconds));
    }
    for (const SimResponder& responder : device.responders) {
        for (const bool extended : {false, true}) {
            for (const bool remote : {false, true}) {
                const CanFrame request = Request(
                    responder.firstId & (extended ? 0x1FFFFFFFu : 0x7FFu), extended, remote);
                if (responder.matches(request) && responder.answers)
                    CheckFrame(responder.answer(request));
            }
        }
    }
    return 0;
}
