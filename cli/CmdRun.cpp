// kestrel-cli run: a test run over a test configuration file with the same
// run engine, callbacks and end-of-run checks as the main window, for scripts
// and CI.
//
// Exit codes: 0 every item under test passed, 1 an item failed (or got no
// response), 2 the file is missing, unreadable or holds no item, 3 the port
// check failed or the port cannot be opened, 4 the run was stopped at
// --timeout, 5 a result file (--junit, --csv, --report, --trace) cannot be written,
// 6 Zarvo.ini holds a value that is no number, 64 wrong arguments, a run that
// could never end by itself or an output that is the same file as the test
// configuration or another output, 130 / 143 stopped by SIGINT / SIGTERM (the
// outputs are still written, as by Stop). An item whose identifier does not
// fit its mode is refused with 2, before anything is sent.
//
// Reports are written only where asked: the main window's Reports folder with
// --report, so scripted runs do not fill it.

#include "AppPaths.h"
#include "CliOptions.h"
#include "Commands.h"
#include "ConfigFile.h"
#include "Convert.h"
#include "Globals.h"
#include "QueuedRunView.h"
#include "ResultGridFill.h"
#include "RunController.h"
#include "RunReport.h"
#include "SafeFile.h"
#include "StopSignals.h"
#include "ZarvoApi.h"
#include "ZarvoCodes.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamWriter>
#include <chrono>
#include <cstdio>
#include <optional>

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitTimeout = 4;
constexpr int kExitNotWritten = 5;

struct RunArgs {
    QString file;
    PortOptions portOptions;
    bool group = false;
    bool report = false; // a report in the Reports folder, as the main window leaves
    int item = 0;        // grid row of a single-item run; 0 tests all items
    std::optional<std::chrono::milliseconds> timeout;
    QString timeoutText; // the seconds of --timeout as given
    QString junit;
    QString csv;
    QString trace; // the run's bus trace, candump log format
};

// Applies option `name` with `value` to `args`; false when either is wrong.
bool ApplyOption(RunArgs& args, const QString& name, const QString& value) {
    if (const std::optional<bool> applied = args.portOptions.apply(name, value))
        return *applied;
    if (name == QLatin1String("--item")) {
        args.item = static_cast<int>(WholeNumber(value, 1, kMaxTestItems).value_or(0));
        return args.item > 0;
    }
    if (name == QLatin1String("--timeout")) {
        args.timeout = Seconds(value);
        args.timeoutText = value;
        return args.timeout.has_value();
    }
    QString* path = name == QLatin1String("--junit")   ? &args.junit
                    : name == QLatin1String("--csv")   ? &args.csv
                    : name == QLatin1String("--trace") ? &args.trace
                                                       : nullptr;
    if (path)
        *path = value;
    return path && !value.isEmpty();
}

std::optional<RunArgs> ParseArgs(const QStringList& list) {
    RunArgs args;
    for (int i = 0; i < list.size(); ++i) {
        const QString& arg = list[i];
        if (arg == QLatin1String("--group")) {
            args.group = true;
        } else if (arg == QLatin1String("--report")) {
            args.report = true;
        } else if (arg.startsWith(QLatin1String("--"))) {
            if (i + 1 >= list.size() || !ApplyOption(args, arg, list[++i]))
                return std::nullopt;
        } else if (args.file.isEmpty()) {
            args.file = arg;
        } else {
            return std::nullopt;
        }
    }
    // "Multiple Sent" decides how a test-all run hands its items over.
    if (args.file.isEmpty() || (args.group && args.item > 0))
        return std::nullopt;
    return args;
}

// Message boxes on the console: information on stdout, the rest on stderr.
class ConsoleDialogs : public UserDialogs {
public:
    void inform(const QString&, const QString& text) override {
        std::printf("%s\n", qUtf8Printable(text));
    }
    void warn(const QString&, const QString& text) override { PrintError(text); }
    void error(const QString&, const QString& text) override { PrintError(text); }
    bool confirm(const QString&, const QString&) override { return true; }
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&) override { return {}; }
};

