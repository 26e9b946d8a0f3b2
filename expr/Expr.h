#pragma once
// Kestrel's expression evaluator: arithmetic, comparison and logical expressions
// over doubles, read from an 8-bit text and computed in the same single
// recursive-descent pass. No syntax tree, no heap allocation, no state between
// calls: concurrent calls with different texts are independent.
//
// Grammar, loosest binding first (blanks are allowed around every token, except
// between a name and the "(" that makes it a call, and inside && || == != <= >=):
//   disjunction = conjunction {"||" conjunction}
//   conjunction = equality {"&&" equality}
//   equality    = comparison [("==" | "!=") comparison]
//   comparison  = sum [("<" | ">" | "<=" | ">=") sum]
//   sum         = ["+" | "-"] product {("+" | "-") product}
//   product     = power {("*" | "/") power}
//   power       = unary ["^" ["-"] power]
//   unary       = ["!" | "-" | "+"] primary
//   primary     = "(" disjunction ")" | atom
//   atom        = name "(" arguments ")" | name | number
// Truth values are 1.0 and 0.0; a value counts as true when |x| >= 1e-10, and
// == / != compare with the same tolerance.
//
// Built-in functions: pow sqrt log exp sin asin cos acos tan atan atan2 abs fabs
// floor ceil round (angles in radians). Their arguments are sums, read with an
// optional comma after each. Any other call goes to the function resolver with at
// most PARSER_MAX_ARGUMENT_COUNT arguments; any other name to the variable resolver.
//
// abs(x) and round(x) work on x truncated toward zero to a signed 32-bit integer:
// abs(-2.7) is 2, round(2.5) is 3, round(-2.4) is -2. When that truncation lies
// outside the signed 32-bit range (or x is NaN) they raise the invalid-operation
// flag, as the processor's own conversion does, so the evaluation ends with
// expr_fp_error("Invalid floating point operation"). Inside the range the result is
// exact as a real: abs(-2147483648) is 2147483648 and round(2147483647.5) is
// 2147483648.
//
// A malformed text fails: the error flag is set to 1 (never cleared: the caller
// clears it before the call), NaN is returned and two lines go to standard output:
//   Error: <message>
//   Expression '<text>' failed to parse, returning nan
//
// Floating-point errors are not checked operation by operation. The evaluation
// clears the division-by-zero, overflow and invalid-operation status flags of the
// calling thread when it starts, and when one of them has been raised by the end
// (1/0, 0/0, 1e308*10, exp(1000), a literal such as 1e999 ...) it throws
// expr_fp_error: the error flag is untouched and nothing is written, whether or not
// the text would have parsed. The first floating-point error ends the evaluation as
// far as the resolvers can tell: none is called after it.
//
// Limits: names and number literals hold at most PARSER_MAX_TOKEN_LENGTH
// characters, and parentheses, call arguments and exponents nest at most
// PARSER_MAX_NESTING_DEPTH deep; longer or deeper texts fail with their own messages.

#include <stdexcept>

inline constexpr int PARSER_MAX_ARGUMENT_COUNT = 10;
inline constexpr int PARSER_MAX_TOKEN_LENGTH = 255;
inline constexpr int PARSER_MAX_NESTING_DEPTH = 256;

// Gives the value of the variable `name`: returns nonzero and writes *value when it
// knows the name.
using expr_variable_resolver = int (*)(void* context, const char* name, double* value);

// Computes the function `name` of count arguments: returns nonzero and writes *value
// when it knows the function.
using expr_function_resolver = int (*)(void* context, const char* name, int count,
                                       const double* arguments, double* value);

// A division by zero, overflow or invalid operation during an evaluation. what() is
// "Floating point division by zero", "Floating point overflow" or "Invalid floating
// point operation"; when several were raised, the first of these three.
class expr_fp_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Evaluates the NUL-terminated `text` without resolvers. Sets *error to 1 on failure.
double expr_evaluate(const char* text, unsigned char* error);

// As expr_evaluate, but writes nothing: on failure *message points to the failure
// message (a static text) instead. For callers whose standard output is data.
double expr_evaluate_quiet(const char* text, unsigned char* error, const char** message);

// Writes the two lines of a failed evaluation of `text` to standard output.
void expr_report_failure(const char* message, const char* text);

// Evaluates `text`, asking the resolvers (each may be null) for names that are not
// built in; `context` is passed to them unchanged.
double expr_evaluate_resolved(const char* text, expr_variable_resolver variables,
                              expr_function_resolver functions, void* context,
                              unsigned char* error);
