// libFuzzer target for the evaluator. Any text must either give a value, fail
// with the error flag set and NaN, or throw expr_fp_error with the flag untouched;
// and the literal conversion must agree with sscanf("%lf") on every literal.

#include "Expr.h"
#include "ExprNumber.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Variables whose name starts with "v" exist; their value is the name's length.
int variable(void*, const char* name, double* value) {
    if (name[0] != 'v')
        return 0;
    *value = static_cast<double>(std::strlen(name));
    return 1;
}

// The function "f" exists and sums its arguments.
int function(void*, const char* name, int count, const double* arguments, double* value) {
    if (std::strcmp(name, "f") != 0)
        return 0;
    *value = 0;
    for (int i = 0; i < count; ++i)
        *value += arguments[i];
    return 1;
}

void checkEvaluation(const char* text) {
    unsigned char error = 0;
    try {
        const double value = expr_evaluate_resolved(text, variable, function, nullptr, &error);
        if (error != 0 && !std::isnan(value))
            __builtin_trap();
    } catch (const expr_fp_error&) {
        if (error != 0)
            __builtin_trap();
    }
}

std::size_t span(const char* text, std::size_t at, const char* set, bool many) {
    while (text[at] != '\0' && std::strchr(set, text[at]) != nullptr) {
        ++at;
        if (!many)
            break;
    }
    return at;
}

// The start of `text` taken as the evaluator collects a literal:
// [+|-] {digit} [.] {digit} [(e|E) [+|-] {digit}].
std::string literalPrefix(const char* text) {
    std::size_t at = span(text, 0, "+-", false);
    at = span(text, at, "0123456789", true);
    at = span(text, at, ".", false);
    at = span(text, at, "0123456789", true);
    const std::size_t exponent = span(text, at, "eE", false);
    if (exponent != at) {
        at = span(text, exponent, "+-", false);
        at = span(text, at, "0123456789", true);
    }
    return std::string(text, at);
}

void checkLiteral(const char* text) {
    const std::string literal = literalPrefix(text);
    if (literal.size() > PARSER_MAX_TOKEN_LENGTH)
        return;
    double scanned = 0;
    double converted = 0;
    const bool scanOk = std::sscanf(literal.c_str(), "%lf", &scanned) == 1;
    const bool convertOk = expr_scan_real(literal.c_str(), literal.size(), converted);
    if (scanOk != convertOk || (scanOk && std::memcmp(&scanned, &converted, sizeof scanned) != 0))
        __builtin_trap();
}

} // namespace

// Failed evaluations write two lines each; keep them out of the fuzzer's output.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return std::freopen("/dev/null", "w", stdout) == nullptr ? 1 : 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The evaluator reads up to the first NUL.
    const std::string text(reinterpret_cast<const char*>(data), size);
    checkEvaluation(text.c_str());
    checkLiteral(text.c_str());
    return 0;
}
