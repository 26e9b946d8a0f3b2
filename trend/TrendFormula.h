#pragma once
// The data view's formulas: variable references replaced by their values as
// text, then the evaluator. Shared by the trend window and kestrel-cli watch.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

// Replaces every variable reference of `formula` by valueText(n). A reference
// is V or v, a digit 1 to 9 and at most one more digit (V1 … V99), so V123 is
// V12 followed by 3, and V0 is no reference. Each reference takes its own
// variable's text: in V1+V12 the first takes V1's, the second V12's.
QString SubstituteVariables(const QString& formula, const std::function<QString(int n)>& valueText);

// SubstituteVariables for values that may not be known yet: nullopt when
// valueText(n) is nullopt for any variable of `formula`.
std::optional<QString>
SubstituteKnownVariables(const QString& formula,
                         const std::function<std::optional<QString>(int n)>& valueText);

// A watched value as a variable's text; nullopt before its first frame.
std::optional<QString> WatchedValueText(std::optional<double> value);

// The highest n of the variable references of `formula`; 0 when it has none.
int HighestVariable(const QString& formula);

struct FormulaResult {
    bool ok = false;
    double value = 0;
    // Why it failed: the evaluator's message, or the floating-point error's.
    QString message;
    bool floatingPointError = false; // a division by zero, overflow or invalid operation
};

// Where a malformed formula's two diagnostic lines go: to standard output as
// the evaluator writes them (the data view), or nowhere (kestrel-cli watch,
// whose standard output is data).
enum class EvaluatorLines { Stdout, Silent };

// Evaluates an already substituted formula (as UTF-8 text).
FormulaResult EvaluateFormula(const QString& substituted, EvaluatorLines lines);

// One formula line of the data view as the user edits it. A text is evaluated
// only once it is committed (Enter, or the focus leaving the box), so a
// half-typed formula neither fails nor raises an error; and a result is shown
// only beside the very text it was computed from.
class FormulaEntry {
public:
    // Text set by the program (start-up, the file): committed, without a result yet.
    void load(const QString& text);
    // Text typed into the box: not committed, and the old result is cleared.
    void edit(const QString& text);
    // Enter or leaving the box: the text shown is the one to evaluate.
    void commit();

    const QString& text() const { return text_; }
    // The text to evaluate now; empty while the text is being edited.
    std::optional<QString> textToEvaluate() const;
    // The result computed from `evaluated`; dropped when the line no longer shows it.
    void setResult(const QString& evaluated, const QString& result);
    // What the result box shows: the current text's result, else nothing.
    QString resultText() const;

private:
    QString text_;
    bool committed_ = true;
    QString result_;
};
