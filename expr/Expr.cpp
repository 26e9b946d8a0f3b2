#include "Expr.h"

#include "ExprBuiltins.h"
#include "ExprNumber.h"

#include <cfenv>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <limits>

namespace {

constexpr double kTolerance = 1e-10;
constexpr int kFpErrors = FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID;

bool isBlank(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}
bool isDigit(char ch) {
    return ch >= '0' && ch <= '9';
}
bool isNameStart(char ch) {
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || ch == '_';
}
bool isNameChar(char ch) {
    return isNameStart(ch) || isDigit(ch);
}
bool isSign(char ch) {
    return ch == '+' || ch == '-';
}
bool isDot(char ch) {
    return ch == '.';
}
bool isExponent(char ch) {
    return ch == 'e' || ch == 'E';
}

// The reading state of one evaluation, on the stack of the entry call. A failure
// does not unwind: it keeps the first message, and from then on every read gives
// NUL and nothing is consumed, so each pending level falls through to its end.
// Levels check failed() before they compute, so no arithmetic runs on the
// leftovers of a failed operand.
struct expr_cursor {
    const char* text;
    std::size_t position = 0;
    bool tookEnd = false; // the terminating NUL has been taken
    bool failed = false;
    const char* message = nullptr;
    int depth = 0;
    void* context;
    expr_variable_resolver variables;
    expr_function_resolver functions;

    char peek() {
        if (failed)
            return '\0';
        if (tookEnd) {
            fail("Tried to read past end of string!");
            return '\0';
        }
        return text[position];
    }
    // The character after the next one.
    char peekNext() {
        if (peek() != '\0')
            return text[position + 1];
        fail("Tried to read past end of string!");
        return '\0';
    }
    char take() {
        const char ch = peek();
        if (failed)
            return '\0';
        if (ch == '\0')
            tookEnd = true;
        else
            ++position;
        return ch;
    }
    void skipBlanks() {
        while (isBlank(peek()))
            take();
    }
    bool atEnd() const { return tookEnd || text[position] == '\0'; }

    void fail(const char* why) {
        if (failed)
            return;
        failed = true;
        message = why;
    }

    // Parentheses, call arguments and exponents recurse; the bound keeps a
    // pathological text from exhausting the stack.
    void enter() {
        if (++depth > PARSER_MAX_NESTING_DEPTH)
            fail("Expression nested deeper than 256 levels!");
    }
    void leave() { --depth; }

