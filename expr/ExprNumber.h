#pragma once
// The value of a number literal collected by the evaluator.

#include <cstddef>

// Converts `text`, a literal of the form [+|-] {digit} [.] {digit} [(e|E) [+|-] {digit}]
// of at most PARSER_MAX_TOKEN_LENGTH characters, exactly as sscanf("%lf") does in
// the "C" locale: the longest valid prefix counts ("1." is 1, ".5" is 0.5, "1e" is
// 1), false when there is none ("", ".", "-", ".e5"). Out of range, it gives what
// that scan gives: a signed infinity with the overflow flag raised, or a signed
// zero. Unlike the scan it does not depend on the process locale, whose decimal
// separator may be a comma.
bool expr_scan_real(const char* text, std::size_t length, double& value);
