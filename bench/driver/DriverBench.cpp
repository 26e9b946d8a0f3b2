// Driver figures:
//  1. periodic transmit every 1 ms on a simulator port at 1 Mbit/s: how far
//     each transmission is from its due time, for the driver's scheduler
//     (with a Qt::PreciseTimer sender beside it) and for the machine's limit,
//     a bare thread sleeping to absolute deadlines with the minimal timer
//     slack, taking turns in 1 s slices so that the machine's noise falls on
//     both alike;
//  2. receive throughput: frames per second the driver takes in and hands
//     through its receive queue without loss, against the 1 Mbit/s bus
//     maximum for 8-byte frames;
//  3. the trace tap at full bus load: two simulator ports at 1 Mbit/s, each
//     with four groups sending every 1 ms frames the device answers, run side
//     by side, one traced into a candump log file: frames per second through
//     the tap and its writer, and the scheduler's lateness with and without,
//     in five runs, and the worst ratio of the traced port's p99 to the other's.

#include "CandumpLog.h"
#include "PortEngine.h"
#include "SimChannel.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>
#include <time.h>
#include <vector>

namespace {

using namespace std::chrono;

int64_t nowUs() {
    return duration_cast<microseconds>(steadyClock().now()).count();
}

// The simulated bus, noting for every frame how late it is against its due time.
class TimingChannel final : public CanChannel {
public:
    TimingChannel() : bus_([] { return SimDeviceConfig::defaults(); }) {}
    bool open(uint32_t bitRate, ChannelListener& listener, std::string& note) override {
        return bus_.open(bitRate, listener, note);
    }
    void close() override { bus_.close(); }
    Clock::Time deliveredUntil(Clock::Time wanted) override { return bus_.deliveredUntil(wanted); }
    bool write(const CanFrame& frame) override {
        note(nowUs() - static_cast<int64_t>(frame.timeStampUs));
        return bus_.write(frame);
    }
    void note(int64_t lateUs) {
        std::lock_guard lock(mutex_);
        lateUs_.push_back(lateUs);
    }
    std::vector<int64_t> lateness() const {
        std::lock_guard lock(mutex_);
        return lateUs_;
    }

private:
    SimChannel bus_;
    mutable std::mutex mutex_;
    std::vector<int64_t> lateUs_;
};

struct Figures {
    size_t samples = 0;
    int64_t p50 = 0, p99 = 0, max = 0;
};

Figures figures(std::vector<int64_t> v) {
    Figures f;
    if (v.empty())
        return f;
    std::sort(v.begin(), v.end());
    f.samples = v.size();
    f.p50 = v[v.size() / 2];
    f.p99 = v[v.size() * 99 / 100];
    f.max = v.back();
    return f;
}

double ratio(int64_t a, int64_t b) {
    return static_cast<double>(a) / static_cast<double>(std::max<int64_t>(b, 1));
}

void noticeSink(uint32_t, uint8_t, uint8_t*) {}

// The machine's limit: how late a thread with the minimal timer slack wakes
// from clock_nanosleep to absolute deadlines 1 ms apart (the steady clock is
// CLOCK_MONOTONIC).
std::vector<int64_t> bareSleepLateness(int seconds) {
    std::vector<int64_t> lateUs;
    std::thread sleeper([&] {
        useFinestTimerSlack();
        const int64_t start = nowUs();
        for (int64_t tick = 1; tick <= seconds * 1000; ++tick) {
            const int64_t dueUs = start + tick * 1000;
            const timespec due{static_cast<time_t>(dueUs / 1000000),
                               static_cast<long>(dueUs % 1000000 * 1000)};
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr);
            lateUs.push_back(nowUs() - dueUs);
        }
    });
    sleeper.join();
    return lateUs;
}

void printRow(const char* name, const Figures& f) {
    std::printf("   %-34s %8zu  %8lld  %8lld  %8lld\n", name, f.samples,
                static_cast<long long>(f.p50), static_cast<long long>(f.p99),
                static_cast<long long>(f.max));
}

