// libFuzzer target for DBC files. Any file is read or refused with a file
// error; a database that was read decodes frames of every length, built from
// the input's own bytes, for every message, and finds each message by its
// identifier again.

#include "DbcDecode.h"
#include "DbcFile.h"
#include "FuzzFile.h"
#include "IniFile.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    dbc::Database db;
    try {
        db = dbc::loadDbcFile(WriteFuzzFile(QStringLiteral("bus.dbc"), data, size));
    } catch (const dbc::DbcError&) {
        return 0;
    } catch (const IniFileError&) {
        return 0;
    }
    std::uint8_t frame[64] = {};
    std::copy_n(data, std::min<std::size_t>(size, sizeof frame), frame);
    std::vector<dbc::DecodedValue> values;
    for (const dbc::Message& m : db.messages) {
        if (db.find(m.id, m.extended) != &m)
            __builtin_trap();
        for (std::size_t length = 0; length <= sizeof frame; ++length) {
            dbc::decodeFrame(m, frame, length, values);
            if (values.size() > m.signalList.size())
                __builtin_trap();
        }
    }
    return 0;
}