// The run control's window on the console: the port warning is printed when
// it changes, and an item repeated until Stop is pointed out.
class ConsoleRunView : public QueuedRunView {
public:
    using QueuedRunView::QueuedRunView;

    void showSearchAgain(const QString& text) override {
        if (!text.isEmpty() && text != searchAgain_)
            PrintError(text);
        searchAgain_ = text;
    }
    void hideSearchAgain() override { searchAgain_.clear(); }
    void showSingleTransmit(int item) override {
        PrintError(QStringLiteral("item %1 is sent until the run is stopped").arg(item + 1));
    }

private:
    QString searchAgain_;
};

// Whether item number `item` (grid row - 1) is one the run tests.
bool UnderTest(const RunArgs& args, int item) {
    return args.item == 0 || item == args.item - 1;
}

// An item the run tested and why it failed; `failure` is empty when its verdict is accepted.
struct TestedItem {
    int item;
    QString failure;
};

// `stopped` tells how a run cut short (--timeout, a signal) ended; empty when it ended by itself.
std::vector<TestedItem> TestedItems(const std::vector<std::optional<Verdict>>& verdicts,
                                    const QString& stopped) {
    std::vector<TestedItem> tested;
    for (size_t item = 0; item < verdicts.size(); ++item) {
        if (!verdicts[item])
            continue;
        QString failure = verdicts[item]->failureText();
        if (verdicts[item]->outcome == Verdict::NotFinished && !stopped.isEmpty())
            failure += QStringLiteral(": ") + stopped;
        tested.push_back({static_cast<int>(item), failure});
    }
    return tested;
}

void PrintResults(const std::vector<ResultCells::Row>& rows,
                  const std::vector<TestedItem>& verdicts) {
    const QStringList headers = ResultHeaders();
    std::vector<qsizetype> widths;
    for (const QString& header : headers)
        widths.push_back(header.size());
    for (const TestedItem& v : verdicts)
        for (size_t c = 0; c < widths.size(); ++c)
            widths[c] = std::max(widths[c], rows[static_cast<size_t>(v.item)][c].size());
    auto printLine = [&widths](const auto& cells) {
        QString line;
        for (size_t c = 0; c < widths.size(); ++c)
            line += QStringLiteral("%1  ").arg(cells[c], -static_cast<int>(widths[c]));
        std::printf("%s\n", qUtf8Printable(line.trimmed()));
    };
    printLine(headers);
    for (const TestedItem& v : verdicts)
        printLine(rows[static_cast<size_t>(v.item)]);
}

