// The bus monitor's filters: identifier rules as typed, and which frames each
// filter lets through to the views.

#include "MonitorFilter.h"

#include <gtest/gtest.h>

namespace {

using Kind = IdRule::Kind;

TEST(MonitorFilterTest, RulesAreReadAsTyped) {
    const struct {
        const char* text;
        std::vector<IdRule> rules;
    } cases[] = {
        {"", {}},
        {"  , ", {}},
        {"123", {{Kind::Range, 0x123, 0x123, false}}},
        {"100-1ff", {{Kind::Range, 0x100, 0x1FF, false}}},
        {"7E0:7F0", {{Kind::Mask, 0x7E0, 0x7F0, false}}},
        {"!7DF", {{Kind::Range, 0x7DF, 0x7DF, true}}},
        {"!18DA0000:1FFF0000,3E8 , 10-20",
         {{Kind::Mask, 0x18DA0000, 0x1FFF0000, true},
          {Kind::Range, 0x3E8, 0x3E8, false},
          {Kind::Range, 0x10, 0x20, false}}},
        {"1FFFFFFF", {{Kind::Range, 0x1FFFFFFF, 0x1FFFFFFF, false}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<IdRule> rules{{Kind::Range, 1, 2, true}};
        std::string bad;
        ASSERT_TRUE(parseIdRules(c.text, rules, bad)) << bad;
        EXPECT_EQ(rules, c.rules);
    }
}

TEST(MonitorFilterTest, ABadRuleIsNamedAndTheRulesInForceStay) {
    const struct {
        const char* text;
        const char* bad;
    } cases[] = {
        {"12G", "12G"},     {"100 - 200", "-"},       {"200-100", "200-100"},     {"7E0:", "7E0:"},
        {":7F0", ":7F0"},   {"20000000", "20000000"}, {"123456789", "123456789"}, {"!", "!"},
        {"1-2:3", "1-2:3"}, {"100 !x", "!x"},         {"0x100", "0x100"},         {"-5", "-5"},
    };
    const std::vector<IdRule> inForce{{Kind::Range, 0x100, 0x100, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<IdRule> rules = inForce;
        std::string bad;
        EXPECT_FALSE(parseIdRules(c.text, rules, bad));
        EXPECT_EQ(bad, c.bad);
        EXPECT_EQ(rules, inForce);
    }
}

MonitorFrame frame(uint32_t id, bool transmitted, std::initializer_list<uint8_t> bytes = {}) {
    MonitorFrame f;
    f.id = id;
    f.flags = transmitted ? MonitorFrame::kTransmitted : 0;
    f.len = static_cast<uint8_t>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), f.data.begin());
    return f;
}

TEST(MonitorFilterTest, FramesPassByIdentifierDirectionAndData) {
    const struct {
        const char* rules;
        DirectionFilter direction;
        const char* text;
        MonitorFrame frame;
        bool passes;
    } cases[] = {
        {"", DirectionFilter::Both, "", frame(0x123, false), true},
        {"123", DirectionFilter::Both, "", frame(0x123, true), true},
        {"123", DirectionFilter::Both, "", frame(0x124, true), false},
        {"100-1FF", DirectionFilter::Both, "", frame(0x100, false), true},
        {"100-1FF", DirectionFilter::Both, "", frame(0x1FF, false), true},
        {"100-1FF", DirectionFilter::Both, "", frame(0x200, false), false},
        {"100-1FF", DirectionFilter::Both, "", frame(0xFF, false), false},
        {"7E0:7F0", DirectionFilter::Both, "", frame(0x7E8, false), true},
        {"7E0:7F0", DirectionFilter::Both, "", frame(0x7F0, false), false},
        // Several including rules: any of them.
        {"100 7E0:7F0", DirectionFilter::Both, "", frame(0x7EF, false), true},
        {"100 7E0:7F0", DirectionFilter::Both, "", frame(0x101, false), false},
        // Excluding rules alone let everything else through.
        {"!7DF", DirectionFilter::Both, "", frame(0x7DF, false), false},
        {"!7DF", DirectionFilter::Both, "", frame(0x7E0, false), true},
        // An exclusion wins over an inclusion, in either order.
        {"700-7FF !7DF", DirectionFilter::Both, "", frame(0x7DF, false), false},
        {"!7DF 700-7FF", DirectionFilter::Both, "", frame(0x7DF, false), false},
        {"!7DF 700-7FF", DirectionFilter::Both, "", frame(0x7E0, false), true},
        {"", DirectionFilter::Transmitted, "", frame(0x1, true), true},
        {"", DirectionFilter::Transmitted, "", frame(0x1, false), false},
        {"", DirectionFilter::Received, "", frame(0x1, false), true},
        {"", DirectionFilter::Received, "", frame(0x1, true), false},
        // The text is found in the data as shown, without regard to case.
        {"", DirectionFilter::Both, "aa bb", frame(0x1, false, {0x11, 0xAA, 0xBB}), true},
        {"", DirectionFilter::Both, "AABB", frame(0x1, false, {0xAA, 0xBB}), false},
        {"", DirectionFilter::Both, "1 A", frame(0x1, false, {0x11, 0xAA}), true},
        {"", DirectionFilter::Both, "CC", frame(0x1, false, {0xAA, 0xBB}), false},
        {"", DirectionFilter::Both, "CC", frame(0x1, false), false},
        {"1", DirectionFilter::Received, "BB", frame(0x1, false, {0xBB}), true},
        {"1", DirectionFilter::Transmitted, "BB", frame(0x1, false, {0xBB}), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rules << " / " << static_cast<int>(c.direction)
                                        << " / " << c.text << " / " << std::hex << c.frame.id);
        MonitorFilter filter;
        std::string bad;
        ASSERT_TRUE(parseIdRules(c.rules, filter.rules, bad));
        filter.direction = c.direction;
        filter.text = c.text;
        EXPECT_EQ(filter.passes(c.frame), c.passes);
    }
}

TEST(MonitorFilterTest, IdentifiersAndDataAreShownAsCandumpWritesThem) {
    MonitorFrame f = frame(0x12, false, {0x0A, 0xFF});
    EXPECT_EQ(identifierText(f), "012");
    EXPECT_EQ(dataText(f), "0A FF");
    f.flags = MonitorFrame::kExtended | MonitorFrame::kRemote;
    f.id = 0x18DAF110;
    EXPECT_EQ(identifierText(f), "18DAF110x");
    EXPECT_EQ(dataText(f), ""); // a remote frame has no data
}

} // namespace
