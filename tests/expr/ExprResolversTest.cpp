// The variable and function resolvers: what they are asked, and when.

#include "EvalProbe.h"

#include <map>
#include <string>
#include <vector>

namespace {

// Knows the variables in `values`, and the functions "sum" (of any count) and
// "count"; records every call.
struct Resolvers {
    std::map<std::string, double> values;
    std::vector<std::string> variableCalls;
    std::vector<std::pair<std::string, std::vector<double>>> functionCalls;

    static int variable(void* context, const char* name, double* value) {
        auto* self = static_cast<Resolvers*>(context);
        self->variableCalls.emplace_back(name);
        const auto found = self->values.find(name);
        if (found == self->values.end())
            return 0;
        *value = found->second;
        return 1;
    }

    static int function(void* context, const char* name, int count, const double* arguments,
                        double* value) {
        auto* self = static_cast<Resolvers*>(context);
        self->functionCalls.emplace_back(name, std::vector<double>(arguments, arguments + count));
        const std::string function = name;
        if (function == "count") {
            *value = count;
            return 1;
        }
        if (function != "sum")
            return 0;
        *value = 0;
        for (int i = 0; i < count; ++i)
            *value += arguments[i];
        return 1;
    }

    EvalResult evaluate(const std::string& text) {
        return ::evaluate(text, variable, function, this);
    }
};

TEST(ExprResolvers, VariablesAreLookedUpByTheirWholeName) {
    Resolvers r;
    r.values = {{"V1", 2}, {"V12", 5}, {"_t0", 0.5}, {"v1", -1}};
    const EvalResult result = r.evaluate("V1 * V12 + _t0 - v1");
    EXPECT_EQ(result.value, 11.5);
    EXPECT_EQ(r.variableCalls, (std::vector<std::string>{"V1", "V12", "_t0", "v1"}));
}

TEST(ExprResolvers, AnUnknownVariableFails) {
    Resolvers r;
    r.values = {{"x", 1}};
    EXPECT_EQ(r.evaluate("x + y").output,
              failureLines("Could not look up value for variable!", "x + y"));
    // A blank before "(" makes the name a variable.
    EXPECT_EQ(r.evaluate("sum (1)").output,
              failureLines("Could not look up value for variable!", "sum (1)"));
}

TEST(ExprResolvers, FunctionsGetTheirArgumentsInOrder) {
    struct Case {
        const char* text;
        std::vector<double> arguments;
        double value;
    };
    const std::vector<Case> cases = {
        {"sum(1, 2 * 3, -4)", {1, 6, -4}, 3},
        {"sum()", {}, 0},
        {"sum( )", {}, 0},
        {"sum(7,)", {7}, 7},
        {"sum(1, 2 ,\t3 , )", {1, 2, 3}, 6},
        {"count(1,2,3,4,5,6,7,8,9,10)", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 10},
        {"sum(sum(1,2), (3<4))", {3, 1}, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Resolvers r;
        const EvalResult result = r.evaluate(c.text);
        EXPECT_EQ(result.output, "");
        EXPECT_EQ(result.value, c.value);
        ASSERT_FALSE(r.functionCalls.empty());
        EXPECT_EQ(r.functionCalls.back().second, c.arguments);
    }
}

TEST(ExprResolvers, FunctionCallFailures) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"count(1,2,3,4,5,6,7,8,9,10,11)", "Exceeded maximum argument count for function call, "
                                           "increase PARSER_MAX_ARGUMENT_COUNT and recompile!"},
        {"sum(,)", "Failed to read real number"},
        {"sum(1 2)", "Expected ')' or ',' in function argument list!"},
        {"sum(1,,2)", "Failed to read real number"},
        {"sum(1<2)", "Expected ')' or ',' in function argument list!"},
        {"nope(1)", "Tried to call unknown built-in function!"},
        {"sum(1", "Expected ')' or ',' in function argument list!"},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text);
        Resolvers r;
        EXPECT_EQ(r.evaluate(text).output, failureLines(message, text));
    }
}

TEST(ExprResolvers, BuiltInsAreNotOfferedToTheResolver) {
    Resolvers r;
    EXPECT_EQ(r.evaluate("sqrt(16) + atan2(0, 1)").value, 4);
    EXPECT_TRUE(r.functionCalls.empty());
}

TEST(ExprResolvers, NoResolverIsCalledAfterAFloatingPointError) {
    Resolvers r;
    r.values = {{"x", 1}};
    EXPECT_EQ(r.evaluate("1/0 + x").fpError, "Floating point division by zero");
    EXPECT_EQ(r.evaluate("sum(1e308 * 10)").fpError, "Floating point overflow");
    EXPECT_TRUE(r.variableCalls.empty());
    EXPECT_TRUE(r.functionCalls.empty());
}

TEST(ExprResolvers, NoResolverIsCalledAfterAFailure) {
    Resolvers r;
    r.values = {{"x", 1}};
    EXPECT_EQ(r.evaluate("(1 + x").output, failureLines("Expected ')'!", "(1 + x"));
    EXPECT_EQ(r.variableCalls.size(), 1U);
    r.evaluate("sqrt(-1) + x + sum(1)");
    EXPECT_EQ(r.variableCalls.size(), 1U);
    EXPECT_TRUE(r.functionCalls.empty());
}

} // namespace
