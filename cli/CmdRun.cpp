// kestrel-cli run: a test run over a test configuration file with the same
// run engine, callbacks and end-of-run checks as the main window, for scripts
// and CI.
//
// Exit codes: 0 every item under test passed, 1 an item failed (or got no
// response), 2 the file is missing, unreadable or holds no item, 3 the port
// check failed, 4 the run was stopped at --timeout.

#include "AppPaths.h"
#include "Commands.h"
#include "ConfigFile.h"
#include "Convert.h"
#include "Globals.h"
#include "QueuedRunView.h"
#include "ResultGridFill.h"
#include "RunController.h"
#include "RunReport.h"
#include "SystemLog.h"
#include "ZarvoIni.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamWriter>
#include <chrono>
#include <cstdio>
#include <optional>

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitNoFile = 2;
constexpr int kExitNoPort = 3;
constexpr int kExitTimeout = 4;

struct RunArgs {
    QString file;
    std::optional<uint8_t> port;
    std::optional<uint32_t> bitRate;
    bool group = false;
    int item = 0; // grid row of a single-item run; 0 tests all items
    std::optional<std::chrono::milliseconds> timeout;
    QString junit;
    QString csv;
};

void PrintError(const QString& message) {
    std::fprintf(stderr, "kestrel-cli: %s\n", qUtf8Printable(message));
}

std::optional<long long> Number(const QString& text, long long low, long long high) {
    bool ok = false;
    const long long value = text.toLongLong(&ok);
    return ok && value >= low && value <= high ? std::optional(value) : std::nullopt;
}

// Applies option `name` with `value` to `args`; false when either is wrong.
bool ApplyOption(RunArgs& args, const QString& name, const QString& value) {
    if (name == QLatin1String("--port")) {
        const auto port = Number(value, 0, 255);
        args.port = port ? std::optional(static_cast<uint8_t>(*port)) : std::nullopt;
        return port.has_value();
    }
    if (name == QLatin1String("--bitrate")) {
        const auto rate = Number(value, 1, UINT32_MAX);
        args.bitRate = rate ? std::optional(static_cast<uint32_t>(*rate)) : std::nullopt;
        return rate.has_value();
    }
    if (name == QLatin1String("--item")) {
        args.item = static_cast<int>(Number(value, 1, kMaxTestItems).value_or(0));
        return args.item > 0;
    }
    if (name == QLatin1String("--timeout")) {
        bool ok = false;
        const double seconds = value.toDouble(&ok);
        if (!ok || !(seconds > 0 && seconds < 1e7))
            return false;
        args.timeout = std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
        return true;
    }
    QString* path = name == QLatin1String("--junit") ? &args.junit
                    : name == QLatin1String("--csv") ? &args.csv
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

bool HasExpectation(int item) {
    const type_CustomerCMD& t = Global_CustomerCMD;
    bool any = t.Comp_CANID[item] != kCompareWildcard || t.Comp_CANMode[item] != kCompareWildcard ||
               t.Comp_CANRTR[item] != kCompareWildcard || t.Comp_CANLen[item] != kCompareWildcard;
    for (int d = 0; d < kCanDataBytes; ++d)
        any = any || t.Comp_CANData[item][d] != kCompareWildcard;
    return any;
}

struct Verdict {
    int item;
    QString failure; // empty when the item passed
};

Verdict Judge(int item, const ResultCells::Row& row) {
    const QString& result = row[ResultCells::Result];
    if (result == QLatin1String("0"))
        return {item, {}};
    if (result == QLatin1String("--"))
        return {item, HasExpectation(item) ? QStringLiteral("no response") : QString()};
    if (result.isEmpty())
        return {item, QStringLiteral("not started")};
    return {item, QStringLiteral("Result %1: %2").arg(result, row[ResultCells::Remarks])};
}

void PrintResults(const std::vector<ResultCells::Row>& rows, const std::vector<Verdict>& verdicts) {
    const QStringList headers = ResultHeaders();
    std::vector<qsizetype> widths;
    for (const QString& header : headers)
        widths.push_back(header.size());
    for (const Verdict& v : verdicts)
        for (size_t c = 0; c < widths.size(); ++c)
            widths[c] = std::max(widths[c], rows[static_cast<size_t>(v.item)][c].size());
    auto printLine = [&widths](const auto& cells) {
        QString line;
        for (size_t c = 0; c < widths.size(); ++c)
            line += QStringLiteral("%1  ").arg(cells[c], -static_cast<int>(widths[c]));
        std::printf("%s\n", qUtf8Printable(line.trimmed()));
    };
    printLine(headers);
    for (const Verdict& v : verdicts)
        printLine(rows[static_cast<size_t>(v.item)]);
}

bool WriteJUnit(const QString& path, const std::vector<ResultCells::Row>& rows,
                const std::vector<Verdict>& verdicts) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QString suite = QFileInfo(CurrentConfigFile).completeBaseName();
    const auto failures = std::count_if(verdicts.begin(), verdicts.end(),
                                        [](const Verdict& v) { return !v.failure.isEmpty(); });
    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("testsuite"));
    xml.writeAttribute(QStringLiteral("name"), suite);
    xml.writeAttribute(QStringLiteral("tests"), QString::number(verdicts.size()));
    xml.writeAttribute(QStringLiteral("failures"), QString::number(failures));
    for (const Verdict& v : verdicts) {
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
    return file.flush() && !xml.hasError();
}