    // True when a resolver may be called. A floating-point error raised so far ends
    // the evaluation here, as a trap would have; no message is stored, because the
    // entry reports the raised error instead.
    bool mayCallOut() {
        if (!failed && std::fetestexcept(kFpErrors) != 0)
            failed = true;
        return !failed;
    }
};
static_assert(PARSER_MAX_NESTING_DEPTH == 256, "update the nesting message");

// A name or number literal being collected.
class expr_token {
public:
    // Appends ch; false when the token is already full.
    bool append(char ch) {
        if (size_ == PARSER_MAX_TOKEN_LENGTH)
            return false;
        chars_[size_++] = ch;
        return true;
    }
    const char* text() {
        chars_[size_] = '\0';
        return chars_;
    }
    int size() const { return size_; }

private:
    char chars_[PARSER_MAX_TOKEN_LENGTH + 1];
    int size_ = 0;
};

// Moves the next character into the token if `accept` takes it, and with `many`
// every following one it takes too. Returns whether anything was moved. (A
// template, so that the test of each character is inlined.)
template <bool (*accept)(char)>
bool collect(expr_cursor& c, expr_token& token, bool many, const char* tooLong) {
    bool moved = false;
    while (accept(c.peek())) {
        if (!token.append(c.take())) {
            c.fail(tooLong);
            return false;
        }
        moved = true;
        if (!many)
            break;
    }
    return moved;
}

double truth(bool value) {
    return value ? 1.0 : 0.0;
}
bool isTrue(double value) {
    return std::fabs(value) >= kTolerance;
}

using Level = double (*)(expr_cursor&);

double disjunction(expr_cursor& c);
double sum(expr_cursor& c);

// number = [+|-] {digit} [.] {digit} [(e|E) [+|-] {digit}]
double number(expr_cursor& c) {
    static constexpr const char* kTooLong = "Number longer than 255 characters!";
    expr_token token;
    collect<isSign>(c, token, false, kTooLong);
    collect<isDigit>(c, token, true, kTooLong);
    collect<isDot>(c, token, false, kTooLong);
    collect<isDigit>(c, token, true, kTooLong);
    if (collect<isExponent>(c, token, false, kTooLong)) {
        collect<isSign>(c, token, false, kTooLong);
        collect<isDigit>(c, token, true, kTooLong);
    }
    // A literal cut off at the length bound is not converted: its exponent, and so
    // a possible overflow, is incomplete.
    if (c.failed)
        return 0;
    double value = 0;
    if (!expr_scan_real(token.text(), static_cast<std::size_t>(token.size()), value))
        c.fail("Failed to read real number");
    c.skipBlanks();
    return value;
}

// argument = sum [","]   (the argument of a built-in function)
double argument(expr_cursor& c) {
    c.skipBlanks();
    const double value = sum(c);
    c.skipBlanks();
    if (c.peek() == ',')
        c.take();
    c.skipBlanks();
    return value;
}

// builtin arguments = argument [argument]
double callBuiltin(expr_cursor& c, const expr_builtin& builtin) {
    double arguments[2] = {};
    for (int i = 0; i < builtin.arity; ++i)
        arguments[i] = argument(c);
    if (c.failed)
        return 0;
    if (builtin.in_domain != nullptr && !builtin.in_domain(arguments[0])) {
        c.fail(builtin.domain_message);
        return 0;
    }
    return builtin.compute(arguments);
}

// argument list = [sum {"," sum} [","]]   (the closing ")" is left to the caller)
double callResolved(expr_cursor& c, const char* name) {
    double arguments[PARSER_MAX_ARGUMENT_COUNT];
    int count = 0;
    c.skipBlanks();
    while (c.peek() != ')') {
        if (count == PARSER_MAX_ARGUMENT_COUNT) {
            c.fail("Exceeded maximum argument count for function call, increase "
                   "PARSER_MAX_ARGUMENT_COUNT and recompile!");
            return 0;
        }
        arguments[count++] = sum(c);
        c.skipBlanks();
        if (c.peek() == ')')
            break;
        if (c.peek() != ',') {
            c.fail("Expected ')' or ',' in function argument list!");
            return 0;
        }
        c.take();
        c.skipBlanks();
    }
    double value = 0;
    if (c.mayCallOut() && c.functions != nullptr &&
        c.functions(c.context, name, count, arguments, &value) != 0)
        return value;
    c.fail("Tried to call unknown built-in function!");
    return 0;
}

// call = name "(" (builtin arguments | argument list) ")"
double call(expr_cursor& c, const char* name) {
    c.take();
    c.enter();
    const expr_builtin* builtin = expr_find_builtin(name);
    const double value = builtin != nullptr ? callBuiltin(c, *builtin) : callResolved(c, name);
    c.leave();
    if (c.take() != ')')
        c.fail("Expected ')' in built-in call!");
    return value;
}

// variable = name
double variable(expr_cursor& c, const char* name) {
    double value = 0;
    if (c.mayCallOut() && c.variables != nullptr && c.variables(c.context, name, &value) != 0)
        return value;
    c.fail("Could not look up value for variable!");
    return 0;
}

// atom = name "(" arguments ")" | name | number
double atom(expr_cursor& c) {
    if (!isNameStart(c.peek()))
        return number(c);
    expr_token name;
    collect<isNameChar>(c, name, true, "Name longer than 255 characters!");
    // No blank is skipped here: "f (x)" names a variable f.
    const double value = c.peek() == '(' ? call(c, name.text()) : variable(c, name.text());
    c.skipBlanks();
    return value;
}

// primary = "(" disjunction ")" | atom
double primary(expr_cursor& c) {
    if (c.peek() != '(')
        return atom(c);
    c.take();
    c.skipBlanks();
    c.enter();
    const double value = disjunction(c);
    c.leave();
    c.skipBlanks();
    if (c.peek() != ')') {
        c.fail("Expected ')'!");
        return 0;
    }
    c.take();
    c.skipBlanks();
    return value;
}

// unary = ("!" | "-" | "+") primary | primary
double unary(expr_cursor& c) {
    const char op = c.peek();
    if (op != '!' && op != '-' && op != '+')
        return primary(c);
    c.take();
    c.skipBlanks();
    const double operand = primary(c);
    c.skipBlanks();
    if (op == '!')
        return truth(!isTrue(operand));
    return op == '-' ? -operand : operand;
}

// power = unary ["^" ["-"] power]
double power(expr_cursor& c) {
    const double base = unary(c);
    c.skipBlanks();
    if (c.peek() != '^')
        return base;
    c.take();
    c.skipBlanks();
    double factor = 1.0;
    if (c.peek() == '-') {
        c.take();
        c.skipBlanks();
        factor = -1.0;
    }
    c.enter();
    const double exponent = power(c);
    c.leave();
    c.skipBlanks();
    if (c.failed)
        return 0;
    return std::pow(base, exponent * factor);
}

double arithmetic(char op, double left, double right) {
    switch (op) {
    case '+':
        return left + right;
    case '-':
        return left - right;
    case '*':
        return left * right;
    default:
        return left / right;
    }
}

// The repeated part of sum and product: {(first | second) operand}, left to right.
double chain(expr_cursor& c, double value, Level operand, char first, char second) {
    c.skipBlanks();
    for (char op = c.peek(); op == first || op == second; op = c.peek()) {
        c.take();
        c.skipBlanks();
        const double right = operand(c);
        if (c.failed)
            return 0;
        value = arithmetic(op, value, right);
        c.skipBlanks();
    }
    return value;
}

// product = power {(*|/) power}
double product(expr_cursor& c) {
    return chain(c, power(c), power, '*', '/');
}

// sum = [+|-] product {(+|-) product}
double sum(expr_cursor& c) {
    // A leading sign applies to the whole first product (-2^2 is 0 - 2^2), so it
    // is read as an operator after a zero.
    const double first = isSign(c.peek()) ? 0.0 : product(c);
    return chain(c, first, product, '+', '-');
}

// comparison = sum [("<" | ">" | "<=" | ">=") sum]
double comparison(expr_cursor& c) {
    c.skipBlanks();
    const double left = sum(c);
    c.skipBlanks();
    const char op = c.peek();
    if (op != '<' && op != '>')
        return left;
    c.take();
    const bool orEqual = c.peek() == '=';
    if (orEqual)
        c.take();
    c.skipBlanks();
    const double right = sum(c);
    c.skipBlanks();
    if (c.failed)
        return 0;
    if (op == '<')
        return truth(orEqual ? left <= right : left < right);
    return truth(orEqual ? left >= right : left > right);
}

// Takes a two-character operator whose first character is next.
void takePair(expr_cursor& c, char second, const char* message) {
    c.take();
    if (c.peek() != second) {
        c.fail(message);
        return;
    }
    c.take();
}

// equality = comparison [("==" | "!=") comparison]
double equality(expr_cursor& c) {
    c.skipBlanks();
    const double left = comparison(c);
    c.skipBlanks();
    bool equal = true;
    if (c.peek() == '=') {
        takePair(c, '=', "Expected a '=' for boolean '==' operator!");
    } else if (c.peek() == '!' && c.peekNext() == '=') {
        c.take();
        c.take();
        equal = false;
    } else {
        return left;
    }
    c.skipBlanks();
    const double right = comparison(c);
    c.skipBlanks();
    if (c.failed)
        return 0;
    const double difference = std::fabs(left - right);
    return truth(equal ? difference < kTolerance : difference > kTolerance);
}

// Both logical levels: operand {op op operand}, left to right, every operand evaluated.
double logical(expr_cursor& c, Level operand, char op, bool both, const char* message) {
    double value = operand(c);
    c.skipBlanks();
    while (c.peek() == op) {
        takePair(c, op, message);
        c.skipBlanks();
        const double right = operand(c);
        c.skipBlanks();
        if (c.failed)
            return 0;
        value = truth(both ? isTrue(value) && isTrue(right) : isTrue(value) || isTrue(right));
    }
    return value;
}

// conjunction = equality {"&&" equality}
double conjunction(expr_cursor& c) {
    return logical(c, equality, '&', true, "Expected '&' to follow '&' in logical and operation!");
}

// disjunction = conjunction {"||" conjunction}
double disjunction(expr_cursor& c) {
    return logical(c, conjunction, '|', false,
                   "Expected '|' to follow '|' in logical or operation!");
}

// expression = disjunction, then nothing but blanks
double expression(expr_cursor& c) {
    const double value = disjunction(c);
    c.skipBlanks();
    if (!c.atEnd())
        c.fail("Failed to reach end of input expression, likely malformed input");
    return value;
}

void throwRaisedFpError() {
    const int raised = std::fetestexcept(kFpErrors);
    if ((raised & FE_DIVBYZERO) != 0)
        throw expr_fp_error("Floating point division by zero");
    if ((raised & FE_OVERFLOW) != 0)
        throw expr_fp_error("Floating point overflow");
    if ((raised & FE_INVALID) != 0)
        throw expr_fp_error("Invalid floating point operation");
}

} // namespace

