#include "ViewTrend.h"

#include "DbcFile.h"
#include "Globals.h"
#include "GridView.h"
#include "IniFile.h"
#include "Phrases.h"
#include "StatusLamp.h"
#include "TrendByteDiagram.h"
#include "TrendChart.h"
#include "TrendPages.h"
#include "TrendTables.h"
#include "UserDialogs.h"
#include "WaitMessage.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTimer>

TForm_ViewTrend* Form_ViewTrend = nullptr;

namespace {

QString TableFullText() {
    return Phrase(PhraseId::TrendTableFull).arg(kMaxTrendCAN);
}

} // namespace

TForm_ViewTrend::TForm_ViewTrend(UserDialogs& dialogs, const ZarvoBinding& driver, QWidget* parent)
    : QWidget(parent, Qt::Window), dialogs_(dialogs) {
    setObjectName(QStringLiteral("Form_ViewTrend"));
    setWindowTitle(QStringLiteral("Form_ViewTrend"));
    createControls();
    setPhrases();
    fillConfigGrid();
    thread_ = std::make_unique<TThread_DataConvert_RxCAN>(*this, ZarvoPort, steadyClock(), driver);
}

TForm_ViewTrend::~TForm_ViewTrend() {
    thread_->Stop();
}

void TForm_ViewTrend::runOnUiThread(const std::function<void()>& task) {
    QMetaObject::invokeMethod(
        this, [&task] { task(); }, Qt::BlockingQueuedConnection);
}

void TForm_ViewTrend::processPendingEvents() {
    QCoreApplication::processEvents();
}

void TForm_ViewTrend::setStatusLamp(LampColour colour) {
    for (StatusLamp* lamp : lamps_)
        lamp->setColour(colour);
}

void TForm_ViewTrend::showSearchAgain(const QString& text) {
    for (QLabel* label : searchAgain_) {
        label->setText(text);
        label->show();
    }
}

void TForm_ViewTrend::hideSearchAgain() {
    for (QLabel* label : searchAgain_)
        label->hide();
}

void TForm_ViewTrend::ShowTrend() {
    thread_->SetPort(ZarvoPort);
    showMaximized();
    raise();
    activateWindow();
    Chart_Trend->clearCurve(1);
    if (PageControl1->currentIndex() == 0)
        TabSheet_TrendConfigShow();
    else
        PageControl1->setCurrentIndex(0);
}

void TForm_ViewTrend::pageChanged(int page) {
    if (page == 0)
        TabSheet_TrendConfigShow();
    else if (page == 1)
        TabSheet_TrendShow();
    else
        TabSheet_DataViewShow();
}

void TForm_ViewTrend::TabSheet_TrendConfigShow() {
    try {
        ReadTrendCANIni();
    } catch (const std::exception& e) {
        // The message names the file and the line; the entries read before
        // the fault stay, and the page shows them.
        dialogs_.error(QString::fromUtf8(e.what()));
    }
    loadDatabase();
    WatchTrendTable(*thread_, database_);
    setPhrases();
    fillConfigGrid();
    TntEdit_CANDescription1->clear();
    TntEdit_CANDescription2->clear();
    Edit_ID->clear();
    const int shown = std::min<int>(Global_Formula.Formula_Count, kFormulaLines);
    for (int k = 0; k < shown; ++k) {
        formulas_[static_cast<size_t>(k)].description->setText(
            Global_Formula.Formula_Description[k]);
        loadFormula(k, Global_Formula.Formula[k]);
    }
}

void TForm_ViewTrend::fillConfigGrid() {
    ResetTrendGrid(*TntStringGrid_TrendCANID, *configModel_, false);
    const int count = Global_TrendCAN.TrendCAN_Count;
    for (int i = 0; i < count; ++i)
        setConfigRow(i + 1, i, TrendIdText(Global_TrendCAN.TrendCANID[i]));
    if (count > 0)
        selectTypeAndRange(Global_TrendCAN.CANDataType[count - 1],
                           Global_TrendCAN.CANDataRange[count - 1]);
}