// Writes the JUnit XML over `path`; empty, or "PATH: reason" when it cannot be written.
std::string WriteJUnit(const QString& path, const std::vector<ResultCells::Row>& rows,
                       const std::vector<TestedItem>& verdicts, const QString& stopped) {
    const QString suite = QFileInfo(CurrentConfigFile).completeBaseName();
    const auto failures = std::count_if(verdicts.begin(), verdicts.end(),
                                        [](const TestedItem& v) { return !v.failure.isEmpty(); });
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("testsuite"));
    xml.writeAttribute(QStringLiteral("name"), suite);
    xml.writeAttribute(QStringLiteral("tests"), QString::number(verdicts.size()));
    xml.writeAttribute(QStringLiteral("failures"), QString::number(failures));
    if (!stopped.isEmpty()) {
        xml.writeStartElement(QStringLiteral("properties"));
        xml.writeStartElement(QStringLiteral("property"));
        xml.writeAttribute(QStringLiteral("name"), StopSignals::stopSignal()
                                                       ? QStringLiteral("interrupted")
                                                       : QStringLiteral("timeout"));
        xml.writeAttribute(QStringLiteral("value"), stopped);
        xml.writeEndElement();
        xml.writeEndElement();
    }
    for (const TestedItem& v : verdicts) {
        const ResultCells::Row& row = rows[static_cast<size_t>(v.item)];
        xml.writeStartElement(QStringLiteral("testcase"));
        xml.writeAttribute(QStringLiteral("classname"), suite);
        xml.writeAttribute(QStringLiteral("name"), row[ResultCells::TestName]);
        if (!v.failure.isEmpty()) {
            xml.writeStartElement(QStringLiteral("failure"));
            xml.writeAttribute(QStringLiteral("message"), v.failure);
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndDocument();
    return WriteFileSafely(QFile::encodeName(path).toStdString(),
                           std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

// Refuses outputs that would overwrite the test configuration or each other;
// 0, or the exit code after telling which.
int CheckOutputs(const RunArgs& args) {
    const std::pair<const char*, QString> files[] = {
        {"FILE", args.file}, {"--junit", args.junit}, {"--csv", args.csv}, {"--trace", args.trace}};
    for (size_t i = 1; i < std::size(files); ++i) {
        for (size_t j = 0; j < i; ++j) {
            if (files[i].second.isEmpty() || files[j].second.isEmpty() ||
                !SameFile(files[i].second, files[j].second))
                continue;
            PrintError(QStringLiteral("%1 %2 is the same file as %3: it would be overwritten")
                           .arg(QLatin1String(files[i].first), files[i].second,
                                QLatin1String(files[j].first)));
            return kExitUsage;
        }
    }
    return 0;
}

// Loads the file and the driver settings; 0, or the exit code after telling why not.
int LoadSettings(const RunArgs& args) {
    try {
        const ReadResult read = ReadTestConfig(args.file);
        if (read.status != 0) {
            PrintError(QStringLiteral("%1: no such file").arg(args.file));
            return kExitNoFile;
        }
        PrintWarnings(read.warnings);
    } catch (const std::exception& error) {
        PrintError(QString::fromUtf8(error.what()));
        return kExitNoFile;
    }
    if (const int status = args.portOptions.readZarvoIni())
        return status;
    if (Global_CustomerCMD.CMD_Count == 0) {
        PrintError(QStringLiteral("%1: no test items").arg(args.file));
        return kExitNoFile;
    }
    args.portOptions.applyToGlobals();
    CurrentConfigFile = QFileInfo(args.file).absoluteFilePath();
    return 0;
}

// Refuses what the run could not carry out; 0, or the exit code after telling why.
int CheckItems(const RunArgs& args) {
    const type_CustomerCMD& t = Global_CustomerCMD;
    if (args.item > t.CMD_Count) {
        PrintError(
            QStringLiteral("--item %1: the file has %2 items").arg(args.item).arg(t.CMD_Count));
        return usageError();
    }
    const int masked = FirstIdNotFittingMode([&args](int item) { return UnderTest(args, item); });
    if (masked >= 0) {
        PrintError(QStringLiteral("item %1 \"%2\": TxCANID %3 is beyond the %4-bit identifiers "
                                  "(TxCANMode=%5): the run is refused")
                       .arg(masked + 1)
                       .arg(t.Description1[masked], HexText(t.TxCANID[masked], 3))
                       .arg(t.TxCANMode[masked] == 0 ? 11 : 29)
                       .arg(t.TxCANMode[masked]));
        return kExitNoFile;
    }
    // An item repeated until Stop never gets its End Time: only --timeout ends such a run.
    for (int item = 0; item < t.CMD_Count && !args.timeout; ++item) {
        if (UnderTest(args, item) && SentUntilStopped(t.TxLoopTimes[item])) {
            PrintError(QStringLiteral("item %1 \"%2\" has TxLoopTimes=%3 and is sent until the run "
                                      "is stopped: give --timeout S")
                           .arg(item + 1)
                           .arg(t.Description1[item])
                           .arg(t.TxLoopTimes[item]));
            return kExitUsage;
        }
    }
    return 0;
}

// Writes the result files asked for; false after telling which could not be written.
bool WriteOutputs(const RunArgs& args, const RunController& run,
                  const std::vector<TestedItem>& verdicts, const QString& stopped) {
    bool written = true;
    QString error;
    if (!args.csv.isEmpty() &&
        !WriteResultCsv(args.csv, ResultHeaders(), run.lastResults(), run.lastVerdicts(), &error)) {
        PrintError(error);
        written = false;
    }
    if (!args.junit.isEmpty()) {
        if (const std::string failure =
                WriteJUnit(args.junit, run.lastResults(), verdicts, stopped);
            !failure.empty()) {
            PrintError(QFile::decodeName(QByteArray::fromStdString(failure)));
            written = false;
        }
    }
    if (!args.trace.isEmpty() && run.lastTracePath().isEmpty()) {
        PrintError(QStringLiteral("%1: the trace cannot be written").arg(args.trace));
        written = false;
    }
    if (args.report && run.lastReportPath().isEmpty()) {
        PrintError(QStringLiteral("%1: the report cannot be written").arg(DefaultReportFolder()));
        written = false;
    } else if (args.report && args.trace.isEmpty() && run.lastTracePath().isEmpty()) {
        PrintError(QStringLiteral("%1: the report's trace cannot be written")
                       .arg(TracePathFor(run.lastReportPath())));
        written = false;
    }
    return written;
}

// How a run that did not end by itself was stopped: at --timeout or by a signal.
QString StoppedText(const RunArgs& args) {
    if (StopSignals::stopSignal())
        return QStringLiteral("interrupted by %1").arg(StopSignals::stopSignalName());
    return QStringLiteral("stopped after %1 s").arg(args.timeoutText);
}

// Prints the verdicts, writes the requested outputs and tells the exit code of a finished run.
int Report(const RunArgs& args, const RunController& run, bool ended) {
    const QString stopped = ended ? QString() : StoppedText(args);
    const std::vector<TestedItem> verdicts = TestedItems(run.lastVerdicts(), stopped);
    PrintResults(run.lastResults(), verdicts);
    if (!WriteOutputs(args, run, verdicts, stopped))
        return kExitNotWritten;
    if (!ended)
        return StopSignals::stopSignal() ? StopSignals::exitCode() : kExitTimeout;
    const bool failed = std::any_of(verdicts.begin(), verdicts.end(),
                                    [](const TestedItem& v) { return !v.failure.isEmpty(); });
    return failed ? kExitFailed : 0;
}

} // namespace

int cmdRun(const QStringList& list, const ZarvoBinding& driver) {
    const std::optional<RunArgs> args = ParseArgs(list);
    if (!args)
        return usageError();
    if (const int status = CheckOutputs(*args))
        return status;
    const StopSignals stopSignals;
    StartLogging();
    if (const int status = LoadSettings(*args))
        return status;
    if (const int status = CheckItems(*args))
        return status;
    FillResultRows(Global_ResultCells());
    // A port the driver cannot open would leave the run waiting for ever; a port
    // beyond the port table is left to the run's own port check.
    if (PortInTable(ZarvoPort, driver) && !OpenZarvoPort(driver))
        return kExitNoPort;

    ConsoleDialogs boxes;
    ConsoleRunView view(boxes);
    view.setInterruptionCheck([] {
        return StopSignals::stopSignal()
                   ? QStringLiteral("run interrupted by %1").arg(StopSignals::stopSignalName())
                   : QString();
    });
    RunController run(view, args->report ? DefaultReportFolder() : QString(), driver);
    run.setTraceFile(args->trace);
    if (args->item > 0)
        run.testSelectedItem(args->item);
    else
        run.testAllItems(args->group);
    if (!run.isRunning())
        return kExitNoPort;
    const bool ended = view.serveRun(run, args->timeout);
    return Report(*args, run, ended);
}
