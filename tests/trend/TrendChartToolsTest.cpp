// The trend chart's tools without widgets (time view, readout, axis labels)
// and the data view's rule that a formula is evaluated once it is committed.

#include "TrendChartTools.h"

#include "TrendFormula.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

TEST(TrendTimeViewTest, ZoomPanPauseAndResumeKeepTheSpanInsideTheHistory) {
    struct Case {
        const char* name;
        std::function<void(TrendTimeView&)> steps;
        AxisSpan span;
        bool paused;
    };
    const Case cases[] = {
        {"starts on the whole history", [](TrendTimeView&) {}, {0, 255}, false},
        {"zoom to a dragged span, either way",
         [](TrendTimeView& v) { v.zoomTo(150, 100); },
         {100, 150},
         false},
        {"a span narrower than the least is widened about its middle",
         [](TrendTimeView& v) { v.zoomTo(50, 51); },
         {48.5, 52.5},
         false},
        {"a span past the oldest value is moved inside",
         [](TrendTimeView& v) { v.zoomTo(230, 300); },
         {185, 255},
         false},
        {"not a number changes nothing",
         [](TrendTimeView& v) { v.zoomTo(std::nan(""), 20); },
         {0, 255},
         false},
        {"wheel in keeps the point under the mouse",
         [](TrendTimeView& v) { v.zoomAt(100, 0.5); },
         {50, 177.5},
         false},
        {"wheel out stops at the whole history",
         [](TrendTimeView& v) {
             v.zoomTo(10, 20);
             v.zoomAt(15, 100);
         },
         {0, 255},
         false},
        {"live, panning is refused",
         [](TrendTimeView& v) {
             v.zoomTo(10, 20);
             EXPECT_FALSE(v.pan(5));
         },
         {10, 20},
         false},
        {"paused, panning moves the span",
         [](TrendTimeView& v) {
             v.zoomTo(10, 20);
             v.pause();
             EXPECT_TRUE(v.pan(5));
         },
         {15, 25},
         true},
        {"panning stops at the newest value",
         [](TrendTimeView& v) {
             v.zoomTo(10, 20);
             v.pause();
             v.pan(-50);
             EXPECT_FALSE(v.pan(-1));
         },
         {0, 10},
         true},
        {"resume shows the present at the same width",
         [](TrendTimeView& v) {
             v.pause();
             v.zoomTo(100, 140);
             v.resume();
         },
         {0, 40},
         false},
        {"reset shows the whole history, paused or not",
         [](TrendTimeView& v) {
             v.pause();
             v.zoomTo(100, 140);
             v.reset();
         },
         {0, 255},
         true},
    };
    for (const Case& c : cases) {
        TrendTimeView view;
        c.steps(view);
        EXPECT_EQ(view.span(), c.span) << c.name;
        EXPECT_EQ(view.paused(), c.paused) << c.name;
    }
}

