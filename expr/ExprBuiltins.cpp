#include "ExprBuiltins.h"

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Truncates x toward zero into `truncated` when the result is a signed 32-bit
// integer. Otherwise (NaN included) it raises the invalid-operation flag, as the
// processor's own conversion does, and returns false.
bool truncate32(double x, std::int64_t& truncated) {
    if (x > -2147483649.0 && x < 2147483648.0) {
        truncated = static_cast<std::int64_t>(x);
        return true;
    }
    std::feraiseexcept(FE_INVALID);
    return false;
}

double abs32(const double* a) {
    std::int64_t t = 0;
    if (!truncate32(a[0], t))
        return std::numeric_limits<double>::quiet_NaN();
    return static_cast<double>(std::llabs(t));
}

// Halves away from zero, measured from the truncation.
double round32(const double* a) {
    const double x = a[0];
    std::int64_t t = 0;
    if (!truncate32(x, t))
        return std::numeric_limits<double>::quiet_NaN();
    const double fraction = x - static_cast<double>(t);
    if (fraction >= 0.5)
        ++t;
    else if (fraction <= -0.5)
        --t;
    return static_cast<double>(t);
}

bool nonNegative(double x) {
    return x >= 0;
}
bool positive(double x) {
    return x > 0;
}
// Refuses only |x| > 1: NaN passes and asin/acos give NaN.
bool notBeyondOne(double x) {
    return !(std::fabs(x) > 1);
}

constexpr expr_builtin kBuiltins[] = {
    {"pow", 2, [](const double* a) { return std::pow(a[0], a[1]); }, nullptr, nullptr},
    {"sqrt", 1, [](const double* a) { return std::sqrt(a[0]); }, nonNegative,
     "sqrt(x) undefined for x < 0!"},
    {"log", 1, [](const double* a) { return std::log(a[0]); }, positive,
     "log(x) undefined for x <= 0!"},
    {"exp", 1, [](const double* a) { return std::exp(a[0]); }, nullptr, nullptr},
    {"sin", 1, [](const double* a) { return std::sin(a[0]); }, nullptr, nullptr},
    {"asin", 1, [](const double* a) { return std::asin(a[0]); }, notBeyondOne,
     "asin(x) undefined for |x| > 1!"},
    {"cos", 1, [](const double* a) { return std::cos(a[0]); }, nullptr, nullptr},
    {"acos", 1, [](const double* a) { return std::acos(a[0]); }, notBeyondOne,
     "acos(x) undefined for |x| > 1!"},
    {"tan", 1, [](const double* a) { return std::tan(a[0]); }, nullptr, nullptr},
    {"atan", 1, [](const double* a) { return std::atan(a[0]); }, nullptr, nullptr},
    {"atan2", 2, [](const double* a) { return std::atan2(a[0], a[1]); }, nullptr, nullptr},
    {"abs", 1, abs32, nullptr, nullptr},
    {"fabs", 1, [](const double* a) { return std::fabs(a[0]); }, nullptr, nullptr},
    {"floor", 1, [](const double* a) { return std::floor(a[0]); }, nullptr, nullptr},
    {"ceil", 1, [](const double* a) { return std::ceil(a[0]); }, nullptr, nullptr},
    {"round", 1, round32, nullptr, nullptr},
};

} // namespace

const expr_builtin* expr_find_builtin(const char* name) {
    for (const expr_builtin& builtin : kBuiltins) {
        if (std::strcmp(builtin.name, name) == 0)
            return &builtin;
    }
    return nullptr;
}
