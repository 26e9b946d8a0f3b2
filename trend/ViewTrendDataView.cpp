// The trend window's data view page: the watched values as variables V1 …
// and the four formulas over them.

#include "GridView.h"
#include "Phrases.h"
#include "TrendFormula.h"
#include "TrendPages.h"
#include "UserDialogs.h"
#include "ViewTrend.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTimer>

namespace {

constexpr int kValueColumn = 5;
// A value cell before its identifier's first frame.
const QString kNoValue = QStringLiteral("--");

} // namespace

void TForm_ViewTrend::TabSheet_DataViewShow() {
    ResetTrendGrid(*TntStringGrid_DataView, *dataModel_, true);
    const int count = Global_TrendCAN.TrendCAN_Count;
    for (int i = 0; i < count; ++i) {
        const QString cells[] = {Global_TrendCAN.Description1[i],
                                 Global_TrendCAN.Description2[i] +
                                     QStringLiteral(" (V%1)").arg(i + 1),
                                 TrendIdText(Global_TrendCAN.TrendCANID[i]),
                                 TrendEntryTypeText(i),
                                 TrendEntryRangeText(i, entrySignal(i)),
                                 kNoValue};
        for (int column = 0; column <= kValueColumn; ++column)
            dataModel_->setItem(i, column, new QStandardItem(cells[column]));
    }
    WatchTrendTable(*thread_, database_);
    if (count > 0)
        selectTypeAndRange(Global_TrendCAN.CANDataType[count - 1],
                           Global_TrendCAN.CANDataRange[count - 1]);
    // Values at once: "--" stays only where no frame has come yet.
    Timer_ShowDataViewTimer();
    Timer_ShowDataView->start();
}

void TForm_ViewTrend::Timer_ShowDataViewTimer() {
    const int rows = std::min<int>(Global_TrendCAN.TrendCAN_Count, dataModel_->rowCount());
    for (int i = 0; i < rows; ++i)
        if (QStandardItem* cell = dataModel_->item(i, kValueColumn))
            // setText() repaints only a cell whose text changed.
            cell->setText(WatchedValueText(thread_->WatchItemValue(i)).value_or(kNoValue));
}

std::optional<QString> TForm_ViewTrend::variableText(int n) const {
    // A variable beyond the table has an empty text, which fails the formula.
    if (n > Global_TrendCAN.TrendCAN_Count)
        return QString();
    return WatchedValueText(thread_->WatchItemValue(n - 1));
}

void TForm_ViewTrend::loadFormula(int k, const QString& text) {
    FormulaLine& line = formulas_[static_cast<size_t>(k)];
    line.entry.load(text);
    line.formula->setText(text);
    line.result->setText(line.entry.resultText());
}

void TForm_ViewTrend::Timer_FormulaTimer() {
    // Stopped while it works: a message box's own event loop must not run the
    // next tick over a formula whose failure is still being shown.
    Timer_Formula->stop();
    for (FormulaLine& line : formulas_) {
        // A formula being typed waits for Enter or the focus leaving its box.
        const std::optional<QString> text = line.entry.textToEvaluate();
        if (!line.check->isChecked() || !text)
            continue;
        const FormulaLineResult result =
            EvaluateFormulaLine(*text, [this](int n) { return variableText(n); });
        line.entry.setResult(*text, result.resultText);
        line.result->setText(line.entry.resultText());
        if (!result.failed)
            continue;
        // Unchecked before the box opens, so each failure shows one box.
        line.check->setChecked(false);
        if (!result.floatingPointError.isEmpty())
            dialogs_.error(result.floatingPointError);
    }
    Timer_Formula->start();
}
