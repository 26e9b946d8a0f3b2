// The trend window's page logic without its widgets: the identifiers typed,
// the checks of Add, the removal of an entry and one evaluation of a formula line.

#include "TrendPages.h"

#include "TrendTablesFixture.h"

#include <gtest/gtest.h>

namespace {

// Advances by `step` each time it is read: every evaluation takes `step`.
class SteppingClock final : public Clock {
public:
    explicit SteppingClock(std::chrono::milliseconds step) : step_(step) {}
    Time now() const override { return step_ * ++reads_; }
    void waitUntil(std::condition_variable&, std::unique_lock<std::mutex>&, Time) const override {}

private:
    std::chrono::milliseconds step_;
    mutable int reads_ = 0;
};

TEST_F(TrendTablesTest, IdentifiersAreUpToEightHexDigits) {
    const struct {
        const char* typed;
        std::optional<int32_t> id;
    } cases[] = {{"7ff", 2047},
                 {"07FF", 2047},
                 {"FFFFFFFF", -1},
                 {"0", 0},
                 {"", std::nullopt},
                 {"12G", std::nullopt},
                 {" 12", std::nullopt},
                 {"+12", std::nullopt},
                 {"123456789", std::nullopt},
                 {"0x12", std::nullopt}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(ParseTrendId(QString::fromLatin1(c.typed)), c.id);
    }
    EXPECT_EQ(TrendIdText(0x12), "0x012");
    EXPECT_EQ(TrendIdText(0x7FF), "0x7FF");
    EXPECT_EQ(TrendIdText(-1), "0xFFFFFFFF");
}

TEST_F(TrendTablesTest, AddChecksInOrderAndRefusesAHundredAndFirstEntry) {
    EXPECT_EQ(CheckNewTrendEntry({"a", "b", "zz", -1, -1}), AddRefusal::NoDataType);
    EXPECT_EQ(CheckNewTrendEntry({"a", "b", "zz", 7, 1}), AddRefusal::NoDataRange);
    EXPECT_EQ(CheckNewTrendEntry({"a", "b", "zz", 7, 0}), AddRefusal::IllegalId);
    for (int i = 0; i < kMaxTrendCAN; ++i)
        Add("a", "b", "100");
    EXPECT_EQ(CheckNewTrendEntry({"a", "b", "100", 0, 0}), AddRefusal::TableFull);
    EXPECT_EQ(Global_TrendCAN.TrendCAN_Count, kMaxTrendCAN);
}

TEST_F(TrendTablesTest, RemovingTakesTheEntryAtThatPlaceAmongEqualDescriptions) {
    Add("Speed", "km/h", "100", 2, 1);
    Add("Speed", "km/h", "200", 7, 0);
    Add("Other", "", "300");
    ASSERT_TRUE(RemoveTrendEntry(1));
    EXPECT_FALSE(RemoveTrendEntry(2));
    ASSERT_EQ(Global_TrendCAN.TrendCAN_Count, 2);
    EXPECT_EQ(Global_TrendCAN.TrendCANID[0], 0x100);
    EXPECT_EQ(Global_TrendCAN.CANDataType[0], 2);
    EXPECT_EQ(Global_TrendCAN.TrendCANID[1], 0x300);
    EXPECT_EQ(TrendEntryDataText(0), "ID: 0x100, Data: WORD (unsigned 2-byte), D2 ~ D3");
    EXPECT_EQ(TrendEntryListText(1), "Other ==> ");
}

TEST_F(TrendTablesTest, FormulaLineFailsOnErrorsAndOnTheTimeLimit) {
    const auto values = [](int n) { return n == 1 ? QStringLiteral("3") : QStringLiteral("0"); };
    const FormulaLineResult ok = EvaluateFormulaLine("sqrt(259 * 259 +  V1 * V1)", values);
    EXPECT_FALSE(ok.failed);
    EXPECT_EQ(ok.resultText, "259.017374");
    const FormulaLineResult division = EvaluateFormulaLine("1/V2", values);
    EXPECT_TRUE(division.failed);
    EXPECT_EQ(division.resultText, "Error Expression");
    EXPECT_EQ(division.floatingPointError, "Floating point division by zero");
    const FormulaLineResult syntax = EvaluateFormulaLine("V0", values);
    EXPECT_TRUE(syntax.failed);
    EXPECT_EQ(syntax.floatingPointError, "");
    EXPECT_FALSE(
        EvaluateFormulaLine("V1", values, SteppingClock(std::chrono::milliseconds(999))).failed);
    const FormulaLineResult slow =
        EvaluateFormulaLine("V1", values, SteppingClock(std::chrono::milliseconds(1000)));
    EXPECT_TRUE(slow.failed);
    EXPECT_EQ(slow.resultText, "Error Expression");
    // A variable without a frame yet: the line waits and has not failed.
    const auto waiting = [](int n) {
        return n == 1 ? std::optional<QString>() : QStringLiteral("0");
    };
    const FormulaLineResult wait = EvaluateFormulaLine("1/V2 + V1", waiting);
    EXPECT_FALSE(wait.failed);
    EXPECT_EQ(wait.resultText, "--");
}

} // namespace
