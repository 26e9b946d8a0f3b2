// Malformed texts, floating-point errors and the bounds on nesting and token length.

#include "EvalProbe.h"

#include <cfenv>
#include <cmath>
#include <string>
#include <vector>

namespace {

struct FailureCase {
    std::string text;
    const char* message;
};

void expectFailures(const std::vector<FailureCase>& cases) {
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text.substr(0, 80)));
        const EvalResult r = evaluate(c.text);
        EXPECT_EQ(r.output, failureLines(c.message, c.text));
        EXPECT_EQ(r.error, 1);
        EXPECT_TRUE(std::isnan(r.value));
        EXPECT_EQ(r.fpError, "");
    }
}

std::string repeated(const std::string& part, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
        text += part;
    return text;
}

TEST(ExprFailures, EveryMessage) {
    expectFailures({
        {"1<2<3", "Failed to reach end of input expression, likely malformed input"},
        {"1 2", "Failed to reach end of input expression, likely malformed input"},
        {"1)", "Failed to reach end of input expression, likely malformed input"},
        {"1 == 1 == 1", "Failed to reach end of input expression, likely malformed input"},
        {"1 !", "Failed to reach end of input expression, likely malformed input"},
        {"0x10", "Failed to reach end of input expression, likely malformed input"},
        {"1.2.3", "Failed to reach end of input expression, likely malformed input"},
        {"", "Failed to read real number"},
        {" \t\n ", "Failed to read real number"},
        {"+", "Failed to read real number"},
        {"1 +", "Failed to read real number"},
        {".", "Failed to read real number"},
        {"-.e5", "Failed to read real number"},
        {"!!1", "Failed to read real number"},
        {"----2", "Failed to read real number"},
        {"()", "Failed to read real number"},
        {"\xe9", "Failed to read real number"},
        {"f(1,2,3,4,5,6,7,8,9,10,11)", "Exceeded maximum argument count for function call, "
                                       "increase PARSER_MAX_ARGUMENT_COUNT and recompile!"},
        {"f(1 2)", "Expected ')' or ',' in function argument list!"},
        {"f(1;2)", "Expected ')' or ',' in function argument list!"},
        {"sqrt(-1)", "sqrt(x) undefined for x < 0!"},
        {"sqrt(-1 9)", "sqrt(x) undefined for x < 0!"},
        {"log(0)", "log(x) undefined for x <= 0!"},
        {"log(-1)", "log(x) undefined for x <= 0!"},
        {"asin(1.5)", "asin(x) undefined for |x| > 1!"},
        {"acos(-1.01)", "acos(x) undefined for |x| > 1!"},
        {"foo(1,2)", "Tried to call unknown built-in function!"},
        {"Sqrt(4)", "Tried to call unknown built-in function!"},
        {"f()", "Tried to call unknown built-in function!"},
        {"sqrt(4,9)", "Expected ')' in built-in call!"},
        {"sqrt(1<2)", "Expected ')' in built-in call!"},
        {"sqrt(4", "Expected ')' in built-in call!"},
        {"pow(1,2,3)", "Expected ')' in built-in call!"},
        {"sqrt (4)", "Could not look up value for variable!"},
        {"x", "Could not look up value for variable!"},
        {"2*pi", "Could not look up value for variable!"},
        {"(1", "Expected ')'!"},
        {"(1 2)", "Expected ')'!"},
        {"((1)", "Expected ')'!"},
        {"1 = 1", "Expected a '=' for boolean '==' operator!"},
        {"1 =", "Expected a '=' for boolean '==' operator!"},
        {"1 & 1", "Expected '&' to follow '&' in logical and operation!"},
        {"1 &", "Expected '&' to follow '&' in logical and operation!"},
        {"1 | 1", "Expected '|' to follow '|' in logical or operation!"},
        {"0 ||", "Failed to read real number"},
    });
}

TEST(ExprFailures, TheErrorFlagIsSetOnFailureAndNeverCleared) {
    EXPECT_EQ(evaluate("1+1", nullptr, nullptr, nullptr, 0).error, 0);
    EXPECT_EQ(evaluate("1+1", nullptr, nullptr, nullptr, 1).error, 1);
    EXPECT_EQ(evaluate("1+", nullptr, nullptr, nullptr, 0).error, 1);
}

