#include "MainRunView.h"

#include "Dialog_singletxcan.h"
#include "MainKestrel.h"

#include <QCoreApplication>

void MainRunView::runOnUiThread(const std::function<void()>& task) {
    QMetaObject::invokeMethod(
        &window_, [&task] { task(); }, Qt::BlockingQueuedConnection);
}

void MainRunView::processPendingEvents() {
    QCoreApplication::processEvents();
}

UserDialogs& MainRunView::dialogs() {
    return window_.dialogs();
}

void MainRunView::setRunControls(RunControls state) {
    window_.applyRunControls(state);
}

void MainRunView::setTimerEnabled(RunTimer timer, bool enabled) {
    window_.setRunTimer(timer, enabled);
}

void MainRunView::setStatusLamp(LampColour colour) {
    window_.paintCanStatus(colour);
}

void MainRunView::showSearchAgain(const QString& text) {
    window_.showSearchAgain(text);
}

void MainRunView::hideSearchAgain() {
    window_.setSearchAgainVisible(false);
}

void MainRunView::setSelectedRow(int row) {
    window_.selectGridRow(row);
}

void MainRunView::showSingleTransmit(int item) {
    if (Form_SingleTxCAN)
        Form_SingleTxCAN->ShowBelow(window_, item);
}

void MainRunView::showRunSummary(const VerdictCounts& counts) {
    window_.showRunSummary(counts);
}

void MainRunView::hideSingleTransmit() {
    if (Form_SingleTxCAN)
        Form_SingleTxCAN->hide();
}
