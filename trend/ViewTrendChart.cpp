// The trend window's chart page.

#include "TrendChart.h"
#include "TrendPages.h"
#include "ViewTrend.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

namespace {

QString ValueWithUnit(double value, const QString& unit) {
    return unit.isEmpty() ? TrendShortValueText(value)
                          : TrendShortValueText(value) + QLatin1Char(' ') + unit;
}

} // namespace

void TForm_ViewTrend::TabSheet_TrendShow() {
    for (int curve = 1; curve <= 2; ++curve) {
        QComboBox* list = curveLists_[static_cast<size_t>(curve - 1)];
        const int remembered = list->currentIndex();
        list->clear();
        for (int i = 0; i < Global_TrendCAN.TrendCAN_Count; ++i)
            list->addItem(TrendEntryListText(i));
        list->setCurrentIndex(remembered < list->count() ? remembered : -1);
        // The table may have changed since: the curve follows the entry its
        // list now shows (a history is kept only while the match stays), and
        // a curve whose entry is gone shows nothing.
        if (list->currentIndex() >= 0)
            followEntry(curve, list->currentIndex());
        else if (remembered >= 0)
            dropCurve(curve);
    }
}

void TForm_ViewTrend::dropCurve(int curve) {
    thread_->ClearTrend(curve);
    curveTexts_[static_cast<size_t>(curve - 1)]->clear();
    Chart_Trend->clearCurve(curve);
}

void TForm_ViewTrend::CheckBox_CANID2Click() {
    const bool on = viewBoxes_[1]->isChecked();
    for (QWidget* w :
         std::initializer_list<QWidget*>{curveLists_[1], curveTexts_[1], valueEdits_[1]})
        w->setEnabled(on);
}

void TForm_ViewTrend::TntComboBox_TrendCANChange(int curve, int position) {
    if (position < 0 || position >= Global_TrendCAN.TrendCAN_Count)
        return;
    selectTypeAndRange(Global_TrendCAN.CANDataType[position],
                       Global_TrendCAN.CANDataRange[position]);
    followEntry(curve, position);
}

void TForm_ViewTrend::followEntry(int curve, int position) {
    const int type = Global_TrendCAN.CANDataType[position];
    const int range = Global_TrendCAN.CANDataRange[position];
    curveTexts_[static_cast<size_t>(curve - 1)]->setText(TrendEntryDataText(position));
    const TrendSignal signal = entrySignal(position);
    units_[static_cast<size_t>(curve - 1)] =
        signal ? QString::fromStdString(signal.signal->unit) : QString();
    // Every identifier is handed over, also one of 0x80000000 or more: the
    // curve then plots what its label names (nothing), never the previous one.
    // A signal entry whose database lacks the signal plots nothing either.
    const auto id = static_cast<uint32_t>(Global_TrendCAN.TrendCANID[position]);
    if (!Global_TrendCAN.Signal[position].isEmpty())
        thread_->SetTrendSignal(curve, signal);
    else if (curve == 1)
        thread_->SetTrend1(id, type, range);
    else
        thread_->SetTrend2(id, type, range);
    // An empty curve is drawn by the next refresh whether its history changed or not.
    Chart_Trend->clearCurve(curve);
    Timer_ShowCurve->start();
}

void TForm_ViewTrend::Timer_ShowCurveTimer() {
    const TrendHistories now = thread_->Histories();
    const bool curve2 = viewBoxes_[1]->isChecked();
    const bool changed1 = now.history1 != shown_.history1 || now.length1 != shown_.length1 ||
                          Chart_Trend->series(1)->count() != now.length1;
    const bool changed2 =
        curve2 && (!curve2Shown_ || now.history2 != shown_.history2 ||
                   now.length2 != shown_.length2 || Chart_Trend->series(2)->count() != now.length2);
    if (changed1)
        showCurve(1, now.history1, now.length1);
    if (changed2)
        showCurve(2, now.history2, now.length2);
    // While curve 2 is off it keeps its points; switching it on redraws it.
    curve2Shown_ = curve2;
}

void TForm_ViewTrend::showCurve(int curve, const TrendHistory& history, int length) {
    Chart_Trend->showHistory(curve, history, length);
    const auto i = static_cast<size_t>(curve - 1);
    valueEdits_[i]->setText(length > 0 ? ValueWithUnit(history[0], units_[i]) : QString());
    (curve == 1 ? shown_.history1 : shown_.history2) = history;
    (curve == 1 ? shown_.length1 : shown_.length2) = length;
}