void TForm_ViewTrend::setConfigRow(int row, int entry, const QString& idText) {
    const QString cells[] = {Global_TrendCAN.Description1[entry],
                             Global_TrendCAN.Description2[entry], idText, TrendEntryTypeText(entry),
                             TrendEntryRangeText(entry, entrySignal(entry))};
    for (int column = 0; column < 5; ++column)
        configModel_->setItem(row - 1, column, new QStandardItem(cells[column]));
}

void TForm_ViewTrend::selectTypeAndRange(int type, int range) {
    ComboBox_DataConvert_DataType->setCurrentIndex(DataTypeText(type).isEmpty() ? -1 : type);
    ComboBox_DataConvert_DataTypeChange();
    if (range < ComboBox_DataConvert_DataRange->count())
        ComboBox_DataConvert_DataRange->setCurrentIndex(range);
}

void TForm_ViewTrend::ComboBox_DataConvert_DataTypeChange() {
    ComboBox_DataConvert_DataRange->clear();
    ComboBox_DataConvert_DataRange->addItems(
        DataRangeTexts(ComboBox_DataConvert_DataType->currentIndex()));
    showByteDiagram();
}

void TForm_ViewTrend::showByteDiagram() {
    Image_CANData->setPixmap(ByteDiagram(ComboBox_DataConvert_DataType->currentIndex(),
                                         ComboBox_DataConvert_DataRange->currentIndex()));
}

void TForm_ViewTrend::showUnsaved(bool shown) {
    TntLabel_UnSaveAlarm->setVisible(shown);
    if (!shown)
        TntLabel_UnSaveAlarm2->hide();
}

void TForm_ViewTrend::loadDatabase() {
    if (Global_TrendCAN.Database == databasePath_)
        return;
    databasePath_ = Global_TrendCAN.Database;
    database_.reset();
    try {
        if (!databasePath_.isEmpty())
            database_ = LoadTrendDatabase(databasePath_);
    } catch (const std::exception& e) {
        dialogs_.error(QString::fromUtf8(e.what()));
    }
    fillSignalList();
}

void TForm_ViewTrend::fillSignalList() {
    ComboBox_Signal->clear();
    ComboBox_Signal->addItem(QString());
    if (database_)
        for (const dbc::Message& m : database_->messages)
            for (const dbc::Signal& s : m.signalList)
                ComboBox_Signal->addItem(TrendSignalName(m, s));
}

TrendSignal TForm_ViewTrend::entrySignal(int entry) const {
    return FindTrendSignal(database_, Global_TrendCAN.Signal[entry]);
}

void TForm_ViewTrend::TntSpeedButton_DatabaseClick() {
    std::optional<dbc::ChosenDatabase> chosen = dbc::chooseDbcFile(dialogs_, databasePath_);
    if (!chosen)
        return;
    database_ = std::move(chosen->database);
    Global_TrendCAN.Database = databasePath_ = chosen->path;
    // Signal entries follow the new database's signals from now on.
    WatchTrendTable(*thread_, database_);
    fillSignalList();
    fillConfigGrid();
    showUnsaved(true);
}

