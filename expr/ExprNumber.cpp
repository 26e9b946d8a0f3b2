#include "ExprNumber.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <system_error>

namespace {

// A signed infinity produced by arithmetic, so that the overflow flag is raised as
// the scan raises it; volatile keeps the compiler from folding it away.
double overflowed(bool negative) {
    volatile double largest = DBL_MAX;
    return (negative ? -largest : largest) * 2.0;
}

} // namespace

bool expr_scan_real(const char* text, std::size_t length, double& value) {
    const char* first = text;
    const char* last = text + length;
    // std::from_chars takes a minus sign but no plus sign.
    if (first != last && *first == '+')
        ++first;
    const std::from_chars_result result = std::from_chars(first, last, value);
    if (result.ec == std::errc())
        return true;
    if (result.ec != std::errc::result_out_of_range)
        return false;
    // A literal of at most 255 characters can only leave the range of a double by
    // its exponent (the mantissa alone would need over 300 digits), and the
    // exponent's sign says whether it overflowed or underflowed.
    const bool negative = *text == '-';
    const char* exponent = std::find_if(text, last, [](char ch) { return ch == 'e' || ch == 'E'; });
    const bool tiny = last - exponent > 1 && exponent[1] == '-';
    value = tiny ? (negative ? -0.0 : 0.0) : overflowed(negative);
    return true;
}
