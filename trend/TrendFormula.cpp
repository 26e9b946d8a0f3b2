#include "TrendFormula.h"

#include "Expr.h"
#include "TrendSignals.h"

#include <algorithm>

namespace {

bool IsDigit(QChar c, char first) {
    return c >= QLatin1Char(first) && c <= QLatin1Char('9');
}

} // namespace

QString SubstituteVariables(const QString& formula,
                            const std::function<QString(int n)>& valueText) {
    QString out;
    out.reserve(formula.size());
    for (qsizetype i = 0; i < formula.size(); ++i) {
        const QChar c = formula[i];
        if ((c != QLatin1Char('V') && c != QLatin1Char('v')) || i + 1 >= formula.size() ||
            !IsDigit(formula[i + 1], '1')) {
            out += c;
            continue;
        }
        int n = formula[++i].digitValue();
        if (i + 1 < formula.size() && IsDigit(formula[i + 1], '0'))
            n = n * 10 + formula[++i].digitValue();
        out += valueText(n);
    }
    return out;
}

std::optional<QString>
SubstituteKnownVariables(const QString& formula,
                         const std::function<std::optional<QString>(int n)>& valueText) {
    bool known = true;
    const QString text = SubstituteVariables(formula, [&valueText, &known](int n) {
        const std::optional<QString> value = valueText(n);
        known = known && value;
        return value.value_or(QString());
    });
    return known ? std::optional(text) : std::nullopt;
}

std::optional<QString> WatchedValueText(std::optional<double> value) {
    return value ? std::optional(TrendValueText(*value)) : std::nullopt;
}

int HighestVariable(const QString& formula) {
    int highest = 0;
    SubstituteVariables(formula, [&highest](int n) {
        highest = std::max(highest, n);
        return QString();
    });
    return highest;
}

FormulaResult EvaluateFormula(const QString& substituted, EvaluatorLines lines) {
    const QByteArray text = substituted.toUtf8();
    unsigned char error = 0;
    const char* message = nullptr;
    FormulaResult result;
    try {
        result.value = expr_evaluate_quiet(text.constData(), &error, &message);
    } catch (const expr_fp_error& e) {
        result.message = QString::fromUtf8(e.what());
        result.floatingPointError = true;
        return result;
    }
    result.ok = error == 0;
    if (!result.ok) {
        result.message = QString::fromUtf8(message);
        if (lines == EvaluatorLines::Stdout)
            expr_report_failure(message, text.constData());
    }
    return result;
}

void FormulaEntry::load(const QString& text) {
    text_ = text;
    committed_ = true;
    result_.clear();
}

void FormulaEntry::edit(const QString& text) {
    text_ = text;
    committed_ = false;
    result_.clear();
}

void FormulaEntry::commit() {
    committed_ = true;
}

std::optional<QString> FormulaEntry::textToEvaluate() const {
    return committed_ ? std::optional<QString>(text_) : std::nullopt;
}

void FormulaEntry::setResult(const QString& evaluated, const QString& result) {
    if (committed_ && evaluated == text_)
        result_ = result;
}

QString FormulaEntry::resultText() const {
    return result_;
}
