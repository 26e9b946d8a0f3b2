// A test-all run of 100 items sent every 1 ms on a simulator port at
// 1 Mbit/s: how long a response takes from its arrival at the driver (the
// end of its frame on the simulated bus) to its verdict in the result cells,
// and the CPU time of the whole run.
//
// With --under-load: runs of 100 items sent once with a 5 ms window each,
// while a busy loop runs on every core, and how many verdicts were not "0"
// (a response judged against another item, or none at all).
//
// With --soak [minutes]: the same test-all run as kestrel-cli run, over and
// over for that long (default 10 minutes) at 1 Mbit/s with the default
// device's broadcasts on the bus, and per minute the runs, the verdicts lost
// or wrong, the resident memory and the open file descriptors.
//
// The driver's own binding is wrapped: the receive queue's frames give each
// response's arrival time, and a trampoline around the receive callback
// notes when the verdict has been written.

#include "AppPaths.h"
#include "Globals.h"
#include "QueuedRunView.h"
#include "ResultGridFill.h"
#include "RunController.h"
#include "SimulatorPort.h"
#include "ZarvoApi.h"
#include "ZarvoReader.h"

#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kItems = 100;
constexpr uint32_t kFirstId = 0x100;

struct Timings {
    std::mutex mutex;
    std::map<uint32_t, std::vector<int64_t>> arrivalsUs; // per response identifier, in order
    std::map<uint32_t, std::vector<int64_t>> verdictsUs;
};
Timings g_timings;
std::atomic<ZarvoRxCallback> g_rx{nullptr};

int64_t NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void Trampoline(uint32_t port, uint8_t group, uint32_t id, uint8_t mode, uint8_t rtr, uint8_t len,
                uint8_t* data) {
    g_rx.load()(port, group, id, mode, rtr, len, data);
    const int64_t verdict = NowUs();
    std::lock_guard lock(g_timings.mutex);
    g_timings.verdictsUs[id].push_back(verdict);
}

int32_t SetRxCallback(uint8_t port, uint8_t group, ZarvoRxCallback callback) {
    g_rx = callback;
    return builtinZarvoBinding().Zarvo_SetRxCallback(port, group, Trampoline);
}

int32_t ReadFrame(uint8_t port, uint32_t* id, uint8_t* mode, uint8_t* rtr, uint8_t* len,
                  uint8_t* data, uint64_t* timeStamp) {
    const int32_t status =
        builtinZarvoBinding().Zarvo_ReadFrame(port, id, mode, rtr, len, data, timeStamp);
    if (status == 0) {
        std::lock_guard lock(g_timings.mutex);
        g_timings.arrivalsUs[*id].push_back(static_cast<int64_t>(*timeStamp));
    }
    return status;
}

// 100 items, each sent `times` times `intervalMs` apart and answered on its
// identifier + 8.
void BuildTable(int32_t intervalMs, int32_t times) {
    type_CustomerCMD& t = Global_CustomerCMD;
    t = type_CustomerCMD{};
    for (int i = 0; i < kItems; ++i) {
        t.Description1[i] = QStringLiteral("item %1").arg(i);
        t.TxCANID[i] = kFirstId + static_cast<uint32_t>(i);
        t.TxCANLen[i] = 8;
        for (int d = 0; d < kCanDataBytes; ++d)
            t.TxCANData[i][d] = static_cast<uint8_t>(i + d);
        t.TxLoopInterval[i] = intervalMs;
        t.TxLoopTimes[i] = times;
        t.TxLoopTerminal[i] = 0;
        t.Comp_CANID[i] = static_cast<int32_t>(t.TxCANID[i] + 8);
        t.Comp_CANMode[i] = t.Comp_CANRTR[i] = kCompareWildcard;
        t.Comp_CANLen[i] = 8;
        for (int d = 0; d < kCanDataBytes; ++d)
            t.Comp_CANData[i][d] = d == 0 ? (t.TxCANData[i][0] + 0x40) & 0xFF : t.TxCANData[i][d];
    }
    t.CMD_Count = kItems;
    t.Group_Count = 1;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& tv) { return double(tv.tv_sec) + double(tv.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

class SilentDialogs : public UserDialogs {
public:
    void inform(const QString&, const QString&) override {}
    void warn(const QString&, const QString&) override {}
    void error(const QString& caption, const QString& text) override {
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(caption), qUtf8Printable(text));
    }
    bool confirm(const QString&, const QString&) override { return true; }
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&) override { return {}; }
};

