// kestrel-cli watch: logs the decoded values of TrendCAN.ini's watched
// identifiers and its formulas, and the signals named with --signal, as CSV,
// with the trend window's receive thread, for plotting later.
//
// Exit codes: 0 stopped after --duration or by SIGINT/SIGTERM, 2 the file or
// the database is missing or unreadable, 3 the port check failed or the port
// cannot be opened, 6 Zarvo.ini holds a value that is no number, 64 wrong
// arguments, a signal not in the database or a formula naming a variable that
// has no watched identifier.

#include "AppPaths.h"
#include "CliOptions.h"
#include "Commands.h"
#include "Globals.h"
#include "StopSignals.h"
#include "TrendFormula.h"
#include "TrendSignals.h"
#include "TrendTables.h"
#include "Tthread_dataconvert_rxcan.h"
#include "UiTaskQueue.h"
#include "ZarvoApi.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct WatchArgs {
    QString file;
    QString dbc;
    QStringList signalNames; // MESSAGE.SIGNAL
    PortOptions portOptions;
    std::optional<milliseconds> duration;
    milliseconds period{100};
};

bool ApplyOption(WatchArgs& args, const QString& name, const QString& value) {
    if (const std::optional<bool> applied = args.portOptions.apply(name, value))
        return *applied;
    if (name == QLatin1String("--period")) {
        const auto period = WholeNumber(value, 1, 3'600'000);
        args.period = milliseconds(period.value_or(0));
        return period.has_value();
    }
    if (name == QLatin1String("--duration")) {
        args.duration = Seconds(value);
        return args.duration.has_value();
    }
    if (name == QLatin1String("--dbc") && args.dbc.isEmpty()) {
        args.dbc = value;
        return true;
    }
    if (name == QLatin1String("--signal")) {
        args.signalNames.append(value);
        return true;
    }
    return false;
}

// TRENDFILE and the options, in any order.
std::optional<WatchArgs> ParseArgs(const QStringList& list) {
    WatchArgs args;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const bool option = list[i].startsWith(QLatin1String("--"));
        if (option && (i + 1 == list.size() || !ApplyOption(args, list[i], list[i + 1])))
            return std::nullopt;
        if (!option && !args.file.isEmpty())
            return std::nullopt;
        if (option)
            ++i;
        else
            args.file = list[i];
    }
    // Signals need their database, and a database is given for its signals.
    if (args.dbc.isEmpty() != args.signalNames.isEmpty())
        return std::nullopt;
    return args;
}

// The receive thread's calls are served by the main loop; the port warning is
// printed when it changes.
class WatchView : public TrendView {
public:
    void runOnUiThread(const std::function<void()>& task) override { queue.runBlocking(task); }
    void processPendingEvents() override { queue.drain(); }
    void setStatusLamp(LampColour) override {}
    void showSearchAgain(const QString& text) override {
        if (text != shown_)
            PrintError(text);
        shown_ = text;
    }
    void hideSearchAgain() override { shown_.clear(); }

    UiTaskQueue queue;

private:
    QString shown_;
};

// The signals watched: those of TrendCAN.ini's signal entries, then those
// named with --signal (watch items after the entries).
struct WatchedSignals {
    std::shared_ptr<const dbc::Database> database;
    std::vector<TrendSignal> named;
};

// The database and the signals; 0, or the exit code after telling why not.
int LoadSignals(const WatchArgs& args, WatchedSignals& watched) {
    const QString path = args.dbc.isEmpty() ? Global_TrendCAN.Database : args.dbc;
    try {
        if (!path.isEmpty())
            watched.database = LoadTrendDatabase(path);
    } catch (const std::exception& error) {
        PrintError(QString::fromUtf8(error.what()));
        return kExitNoFile;
    }
    for (int i = 0; i < Global_TrendCAN.TrendCAN_Count; ++i) {
        const QString& name = Global_TrendCAN.Signal[i];
        if (!name.isEmpty() && !FindTrendSignal(watched.database, name))
            PrintError(QStringLiteral("V%1: %2 is not a signal of %3; its column stays empty")
                           .arg(i + 1)
                           .arg(name, path.isEmpty() ? QStringLiteral("any database") : path));
    }
    for (const QString& name : args.signalNames) {
        watched.named.push_back(FindTrendSignal(watched.database, name));
        if (!watched.named.back()) {
            PrintError(QStringLiteral("%1 is not a signal of %2").arg(name, path));
            return kExitUsage;
        }
    }
    if (Global_TrendCAN.TrendCAN_Count + args.signalNames.size() > kWatchItemCount) {
        PrintError(QStringLiteral("at most %1 values can be watched").arg(kWatchItemCount));
        return kExitUsage;
    }
    return 0;
}

