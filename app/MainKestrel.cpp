// The main window's construction, creation event and the controls the run
// control drives.

#include "MainKestrel.h"

#include "Globals.h"
#include "MainRunView.h"
#include "Phrases.h"
#include "ResultGridModel.h"
#include "ResultGridView.h"
#include "RunController.h"
#include "StatusLamp.h"
#include "SystemLog.h"
#include "ZarvoIni.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDate>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

TForm_MainKestrel* Form_MainKestrel = nullptr;

namespace {

const QString kCaption = QStringLiteral("Kestrel v2.31 (2015/07/10)");

} // namespace

TForm_MainKestrel::TForm_MainKestrel(UserDialogs& dialogs, const QString& programFolder,
                                     const QString& logFolder, const ZarvoBinding& driver)
    : dialogs_(dialogs), programFolder_(programFolder), logFolder_(logFolder), driver_(driver) {
    setObjectName(QStringLiteral("Form_MainKestrel"));
    setWindowTitle(kCaption);
    createControls();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        WorkAreaHeight = screen->availableGeometry().height();
        adjustSize();
        move(screen->availableGeometry().center() - rect().center());
    }
    chooseStartupLanguage();
    runView_ = std::make_unique<MainRunView>(*this);
    runControl_ = std::make_unique<RunController>(*runView_, DefaultReportFolder(), driver_);
    TntLabel_SearchAgain->setText(Phrase(PhraseId::SearchAgain));
    LoadLogger();
    StartSystemLog(QDate::currentDate(), logFolder_);
    SystemLog(QStringLiteral("Program( %1 )Starting...").arg(windowTitle()));
    applyPhrases();
    FormCreate();
}

TForm_MainKestrel::~TForm_MainKestrel() = default;

void TForm_MainKestrel::chooseStartupLanguage() {
    const int language = LanguageFromMarkers(programFolder_);
    SetLanguage(language);
    QAction* const items[] = {Lang_Eng, Lang_SC, Lang_TC};
    for (QAction* item : items)
        item->setChecked(false);
    items[language]->setChecked(true);
}

void TForm_MainKestrel::FormCreate() {
    ReadZarvoIni(programFolder_);
}

void TForm_MainKestrel::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (event->spontaneous())
        return;
    runCommand([this] { FormShow(); });
}

void TForm_MainKestrel::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

void TForm_MainKestrel::applyRunControls(RunControls state) {
    const bool running = state == RunControls::Running || state == RunControls::Ending;
    SpeedButton_Stop->setEnabled(state == RunControls::Running);
    // The port tool button opens the same window as Zarvo Port: a port changed
    // during a run would leave the running groups out of Stop's reach.
    for (QWidget* control : std::initializer_list<QWidget*>{
             TntSpeedButton_TestAllItems, TntSpeedButton_ManualTest, TntSpeedButton_LoadConfig,
             SpeedButton_RangeSetup, TntSpeedButton_ViewTrend, TntCheckBox_GroupCheck,
             SpeedButton_ZarvoConfig})
        control->setEnabled(!running);
    for (QAction* item : {Menu_ConfigTestItems, Menu_ConfigZarvo, N1, Lang_Eng, Lang_SC, Lang_TC})
        item->setEnabled(!running);
}

void TForm_MainKestrel::setRunTimer(RunTimer timer, bool enabled) {
    QTimer* t = timer == RunTimer::TestAllItems ? Timer_TestAllItems : Timer_TestSingleItem;
    if (enabled)
        t->start();
    else
        t->stop();
}

void TForm_MainKestrel::showSearchAgain(const QString& text) {
    if (!text.isEmpty())
        TntLabel_SearchAgain->setText(text);
    TntLabel_SearchAgain->setVisible(true);
}

void TForm_MainKestrel::paintCanStatus(LampColour colour) {
    Shape_CANStatus->setColour(colour);
}

void TForm_MainKestrel::setSearchAgainVisible(bool visible) {
    TntLabel_SearchAgain->setVisible(visible);
}

int TForm_MainKestrel::selectedGridRow() const {
    return TntStringGrid_TestResult->selectedGridRow();
}

void TForm_MainKestrel::selectGridRow(int row) {
    TntStringGrid_TestResult->selectGridRow(row);
}

// The run commands and timers hand over to the test run control.
void TForm_MainKestrel::TntSpeedButton_TestAllItemsClick() {
    runControl_->testAllItems(TntCheckBox_GroupCheck->isChecked());
}

void TForm_MainKestrel::TntSpeedButton_ManualTestClick() {
    runControl_->testSelectedItem(selectedGridRow());
}

void TForm_MainKestrel::SpeedButton_StopClick() {
    runControl_->stop();
}

void TForm_MainKestrel::Timer_TestAllItemsTimer() {
    runControl_->testAllItemsTimer();
}

void TForm_MainKestrel::Timer_TestSingleItemTimer() {
    runControl_->testSingleItemTimer();
}
