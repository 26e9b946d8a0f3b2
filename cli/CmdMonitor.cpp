// kestrel-cli monitor: every frame the port sends and receives, as candump
// log lines on standard output (or into a candump or ASC log), through the
// driver's trace tap, so that scripts that read candump read it too.
//
// Exit codes: 0 stopped after --duration or by SIGINT/SIGTERM, 2 Zarvo.ini is
// missing or unreadable, 3 the port check failed or the port cannot be opened
// or traced, 5 the --log/--asc file cannot be written, 64 wrong arguments.

#include "AppPaths.h"
#include "AscLog.h"
#include "CliOptions.h"
#include "Commands.h"
#include "Globals.h"
#include "StopSignals.h"
#include "TraceFile.h"
#include "ZarvoApi.h"
#include "ZarvoCodes.h"
#include "ZarvoIni.h"
#include "ZarvoTrace.h"

#include <QFile>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>
#include <vector>

namespace {

constexpr int kExitNotWritten = 5;

// candump's filter: a frame passes when its identifier and `id` agree in
// every bit of `mask`.
struct IdFilter {
    uint32_t id = 0;
    uint32_t mask = 0x1FFFFFFF;

    bool passes(uint32_t frameId) const { return (frameId & mask) == (id & mask); }
};

struct MonitorArgs {
    PortOptions portOptions;
    std::optional<std::chrono::milliseconds> duration;
    std::vector<IdFilter> filters; // any of them; none: every frame
    QString log;                   // candump log file
    QString asc;                   // ASC log file
};

std::optional<uint32_t> HexId(const QString& text) {
    bool ok = false;
    const uint32_t value = text.toUInt(&ok, 16);
    const bool digitsOnly =
        !text.isEmpty() && !text.contains(QLatin1Char('x'), Qt::CaseInsensitive);
    return ok && digitsOnly && value <= 0x1FFFFFFF ? std::optional(value) : std::nullopt;
}

// "ID" or "ID:MASK", hexadecimal.
std::optional<IdFilter> ParseFilter(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(':'));
    const std::optional<uint32_t> id = HexId(parts[0]);
    const std::optional<uint32_t> mask = parts.size() == 2 ? HexId(parts[1]) : 0x1FFFFFFF;
    if (!id || !mask || parts.size() > 2)
        return std::nullopt;
    return IdFilter{*id, *mask};
}

bool ApplyOption(MonitorArgs& args, const QString& name, const QString& value) {
    if (const std::optional<bool> applied = args.portOptions.apply(name, value))
        return *applied;
    if (name == QLatin1String("--duration")) {
        args.duration = Seconds(value);
        return args.duration.has_value();
    }
    if (name == QLatin1String("--filter")) {
        const std::optional<IdFilter> filter = ParseFilter(value);
        if (filter)
            args.filters.push_back(*filter);
        return filter.has_value();
    }
    QString* file = name == QLatin1String("--log")   ? &args.log
                    : name == QLatin1String("--asc") ? &args.asc
                                                     : nullptr;
    if (!file || !file->isEmpty() || value.isEmpty())
        return false;
    *file = value;
    return true;
}

std::optional<MonitorArgs> ParseArgs(const QStringList& list) {
    MonitorArgs args;
    for (qsizetype i = 0; i < list.size(); i += 2) {
        if (i + 1 == list.size() || !ApplyOption(args, list[i], list[i + 1]))
            return std::nullopt;
    }
    return args;
}

// Candump lines on standard output, each flushed at once for a reader on a pipe.
class StdoutSink final : public TraceSink {
public:
    void write(const CandumpRecord& record) override {
        std::printf("%s\n", formatCandumpLine(record).c_str());
        std::fflush(stdout);
    }
    void finish(uint64_t dropped) override {
        if (dropped > 0)
            std::printf("%s\n", CandumpFormat().comment(droppedFramesNote(dropped)).c_str());
        std::fflush(stdout);
    }
};

// What the monitor's sink reports back once the trace is over (the sink
// itself goes with the driver's tap).
struct Outcome {
    std::atomic<bool> complete{false};
};

// Hands the frames that pass a filter to every output.
class MonitorSink final : public TraceSink {
public:
    MonitorSink(std::vector<IdFilter> filters, Outcome& outcome)
        : filters_(std::move(filters)), outcome_(outcome) {}