// Loads the tables and the driver settings; 0, or the exit code after telling why not.
// With --signal and no TRENDFILE only the signals are watched.
int LoadSettings(const WatchArgs& args) {
    const QString path = args.file.isEmpty() ? TrendCANIniPath() : args.file;
    const bool tables = !args.file.isEmpty() || args.signalNames.isEmpty();
    try {
        const TrendReadResult read = tables ? ReadTrendCANIni(path) : TrendReadResult{};
        if (read.status != 0) {
            PrintError(QStringLiteral("%1: no such file").arg(path));
            return kExitNoFile;
        }
        PrintWarnings(read.warnings);
        if (read.ignoredEntries > 0 || read.ignoredFormulas > 0)
            PrintError(QStringLiteral("%1: %2 watched identifiers and %3 formulas beyond the "
                                      "first 100 were left out")
                           .arg(path)
                           .arg(read.ignoredEntries)
                           .arg(read.ignoredFormulas));
    } catch (const std::exception& error) {
        PrintError(QString::fromUtf8(error.what()));
        return kExitNoFile;
    }
    if (const int status = args.portOptions.readZarvoIni())
        return status;
    args.portOptions.applyToGlobals();
    return 0;
}

// Refuses a formula that names a variable without a watched identifier: its
// column would never hold a value. 0, or the exit code after telling which.
int CheckFormulas() {
    for (int k = 0; k < Global_Formula.Formula_Count; ++k) {
        const QString& formula = Global_Formula.Formula[k];
        const int highest = HighestVariable(formula);
        if (highest > Global_TrendCAN.TrendCAN_Count) {
            PrintError(QStringLiteral("F%1 '%2' names V%3, but the file watches %4 identifiers")
                           .arg(k + 1)
                           .arg(formula)
                           .arg(highest)
                           .arg(Global_TrendCAN.TrendCAN_Count));
            return kExitUsage;
        }
    }
    return 0;
}

void PrintHeader(const WatchedSignals& watched) {
    const type_TrendCAN& t = Global_TrendCAN;
    QStringList names;
    QString columns = QStringLiteral("time_s");
    for (int i = 0; i < t.TrendCAN_Count; ++i) {
        names.append(
            QStringLiteral("V%1: %2 %3").arg(i + 1).arg(t.Description1[i], t.Description2[i]));
        columns += QStringLiteral(",V%1").arg(i + 1);
    }
    for (int k = 0; k < Global_Formula.Formula_Count; ++k) {
        names.append(QStringLiteral("F%1: %2 = %3")
                         .arg(k + 1)
                         .arg(Global_Formula.Formula_Description[k], Global_Formula.Formula[k]));
        columns += QStringLiteral(",F%1").arg(k + 1);
    }
    for (const TrendSignal& s : watched.named) {
        const QString name = TrendSignalName(*s.message, *s.signal);
        names.append(name + QLatin1Char(' ') + QString::fromStdString(s.signal->unit));
        columns += QLatin1Char(',') + name;
    }
    std::printf("# %s\n%s\n", qUtf8Printable(names.join(QLatin1String("; "))),
                qUtf8Printable(columns));
    std::fflush(stdout);
}

// One line of values; a value is empty until its identifier's first frame,
// and so is a formula over it. A formula that fails leaves its field empty
// and tells why on stderr, once per message.
class LinePrinter {
public:
    LinePrinter(const TThread_DataConvert_RxCAN& thread, int watchItems)
        : thread_(thread), watchItems_(watchItems), reported_(Global_Formula.Formula_Count) {}

