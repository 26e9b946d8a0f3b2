// kestrel-cli convert IN OUT: a bus trace from one log format into the other,
// each chosen by the file's name (".asc" Vector ASC, any other candump).
//
// Exit codes: 0 done, 2 IN is missing, unreadable or refused (its line is
// named), 5 OUT cannot be written (an OUT that was there stays as it was),
// 64 wrong arguments.

#include "CliOptions.h"
#include "Commands.h"
#include "SafeFile.h"
#include "TraceFile.h"

#include <QFile>
#include <cstdio>

namespace {

constexpr int kExitNotWritten = 5;

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Every record of `trace` into `path`, through a temporary file that
// replaces `path` only once it is complete. Empty on success, else
// "PATH: reason".
std::string WriteTrace(const QString& path, const TraceFile& trace) {
    SafeFileWriter file(LocalPath(path));
    const std::unique_ptr<TraceLineFormat> format = makeTraceLineFormat(LocalPath(path));
    std::vector<std::string> lines;
    const auto put = [&] {
        for (const std::string& line : lines) {
            file.write(line);
            file.write("\n");
        }
        lines.clear();
    };
    for (const CandumpRecord& record : trace.records) {
        format->frameLines(record, lines);
        put();
    }
    format->closingLines(lines);
    put();
    file.commit(); // fails when any write failed
    return file.error();
}

} // namespace

int cmdConvert(const QStringList& args) {
    if (args.size() != 2 || args[0].startsWith(QLatin1String("--")) ||
        args[1].startsWith(QLatin1String("--")))
        return usageError();
    TraceFile trace;
    std::string error;
    if (!readTraceFile(LocalPath(args[0]), trace, error)) {
        PrintError(QString::fromStdString(error));
        return kExitNoFile;
    }
    if (const std::string failure = WriteTrace(args[1], trace); !failure.empty()) {
        PrintError(QString::fromStdString(failure));
        return kExitNotWritten;
    }
    std::printf("%zu frames converted; %llu comment lines and %llu event lines left out\n",
                trace.records.size(), static_cast<unsigned long long>(trace.skipped.comments),
                static_cast<unsigned long long>(trace.skipped.events));
    return 0;
}