void append(std::vector<int64_t>& to, const std::vector<int64_t>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

// The scheduler (a group sending every 1 ms) and a QTimer sender beside it,
// for one slice of `ms`.
class SchedulerSlices {
public:
    explicit SchedulerSlices(QCoreApplication& app) : app_(app), engine_(0, makeChannel()) {
        std::string note;
        engine_.open(1000000, note);
        engine_.setTxCallback(0, noticeSink);
        frame_.id = 0x7F8; // the default device does not answer it
        frame_.len = 8;
        timerChannel_.open(1000000, silent_, note);
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            CanFrame f = frame_;
            f.timeStampUs = static_cast<uint64_t>(sliceStartUs_ + ++ticks_ * 1000);
            timerChannel_.write(f);
        });
    }
    ~SchedulerSlices() {
        engine_.close();
        timerChannel_.close();
    }
    void run(int ms) {
        engine_.sendGroup(0, {{frame_, 1, 0, 0}});
        sliceStartUs_ = nowUs();
        ticks_ = 0;
        timer_.start();
        QTimer::singleShot(ms, &app_, &QCoreApplication::quit);
        app_.exec();
        timer_.stop();
        engine_.stopGroup(0);
    }
    Figures scheduler() const { return figures(driverChannel_->lateness()); }
    Figures timer() const { return figures(timerChannel_.lateness()); }

private:
    std::unique_ptr<CanChannel> makeChannel() {
        auto owned = std::make_unique<TimingChannel>();
        driverChannel_ = owned.get();
        return owned;
    }

    struct Silent final : ChannelListener {
        void frameReceived(const CanFrame&) override {}
        void conditionChanged(uint32_t, bool) override {}
    } silent_;
    QCoreApplication& app_;
    TimingChannel* driverChannel_ = nullptr;
    PortEngine engine_;
    TimingChannel timerChannel_;
    QTimer timer_;
    CanFrame frame_;
    int64_t sliceStartUs_ = 0;
    int64_t ticks_ = 0;
};

void periodicTransmit(QCoreApplication& app, int seconds) {
    SchedulerSlices slices(app);
    std::vector<int64_t> limitLate;
    for (int slice = 0; slice < seconds; ++slice) {
        append(limitLate, bareSleepLateness(1));
        slices.run(1000);
    }
    const Figures limit = figures(limitLate);
    const Figures d = slices.scheduler();
    const Figures q = slices.timer();
    std::printf("1. Periodic transmit, 1 ms interval, simulator port at 1 Mbit/s, %d s each, "
                "taking turns in 1 s slices\n",
                seconds);
    std::printf("   lateness against the due time       samples    p50 us    p99 us    max us\n");
    printRow("limit: clock_nanosleep, slack 1 ns", limit);
    printRow("driver scheduler", d);
    printRow("QTimer (Qt::PreciseTimer)", q);
    std::printf("   driver / limit: p50 %.2fx, p99 %.2fx\n", ratio(d.p50, limit.p50),
                ratio(d.p99, limit.p99));
    std::printf("   QTimer / driver: p50 %.1fx, p99 %.1fx, max %.1fx\n\n", ratio(q.p50, d.p50),
                ratio(q.p99, d.p99), ratio(q.max, d.max));
}

// Hands frames to the engine as fast as a backend thread could.
class FloodChannel final : public CanChannel {
public:
    bool open(uint32_t, ChannelListener& listener, std::string&) override {
        listener_ = &listener;
        return true;
    }
    void close() override {}
    bool write(const CanFrame&) override { return true; }
    ChannelListener* listener_ = nullptr;
};

void receiveThroughput(int seconds) {
    auto owned = std::make_unique<FloodChannel>();
    FloodChannel* channel = owned.get();
    PortEngine engine(0, std::move(owned));
    std::string note;
    engine.open(1000000, note);
    constexpr size_t kBatch = 256;

    std::atomic<bool> stop{false};
    std::atomic<uint64_t> taken{0};
    std::thread consumer([&] {
        CanFrame f;
        while (!stop.load(std::memory_order_relaxed)) {
            uint64_t n = 0;
            while (engine.readFrame(f) == 0)
                ++n;
            taken.fetch_add(n, std::memory_order_relaxed);
            if (n == 0)
                std::this_thread::yield();
        }
    });
    CanFrame frame;
    frame.id = 0x3E8;
    frame.len = 8;
    const auto end = steady_clock::now() + std::chrono::seconds(seconds);
    uint64_t given = 0;
    while (steady_clock::now() < end) {
        uint16_t waiting = 0;
        engine.rxCount(waiting);
        if (waiting + kBatch > PortEngine::kRxQueueCapacity) {
            std::this_thread::yield(); // a real backend would wait for the bus anyway
            continue;
        }
        for (size_t i = 0; i < kBatch; ++i)
            channel->listener_->frameReceived(frame);
        given += kBatch;
    }
    stop.store(true);
    consumer.join();
    CanFrame f;
    uint64_t rest = 0;
    while (engine.readFrame(f) == 0)
        ++rest;
    engine.close();

    const double perSecond = static_cast<double>(taken.load() + rest) / seconds;
    // The bus maximum: back-to-back 8-byte 11-bit frames without a single
    // stuff bit, 111 bits each (interframe space included).
    const double busMaximum = 1e6 / 111.0;
    std::printf("2. Receive throughput through the queue, %d s\n", seconds);
    std::printf("   frames given %llu, taken %llu, dropped %llu\n",
                static_cast<unsigned long long>(given),
                static_cast<unsigned long long>(taken.load() + rest),
                static_cast<unsigned long long>(engine.droppedFrames()));
    std::printf(
        "   %.0f frames/s = %.1f x the 1 Mbit/s maximum of %.0f frames/s (8-byte, 11-bit)\n",
        perSecond, perSecond / busMaximum, busMaximum);
}

