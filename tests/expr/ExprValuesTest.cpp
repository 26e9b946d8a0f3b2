// Values of well-formed texts, level by level, and where blanks may stand.

#include "EvalProbe.h"

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace {

struct ValueCase {
    const char* text;
    double expected;
};

void expectValues(const std::vector<ValueCase>& cases) {
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.text);
        const EvalResult r = evaluate(c.text);
        EXPECT_EQ(r.error, 0);
        EXPECT_EQ(r.output, "");
        EXPECT_EQ(r.fpError, "");
        EXPECT_DOUBLE_EQ(r.value, c.expected);
    }
}

TEST(ExprValues, SumsAndProductsAreLeftAssociative) {
    expectValues({{"1+2*3", 7},
                  {"(1+2)*3", 9},
                  {"7-2-1", 4},
                  {"8/2/2", 2},
                  {"6/4", 1.5},
                  {"-3+5", 2},
                  {"+3-5", -2},
                  {"-(2+3)*2", -10},
                  {"2*-3", -6},
                  {"1 - -1", 2},
                  {"---2", -2},
                  {"- 2", -2}});
}

TEST(ExprValues, PowerIsRightAssociativeAndBindsBelowALeadingSign) {
    expectValues({{"2^3^2", 512},
                  {"2^-1", 0.5},
                  {"-2^2", -4},
                  {"3*-2^2", 12},
                  {"2^-3^2", 1.0 / 512},
                  {"(-2)^2", 4},
                  {"2^(1+1)*3", 12},
                  {"4^0.5", 2}});
}

TEST(ExprValues, UnaryOperatorsTakeAPrimary) {
    expectValues({{"!0", 1},
                  {"!0.5", 0},
                  {"!1e-11", 1},
                  {"!1e-10", 0},
                  {"!(1<0)", 1},
                  {"-(-3)", 3},
                  {"+4", 4}});
}

TEST(ExprValues, ComparisonsAndEqualityGiveOneOrZero) {
    expectValues({{"1<2", 1},
                  {"2<1", 0},
                  {"2<=2", 1},
                  {"3>=4", 0},
                  {"3>2", 1},
                  {"2>2", 0},
                  {"(1<2)<3", 1},
                  {"1+1<3", 1},
                  {"0.1+0.2==0.3", 1},
                  {"1 != 1.00000000001", 0},
                  {"1==2", 0},
                  {"1!=2", 1},
                  {"1<2==1", 1},
                  // A difference of exactly the tolerance is neither equal nor unequal.
                  {"0 == 1e-10", 0},
                  {"0 != 1e-10", 0}});
}

TEST(ExprValues, LogicalOperatorsUseTheTolerance) {
    expectValues({{"1 && 0", 0},
                  {"0 || 2", 1},
                  {"1 && 2", 1},
                  {"0 || 0", 0},
                  {"-1 && 1", 1},
                  {"1e-10 && 1", 1},
                  {"1e-11 || 0", 0},
                  {"0 || 1 && 0", 0},
                  {"1 || 0 && 0", 1},
                  {"1 < 2 && 3 > 2", 1}});
}

TEST(ExprValues, BuiltInFunctions) {
    constexpr double pi = std::numbers::pi;
    expectValues({{"pow(2,10)", 1024},
                  {"pow(2 10)", 1024},
                  {"pow(2, 1+2)", 8},
                  {"sqrt(4,)", 2},
                  {"sqrt(0)", 0},
                  {"sqrt(pow(3,2)+pow(4,2))", 5},
                  {"sqrt((1<2)+3)", 2},
                  {"log(1)", 0},
                  {"log(exp(2))", 2},
                  {"exp(0)", 1},
                  {"sin(0)", 0},
                  {"asin(1)", pi / 2},
                  {"cos(0)", 1},
                  {"acos(1)", 0},
                  {"acos(-1)", pi},
                  {"tan(0)", 0},
                  {"atan(1)", pi / 4},
                  {"atan2(1, -1)", 3 * pi / 4},
                  {"atan2(-1, -1)", -3 * pi / 4},
                  {"fabs(-2.7)", 2.7},
                  {"floor(-1.5)", -2},
                  {"ceil(-1.5)", -1}});
}