void TForm_ViewTrend::TntSpeedButton_AddCANIDClick() {
    const TrendSignal signal = FindTrendSignal(database_, ComboBox_Signal->currentText());
    const NewTrendEntry entry =
        signal ? NewSignalEntry(TntEdit_CANDescription1->text(), TntEdit_CANDescription2->text(),
                                signal)
               : NewTrendEntry{TntEdit_CANDescription1->text(), TntEdit_CANDescription2->text(),
                               Edit_ID->text(), ComboBox_DataConvert_DataType->currentIndex(),
                               ComboBox_DataConvert_DataRange->currentIndex()};
    switch (CheckNewTrendEntry(entry)) {
    case AddRefusal::NoDataType:
        dialogs_.error(QStringLiteral("資料型態尚未選擇"));
        return;
    case AddRefusal::NoDataRange:
        dialogs_.error(QStringLiteral("資料範圍尚未選擇"));
        return;
    case AddRefusal::IllegalId:
        dialogs_.inform(QString(), Phrase(PhraseId::IllegalTransmitStart) + QStringLiteral(" ID ") +
                                       Phrase(PhraseId::IllegalHex) + QStringLiteral(" \r\n") +
                                       Phrase(PhraseId::InputAgain));
        return;
    case AddRefusal::TableFull:
        dialogs_.error(TableFullText());
        return;
    case AddRefusal::None:
        break;
    }
    const QString idText = entry.idText.toUpper();
    Edit_ID->setText(idText);
    // Grid row i + 1 is entry i: the first entry fills the empty row.
    const int index = AppendTrendEntry(entry);
    WatchTrendTable(*thread_, database_);
    setConfigRow(index + 1, index, QStringLiteral("0x") + idText);
    TntStringGrid_TrendCANID->selectGridRow(1);
    dialogs_.inform(Phrase(PhraseId::ItemAdded));
    showUnsaved(true);
}

void TForm_ViewTrend::TntSpeedButton_RemoveClick() {
    const int count = Global_TrendCAN.TrendCAN_Count;
    if (count == 0)
        return;
    const int row = TntStringGrid_TrendCANID->selectedGridRow();
    if (row < 1 || row > count) {
        dialogs_.inform(Phrase(PhraseId::SelectItemToDelete));
        return;
    }
    if (!dialogs_.confirm(Phrase(PhraseId::AskDeleteItem)))
        return;
    // The row's own entry goes, so that the grid and the table stay alike.
    RemoveTrendEntry(row - 1);
    // The variables after it move up with their rows.
    WatchTrendTable(*thread_, database_);
    configModel_->removeRow(row - 1);
    if (configModel_->rowCount() == 0)
        configModel_->setRowCount(1);
    dialogs_.inform(Phrase(PhraseId::Deleted));
    showUnsaved(true);
}

namespace {

// The question before the tables are written over a file read only in part;
// empty when they hold all of it.
QString overwritePartlyReadQuestion() {
    const PartialRead& partial = LastTrendPartialRead();
    if (partial.path.isEmpty() || QFileInfo(partial.path) != QFileInfo(TrendCANIniPath()))
        return {};
    return Phrase(PhraseId::OverwritePartlyReadTrend).arg(partial.path, partial.leftOut);
}

} // namespace

void TForm_ViewTrend::TntSpeedButton_SaveTrendCANIDClick() {
    if (const QString question = overwritePartlyReadQuestion();
        !question.isEmpty() && !dialogs_.confirm(question))
        return;
    Global_Formula.Formula_Count = 0;
    for (const FormulaLine& line : formulas_) {
        const int k = Global_Formula.Formula_Count++;
        Global_Formula.Formula_Description[k] = line.description->text();
        Global_Formula.Formula[k] = line.formula->text();
    }
    try {
        RunWithWaitMessage([] { WriteTrendCANIni(); });
    } catch (const std::exception& e) {
        // Refused before the file was touched: nothing is lost, nothing is saved.
        dialogs_.error(QString::fromUtf8(e.what()));
        return;
    }
    dialogs_.inform(Phrase(PhraseId::SaveOk));
    showUnsaved(false);
}

void TForm_ViewTrend::gridRowClicked(int row) {
    // Either grid's press selects that row in the configuration grid, for Remove.
    TntStringGrid_TrendCANID->selectGridRow(row);
}

void TForm_ViewTrend::closeEvent(QCloseEvent* event) {
    // isHidden: the markers count also while the window itself is hidden.
    if (!TntLabel_UnSaveAlarm->isHidden() || !TntLabel_UnSaveAlarm2->isHidden()) {
        if (!dialogs_.confirm(Phrase(PhraseId::SettingsNotSaved) + QStringLiteral("\r\n") +
                              Phrase(PhraseId::AskIgnoreChanges))) {
            event->ignore();
            return;
        }
        showUnsaved(false);
    }
    event->accept();
}
