#pragma once
// What the run control needs from the window it runs in. The main window
// implements it with widgets; kestrel-cli and the tests implement it without.

#include "PortStatusView.h"
#include "UserDialogs.h"
#include "Verdict.h"

#include <QString>
#include <functional>

// The tool buttons' states during a run. Ending is Running with Stop already
// disabled, while an automatic end waits for the receive thread and shows the
// completion message; EndedByItself and Stopped enable what Idle enables.
enum class RunControls { Idle, Running, Ending, EndedByItself, Stopped };

enum class RunTimer { TestAllItems, TestSingleItem };

class RunView : public PortStatusView {
public:
    virtual ~RunView() = default;

    // Thread-safe: called from the receive thread. Runs `task` on the UI thread
    // and returns once it has run. Never called on the UI thread itself.
    virtual void runOnUiThread(const std::function<void()>& task) = 0;

    // Everything below is called on the UI thread only.

    // Carries out pending work of the UI thread, runOnUiThread tasks included.
    virtual void processPendingEvents() = 0;
    virtual UserDialogs& dialogs() = 0;
    virtual void setRunControls(RunControls state) = 0;
    // The 100 ms end-of-run timers; when one fires the view calls the
    // controller's matching handler.
    virtual void setTimerEnabled(RunTimer timer, bool enabled) = 0;
    // The main window's selected row (grid row).
    virtual void setSelectedRow(int row) = 0;
    // The single transmit dialog for item `item`: loaded with its data bytes
    // and names and shown below the main window; hidden.
    virtual void showSingleTransmit(int item) = 0;
    virtual void hideSingleTransmit() = 0;
    // After each run: how its items fared (RunSummaryText words it).
    virtual void showRunSummary(const VerdictCounts& counts) = 0;
};
