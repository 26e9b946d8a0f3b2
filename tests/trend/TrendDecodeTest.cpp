// The value decoder, the type and range texts, and the data view's formula
// substitution and evaluation.

#include "TrendDecode.h"

#include "TrendFormula.h"
#include "TrendTables.h"

#include <bit>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <optional>

namespace {

using Bytes = uint8_t[8];

struct DecodeCase {
    std::array<uint8_t, 8> data;
    int type;
    int firstByte;
    std::optional<int32_t> value;
};

std::array<uint8_t, 8> FloatAt4(float value) {
    std::array<uint8_t, 8> data{};
    const auto bits = std::bit_cast<std::array<uint8_t, 4>>(value);
    std::copy(bits.begin(), bits.end(), data.begin() + 4);
    return data;
}

std::array<uint8_t, 8> DoubleBytes(double value) {
    return std::bit_cast<std::array<uint8_t, 8>>(value);
}

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
const std::array<uint8_t, 8> kCounting{1, 2, 3, 4, 5, 6, 7, 8};

TEST(TrendDecode, TypeTable) {
    const DecodeCase cases[] = {
        {kCounting, 2, 1, 770},
        {kCounting, 5, 4, 134678021},
        {{0xFE, 0xFF}, 2, 0, 65534},
        {{0xFE, 0xFF}, 3, 0, -2},
        {{0x34, 0x12}, 2, 0, 4660},
        {{0, 0, 0, 0, 0xFF}, 0, 4, 255},
        {{0, 0, 0, 0, 0xFF}, 1, 4, -1},
        {{0, 0, 0, 0x80}, 4, 0, kMin}, // DWORD 2^31 reads as negative
        {{0x00, 0x00, 0x20, 0xC1}, 6, 0, -10},
        {{0x66, 0x66, 0x26, 0x40}, 6, 0, 2},
        {DoubleBytes(-2.9), 7, 0, -2},
        {kCounting, 0, 7, 8},
        // Saturation instead of an undefined conversion.
        {FloatAt4(3e9f), 6, 4, kMax},
        {FloatAt4(-3e9f), 6, 4, kMin},
        {FloatAt4(std::numeric_limits<float>::quiet_NaN()), 6, 4, 0},
        {DoubleBytes(std::numeric_limits<double>::infinity()), 7, 0, kMax},
        {DoubleBytes(-2147483648.7), 7, 0, kMin},
        // Nothing for a bad code or a value beyond the eight bytes.
        {kCounting, 8, 0, std::nullopt},
        {kCounting, -1, 0, std::nullopt},
        {kCounting, 7, 1, std::nullopt},
        {kCounting, 2, 7, std::nullopt},
        {kCounting, 0, -1, std::nullopt},
    };
    for (const DecodeCase& c : cases) {
        Bytes data;
        std::memcpy(data, c.data.data(), 8);
        EXPECT_EQ(DecodeCanValue(data, c.type, c.firstByte), c.value)
            << "type " << c.type << " at " << c.firstByte;
    }
}

// The window's range list is refilled from these texts whenever a type is chosen.
TEST(TrendDecode, RangeTextsFitTheEightBytes) {
    const struct {
        int type;
        const char* typeText;
        int count;
        const char* first;
        const char* last;
    } cases[] = {
        {0, "BYTE (unsigned 1-byte)", 8, "D1", "D8"},
        {1, "char (signed 1-byte)", 8, "D1", "D8"},
        {3, "short (signed 2-byte)", 7, "D1 ~ D2", "D7 ~ D8"},
        {4, "DWORD (unsigned 4-byte)", 5, "D1 ~ D4", "D5 ~ D8"},
        {6, "float (4-byte)", 5, "D1 ~ D4", "D5 ~ D8"},
        {7, "double (8-byte)", 1, "D1 ~ D8", "D1 ~ D8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(DataTypeText(c.type), c.typeText);
        const QStringList texts = DataRangeTexts(c.type);
        ASSERT_EQ(texts.size(), c.count);
        EXPECT_EQ(texts.first(), c.first);
        EXPECT_EQ(texts.last(), c.last);
        EXPECT_EQ(DataRangeText(c.type, c.count - 1), c.last);
        EXPECT_TRUE(DataRangeText(c.type, c.count).isEmpty());
    }
    EXPECT_EQ(DataRangeTexts(3), QStringList({"D1 ~ D2", "D2 ~ D3", "D3 ~ D4", "D4 ~ D5", "D5 ~ D6",
                                              "D6 ~ D7", "D7 ~ D8"}));
    EXPECT_TRUE(DataRangeTexts(8).isEmpty());
    EXPECT_TRUE(DataRangeTexts(-1).isEmpty());
}

QString Values(int n) {
    return n == 1 ? QStringLiteral("-3") : QStringLiteral("<%1>").arg(n);
}

TEST(TrendFormula, ReferencesAreVOrSmallVWithOneOrTwoDigits) {
    const struct {
        const char* formula;
        const char* substituted;
    } cases[] = {
        {"V1+V12", "-3+<12>"}, {"V123", "<12>3"},        {"v2 * V2", "<2> * <2>"},
        {"V0 + V", "V0 + V"},  {"(V1)^2", "(-3)^2"},     {"V99V1", "<99>-3"},
        {"V10", "<10>"},       {"sqrt(V1)", "sqrt(-3)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SubstituteVariables(QString::fromUtf8(c.formula), Values), c.substituted);
}

TEST(TrendFormula, EvaluationKeepsTheEvaluatorsGrammarAndReportsFailures) {
    const auto evaluate = [](const char* formula) {
        return EvaluateFormula(SubstituteVariables(QString::fromUtf8(formula), Values),
                               EvaluatorLines::Silent);
    };
    EXPECT_DOUBLE_EQ(evaluate("V1^2").value, -9); // -3^2: the sign applies to the power
    EXPECT_DOUBLE_EQ(evaluate("(V1)^2").value, 9);
    EXPECT_EQ(QString::asprintf("%f", evaluate("sqrt(259 * 259 +  V1 * V1)").value), "259.017374");

    const FormulaResult divided = evaluate("1/(V1+3)");
    EXPECT_FALSE(divided.ok);
    EXPECT_TRUE(divided.floatingPointError);
    EXPECT_EQ(divided.message, "Floating point division by zero");

    testing::internal::CaptureStdout();
    const FormulaResult quiet = evaluate("V0");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(quiet.ok);
    EXPECT_EQ(quiet.message, "Could not look up value for variable!");

    testing::internal::CaptureStdout();
    EXPECT_FALSE(EvaluateFormula(QStringLiteral("1 +"), EvaluatorLines::Stdout).ok);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error: Failed to read real number\n"
              "Expression '1 +' failed to parse, returning nan\n");
}

} // namespace
