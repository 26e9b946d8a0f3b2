// The trend window's data view page: the watched values as variables V1 …
// and the four formulas over them.

#include "GridView.h"
#include "Phrases.h"
#include "TrendPages.h"
#include "ViewTrend.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTimer>

namespace {

constexpr int kValueColumn = 5;

} // namespace

void TForm_ViewTrend::TabSheet_DataViewShow() {
    ResetTrendGrid(*TntStringGrid_DataView, *dataModel_, true);
    const int count = Global_TrendCAN.TrendCAN_Count;
    for (int i = 0; i < count; ++i) {
        const int type = Global_TrendCAN.CANDataType[i];
        const int range = Global_TrendCAN.CANDataRange[i];
        const TrendSignal signal = entrySignal(i);
        const QString cells[] = {Global_TrendCAN.Description1[i],
                                 Global_TrendCAN.Description2[i] +
                                     QStringLiteral(" (V%1)").arg(i + 1),
                                 TrendIdText(Global_TrendCAN.TrendCANID[i]),
                                 TrendEntryTypeText(i),
                                 TrendEntryRangeText(i, signal),
                                 QStringLiteral("--")};
        for (int column = 0; column <= kValueColumn; ++column)
            dataModel_->setItem(i, column, new QStandardItem(cells[column]));
        // The value cell stays a bare number (formulas read it); the unit
        // shows in the range column.
        if (!Global_TrendCAN.Signal[i].isEmpty())
            thread_->SetWatchSignal(i, signal);
        else
            thread_->SetWatchItem(i, static_cast<uint32_t>(Global_TrendCAN.TrendCANID[i]), type,
                                  range);
    }
    if (count > 0)
        selectTypeAndRange(Global_TrendCAN.CANDataType[count - 1],
                           Global_TrendCAN.CANDataRange[count - 1]);
    // Values at once: a formula tick in between would fail on the "--" placeholders.
    Timer_ShowDataViewTimer();
    Timer_ShowDataView->start();
}

void TForm_ViewTrend::Timer_ShowDataViewTimer() {
    const int rows = std::min<int>(Global_TrendCAN.TrendCAN_Count, dataModel_->rowCount());
    for (int i = 0; i < rows; ++i)
        if (QStandardItem* cell = dataModel_->item(i, kValueColumn))
            // setText() repaints only a cell whose text changed.
            cell->setText(TrendValueText(thread_->WatchValue(i)));
}

QString TForm_ViewTrend::variableText(int n) const {
    const QStandardItem* cell =
        n <= Global_TrendCAN.TrendCAN_Count ? dataModel_->item(n - 1, kValueColumn) : nullptr;
    return cell ? cell->text() : QString();
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
