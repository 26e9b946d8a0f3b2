// libFuzzer target for the test configuration reader as `kestrel-cli show`
// runs it. Any file either prints its table (exit 0) or is refused with exit
// 1 or 2; and a table that was read, written and read again writes the same
// file again. Run it with -close_fd_mask=3: show prints on stdout and stderr.

#include "Commands.h"
#include "ConfigFile.h"
#include "FuzzFile.h"
#include "Globals.h"

// kestrel-cli's usage text: show with one argument never asks for it.
int usageError() {
    __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int status = cmdShow({WriteFuzzFile(QStringLiteral("in.ini"), data, size)});
    if (status < 0 || status > 2)
        __builtin_trap();
    if (status != 0 || Global_CustomerCMD.CMD_Count == 0)
        return 0;
    const uint16_t count = Global_CustomerCMD.CMD_Count;
    CheckRoundTrip(WriteTestConfig, [count](const QString& path) {
        return ReadTestConfig(path).status == 0 && Global_CustomerCMD.CMD_Count == count;
    });
    return 0;
}
