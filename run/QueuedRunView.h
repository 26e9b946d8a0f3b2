#pragma once
// A RunView without widgets for kestrel-cli and the benchmarks: the receive
// thread's calls go through a UiTaskQueue, served while serveRun() waits for
// the run to end. Controls, lamp and dialog placement have nothing to show;
// subclasses override what they want to report.

#include "RunController.h"
#include "RunView.h"
#include "UiTaskQueue.h"

#include <chrono>
#include <optional>

class QueuedRunView : public RunView {
public:
    explicit QueuedRunView(UserDialogs& dialogs) : dialogs_(dialogs) {}

    void runOnUiThread(const std::function<void()>& task) override { queue_.runBlocking(task); }
    void processPendingEvents() override { queue_.drain(); }
    UserDialogs& dialogs() override { return dialogs_; }
    void setRunControls(RunControls) override {}
    void setTimerEnabled(RunTimer timer, bool enabled) override {
        timers_[static_cast<int>(timer)] = enabled;
    }
    void setStatusLamp(LampColour) override {}
    void showSearchAgain(const QString&) override {}
    void hideSearchAgain() override {}
    void setSelectedRow(int) override {}
    void showSingleTransmit(int) override {}
    void hideSingleTransmit() override {}
    void showRunSummary(const VerdictCounts&) override {}

    // Serves `run` until it ends, firing the enabled end-of-run timer every
    // 100 ms as the main window's timers do; after `timeout`, or once the
    // interruption check gives a text, it stops the run as Stop does. True
    // when the run ended by itself.
    bool serveRun(RunController& run, std::optional<std::chrono::milliseconds> timeout);
    // Asked every 100 ms while a run is served: a text (the trace's closing
    // note) stops the run, an empty one lets it go on.
    void setInterruptionCheck(std::function<QString()> check) { interrupted_ = std::move(check); }

private:
    std::function<QString()> interrupted_;
    UserDialogs& dialogs_;
    UiTaskQueue queue_;
    bool timers_[2] = {false, false};
};
