#pragma once
// The main window as the run control's view: tool buttons, menu items, timers,
// status lamp, port warning and the single transmit dialog. UI thread only,
// apart from runOnUiThread(), which the receive thread calls.

#include "RunView.h"

class TForm_MainKestrel;

class MainRunView : public RunView {
public:
    explicit MainRunView(TForm_MainKestrel& window) : window_(window) {}

    // A blocking queued call onto the window's thread.
    void runOnUiThread(const std::function<void()>& task) override;
    void processPendingEvents() override;
    UserDialogs& dialogs() override;
    void setRunControls(RunControls state) override;
    void setTimerEnabled(RunTimer timer, bool enabled) override;
    void setStatusLamp(LampColour colour) override;
    void showSearchAgain(const QString& text) override;
    void hideSearchAgain() override;
    void setSelectedRow(int row) override;
    void showSingleTransmit(int item) override;
    void hideSingleTransmit() override;
    void showRunSummary(const VerdictCounts& counts) override;

private:
    TForm_MainKestrel& window_;
};
