#include "QueuedRunView.h"

bool QueuedRunView::serveRun(RunController& run, std::optional<std::chrono::milliseconds> timeout) {
    constexpr std::chrono::milliseconds kTimerInterval{100};
    const auto start = std::chrono::steady_clock::now();
    while (run.isRunning()) {
        queue_.serveFor(kTimerInterval);
        if (timeout && std::chrono::steady_clock::now() - start >= *timeout) {
            run.stop();
            return false;
        }
        if (const QString note = interrupted_ ? interrupted_() : QString(); !note.isEmpty()) {
            run.stop(note);
            return false;
        }
        if (timers_[static_cast<int>(RunTimer::TestAllItems)])
            run.testAllItemsTimer();
        else if (timers_[static_cast<int>(RunTimer::TestSingleItem)])
            run.testSingleItemTimer();
    }
    return true;
}
