// The rules every face of a run asks: which counts mean "until stopped" and
// which identifiers fit their item's mode.

#include "CoreTestSupport.h"

namespace {

TEST(ItemRules, EveryCountOfZeroOrBelowMeansUntilStopped) {
    const struct {
        int32_t times;
        bool untilStopped;
    } cases[] = {{INT32_MIN, true}, {-1, true}, {0, true}, {1, false}, {INT32_MAX, false}};
    for (const auto& c : cases)
        EXPECT_EQ(SentUntilStopped(c.times), c.untilStopped) << c.times;
}

TEST_F(TableTest, TheFirstIdentifierBeyondItsModeIsFoundAmongTheWantedItems) {
    const struct {
        uint32_t id;
        uint8_t mode;
    } items[] = {{0x7FF, 0}, {0x1FFFFFFF, 1}, {0x800, 0}, {0x20000000, 44}, {0xFFFFFFFF, 0}};
    table.CMD_Count = 5;
    for (int i = 0; i < 5; ++i) {
        table.TxCANID[i] = items[i].id;
        table.TxCANMode[i] = items[i].mode;
    }
    const struct {
        int only; // -1: every item
        int first;
    } cases[] = {{-1, 2}, {0, -1}, {1, -1}, {2, 2}, {3, 3}, {4, 4}};
    for (const auto& c : cases)
        EXPECT_EQ(FirstIdNotFittingMode([&c](int i) { return c.only < 0 || i == c.only; }), c.first)
            << c.only;
    table.CMD_Count = 2;
    EXPECT_EQ(FirstIdNotFittingMode([](int) { return true; }), -1); // beyond the count
}

} // namespace
