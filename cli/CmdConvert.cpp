// kestrel-cli convert IN OUT: a bus trace from one log format into the other,
// each chosen by the file's name (".asc" Vector ASC, any other candump).
//
// Exit codes: 0 done, 2 IN is missing, unreadable or refused (its line is
// named), 5 OUT cannot be written (an OUT that was there stays as it was),
// 64 wrong arguments.

#include "CliOptions.h"
#include "Commands.h"
#include "TraceFile.h"

#include <QFile>
#include <QSaveFile>
#include <cstdio>

namespace {

constexpr int kExitNotWritten = 5;

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Every record of `trace` into `path`, through a temporary file that
// replaces `path` only once it is complete.
bool WriteTrace(const QString& path, const TraceFile& trace) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const std::unique_ptr<TraceLineFormat> format = makeTraceLineFormat(LocalPath(path));
    std::vector<std::string> lines;
    const auto put = [&] {
        for (const std::string& line : lines) {
            file.write(line.data(), static_cast<qint64>(line.size()));
            file.putChar('\n');
        }
        lines.clear();
    };
    for (const CandumpRecord& record : trace.records) {
        format->frameLines(record, lines);
        put();
    }
    format->closingLines(lines);
    put();
    return file.commit(); // false when any write failed
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
    if (!WriteTrace(args[1], trace)) {
        PrintError(QStringLiteral("%1: cannot be written").arg(args[1]));
        return kExitNotWritten;
    }
    std::printf("%zu frames converted; %llu comment lines and %llu event lines left out\n",
                trace.records.size(), static_cast<unsigned long long>(trace.skipped.comments),
                static_cast<unsigned long long>(trace.skipped.events));
    return 0;
}