TEST(TrendReadoutTest, ValuesAtTheNearestIndexAndTheirDifference) {
    TrendHistories h{};
    h.history1[0] = 7;
    h.history1[3] = -5;
    h.history1[255] = INT32_MAX;
    h.history2[3] = 40;
    h.history2[255] = INT32_MIN;
    struct Case {
        double x;
        bool shown2;
        const char* text;
    };
    const Case cases[] = {
        {2.6, true, "x 3: -5 | 40"},
        {-9, false, "x 0: 7 | -"},
        {1e9, true, "x 255: 2147483647 | -2147483648"},
        {std::nan(""), true, "x 0: 7 | 0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadoutText(ReadoutAt(c.x, h, true, c.shown2)), c.text) << c.x;
    // The extremes' difference lies beyond 32 bits and is still exact.
    const TrendReadout a = ReadoutAt(3, h, true, true);
    const TrendReadout b = ReadoutAt(255, h, true, true);
    EXPECT_EQ(ReadoutText(ReadoutDifference(a, b)), "x 252: 2147483652 | -2147483688");
    EXPECT_EQ(ReadoutText(ReadoutDifference(a, ReadoutAt(0, h, true, false))), "x -3: 12 | -");
}

TEST(AxisTicksTest, RoundStepsWithTheDecimalsTheyNeed) {
    struct Case {
        double low, high;
        AxisTicks ticks;
    };
    const Case cases[] = {
        {0, 1, {0.2, "%.1f"}},        {-0.1, 1.1, {0.2, "%.1f"}}, {0, 255, {50, "%.0f"}},
        {0, 0.001, {0.0002, "%.4f"}}, {100, 104, {1, "%.0f"}},    {-3e9, 3e9, {1e9, "%.0f"}},
        {0, 0.3, {0.05, "%.2f"}},     {5, 5, {1, "%.0f"}},        {0, INFINITY, {1, "%.0f"}},
        {1, 0, {1, "%.0f"}},
    };
    for (const Case& c : cases) {
        const AxisTicks ticks = TicksFor(c.low, c.high, 6);
        EXPECT_NEAR(ticks.step, c.ticks.step, c.ticks.step * 1e-12) << c.low << " " << c.high;
        EXPECT_EQ(ticks.format, c.ticks.format) << c.low << " " << c.high;
    }
}

TEST(FormulaEntryTest, OnlyACommittedTextIsEvaluatedAndItsResultStaysWithIt) {
    struct Case {
        const char* name;
        std::function<void(FormulaEntry&)> steps;
        std::optional<QString> toEvaluate;
        QString result;
    };
    const auto evaluated = [](FormulaEntry& e) { e.setResult(e.text(), QStringLiteral("2.0")); };
    const Case cases[] = {
        {"a loaded text is evaluated",
         [](FormulaEntry& e) { e.load(QStringLiteral("V1")); },
         QStringLiteral("V1"),
         {}},
        {"its result is shown",
         [&](FormulaEntry& e) {
             e.load(QStringLiteral("V1"));
             evaluated(e);
         },
         QStringLiteral("V1"), QStringLiteral("2.0")},
        {"typing clears the result and waits",
         [&](FormulaEntry& e) {
             e.load(QStringLiteral("V1"));
             evaluated(e);
             e.edit(QStringLiteral("V1 *"));
         },
         std::nullopt,
         {}},
        {"committing evaluates the typed text",
         [](FormulaEntry& e) {
             e.load(QStringLiteral("V1"));
             e.edit(QStringLiteral("V1 * 2"));
             e.commit();
         },
         QStringLiteral("V1 * 2"),
         {}},
        {"a result of an older text is dropped",
         [](FormulaEntry& e) {
             e.load(QStringLiteral("V1"));
             e.edit(QStringLiteral("V2"));
             e.commit();
             e.setResult(QStringLiteral("V1"), QStringLiteral("9.0"));
         },
         QStringLiteral("V2"),
         {}},
        {"a result computed while typing is dropped",
         [](FormulaEntry& e) {
             e.edit(QStringLiteral("V2"));
             e.setResult(QStringLiteral("V2"), QStringLiteral("9.0"));
         },
         std::nullopt,
         {}},
        {"reloading drops the old result",
         [&](FormulaEntry& e) {
             e.load(QStringLiteral("V1"));
             evaluated(e);
             e.load(QStringLiteral("V3 + 1"));
         },
         QStringLiteral("V3 + 1"),
         {}},
        {"reloading ends an edit",
         [](FormulaEntry& e) {
             e.edit(QStringLiteral("V1 +"));
             e.load(QStringLiteral("V4"));
         },
         QStringLiteral("V4"),
         {}},
    };
    for (const Case& c : cases) {
        FormulaEntry entry;
        c.steps(entry);
        EXPECT_EQ(entry.textToEvaluate(), c.toEvaluate) << c.name;
        EXPECT_EQ(entry.resultText(), c.result) << c.name;
    }
}

} // namespace
