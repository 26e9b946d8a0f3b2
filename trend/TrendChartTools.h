#pragma once
// The trend chart's tools without widgets: the visible part of the time axis
// (pause, zoom, pan, reset), the readout of both curves at a point and between
// two cursors, and the number of decimals an axis's labels need. x is the
// history index: 0 is the newest value, kTrendHistoryLength - 1 the oldest.

#include "Tthread_dataconvert_rxcan.h"

#include <optional>
#include <string>

struct AxisSpan {
    double low = 0;
    double high = 0;
    bool operator==(const AxisSpan&) const = default;
};

// The visible time span. Live, the chart follows the present; paused, it
// keeps the picture it showed while the thread goes on filling the history.
class TrendTimeView {
public:
    // The whole history.
    static constexpr AxisSpan kFull{0, kTrendHistoryLength - 1};
    // Zooming stops at this many indexes across.
    static constexpr double kMinimumSpan = 4;

    const AxisSpan& span() const { return span_; }
    bool paused() const { return paused_; }
    bool zoomed() const { return span_ != kFull; }

    void pause() { paused_ = true; }
    // Back to the present: the same width, starting at the newest value.
    void resume();
    // Shows [a, b] (either order), kept inside the history and at least kMinimumSpan wide.
    void zoomTo(double a, double b);
    // Scales the span by `factor` (below 1 zooms in) keeping `at` where it is.
    void zoomAt(double at, double factor);
    // Moves the span by `delta` indexes, within the history; only while
    // paused, as live the newest value stays in view. False when nothing moved.
    bool pan(double delta);
    // The whole history again.
    void reset() { span_ = kFull; }

private:
    AxisSpan span_ = kFull;
    bool paused_ = false;
};

// Both curves at one history index.
struct TrendReadout {
    int index = 0;
    std::optional<int64_t> value1; // nullopt: the curve is not shown
    std::optional<int64_t> value2;
};

// The readout at axis value `x`: the nearest index inside the history.
// `shown1`/`shown2` say which curves are on the chart.
TrendReadout ReadoutAt(double x, const TrendHistories& histories, bool shown1, bool shown2);

// Cursor `b` minus cursor `a`, index by index and value by value (a value
// only where both cursors have one).
TrendReadout ReadoutDifference(const TrendReadout& a, const TrendReadout& b);

// The readout as the chart prints it: "x 12: 350 | -20" (a missing curve is "-").
std::string ReadoutText(const TrendReadout& readout);

// The labels of an axis: one every `step` (1, 2 or 5 times a power of ten),
// printed with `format` ("%.1f"), as many decimals as the step needs.
struct AxisTicks {
    double step = 1;
    std::string format;
    bool operator==(const AxisTicks&) const = default;
};

// Ticks for an axis from `low` to `high` with about `wanted` labels; a range
// that is empty or not finite gets a step of 1.
AxisTicks TicksFor(double low, double high, int wanted);
