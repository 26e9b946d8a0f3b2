// libFuzzer target for TrendCAN.ini. Any file is read or refused with a
// conversion or file error; tables that were read, written and read again
// write the same file again.

#include "ConfigFile.h"
#include "Convert.h"
#include "FuzzFile.h"
#include "IniFile.h"
#include "TrendTables.h"

namespace {

bool Read(const QString& path) {
    try {
        const TrendReadResult result = ReadTrendCANIni(path);
        if (result.status != 0 || Global_TrendCAN.TrendCAN_Count > kMaxTrendCAN ||
            Global_Formula.Formula_Count > kMaxFormulas)
            __builtin_trap();
        return true;
    } catch (const ConvertError&) {
    } catch (const IniFileError&) {
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!Read(WriteFuzzFile(QStringLiteral("TrendCAN.ini"), data, size)))
        return 0;
    const uint16_t entries = Global_TrendCAN.TrendCAN_Count;
    const uint16_t formulas = Global_Formula.Formula_Count;
    CheckRoundTrip(WriteTrendCANIni, [entries, formulas](const QString& path) {
        return Read(path) && Global_TrendCAN.TrendCAN_Count == entries &&
               Global_Formula.Formula_Count == formulas;
    });
    return 0;
}
