// libFuzzer target for Zarvo.ini. Any file is read, or refused with a
// conversion or file error that leaves the values as they were; values that
// were read are written back and read again unchanged.

#include "ConfigFile.h"
#include "FuzzFile.h"
#include "Globals.h"
#include "IniFile.h"
#include "ZarvoIni.h"

namespace {

// ReadZarvoIni's result; 1 when it threw. The values stay unchanged unless it gave 0.
int Read() {
    const uint8_t port = ZarvoPort;
    const uint32_t baudRate = ZarvoBaudRate;
    try {
        const int result = ReadZarvoIni(FuzzFolder());
        if (result != 0 && (ZarvoPort != port || ZarvoBaudRate != baudRate))
            __builtin_trap();
        return result;
    } catch (const ConvertError&) {
    } catch (const IniFileError&) {
    }
    if (ZarvoPort != port || ZarvoBaudRate != baudRate)
        __builtin_trap();
    return 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    WriteFuzzFile(QStringLiteral("Zarvo.ini"), data, size);
    ZarvoPort = 0xEE;
    ZarvoBaudRate = 12345;
    const int result = Read();
    if (result != 0 && result != -2 && result != 1)
        __builtin_trap();
    if (result != 0)
        return 0;
    const uint8_t port = ZarvoPort;
    const uint32_t baudRate = ZarvoBaudRate;
    WriteZarvoIni(FuzzFolder());
    ZarvoPort = static_cast<uint8_t>(port + 1);
    ZarvoBaudRate = baudRate + 1;
    if (Read() != 0 || ZarvoPort != port || ZarvoBaudRate != baudRate)
        __builtin_trap();
    return 0;
}
