// The trend chart's refresh: both curves of 256 points updated from their
// histories and the chart rendered offscreen, as the 10 ms timer does it.
// Times each refresh with the points replaced in one step (the chart's own
// path) and, in the same run, rebuilt with clear() and 256 append() calls,
// and prints p50 and p99 of each with their ratio: in wall time, and in the
// CPU time of the thread, which leaves out the time other processes held the
// processor.
//   chart_bench [refreshes]

#include "TrendChart.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

using Micros = std::chrono::duration<double, std::micro>;

double threadCpuMicros() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

// Pushes one sample of a ramp and a sine, newest first, as the receive thread does.
void push(TrendHistories& h, int step) {
    std::copy_backward(h.history1.begin(), h.history1.end() - 1, h.history1.end());
    std::copy_backward(h.history2.begin(), h.history2.end() - 1, h.history2.end());
    h.history1[0] = step % 1000;
    h.history2[0] = static_cast<int32_t>(400 * std::sin(step * 0.05));
}

void appendPoints(QLineSeries* series, const TrendHistory& history) {
    series->clear();
    for (int x = 0; x < kTrendHistoryLength; ++x)
        series->append(x, history[static_cast<size_t>(x)]);
}

struct Percentiles {
    double p50 = 0;
    double p99 = 0;
};

Percentiles percentiles(std::vector<double>& times) {
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2] / 1000, times[times.size() * 99 / 100] / 1000};
}

struct Figures {
    Percentiles wall;
    Percentiles cpu;
};

template <typename Update> Figures run(TrendChart& chart, int refreshes, Update update) {
    QImage image(chart.size(), QImage::Format_RGB32);
    TrendHistories histories{};
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int i = 0; i < refreshes; ++i) {
        push(histories, i);
        const double cpuStart = threadCpuMicros();
        const auto start = std::chrono::steady_clock::now();
        update(histories);
        QApplication::processEvents();
        QPainter painter(&image);
        chart.render(&painter);
        painter.end();
        wall.push_back(Micros(std::chrono::steady_clock::now() - start).count());
        cpu.push_back(threadCpuMicros() - cpuStart);
    }
    return {percentiles(wall), percentiles(cpu)};
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int refreshes = argc > 1 ? std::max(100, std::atoi(argv[1])) : 1000;
    TrendChart chart;
    chart.resize(1240, 620);
    chart.show();
    QApplication::processEvents();

    const Figures replaced = run(chart, refreshes, [&chart](const TrendHistories& h) {
        chart.showHistory(1, h.history1, kTrendHistoryLength);
        chart.showHistory(2, h.history2, kTrendHistoryLength);
    });
    const Figures appended = run(chart, refreshes, [&chart](const TrendHistories& h) {
        appendPoints(chart.series(1), h.history1);
        appendPoints(chart.series(2), h.history2);
    });
    std::printf("chart refresh, 2 x %d points, %dx%d rendered offscreen, %d refreshes each\n",
                kTrendHistoryLength, chart.width(), chart.height(), refreshes);
    std::printf("%-20s %9s %9s %9s %9s\n", "ms per refresh", "wall p50", "wall p99", "cpu p50",
                "cpu p99");
    const auto line = [](const char* name, const Figures& f) {
        std::printf("%-20s %9.3f %9.3f %9.3f %9.3f\n", name, f.wall.p50, f.wall.p99, f.cpu.p50,
                    f.cpu.p99);
    };
    line("replace()", replaced);
    line("clear() + append()", appended);
    std::printf("%-20s %9.1f %9.1f %9.1f %9.1f\n", "append / replace",
                appended.wall.p50 / replaced.wall.p50, appended.wall.p99 / replaced.wall.p99,
                appended.cpu.p50 / replaced.cpu.p50, appended.cpu.p99 / replaced.cpu.p99);
    return 0;
}