// Reads what the receive thread left in the queue when the run ended, so that
// every response's arrival is noted before the verdicts are matched.
void ReadLeftFrames(uint8_t port) {
    uint16_t count = 0;
    builtinZarvoBinding().Zarvo_GetRxCount(port, &count);
    for (uint16_t i = 0; i < count; ++i) {
        uint32_t id = 0;
        uint8_t mode = 0, rtr = 0, len = 0;
        uint8_t data[8] = {};
        uint64_t timeStamp = 0;
        ReadFrame(port, &id, &mode, &rtr, &len, data, &timeStamp);
    }
}

// Latencies of the responses whose verdict was noted, in microseconds. Each
// verdict belongs to the latest arrival of its identifier before it: the
// driver reports only the responses of the item it waits for, so a response
// may arrive without a verdict, and counting them off in order would pair a
// verdict with the wrong arrival.
std::vector<int64_t> Latencies() {
    std::lock_guard lock(g_timings.mutex);
    std::vector<int64_t> latencies;
    for (const auto& [id, verdicts] : g_timings.verdictsUs) {
        std::vector<int64_t>& arrivals = g_timings.arrivalsUs[id];
        std::sort(arrivals.begin(), arrivals.end());
        for (const int64_t verdict : verdicts) {
            const auto after = std::upper_bound(arrivals.begin(), arrivals.end(), verdict);
            if (after != arrivals.begin())
                latencies.push_back(verdict - *std::prev(after));
        }
    }
    g_timings.arrivalsUs.clear();
    g_timings.verdictsUs.clear();
    return latencies;
}

} // namespace

// A busy loop on every core, as on a loaded PC; they end with the returned
// processes' kill.
std::vector<pid_t> StartHogs() {
    std::vector<pid_t> hogs;
    for (unsigned i = 0; i < std::max(1u, std::thread::hardware_concurrency()); ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive the bench
            volatile unsigned long spin = 0;
            for (;;) {
                const unsigned long next = spin + 1;
                spin = next;
            }
        }
        if (pid > 0)
            hogs.push_back(pid);
    }
    return hogs;
}

