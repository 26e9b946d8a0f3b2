// The main window's texts: the language menu, the phrases of the menus, and
// the refresh that sets the status line, the captions and the result grid.

#include "ConfigFile.h"
#include "Globals.h"
#include "MainKestrel.h"
#include "Phrases.h"
#include "ResultCells.h"
#include "ResultGridFill.h"
#include "ResultGridModel.h"
#include "ResultGridView.h"
#include "ZarvoIni.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

namespace {

// A tool button caption: two phrases on two lines.
QString twoLines(int upper, int lower) {
    return Phrase(upper) + QLatin1Char('\n') + Phrase(lower);
}

} // namespace

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
    Menu_Person->setTitle(Phrase(0));
    const std::pair<QAction*, int> items[] = {{N5, 1},
                                              {N6, 2},
                                              {N7, 3},
                                              {N8, 4},
                                              {Menu_ExitSystem, 5},
                                              {N11, 7},
                                              {Menu_ConfigTestItems, 8},
                                              {Menu_ConfigZarvo, 9},
                                              {N1, 10},
                                              {N13, 11},
                                              {N14, 12},
                                              {Menu_About, 13}};
    for (const auto& [item, phrase] : items)
        item->setText(Phrase(phrase));
    N10->setTitle(Phrase(6));
    N2->setTitle(Phrase(14));
    FormShow();
}

void TForm_MainKestrel::FormShow() {
    showStatusLine(CurrentConfigFile.size() > 1 ? CurrentConfigFile : Phrase(16));
    if (!CurrentConfigFile.isEmpty())
        readCurrentConfig();
    ReadZarvoIni(programFolder_);
    setTestButtons();
    setCaptions();
    FillResultRows(Global_ResultCells());
    gridModel_->refresh();
    SetUpResultGrid(TntStringGrid_TestResult);
}

void TForm_MainKestrel::showStatusLine(const QString& file) {
    TntLabel_CurrentConfigurationFile->setText(Phrase(15) + QStringLiteral(" : ") + file);
}

// The test buttons need a configuration file name of at least 4 characters.
void TForm_MainKestrel::setTestButtons() {
    const bool usable = CurrentConfigFile.size() >= 4;
    TntSpeedButton_TestAllItems->setEnabled(usable);
    TntSpeedButton_ManualTest->setEnabled(usable);
}

void TForm_MainKestrel::setCaptions() {
    TntSpeedButton_ManualTest->setText(twoLines(17, 18));
    TntSpeedButton_TestAllItems->setText(twoLines(19, 20));
    TntSpeedButton_LoadConfig->setText(twoLines(21, 22));
    TntSpeedButton_ViewTrend->setText(twoLines(88, 89));
    TntCheckBox_GroupCheck->setText(Phrase(102));
}