    void print(double seconds) {
        QString line = QString::asprintf("%.3f", seconds);
        for (int i = 0; i < Global_TrendCAN.TrendCAN_Count; ++i)
            line += QLatin1Char(',') + valueText(i + 1).value_or(QString());
        for (int k = 0; k < Global_Formula.Formula_Count; ++k)
            line += QLatin1Char(',') + formulaField(k);
        for (int i = Global_TrendCAN.TrendCAN_Count; i < watchItems_; ++i)
            line += QLatin1Char(',') + valueText(i + 1).value_or(QString());
        std::printf("%s\n", qUtf8Printable(line));
        std::fflush(stdout);
    }

private:
    // Variable n's value as text; nullopt before its first frame. A formula
    // naming a variable beyond the table is refused at start.
    std::optional<QString> valueText(int n) const {
        return WatchedValueText(thread_.WatchItemValue(n - 1));
    }

    QString formulaField(int k) {
        const std::optional<QString> known = SubstituteKnownVariables(
            Global_Formula.Formula[k], [this](int n) { return valueText(n); });
        if (!known)
            return {};
        const QString& text = *known;
        const FormulaResult result = EvaluateFormula(text, EvaluatorLines::Silent);
        if (result.ok)
            return QString::asprintf("%f", result.value);
        if (result.message != reported_[static_cast<size_t>(k)]) {
            PrintError(QStringLiteral("F%1 '%2': %3").arg(k + 1).arg(text, result.message));
            reported_[static_cast<size_t>(k)] = result.message;
        }
        return {};
    }

    const TThread_DataConvert_RxCAN& thread_;
    const int watchItems_;
    std::vector<QString> reported_;
};

// Serves the receive thread's calls until `until` or a stop request.
void ServeUntil(UiTaskQueue& queue, Clock::time_point until) {
    constexpr milliseconds kSlice{10};
    for (auto now = Clock::now(); now < until && !StopSignals::stopSignal(); now = Clock::now())
        queue.serveFor(std::min(kSlice, std::chrono::ceil<milliseconds>(until - now)));
}

void Watch(const WatchArgs& args, const WatchedSignals& watched, WatchView& view,
           const TThread_DataConvert_RxCAN& thread) {
    LinePrinter printer(thread,
                        Global_TrendCAN.TrendCAN_Count + static_cast<int>(watched.named.size()));
    PrintHeader(watched);
    const Clock::time_point start = Clock::now();
    for (long long k = 1; !StopSignals::stopSignal(); ++k) {
        const milliseconds due = k * args.period;
        if (args.duration && due > *args.duration)
            break;
        ServeUntil(view.queue, start + due);
        if (StopSignals::stopSignal())
            break;
        printer.print(std::chrono::duration<double>(Clock::now() - start).count());
    }
}

} // namespace

int cmdWatch(const QStringList& list, const ZarvoBinding& driver) {
    const std::optional<WatchArgs> args = ParseArgs(list);
    if (!args)
        return usageError();
    StartLogging();
    if (const int status = LoadSettings(*args))
        return status;
    if (const int status = CheckFormulas())
        return status;
    WatchedSignals watched;
    if (const int status = LoadSignals(*args, watched))
        return status;
    if (!CheckPortInTable(driver))
        return kExitNoPort;
    const StopSignals stopSignals;
    if (!OpenZarvoPort(driver))
        return kExitNoPort;
    WatchView view;
    TThread_DataConvert_RxCAN thread(view, ZarvoPort, steadyClock(), driver);
    WatchTrendTable(thread, watched.database);
    for (size_t k = 0; k < watched.named.size(); ++k)
        thread.SetWatchSignal(Global_TrendCAN.TrendCAN_Count + static_cast<int>(k),
                              watched.named[k]);
    Watch(*args, watched, view, thread);
    thread.Stop();
    driver.Zarvo_ClosePort(ZarvoPort);
    return 0;
}
