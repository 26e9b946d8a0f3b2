#include "TrendChartTools.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMostDecimals = 12;

// `span` moved by as little as possible to lie inside the history.
AxisSpan insideHistory(AxisSpan span) {
    const double width = std::min(span.high - span.low, TrendTimeView::kFull.high);
    if (span.low < TrendTimeView::kFull.low)
        return {TrendTimeView::kFull.low, TrendTimeView::kFull.low + width};
    if (span.high > TrendTimeView::kFull.high)
        return {TrendTimeView::kFull.high - width, TrendTimeView::kFull.high};
    return span;
}

} // namespace

void TrendTimeView::resume() {
    paused_ = false;
    span_ = {kFull.low, kFull.low + (span_.high - span_.low)};
}

void TrendTimeView::zoomTo(double a, double b) {
    if (!std::isfinite(a) || !std::isfinite(b))
        return;
    AxisSpan wanted{std::min(a, b), std::max(a, b)};
    if (wanted.high - wanted.low < kMinimumSpan) {
        const double middle = (wanted.low + wanted.high) / 2;
        wanted = {middle - kMinimumSpan / 2, middle + kMinimumSpan / 2};
    }
    span_ = insideHistory(wanted);
}

void TrendTimeView::zoomAt(double at, double factor) {
    if (!std::isfinite(at) || !std::isfinite(factor) || factor <= 0)
        return;
    const double width = std::clamp((span_.high - span_.low) * factor, kMinimumSpan, kFull.high);
    const double share = (span_.high > span_.low) ? (at - span_.low) / (span_.high - span_.low) : 0;
    const double low = at - std::clamp(share, 0.0, 1.0) * width;
    zoomTo(low, low + width);
}

bool TrendTimeView::pan(double delta) {
    if (!paused_ || !std::isfinite(delta))
        return false;
    const AxisSpan moved = insideHistory({span_.low + delta, span_.high + delta});
    if (moved == span_)
        return false;
    span_ = moved;
    return true;
}

TrendReadout ReadoutAt(double x, const TrendHistories& histories, bool shown1, bool shown2) {
    const double nearest = std::isfinite(x) ? std::round(x) : 0;
    TrendReadout readout;
    readout.index =
        static_cast<int>(std::clamp(nearest, TrendTimeView::kFull.low, TrendTimeView::kFull.high));
    const auto at = static_cast<size_t>(readout.index);
    if (shown1)
        readout.value1 = histories.history1[at];
    if (shown2)
        readout.value2 = histories.history2[at];
    return readout;
}

TrendReadout ReadoutDifference(const TrendReadout& a, const TrendReadout& b) {
    const auto minus = [](std::optional<int64_t> x,
                          std::optional<int64_t> y) -> std::optional<int64_t> {
        return x && y ? std::optional<int64_t>(*y - *x) : std::nullopt;
    };
    return {b.index - a.index, minus(a.value1, b.value1), minus(a.value2, b.value2)};
}

std::string ReadoutText(const TrendReadout& readout) {
    const auto value = [](std::optional<int64_t> v) {
        return v ? std::to_string(*v) : std::string("-");
    };
    return "x " + std::to_string(readout.index) + ": " + value(readout.value1) + " | " +
           value(readout.value2);
}

AxisTicks TicksFor(double low, double high, int wanted) {
    const double span = high - low;
    if (!std::isfinite(span) || span <= 0 || wanted < 1)
        return {1, "%.0f"};
    const double raw = span / wanted;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = 10 * power;
    // A hair of tolerance: 1.2 / 6 is a bit more than 0.2 in binary.
    for (const double nice : {1.0, 2.0, 5.0})
        if (raw <= nice * power * (1 + 1e-9)) {
            step = nice * power;
            break;
        }
    // 1, 2 and 5 times 10^-k need exactly k decimals.
    const int decimals =
        std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, kMostDecimals);
    return {step, "%." + std::to_string(decimals) + "f"};
}
