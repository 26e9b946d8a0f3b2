#pragma once
// Runs one evaluation and records everything a caller can see of it.

#include "Expr.h"

#include <gtest/gtest.h>
#include <string>

struct EvalResult {
    double value = 0;
    unsigned char error = 0;
    std::string output;  // what went to standard output
    std::string fpError; // what() of an expr_fp_error, empty when none was thrown
};

inline EvalResult evaluate(const std::string& text, expr_variable_resolver variables = nullptr,
                           expr_function_resolver functions = nullptr, void* context = nullptr,
                           unsigned char initialError = 0) {
    EvalResult result;
    result.error = initialError;
    testing::internal::CaptureStdout();
    try {
        result.value =
            expr_evaluate_resolved(text.c_str(), variables, functions, context, &result.error);
    } catch (const expr_fp_error& e) {
        result.fpError = e.what();
    }
    result.output = testing::internal::GetCapturedStdout();
    return result;
}

// The two lines a failed evaluation writes.
inline std::string failureLines(const std::string& message, const std::string& text) {
    return "Error: " + message + "\nExpression '" + text + "' failed to parse, returning nan\n";
}