// Loads the file and the driver settings; 0, or the exit code after telling why not.
int LoadSettings(const RunArgs& args) {
    try {
        if (ReadTestConfig(args.file).status != 0) {
            PrintError(QStringLiteral("%1: no such file").arg(args.file));
            return kExitNoFile;
        }
        if (!args.port || !args.bitRate)
            ReadZarvoIni(ProgramFolder());
    } catch (const std::exception& error) {
        PrintError(QString::fromUtf8(error.what()));
        return kExitNoFile;
    }
    if (Global_CustomerCMD.CMD_Count == 0) {
        PrintError(QStringLiteral("%1: no test items").arg(args.file));
        return kExitNoFile;
    }
    ZarvoPort = args.port.value_or(ZarvoPort);
    ZarvoBaudRate = args.bitRate.value_or(ZarvoBaudRate);
    CurrentConfigFile = QFileInfo(args.file).absoluteFilePath();
    return 0;
}

// Writes the requested outputs and tells the exit code of a finished run.
int Report(const RunArgs& args, const std::vector<ResultCells::Row>& rows, bool ended) {
    std::vector<Verdict> verdicts;
    for (int item = 0; item < Global_CustomerCMD.CMD_Count; ++item)
        if (args.item == 0 || item == args.item - 1)
            verdicts.push_back(Judge(item, rows[static_cast<size_t>(item)]));
    PrintResults(rows, verdicts);
    QString error;
    if (!args.csv.isEmpty() && !WriteResultCsv(args.csv, ResultHeaders(), rows, &error))
        PrintError(error);
    if (!args.junit.isEmpty() && !WriteJUnit(args.junit, rows, verdicts))
        PrintError(QStringLiteral("%1: cannot be written").arg(args.junit));
    if (!ended)
        return kExitTimeout;
    const bool failed = std::any_of(verdicts.begin(), verdicts.end(),
                                    [](const Verdict& v) { return !v.failure.isEmpty(); });
    return failed ? kExitFailed : 0;
}

} // namespace

int cmdRun(const QStringList& list) {
    const std::optional<RunArgs> args = ParseArgs(list);
    if (!args)
        return usageError();
    // Logging starts first, so the reader's own lines reach the log too.
    LoadLogger();
    StartSystemLog(QDate::currentDate());
    if (const int status = LoadSettings(*args))
        return status;
    if (args->item > Global_CustomerCMD.CMD_Count) {
        PrintError(QStringLiteral("--item %1: the file has %2 items")
                       .arg(args->item)
                       .arg(Global_CustomerCMD.CMD_Count));
        return usageError();
    }
    FillResultRows(Global_ResultCells());

    ConsoleDialogs boxes;
    ConsoleRunView view(boxes);
    RunController run(view);
    if (args->item > 0)
        run.testSelectedItem(args->item);
    else
        run.testAllItems(args->group);
    if (!run.isRunning())
        return kExitNoPort;
    const bool ended = view.serveRun(run, args->timeout);
    return Report(*args, run.lastResults(), ended);
}
