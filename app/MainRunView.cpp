#include "MainRunView.h"

#include "Dialog_singletxcan.h"
#include "MainKestrel.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QTimer>
#include <QToolButton>

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
    const bool running = state == RunControls::Running || state == RunControls::Ending;
    window_.setRunControls(running);
    // An automatic end waits with Stop disabled.
    if (state == RunControls::Ending)
        window_.findChild<QToolButton*>(QStringLiteral("SpeedButton_Stop"))->setEnabled(false);
    for (const char* name :
         {"Menu_ConfigTestItems", "Menu_ConfigZarvo", "N1", "Lang_Eng", "Lang_SC", "Lang_TC"})
        window_.findChild<QAction*>(QLatin1String(name))->setEnabled(!running);
    // Its tool button opens the same window as Zarvo Port: a port changed
    // during a run would leave the running groups out of Stop's reach.
    window_.findChild<QToolButton*>(QStringLiteral("SpeedButton_ZarvoConfig"))
        ->setEnabled(!running);
}

void MainRunView::setTimerEnabled(RunTimer timer, bool enabled) {
    auto* t = window_.findChild<QTimer*>(timer == RunTimer::TestAllItems
                                             ? QStringLiteral("Timer_TestAllItems")
                                             : QStringLiteral("Timer_TestSingleItem"));
    if (enabled)
        t->start();
    else
        t->stop();
}

void MainRunView::setStatusLamp(LampColour colour) {
    switch (colour) {
    case LampColour::Blue:
        window_.paintCanStatus(QColor(0, 0, 255));
        break;
    case LampColour::Green:
        window_.paintCanStatus(QColor(0, 255, 0));
        break;
    case LampColour::Red:
        window_.paintCanStatus(QColor(255, 0, 0));
        break;
    }
}

void MainRunView::showSearchAgain(const QString& text) {
    if (!text.isEmpty())
        window_.findChild<QLabel*>(QStringLiteral("TntLabel_SearchAgain"))->setText(text);
    window_.setSearchAgainVisible(true);
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
