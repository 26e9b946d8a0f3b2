#pragma once
// The evaluator's built-in functions.

struct expr_builtin {
    const char* name;
    int arity; // 1 or 2
    double (*compute)(const double* arguments);
    // Checked on the first argument before computing; null when every value is accepted.
    bool (*in_domain)(double x);
    const char* domain_message;
};

// The built-in function called `name` (matched exactly), or null.
const expr_builtin* expr_find_builtin(const char* name);
