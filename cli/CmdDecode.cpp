// kestrel-cli decode: the frames of a recorded trace (candump or ASC log) decoded
// with a signal database, as text or as one JSON object per frame.
//
// Exit codes: 0 done, 2 the database or the trace is missing, unreadable or
// refused (a line that is no frame stops the output there), 64 wrong arguments.

#include "CliOptions.h"
#include "Commands.h"
#include "DbcDecode.h"
#include "DbcFile.h"
#include "IniFile.h"
#include "TraceFile.h"

#include <cinttypes>
#include <cstdio>
#include <optional>

namespace {

struct DecodeArgs {
    QString dbc;
    QString trace;
    bool json = false;
};

std::optional<DecodeArgs> ParseArgs(const QStringList& list) {
    DecodeArgs args;
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list[i] == QLatin1String("--json")) {
            args.json = true;
        } else if (list[i] == QLatin1String("--dbc") && i + 1 < list.size() && args.dbc.isEmpty()) {
            args.dbc = list[++i];
        } else if (!list[i].startsWith(QLatin1String("--")) && args.trace.isEmpty()) {
            args.trace = list[i];
        } else {
            return std::nullopt;
        }
    }
    if (args.dbc.isEmpty() || args.trace.isEmpty())
        return std::nullopt;
    return args;
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + '"';
}

// JSON has no NaN or infinity: such a value is null.
std::string JsonNumber(double value) {
    return std::isfinite(value) ? dbc::formatPhysical(value) : "null";
}

std::string TimeText(uint64_t timeUs) {
    char text[40];
    std::snprintf(text, sizeof text, "%" PRIu64 ".%06" PRIu64, timeUs / 1000000, timeUs % 1000000);
    return text;
}

// {"t": seconds, "id": number, "ext": bool, "name": "MSG", "signals": {"SIG": value, ...}}
std::string JsonLine(const CandumpRecord& r, const dbc::Message& m,
                     const std::vector<dbc::DecodedValue>& values) {
    std::string line = "{\"t\": " + TimeText(r.timeUs) + ", \"id\": " + std::to_string(r.frame.id) +
                       ", \"ext\": " + (r.frame.extended ? "true" : "false") +
                       ", \"name\": " + JsonString(m.name) + ", \"signals\": {";
    for (size_t i = 0; i < values.size(); ++i)
        line += (i ? ", " : "") + JsonString(values[i].signal->name) + ": " +
                JsonNumber(values[i].physical);
    return line + "}}";
}

std::string IdText(const CanFrame& f) {
    char text[16];
    std::snprintf(text, sizeof text, f.extended ? "%08X" : "%03X", f.id);
    return text;
}

// 1796811998.650411 3E8 Engine: Temp=22.5 degC, Gear=First
std::string TextLine(const CandumpRecord& r, const dbc::Message& m,
                     const std::vector<dbc::DecodedValue>& values) {
    std::string line = TimeText(r.timeUs) + " " + IdText(r.frame) + " " + m.name + ":";
    for (size_t i = 0; i < values.size(); ++i) {
        const dbc::DecodedValue& v = values[i];
        line += (i ? ", " : " ") + v.signal->name + "=";
        line += v.label ? *v.label : dbc::physicalText(v);
    }
    return line;
}

std::string UnknownLine(const CandumpRecord& r) {
    std::string line = TimeText(r.timeUs) + " " + IdText(r.frame) + " (not in the database)";
    for (uint8_t k = 0; k < r.frame.len && !r.frame.remote; ++k) {
        char byte[4];
        std::snprintf(byte, sizeof byte, " %02X", r.frame.data[k]);
        line += byte;
    }
    return line;
}

// Decodes the trace (candump or ASC, by its name) frame by frame: a trace
// may be far larger than memory should hold. False after saying why the file
// cannot be read, or at which line it stops.
bool DecodeTrace(const DecodeArgs& args, const dbc::Database& db, uint64_t& unknown) {
    std::vector<dbc::DecodedValue> values;
    const auto print = [&](const CandumpRecord& r, std::string&) {
        const dbc::Message* m = db.find(r.frame.id, r.frame.extended);
        if (m == nullptr)
            ++unknown;
        if (m == nullptr && args.json)
            return true;
        if (m != nullptr) // a remote frame carries no values
            dbc::decodeFrame(*m, r.frame.data.data(), r.frame.remote ? 0 : r.frame.len, values);
        const std::string text = m == nullptr ? UnknownLine(r)
                                 : args.json  ? JsonLine(r, *m, values)
                                              : TextLine(r, *m, values);
        std::printf("%s\n", text.c_str());
        return true;
    };
    TraceSkips skipped;
    std::string error;
    if (readTraceFile(args.trace.toStdString(), print, skipped, error))
        return true;
    PrintError(QStringLiteral("Cannot read %1").arg(QString::fromStdString(error)));
    return false;
}

} // namespace

int cmdDecode(const QStringList& list) {
    const std::optional<DecodeArgs> args = ParseArgs(list);
    if (!args)
        return usageError();
    dbc::Database db;
    try {
        db = dbc::loadDbcFile(args->dbc);
    } catch (const std::exception& error) { // DbcError or IniFileError, both naming the file
        PrintError(QString::fromUtf8(error.what()));
        return kExitNoFile;
    }
    uint64_t unknown = 0;
    const bool read = DecodeTrace(*args, db, unknown);
    std::fflush(stdout);
    if (unknown > 0)
        PrintError(QStringLiteral("frames not in the database: %1").arg(unknown));
    return read ? 0 : kExitNoFile;
}
