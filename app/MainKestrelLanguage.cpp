// The main window's texts: the language menu, the phrases of the menus, and
// the refresh that sets the status line, the captions and the result grid.

#include "BusMonitorWindow.h"
#include "ConfigFile.h"
#include "Globals.h"
#include "MainKestrel.h"
#include "Phrases.h"
#include "QtTranslations.h"
#include "ResultCells.h"
#include "ResultGridFill.h"
#include "ResultGridModel.h"
#include "ResultGridView.h"
#include "RunReport.h"
#include "ZarvoIni.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

void TForm_MainKestrel::Lang_EngClick(int language) {
    runCommand([this, language] {
        QAction* const items[] = {Lang_Eng, Lang_SC, Lang_TC};
        for (QAction* item : items)
            item->setChecked(false);
        items[language]->setChecked(true);
        SetLanguage(language);
        RememberLanguage(programFolder_, language);
        applyPhrases();
    });
}

void TForm_MainKestrel::applyPhrases() {
    SetLanguage(LanguageIndex);
    // Without the file (Qt's translations not installed) Qt's texts stay English.
    UseQtTranslations(LanguageIndex);
    Menu_Person->setTitle(Phrase(PhraseId::MenuLogin));
    const std::pair<QAction*, PhraseId> items[] = {{N5, PhraseId::MenuTesterConfiguration},
                                                   {N6, PhraseId::MenuUpdateTester},
                                                   {N7, PhraseId::MenuTesterLogin},
                                                   {N8, PhraseId::MenuDeleteTester},
                                                   {Menu_ExitSystem, PhraseId::MenuExitSystem},
                                                   {N11, PhraseId::MenuMaintainTestFile},
                                                   {Menu_ConfigTestItems, PhraseId::MenuTestItems},
                                                   {Menu_ConfigZarvo, PhraseId::MenuZarvoPort},
                                                   {N1, PhraseId::MenuSaveAs},
                                                   {N13, PhraseId::MenuDeviceManagement},
                                                   {N14, PhraseId::MenuViewReport},
                                                   {Menu_About, PhraseId::MenuAbout}};
    for (const auto& [item, phrase] : items)
        item->setText(Phrase(phrase));
    Menu_BusMonitor->setText(Phrase(PhraseId::MonitorCaption));
    if (Form_BusMonitor)
        Form_BusMonitor->setPhrases();
    N10->setTitle(Phrase(PhraseId::MenuParameters));
    N2->setTitle(Phrase(PhraseId::MenuLanguage));
    FormShow();
}

void TForm_MainKestrel::FormShow() {
    showStatusLine(CurrentConfigFile.size() > 1 ? CurrentConfigFile
                                                : Phrase(PhraseId::NoConfigFile));
    if (!CurrentConfigFile.isEmpty())
        readCurrentConfig();
    ReadZarvoIni(programFolder_);
    setTestButtons();
    setCaptions();
    FillResultRows(Global_ResultCells());
    gridModel_->refresh();
    SetUpResultGrid(TntStringGrid_TestResult);
}

void TForm_MainKestrel::showRunSummary(const VerdictCounts& counts) {
    runSummary_ = counts;
    showStatusLine(CurrentConfigFile);
}

void TForm_MainKestrel::showStatusLine(const QString& file) {
    QString line = Phrase(PhraseId::CurrentConfigLabel) + QStringLiteral(" : ") + file;
    if (runSummary_)
        line += QStringLiteral("  |  ") + RunSummaryText(*runSummary_);
    TntLabel_CurrentConfigurationFile->setText(line);
}

// The test buttons need a configuration file name of at least 4 characters.
void TForm_MainKestrel::setTestButtons() {
    const bool usable = CurrentConfigFile.size() >= 4;
    TntSpeedButton_TestAllItems->setEnabled(usable);
    TntSpeedButton_ManualTest->setEnabled(usable);
}

void TForm_MainKestrel::setCaptions() {
    TntSpeedButton_ManualTest->setText(PhraseLines(PhraseId::ButtonSingle, PhraseId::ButtonTest));
    TntSpeedButton_TestAllItems->setText(
        PhraseLines(PhraseId::ButtonMultiple, PhraseId::ButtonTests));
    TntSpeedButton_LoadConfig->setText(PhraseLines(PhraseId::ButtonImport, PhraseId::ButtonConfig));
    TntSpeedButton_ViewTrend->setText(PhraseLines(PhraseId::ButtonView, PhraseId::ButtonTrend));
    TntSpeedButton_BusMonitor->setText(PhraseLines(PhraseId::ButtonBus, PhraseId::ButtonMonitor));
    TntCheckBox_GroupCheck->setText(Phrase(PhraseId::MultipleSent));
}