double expr_evaluate(const char* text, unsigned char* error) {
    return expr_evaluate_resolved(text, nullptr, nullptr, nullptr, error);
}

namespace {

// The evaluation without its report: the failure message, if any, in *message.
double evaluate(const char* text, expr_variable_resolver variables,
                expr_function_resolver functions, void* context, unsigned char* error,
                const char** message) {
    // Clearing the flags costs several times more than reading them, and they are
    // rarely set.
    if (std::fetestexcept(kFpErrors) != 0)
        std::feclearexcept(kFpErrors);
    expr_cursor c{.text = text, .context = context, .variables = variables, .functions = functions};
    // Stored through volatile so that every operation of the evaluation is done
    // before the status flags are read.
    const volatile double value = expression(c);
    throwRaisedFpError();
    if (!c.failed)
        return value;
    *error = 1;
    *message = c.message;
    return std::numeric_limits<double>::quiet_NaN();
}

} // namespace

double expr_evaluate_quiet(const char* text, unsigned char* error, const char** message) {
    return evaluate(text, nullptr, nullptr, nullptr, error, message);
}

void expr_report_failure(const char* message, const char* text) {
    std::printf("Error: %s\n", message);
    std::printf("Expression '%s' failed to parse, returning nan\n", text);
}

double expr_evaluate_resolved(const char* text, expr_variable_resolver variables,
                              expr_function_resolver functions, void* context,
                              unsigned char* error) {
    const char* message = nullptr;
    const double value = evaluate(text, variables, functions, context, error, &message);
    if (message)
        expr_report_failure(message, text);
    return value;
}
