#include "Verdict.h"

#include "Phrases.h"
#include "RunReport.h"

#include <gtest/gtest.h>

namespace {

Expectation Expect(int32_t id, std::initializer_list<std::pair<int, int32_t>> bytes = {}) {
    Expectation e;
    e.id = id;
    for (const auto& [index, value] : bytes)
        e.data[static_cast<size_t>(index)] = value;
    return e;
}

Response Frame(uint32_t id, std::array<uint8_t, kCanDataBytes> data = {}, uint8_t len = 8) {
    return {id, 0, 0, len, data};
}

struct JudgeCase {
    const char* name;
    Expectation expected;
    std::optional<Response> response;
    bool finished;
    Verdict verdict;
    const char* resultText;
    const char* failure; // empty when accepted
};

TEST(VerdictTest, JudgesEveryKindOfResult) {
    Expectation anything;
    Expectation format;
    format.mode = 1;
    format.rtr = 0;
    format.len = 8;
    const JudgeCase cases[] = {
        {"a response to an item expecting nothing",
         anything,
         Frame(0x100),
         true,
         {Verdict::NotCompared, 0, {}},
         "--",
         ""},
        {"no response to an item expecting nothing",
         anything,
         std::nullopt,
         true,
         {Verdict::NotCompared, 0, {}},
         "--",
         ""},
        {"the expected identifier",
         Expect(0x182),
         Frame(0x182),
         true,
         {Verdict::Passed, 0, {}},
         "0",
         ""},
        {"no response to an item expecting one",
         Expect(0x182),
         std::nullopt,
         true,
         {Verdict::NoResponse, 0, {}},
         "--",
         "no response"},
        {"identifier and two bytes differ",
         Expect(0x182, {{1, 0x22}, {7, 0x88}}),
         Frame(0x183, {0, 0x21, 0, 0, 0, 0, 0, 0x87}),
         true,
         {Verdict::Failed, 2081, {"ID", "D2", "D8"}},
         "2081",
         "Result 2081: ID, D2, D8"},
        {"format, RTR flag and length differ",
         format,
         Response{0x1, 0, 1, 2, {}},
         true,
         {Verdict::Failed, 14, {"Mode", "RTR", "Len"}},
         "14",
         "Result 14: Mode, RTR, Len"},
        {"a byte beyond the received length is still compared",
         Expect(0x7, {{5, 0x55}}),
         Frame(0x7, {0, 0, 0, 0, 0, 0x55, 0, 0}, 2),
         true,
         {Verdict::Passed, 0, {}},
         "0",
         ""},
        {"an expected byte above 255 never matches",
         Expect(0x7, {{0, 0x110}}),
         Frame(0x7, {0x10}),
         true,
         {Verdict::Failed, 16, {"D1"}},
         "16",
         "Result 16: D1"},
        {"the identifier is compared with all 32 bits",
         Expect(0x1FFFFFFF),
         Frame(0x1FFFFFFF),
         true,
         {Verdict::Passed, 0, {}},
         "0",
         ""},
        {"a matching response to an item the run cut short",
         Expect(0x182),
         Frame(0x182),
         false,
         {Verdict::NotFinished, 0, {}},
         "",
         "not finished"},
        {"an item expecting nothing that did not finish",
         anything,
         std::nullopt,
         false,
         {Verdict::NotFinished, 0, {}},
         "",
         "not finished"},
    };
    for (const JudgeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Verdict v = Judge(c.expected, c.response, c.finished);
        EXPECT_EQ(v, c.verdict);
        EXPECT_EQ(v.resultText(), QString::fromLatin1(c.resultText));
        EXPECT_EQ(v.failureText(), QString::fromLatin1(c.failure));
        EXPECT_EQ(v.accepted(), QString::fromLatin1(c.failure).isEmpty());
    }
}

TEST(VerdictTest, ExpectationOfAnItemReadsItsCompareFields) {
    type_CustomerCMD table;
    table.Comp_CANID[3] = 0x182;
    table.Comp_CANMode[3] = kCompareWildcard;
    table.Comp_CANRTR[3] = 0;
    table.Comp_CANLen[3] = 8;
    for (int d = 0; d < kCanDataBytes; ++d)
        table.Comp_CANData[3][d] = d == 6 ? 0x77 : kCompareWildcard;
    const Expectation e = Expectation::ofItem(table, 3);
    EXPECT_EQ(e.id, 0x182);
    EXPECT_EQ(e.mode, kCompareWildcard);
    EXPECT_EQ(e.rtr, 0);
    EXPECT_EQ(e.len, 8);
    EXPECT_EQ(e.data[6], 0x77);
    EXPECT_EQ(e.data[7], kCompareWildcard);
    EXPECT_TRUE(e.comparesAnything());
    EXPECT_FALSE(Expectation().comparesAnything());
}

TEST(VerdictTest, SummaryCountsTestedItemsInEveryLanguage) {
    const std::vector<std::optional<Verdict>> verdicts = {Verdict{Verdict::Passed, 0, {}},
                                                          Verdict{Verdict::Failed, 1, {"ID"}},
                                                          std::nullopt,
                                                          Verdict{Verdict::NoResponse, 0, {}},
                                                          Verdict{Verdict::NotCompared, 0, {}},
                                                          Verdict{Verdict::Passed, 0, {}},
                                                          Verdict{Verdict::NotFinished, 0, {}}};
    const VerdictCounts counts = CountVerdicts(verdicts);
    EXPECT_EQ(counts.items, 6);
    EXPECT_EQ(counts.passed, 2);
    EXPECT_EQ(counts.failed, 2);
    EXPECT_EQ(counts.notCompared, 1);
    EXPECT_EQ(counts.notFinished, 1);

    const VerdictCounts finished{6, 4, 1, 1, 0};
    const std::pair<int, const char16_t*> lines[] = {
        {0, u"6 items: 4 passed, 1 failed, 1 without expectation"},
        {1, u"6 个项目：4 个通过，1 个失败，1 个无比对值"},
        {2, u"6 個項目：4 個通過，1 個失敗，1 個無比對值"}};
    for (const auto& [language, line] : lines) {
        SetLanguage(language);
        EXPECT_EQ(RunSummaryText(finished), QString::fromUtf16(line));
    }
    SetLanguage(0);
    EXPECT_EQ(RunSummaryText(counts),
              "6 items: 2 passed, 2 failed, 1 without expectation, 1 not finished");
}

} // namespace
