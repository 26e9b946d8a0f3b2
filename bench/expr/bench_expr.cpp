// bench_expr: the time to evaluate a formula from its text, for Kestrel's
// evaluator and for muparser (SetExpr then Eval, as for a text that changes every
// time). Prints nanoseconds per evaluation and muparser's time over Kestrel's,
// per formula and for one pass over all of them.

#include "Expr.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <muParser.h>

namespace {

constexpr const char* kFormulas[] = {
    "1+2*3",
    "sqrt(259 * 259 +  3 * 3)",
    "(1.5 + 2.25) * (3 - 0.5) / 4",
    "2^10 - 3^3 + 4^0.5",
    "sin(0.5) * cos(0.25) + tan(0.1)",
    "((((1 + 2) * 3 - 4) / 5 + 6) * 7 - 8) / 9",
    "exp(1.5) - atan(0.75) * 2",
    "(3 > 2) && (2 <= 2) || (1 == 0)",
    "(1 + 2 * 3 > 6) * 100 + (17 - 4) / (2 + 0.5) - (1 != 1)",
    "12.5 * sqrt(4.0 + 12.25) - (7 / 3.5) * (2 + 3 * (4 - 1)) + 100 / (3 + 2)"
    " - sin(1) * cos(2) + 0.001 * 12345 + ((2.5 - 1.25) * (8 / (1 + 3)))",
};

// The formulas are valid, so the evaluator writes nothing and the flag stays 0.
double kestrelEval(const char* text) {
    unsigned char error = 0;
    return expr_evaluate(text, &error);
}

double muparserEval(mu::Parser& parser, const char* text) {
    parser.SetExpr(text);
    return parser.Eval();
}

volatile double gSink;

// Nanoseconds per call of `evaluate`: the best of five runs of about 100 ms each.
template <typename Evaluate> double nanosecondsPerCall(Evaluate evaluate) {
    using Clock = std::chrono::steady_clock;
    double best = INFINITY;
    for (int run = 0; run < 5; ++run) {
        long calls = 0;
        const Clock::time_point start = Clock::now();
        Clock::duration elapsed{};
        while (elapsed < std::chrono::milliseconds(100)) {
            for (int i = 0; i < 1000; ++i)
                gSink = evaluate();
            calls += 1000;
            elapsed = Clock::now() - start;
        }
        best = std::min(best, std::chrono::duration<double, std::nano>(elapsed).count() / calls);
    }
    return best;
}

bool sameValues(mu::Parser& parser) {
    bool same = true;
    for (const char* text : kFormulas) {
        const double ours = kestrelEval(text);
        const double theirs = muparserEval(parser, text);
        if (!(std::fabs(ours - theirs) <= 1e-9 * std::max(1.0, std::fabs(ours)))) {
            std::fprintf(stderr, "values differ for %s: %.17g vs %.17g\n", text, ours, theirs);
            same = false;
        }
    }
    return same;
}

} // namespace

int main() {
    mu::Parser parser;
    if (!sameValues(parser))
        return EXIT_FAILURE;
    std::printf("%-58s %12s %12s %8s\n", "formula", "Kestrel ns", "muparser ns", "ratio");
    double totalOurs = 0;
    double totalTheirs = 0;
    for (const char* text : kFormulas) {
        const double ours = nanosecondsPerCall([text] { return kestrelEval(text); });
        const double theirs =
            nanosecondsPerCall([&parser, text] { return muparserEval(parser, text); });
        totalOurs += ours;
        totalTheirs += theirs;
        std::printf("%-58.58s %12.1f %12.1f %8.2f\n", text, ours, theirs, theirs / ours);
    }
    std::printf("%-58s %12.1f %12.1f %8.2f\n", "all ten, one pass", totalOurs, totalTheirs,
                totalTheirs / totalOurs);
    std::printf("ratio = muparser time / Kestrel time (above 1: Kestrel is faster)\n");
    return EXIT_SUCCESS;
}
