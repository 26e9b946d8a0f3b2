// Evaluations on several threads at once share nothing, not even the
// floating-point status flags.

#include "Expr.h"

#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Expected {
    const char* text;
    double value;      // when no error
    const char* error; // what() of the expected expr_fp_error, or null
};

const Expected kMix[] = {
    {"sqrt(259 * 259 + 3 * 3) > 259", 1, nullptr},
    {"1/0", 0, "Floating point division by zero"},
    {"round(-2.5) + abs(-2.7) * pow(2 3)", 13, nullptr},
    {"exp(1000)", 0, "Floating point overflow"},
    {"(1 < 2) && !(0 || 0)", 1, nullptr},
};

// Whether one evaluation of `e` gives what it should.
bool evaluatesAsExpected(const Expected& e) {
    unsigned char error = 0;
    try {
        const double value = expr_evaluate(e.text, &error);
        return e.error == nullptr && error == 0 && value == e.value;
    } catch (const expr_fp_error& fp) {
        return e.error != nullptr && std::string(fp.what()) == e.error;
    }
}

TEST(ExprThreads, ConcurrentEvaluationsAreIndependent) {
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &wrong] {
            for (int i = 0; i < 2000; ++i) {
                if (!evaluatesAsExpected(kMix[(t + i) % std::size(kMix)]))
                    ++wrong;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

} // namespace