TEST(ExprFailures, NestingIsBoundedAt256Levels) {
    const std::vector<std::pair<std::string, std::string>> shapes = {
        {"(", ")"}, {"sqrt(", ")"}, {"abs(-", ")"}, {"1^", ""}};
    for (const auto& [open, close] : shapes) {
        SCOPED_TRACE(open);
        const std::string deepest = repeated(open, 256) + "1" + repeated(close, 256);
        const EvalResult r = evaluate(deepest);
        EXPECT_EQ(r.output, "");
        EXPECT_EQ(r.value, 1);
        expectFailures({{repeated(open, 257) + "1" + repeated(close, 257),
                         "Expression nested deeper than 256 levels!"}});
    }
    // Far deeper than any stack would hold without the bound.
    expectFailures({{repeated("(", 200000), "Expression nested deeper than 256 levels!"}});
}

TEST(ExprFailures, NamesAndNumbersHoldAtMost255Characters) {
    const std::string digits255 = "1" + std::string(254, '0');
    const EvalResult r = evaluate(digits255);
    EXPECT_EQ(r.output, "");
    EXPECT_DOUBLE_EQ(r.value, 1e254);
    expectFailures({
        {digits255 + "0", "Number longer than 255 characters!"},
        // Cut off before its exponent is read: no overflow is reported for it.
        {"1e" + std::string(300, '9'), "Number longer than 255 characters!"},
        {std::string(255, 'x'), "Could not look up value for variable!"},
        {std::string(256, 'x'), "Name longer than 255 characters!"},
        {std::string(256, 'x') + "(1)", "Name longer than 255 characters!"},
    });
}

struct FpCase {
    const char* text;
    const char* error;
};

constexpr const char* kDivision = "Floating point division by zero";
constexpr const char* kOverflow = "Floating point overflow";
constexpr const char* kInvalid = "Invalid floating point operation";

TEST(ExprFailures, FloatingPointErrorsAreThrownWithoutOutput) {
    const std::vector<FpCase> cases = {
        {"1/0", kDivision},
        {"-1/0", kDivision},
        {"(1/0) > 1", kDivision},
        {"!(1/0)", kDivision},
        {"pow(0, -1)", kDivision},
        {"1/0 - 1/0", kDivision},
        {"0/0", kInvalid},
        {"pow(-8, 1/3)", kInvalid},
        {"1e308*10", kOverflow},
        {"exp(1000)", kOverflow},
        {"1e999", kOverflow},
        {"-1e999", kOverflow},
        {"abs(3e9)", kInvalid},
        {"abs(-2147483649)", kInvalid},
        {"round(2147483648)", kInvalid},
        {"round(-2147483649.5)", kInvalid},
        // The first error that happened is reported, whatever follows it.
        {"0/0 + 1/0", kInvalid},
        {"1e308*10 + 1/0", kOverflow},
        {"abs(3e9) + exp(1000)", kInvalid},
        {"1/0 + 0/0", kDivision},
        // The error comes first: the text's later fault is never reached.
        {"1/0 +", kDivision},
        {"1/0 )", kDivision},
    };
    for (const FpCase& c : cases) {
        SCOPED_TRACE(c.text);
        const EvalResult r = evaluate(c.text);
        EXPECT_EQ(r.fpError, c.error);
        EXPECT_EQ(r.output, "");
        EXPECT_EQ(r.error, 0);
    }
}

TEST(ExprFailures, HarmlessFloatingPointEventsAreNoErrors) {
    // Underflow and inexact results stay quiet, and nothing is raised speculatively.
    for (const char* text : {"1e-300*1e-300", "1e-400", "0*0", "0/1", "1 || 1/1", "2/3"}) {
        SCOPED_TRACE(text);
        const EvalResult r = evaluate(text);
        EXPECT_EQ(r.fpError, "");
        EXPECT_EQ(r.error, 0);
    }
}

TEST(ExprFailures, FlagsRaisedBeforeTheCallAreNotBlamedOnIt) {
    std::feraiseexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID);
    const EvalResult r = evaluate("1+1");
    EXPECT_EQ(r.fpError, "");
    EXPECT_EQ(r.value, 2);
}

} // namespace