    void add(std::unique_ptr<TraceSink> output, TraceFileSink* file) {
        outputs_.push_back(std::move(output));
        if (file)
            files_.push_back(file);
    }
    void write(const CandumpRecord& record) override {
        const auto passes = [&](const IdFilter& f) { return f.passes(record.frame.id); };
        if (!filters_.empty() && std::none_of(filters_.begin(), filters_.end(), passes))
            return;
        for (const auto& output : outputs_)
            output->write(record);
    }
    void finish(uint64_t dropped) override {
        for (const auto& output : outputs_)
            output->finish(dropped);
        outcome_.complete = std::all_of(files_.begin(), files_.end(),
                                        [](const TraceFileSink* f) { return f->complete(); });
    }

private:
    const std::vector<IdFilter> filters_;
    Outcome& outcome_;
    std::vector<std::unique_ptr<TraceSink>> outputs_;
    std::vector<TraceFileSink*> files_;
};

// The outputs the arguments ask for; null after telling which file cannot be created.
std::unique_ptr<MonitorSink> MakeSink(const MonitorArgs& args, Outcome& outcome) {
    auto sink = std::make_unique<MonitorSink>(args.filters, outcome);
    if (args.log.isEmpty() && args.asc.isEmpty())
        sink->add(std::make_unique<StdoutSink>(), nullptr);
    for (const auto& [path, asc] : {std::pair(args.log, false), std::pair(args.asc, true)}) {
        if (path.isEmpty())
            continue;
        std::unique_ptr<TraceLineFormat> format;
        if (asc)
            format = std::make_unique<AscFormat>();
        else
            format = std::make_unique<CandumpFormat>();
        auto file = std::make_unique<TraceFileSink>(QFile::encodeName(path).toStdString(),
                                                    std::move(format), TraceFileSink::kNoCap);
        if (!file->isOpen()) {
            PrintError(QStringLiteral("%1: cannot be written").arg(path));
            return nullptr;
        }
        TraceFileSink* raw = file.get();
        sink->add(std::move(file), raw);
    }
    return sink;
}

void WaitForStop(const MonitorArgs& args) {
    using Clock = std::chrono::steady_clock;
    const auto until = args.duration ? Clock::now() + *args.duration : Clock::time_point::max();
    constexpr std::chrono::milliseconds kSlice{10};
    while (!StopSignals::stopSignal() && Clock::now() < until)
        std::this_thread::sleep_for(kSlice);
}

} // namespace

int cmdMonitor(const QStringList& list, const ZarvoBinding& driver) {
    const std::optional<MonitorArgs> args = ParseArgs(list);
    if (!args)
        return usageError();
    StartLogging();
    try {
        if (args->portOptions.needZarvoIni())
            ReadZarvoIni(ProgramFolder());
    } catch (const std::exception& error) {
        PrintError(QString::fromUtf8(error.what()));
        return kExitNoFile;
    }
    args->portOptions.applyToGlobals();
    if (!CheckPortInTable(driver))
        return kExitNoPort;
    const StopSignals stopSignals;
    Outcome outcome;
    std::unique_ptr<MonitorSink> sink = MakeSink(*args, outcome);
    if (!sink)
        return kExitNotWritten;
    const int32_t traced =
        OpenZarvoPort(driver) ? driver.Zarvo_StartTrace(ZarvoPort, std::move(sink)) : -1;
    if (traced != kZarvoOk) {
        if (traced != -1)
            PrintError(QStringLiteral("Zarvo port %1 cannot be monitored (driver status %2)")
                           .arg(ZarvoPort)
                           .arg(traced));
        driver.Zarvo_ClosePort(ZarvoPort);
        sink.reset(); // closes the files, which hold nothing
        QFile::remove(args->log);
        QFile::remove(args->asc);
        return kExitNoPort;
    }
    WaitForStop(*args);
    driver.Zarvo_StopTrace(ZarvoPort); // every frame has reached the outputs, the files are closed
    driver.Zarvo_ClosePort(ZarvoPort);
    if (!outcome.complete) {
        PrintError(QStringLiteral("%1: cannot be written")
                       .arg(args->log.isEmpty() ? args->asc : args->log));
        return kExitNotWritten;
    }
    return 0;
}
