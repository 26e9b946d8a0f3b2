// The trend receive thread's decoding rate and the cost of a history copy.
//
// A binding whose receive queue is never empty (it reports 65 535 waiting
// frames until the run's frames are used up) feeds frames of 10 identifiers,
// each watched by one watch item, two of them also by the trend slots. The
// rate is compared with the most frames a 1 Mbit/s bus carries (8-byte data
// frames with 11-bit identifiers, 111 bits without stuff bits: 9 009 per
// second). Then, while frames keep coming, the chart's consistent copy of both
// histories is timed.

#include "Tthread_dataconvert_rxcan.h"
#include "ZarvoApi.h"
#include "ZarvoReader.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <thread>
#include <vector>

namespace {

using SteadyTime = std::chrono::steady_clock;

constexpr double kBusMaximum = 9009; // frames per second at 1 Mbit/s
constexpr int kIdentifiers = 10;
constexpr uint32_t kFirstId = 0x100;

std::atomic<int64_t> g_remaining{0};

int32_t RxCount(uint8_t, uint16_t* count) {
    *count = static_cast<uint16_t>(std::clamp<int64_t>(g_remaining.load(), 0, 0xFFFF));
    return 0;
}

int32_t ReadFrame(uint8_t, uint32_t* id, uint8_t* mode, uint8_t* rtr, uint8_t* len, uint8_t* data,
                  uint64_t*) {
    const int64_t n = g_remaining.fetch_sub(1);
    *id = kFirstId + static_cast<uint32_t>(n % kIdentifiers);
    *mode = 0;
    *rtr = 0;
    *len = 8;
    for (int b = 0; b < 8; ++b)
        data[b] = static_cast<uint8_t>(n >> (b % 4 * 8));
    return 0;
}

int32_t PortStatus(uint8_t, uint32_t* status, uint32_t*) {
    *status = 0;
    return 0;
}

// The driver as the thread sees it: frames made up as fast as they are read.
const ZarvoBinding& GeneratedFrames() {
    static const ZarvoBinding binding = [] {
        ZarvoBinding b = builtinZarvoBinding();
        b.Zarvo_GetRxCount = RxCount;
        b.Zarvo_ReadFrame = ReadFrame;
        b.Zarvo_GetPortStatus = PortStatus;
        // No readers: the thread reads the made-up port queue above.
        b.Zarvo_OpenReader = [](uint8_t, uint32_t*) { return kZarvoNoReaders; };
        return b;
    }();
    return binding;
}

class DirectView : public TrendView {
public:
    void runOnUiThread(const std::function<void()>& task) override { task(); }
    void processPendingEvents() override {}
    void setStatusLamp(LampColour) override {}
    void showSearchAgain(const QString&) override {}
    void hideSearchAgain() override {}
};

void Watch(TThread_DataConvert_RxCAN& thread) {
    for (int i = 0; i < kIdentifiers; ++i)
        thread.SetWatchItem(i, kFirstId + static_cast<uint32_t>(i), i % 8, 0);
    thread.SetTrend1(kFirstId, 2, 0);
    thread.SetTrend2(kFirstId + 5, 5, 4);
}

double DecodeRate(int64_t frames) {
    DirectView view;
    g_remaining = frames;
    const auto start = SteadyTime::now();
    TThread_DataConvert_RxCAN thread(view, 0, steadyClock(), GeneratedFrames());
    Watch(thread);
    while (g_remaining > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const double seconds = std::chrono::duration<double>(SteadyTime::now() - start).count();
    thread.Stop();
    return static_cast<double>(frames) / seconds;
}

void CopyTimes(int copies) {
    DirectView view;
    g_remaining = std::numeric_limits<int64_t>::max(); // frames keep coming
    TThread_DataConvert_RxCAN thread(view, 0, steadyClock(), GeneratedFrames());
    Watch(thread);
    std::vector<int64_t> ns;
    ns.reserve(static_cast<size_t>(copies));
    int64_t sink = 0;
    for (int i = 0; i < copies; ++i) {
        const auto start = SteadyTime::now();
        const TrendHistories h = thread.Histories();
        ns.push_back(std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyTime::now() - start)
                         .count());
        sink += h.history1[0] + h.history2[255];
    }
    thread.Stop();
    std::sort(ns.begin(), ns.end());
    std::printf("copy of both histories while frames arrive: p50 %.2f us, p99 %.2f us "
                "(%d copies; checksum %lld)\n",
                static_cast<double>(ns[ns.size() / 2]) / 1000,
                static_cast<double>(ns[ns.size() * 99 / 100]) / 1000, copies,
                static_cast<long long>(sink));
}

} // namespace

int main(int argc, char* argv[]) {
    const int64_t frames = argc > 1 ? std::atoll(argv[1]) : 5'000'000;
    if (frames <= 0) {
        std::fprintf(stderr, "usage: trend_bench [frames]\n");
        return 64;
    }

    const double rate = DecodeRate(frames);
    std::printf("decoded %lld frames (10 watched identifiers, both trend slots): %.0f frames/s, "
                "%.0f x the 1 Mbit/s bus maximum\n",
                static_cast<long long>(frames), rate, rate / kBusMaximum);
    CopyTimes(100'000);
    return 0;
}