TEST(ExprValues, AbsAndRoundWorkOnTheTruncation) {
    expectValues({{"abs(-2.7)", 2},
                  {"abs(2.7)", 2},
                  {"abs(-0.5)", 0},
                  {"round(2.5)", 3},
                  {"round(2.49)", 2},
                  {"round(-2.5)", -3},
                  {"round(-2.4)", -2},
                  // The edges of the signed 32-bit range are exact, not wrapped.
                  {"abs(-2147483648.9)", 2147483648.0},
                  {"abs(2147483647.9)", 2147483647.0},
                  {"round(2147483647.5)", 2147483648.0},
                  {"round(-2147483648.7)", -2147483649.0}});
}

TEST(ExprValues, NumberLiteralsReadTheLongestValidPrefix) {
    expectValues({{"1.", 1},
                  {".5", 0.5},
                  {"-.5", -0.5},
                  {"2e3", 2000},
                  {"1E+2", 100},
                  {"1e-2", 0.01},
                  {"1.5e-3", 0.0015},
                  {"1e", 1},
                  {"1e+", 1},
                  {"007", 7},
                  {"1e-400", 0}});
}

// A formula as tokens; the text puts `blank` between every two tokens and around
// the whole. A call's name and its "(" are one token: no blank may split them.
struct BlankCase {
    std::vector<const char*> tokens;
    double expected;
};

std::string joined(const std::vector<const char*>& tokens, const std::string& blank) {
    std::string text = blank;
    for (const char* token : tokens)
        text += token + blank;
    return text;
}

TEST(ExprValues, BlanksAreAllowedAroundEveryToken) {
    const std::vector<BlankCase> cases = {
        {{"(", "1", "+", "2", ")", "*", "3", "-", "4", "/", "2"}, 7},
        {{"-", "2", "^", "-", "1", "^", "2"}, -0.5},
        {{"3", "*", "-", "2", "^", "2"}, 12},
        {{"!", "0", "&&", "1", "<=", "2", "||", "0", "!=", "1"}, 1},
        {{"1", "<", "2", "==", "1", ">=", "2"}, 0},
        {{"2", ">", "1", "==", "1"}, 1},
        {{"+", "3", "-", "-", "2"}, 5},
        {{"(", "(", "1", ")", ")"}, 1},
        {{"pow(", "2", ",", "3", ")", "-", "sqrt(", "4", ",", ")"}, 6},
        {{"atan2(", "0", ",", "1", ")", "+", "abs(", "-", "2.5", ")"}, 2},
    };
    for (const char* blank : {"", " ", "\t", "\n", "\v", "\f", "\r", " \t\r\n  "}) {
        for (const BlankCase& c : cases) {
            const std::string text = joined(c.tokens, blank);
            SCOPED_TRACE(testing::PrintToString(text));
            const EvalResult r = evaluate(text);
            EXPECT_EQ(r.output, "");
            EXPECT_DOUBLE_EQ(r.value, c.expected);
        }
    }
}

TEST(ExprValues, NoBlankInsideTwoCharacterOperatorsOrBeforeACallsParenthesis) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"1 & & 1", "Expected '&' to follow '&' in logical and operation!"},
        {"1 | | 1", "Expected '|' to follow '|' in logical or operation!"},
        {"1 = = 1", "Expected a '=' for boolean '==' operator!"},
        {"1 ! = 1", "Failed to reach end of input expression, likely malformed input"},
        {"1 < = 2", "Failed to read real number"},
        {"1 > = 2", "Failed to read real number"},
        {"sqrt (4)", "Could not look up value for variable!"},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(evaluate(text).output, failureLines(message, text));
    }
}

} // namespace