// Counts what the tap hands over on its way to the file.
class CountingSink final : public TraceSink {
public:
    explicit CountingSink(const std::string& path) : file_(path) {}
    void write(const CandumpRecord& record) override {
        ++written;
        file_.write(record);
    }
    void finish(uint64_t droppedFrames) override {
        dropped = droppedFrames;
        file_.finish(droppedFrames);
    }
    uint64_t written = 0;
    uint64_t dropped = 0;

private:
    CandumpFileSink file_;
};

// A port whose four groups keep its simulated bus busy with answered frames.
class LoadedPort {
public:
    LoadedPort() {
        auto owned = std::make_unique<TimingChannel>();
        channel_ = owned.get();
        engine_ = std::make_unique<PortEngine>(0, std::move(owned));
    }
    PortEngine& engine() { return *engine_; }
    Figures lateness() const { return figures(channel_->lateness()); }
    void start() {
        std::string note;
        engine_->open(1000000, note);
        engine_->setGroupCount(4);
        for (uint8_t g = 0; g < 4; ++g) {
            CanFrame frame;
            frame.id = 0x100u + g;
            frame.len = 8;
            engine_->setTxCallback(g, noticeSink);
            engine_->sendGroup(g, {{frame, 1, 0, 0}});
        }
    }

private:
    TimingChannel* channel_ = nullptr;
    std::unique_ptr<PortEngine> engine_;
};

struct TapRun {
    uint64_t written = 0;
    uint64_t dropped = 0;
    Figures with;
    Figures without;
};

TapRun traceUnderLoad(int seconds) {
    const std::string path =
        (std::filesystem::temp_directory_path() / "kestrel-bench-trace.log").string();
    auto owned = std::make_unique<CountingSink>(path);
    CountingSink* sink = owned.get();
    auto tap = std::make_shared<TraceTap>(std::move(owned), "simulator0");
    LoadedPort traced;
    LoadedPort plain;
    traced.engine().setTrace(tap);
    traced.start();
    plain.start();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    traced.engine().setTrace(nullptr);
    tap->finish();
    traced.engine().close();
    plain.engine().close();
    TapRun run{sink->written, sink->dropped, traced.lateness(), plain.lateness()};
    std::filesystem::remove(path);
    return run;
}

void traceComparison(int seconds, int runs) {
    std::printf("\n3. Trace tap at full bus load: 2 simulator ports at 1 Mbit/s side by side, "
                "%d runs of %d s\n",
                runs, seconds);
    std::printf("   run  frames/s tapped  dropped  p99 us no tap  p99 us traced  max us no tap  "
                "max us traced  p99 ratio\n");
    double worst = 0;
    for (int r = 1; r <= runs; ++r) {
        const TapRun run = traceUnderLoad(seconds);
        const double p99Ratio = ratio(run.with.p99, run.without.p99);
        worst = std::max(worst, p99Ratio);
        std::printf("   %3d  %15.0f  %7llu  %13lld  %13lld  %13lld  %13lld  %8.2fx\n", r,
                    static_cast<double>(run.written) / seconds,
                    static_cast<unsigned long long>(run.dropped),
                    static_cast<long long>(run.without.p99), static_cast<long long>(run.with.p99),
                    static_cast<long long>(run.without.max), static_cast<long long>(run.with.max),
                    p99Ratio);
    }
    std::printf("   worst p99 traced / not traced: %.2fx (target: within 1.10x)\n", worst);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    periodicTransmit(app, seconds);
    receiveThroughput(std::min(seconds, 3));
    traceComparison(std::min(seconds, 5), 5);
    return 0;
}
