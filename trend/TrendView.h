#pragma once
// What the trend receive thread needs from the window it reports to. The
// trend window implements it with widgets; kestrel-cli watch and the tests
// implement it without.

#include "PortStatusView.h"

#include <QString>
#include <functional>

class TrendView : public PortStatusView {
public:
    virtual ~TrendView() = default;

    // Thread-safe: called from the trend receive thread. Runs `task` on the UI
    // thread and returns once it has run. Never called on the UI thread itself.
    virtual void runOnUiThread(const std::function<void()>& task) = 0;

    // Everything below is called on the UI thread only.

    // Carries out pending runOnUiThread tasks (while the UI thread waits for
    // the receive thread to end).
    virtual void processPendingEvents() = 0;
};
