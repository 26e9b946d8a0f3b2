// kestrel-cli eval EXPR: evaluates one formula as the data view does.
// Exit codes: 0 with the value on stdout; 1 when the formula is malformed (the
// evaluator's two lines are on stdout); 3 on a floating-point error (its message
// on stderr).

#include "Commands.h"
#include "Expr.h"

#include <charconv>
#include <cstdio>

namespace {

constexpr int kExitMalformed = 1;
constexpr int kExitFloatingPoint = 3;

// The value as "%.17g" writes it in the "C" locale, whatever the process locale says.
void printValue(double value) {
    char text[32];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 17);
    std::printf("%.*s\n", static_cast<int>(result.ptr - text), text);
}

} // namespace

int cmdEval(const QStringList& args) {
    if (args.size() != 1)
        return usageError();
    const QByteArray text = args.first().toLocal8Bit();
    unsigned char error = 0;
    try {
        const double value = expr_evaluate(text.constData(), &error);
        if (error != 0)
            return kExitMalformed;
        printValue(value);
        return 0;
    } catch (const expr_fp_error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return kExitFloatingPoint;
    }
}