void StopHogs(const std::vector<pid_t>& hogs) {
    for (const pid_t pid : hogs) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

// The items of one run that got no verdict (no End Time), and those whose
// verdict is not "0" (a response judged against another item, or missed).
struct Verdicts {
    int lost = 0;
    int wrong = 0;
};

Verdicts RunOnce(RunController& run, QueuedRunView& view) {
    run.testAllItems(false);
    if (!view.serveRun(run, std::chrono::seconds(60)))
        std::fprintf(stderr, "a run did not end within 60 s\n");
    Verdicts verdicts;
    for (const ResultCells::Row& row : run.lastResults()) {
        if (row[ResultCells::EndTime].isEmpty())
            ++verdicts.lost;
        else if (row[ResultCells::Result] != QLatin1String("0"))
            ++verdicts.wrong;
    }
    return verdicts;
}

int UnderLoad(int runs, RunController& run, QueuedRunView& view) {
    const std::vector<pid_t> hogs = StartHogs();
    std::printf("%d items, each sent once with a 5 ms window, simulator port %d at %d bit/s, "
                "%zu busy loops\n",
                kItems, ZarvoPort, static_cast<int>(ZarvoBaudRate), hogs.size());
    std::printf("%-5s %10s %10s\n", "run", "not 0", "unended");
    int wrong = 0;
    for (int r = 1; r <= runs; ++r) {
        const Verdicts verdicts = RunOnce(run, view);
        const int notZero = verdicts.lost + verdicts.wrong;
        std::printf("%-5d %10d %10d\n", r, notZero, verdicts.lost);
        wrong += notZero;
    }
    StopHogs(hogs);
    std::printf("verdicts not 0 in %d runs: %d of %d\n", runs, wrong, runs * kItems);
    return 0;
}

// Resident memory in KiB (VmRSS).
long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

long OpenFileDescriptors() {
    const std::filesystem::path fds("/proc/self/fd");
    return static_cast<long>(std::distance(std::filesystem::directory_iterator(fds), {}));
}

int Soak(int minutes, RunController& run, QueuedRunView& view) {
    std::printf("test-all runs of %d items (each sent once, 5 ms window) for %d min, simulator "
                "port %d at 1 Mbit/s with the default device's broadcasts\n",
                kItems, minutes, ZarvoPort);
    std::printf("%-7s %8s %8s %8s %10s %6s\n", "minute", "runs", "lost", "wrong", "RSS KiB", "fds");
    const auto start = std::chrono::steady_clock::now();
    Verdicts total;
    int totalRuns = 0;
    long firstMinuteRss = 0;
    long lastRss = 0;
    for (int minute = 1; minute <= minutes; ++minute) {
        Verdicts verdicts;
        int runs = 0;
        while (std::chrono::steady_clock::now() - start < std::chrono::minutes(minute)) {
            const Verdicts one = RunOnce(run, view);
            verdicts.lost += one.lost;
            verdicts.wrong += one.wrong;
            ++runs;
        }
        lastRss = ResidentKiB();
        firstMinuteRss = minute == 1 ? lastRss : firstMinuteRss;
        std::printf("%-7d %8d %8d %8d %10ld %6ld\n", minute, runs, verdicts.lost, verdicts.wrong,
                    lastRss, OpenFileDescriptors());
        std::fflush(stdout);
        total.lost += verdicts.lost;
        total.wrong += verdicts.wrong;
        totalRuns += runs;
    }
    std::printf("%d runs (%d verdicts): %d lost, %d wrong; memory growth after the first minute: "
                "%ld KiB\n",
                totalRuns, totalRuns * kItems, total.lost, total.wrong, lastRss - firstMinuteRss);
    return total.lost + total.wrong == 0 ? 0 : 1;
}

int main(int argc, char* argv[]) {
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool underLoad = mode == "--under-load";
    const bool soak = mode == "--soak";
    const int countArg = underLoad || soak ? 2 : 1;
    const int count = argc > countArg ? std::max(1, std::atoi(argv[countArg]))
                                      : (underLoad ? 20
                                         : soak    ? 10
                                                   : 5);
    QTemporaryDir folder; // no SimDevice.ini: the simulator's default device
    SetProgramFolderForTesting(folder.path());
    ZarvoBinding timed = builtinZarvoBinding();
    timed.Zarvo_SetRxCallback = SetRxCallback;
    timed.Zarvo_ReadFrame = ReadFrame;
    // No readers: the receive thread empties the port's queue through ReadFrame.
    timed.Zarvo_OpenReader = [](uint8_t, uint32_t*) { return kZarvoNoReaders; };

    if (underLoad || soak)
        BuildTable(5, 1);
    else
        BuildTable(1, 3);
    FillResultRows(Global_ResultCells());
    ZarvoPort = FirstSimulatorPort().value_or(0);
    ZarvoBaudRate = underLoad ? 250000 : 1000000;
    SilentDialogs dialogs;
    QueuedRunView view(dialogs);
    // A soak goes untimed: the timings would grow through it.
    RunController run(view, QString(), soak ? builtinZarvoBinding() : timed);
    if (underLoad)
        return UnderLoad(count, run, view);
    if (soak)
        return Soak(count, run, view);
    const int runs = count;

    std::printf("%d items, 3 transmissions 1 ms apart each, simulator port %d at 1 Mbit/s\n",
                kItems, ZarvoPort);
    std::printf("%-5s %10s %10s %10s %10s %10s\n", "run", "responses", "mean us", "p99 us",
                "wall ms", "cpu ms");
    for (int r = 1; r <= runs; ++r) {
        const double cpuStart = CpuSeconds();
        const auto wallStart = std::chrono::steady_clock::now();
        run.testAllItems(false);
        if (!view.serveRun(run, std::chrono::seconds(60)))
            std::fprintf(stderr, "run %d did not end within 60 s\n", r);
        const double wallMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart)
                .count();
        const double cpuMs = (CpuSeconds() - cpuStart) * 1000;
        ReadLeftFrames(ZarvoPort);
        std::vector<int64_t> latencies = Latencies();
        if (latencies.empty()) {
            std::printf("%-5d %10d\n", r, 0);
            continue;
        }
        std::sort(latencies.begin(), latencies.end());
        double sum = 0;
        for (const int64_t l : latencies)
            sum += double(l);
        const int64_t p99 = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)];
        std::printf("%-5d %10zu %10.1f %10lld %10.1f %10.1f\n", r, latencies.size(),
                    sum / double(latencies.size()), static_cast<long long>(p99), wallMs, cpuMs);
    }
    return 0;
}
