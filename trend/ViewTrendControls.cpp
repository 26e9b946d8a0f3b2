// The trend window's controls and their phrases.

#include "GridView.h"
#include "KeyShortcuts.h"
#include "Phrases.h"
#include "StatusLamp.h"
#include "TrendChart.h"
#include "TrendTables.h"
#include "ViewTrend.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Phrase rows of the window.

// The formula lines' texts until TrendCAN.ini fills them.
const char* const kStartDescriptions[kFormulaLines] = {"床面長度(mm)", "旋轉半徑 m  的長度(mm)",
                                                       "床面長度(mm)", "旋轉半徑 m  的長度(mm)"};
const char* const kStartFormulas[kFormulaLines] = {"sin(V5) * 100", "sqrt(259 * 259 +  V1 * V1)",
                                                   "tan(V5) * 100", "(259 / V1 * V2)"};

template <typename T> T* Named(const QString& name, QWidget* parent) {
    auto* widget = new T(parent);
    widget->setObjectName(name);
    return widget;
}

QToolButton* Button(const QString& name, const QString& hint, QWidget* parent) {
    auto* button = Named<QToolButton>(name, parent);
    button->setToolTip(hint);
    button->setMinimumSize(110, 32);
    return button;
}

QLabel* UnsavedMarker(const QString& name, QWidget* parent) {
    auto* label = Named<QLabel>(name, parent);
    label->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    label->hide();
    return label;
}

GridView* Grid(const QString& name, QStandardItemModel*& model, QWidget* parent) {
    auto* grid = Named<GridView>(name, parent);
    model = new QStandardItemModel(grid);
    grid->setModel(model);
    grid->setItemDelegate(new GridCellDelegate(1, grid));
    return grid;
}

} // namespace

void TForm_ViewTrend::createControls() {
    auto* layout = new QVBoxLayout(this);
    PageControl1 = Named<QTabWidget>(QStringLiteral("PageControl1"), this);
    PageControl1->addTab(createConfigPage(), QString());
    PageControl1->addTab(createChartPage(), QString());
    PageControl1->addTab(createDataViewPage(), QString());
    layout->addWidget(PageControl1);
    connect(PageControl1, &QTabWidget::currentChanged, this, &TForm_ViewTrend::pageChanged);

    Timer_ShowCurve = Named<QTimer>(QStringLiteral("Timer_ShowCurve"), this);
    Timer_ShowCurve->setInterval(10);
    connect(Timer_ShowCurve, &QTimer::timeout, this, &TForm_ViewTrend::Timer_ShowCurveTimer);
    Timer_ShowDataView = Named<QTimer>(QStringLiteral("Timer_ShowDataView"), this);
    Timer_ShowDataView->setInterval(10);
    connect(Timer_ShowDataView, &QTimer::timeout, this, &TForm_ViewTrend::Timer_ShowDataViewTimer);
    Timer_Formula = Named<QTimer>(QStringLiteral("Timer_Formula"), this);
    Timer_Formula->setInterval(100);
    connect(Timer_Formula, &QTimer::timeout, this, &TForm_ViewTrend::Timer_FormulaTimer);
    Timer_Formula->start();
}

QWidget* TForm_ViewTrend::createConfigPage() {
    auto* page = Named<QWidget>(QStringLiteral("TabSheet_TrendConfig"), this);
    auto* layout = new QVBoxLayout(page);
    TntEdit_Title = Named<QLineEdit>(QStringLiteral("TntEdit_Title"), page);
    TntEdit_Title->setReadOnly(true);
    TntEdit_Title->setAlignment(Qt::AlignCenter);
    layout->addWidget(TntEdit_Title);
    TntStringGrid_TrendCANID = Grid(QStringLiteral("TntStringGrid_TrendCANID"), configModel_, page);
    layout->addWidget(TntStringGrid_TrendCANID, 1);
    connect(TntStringGrid_TrendCANID, &GridView::gridRowClicked, this,
            &TForm_ViewTrend::gridRowClicked);

    auto* form = new QGridLayout;
    auto addRow = [&](int row, QLabel*& label, const char* name, QWidget* field) {
        label = Named<QLabel>(QLatin1String(name), page);
        form->addWidget(label, row, 0);
        form->addWidget(field, row, 1);
    };
    TntEdit_CANDescription1 = Named<QLineEdit>(QStringLiteral("TntEdit_CANDescription1"), page);
    TntEdit_CANDescription2 = Named<QLineEdit>(QStringLiteral("TntEdit_CANDescription2"), page);
    auto* idRow = new QWidget(page);
    auto* idLayout = new QHBoxLayout(idRow);
    idLayout->setContentsMargins(0, 0, 0, 0);
    Edit_ID = Named<QLineEdit>(QStringLiteral("Edit_ID"), idRow);
    Edit_ID->setMaxLength(8);
    auto* hex = Named<QLabel>(QStringLiteral("Label28"), idRow);
    hex->setText(QStringLiteral("(Hex)"));
    idLayout->addWidget(Edit_ID);
    idLayout->addWidget(hex);
    ComboBox_DataConvert_DataType =
        Named<QComboBox>(QStringLiteral("ComboBox_DataConvert_DataType"), page);
    for (int type = 0; type < kDataTypeCount; ++type)
        ComboBox_DataConvert_DataType->addItem(DataTypeText(type));
    ComboBox_DataConvert_DataType->setCurrentIndex(-1);
    ComboBox_DataConvert_DataRange =
        Named<QComboBox>(QStringLiteral("ComboBox_DataConvert_DataRange"), page);
    connect(ComboBox_DataConvert_DataType, &QComboBox::activated, this,
            &TForm_ViewTrend::ComboBox_DataConvert_DataTypeChange);
    connect(ComboBox_DataConvert_DataRange, &QComboBox::currentIndexChanged, this,
            &TForm_ViewTrend::showByteDiagram);
    addRow(0, TntLabel_ItemDescription, "TntLabel_ItemDescription", TntEdit_CANDescription1);
    addRow(1, TntLabel_ItemParameter, "TntLabel_ItemParameter", TntEdit_CANDescription2);
    addRow(2, TntLabel_ItemCANID, "TntLabel_ItemCANID", idRow);
    addRow(3, TntLabel_ItemDataType, "TntLabel_ItemDataType", ComboBox_DataConvert_DataType);
    addRow(4, TntLabel_ItemDataRange, "TntLabel_ItemDataRange", ComboBox_DataConvert_DataRange);
    auto* signalRow = new QWidget(page);
    auto* signalLayout = new QHBoxLayout(signalRow);
    signalLayout->setContentsMargins(0, 0, 0, 0);
    ComboBox_Signal = Named<QComboBox>(QStringLiteral("ComboBox_Signal"), signalRow);
    TntSpeedButton_Database =
        Button(QStringLiteral("TntSpeedButton_Database"), QString(), signalRow);
    connect(TntSpeedButton_Database, &QToolButton::clicked, this,
            &TForm_ViewTrend::TntSpeedButton_DatabaseClick);
    signalLayout->addWidget(ComboBox_Signal, 1);
    signalLayout->addWidget(TntSpeedButton_Database);
    addRow(5, TntLabel_ItemSignal, "TntLabel_ItemSignal", signalRow);
    auto* dataLabel = Named<QLabel>(QStringLiteral("Label30"), page);
    dataLabel->setText(QStringLiteral("CAN Data"));
    Image_CANData = Named<QLabel>(QStringLiteral("Image_CANData"), page);
    form->addWidget(dataLabel, 6, 0);
    form->addWidget(Image_CANData, 6, 1);
    showByteDiagram();

    auto* buttons = new QHBoxLayout;
    TntSpeedButton_AddCANID = Button(QStringLiteral("TntSpeedButton_AddCANID"), QString(), page);
    TntSpeedButton_Remove = Button(QStringLiteral("TntSpeedButton_Remove"),
                                   QStringLiteral("Delete current item"), page);
    TntSpeedButton_SaveTrendCANID = Button(QStringLiteral("TntSpeedButton_SaveTrendCANID"),
                                           QStringLiteral("Save INI file"), page);
    connect(TntSpeedButton_AddCANID, &QToolButton::clicked, this,
            &TForm_ViewTrend::TntSpeedButton_AddCANIDClick);
    connect(TntSpeedButton_Remove, &QToolButton::clicked, this,
            &TForm_ViewTrend::TntSpeedButton_RemoveClick);
    connect(TntSpeedButton_SaveTrendCANID, &QToolButton::clicked, this,
            &TForm_ViewTrend::TntSpeedButton_SaveTrendCANIDClick);
    TntLabel_UnSaveAlarm = UnsavedMarker(QStringLiteral("TntLabel_UnSaveAlarm"), page);
    for (QWidget* w :
         std::initializer_list<QWidget*>{TntSpeedButton_AddCANID, TntSpeedButton_Remove,
                                         TntSpeedButton_SaveTrendCANID, TntLabel_UnSaveAlarm})
        buttons->addWidget(w);
    buttons->addStretch();
    form->addLayout(buttons, 7, 0, 1, 2);
    form->setColumnStretch(1, 1);
    layout->addLayout(form);
    return page;
}

QWidget* TForm_ViewTrend::createStatusRow(int page, QWidget* parent) {
    const QString suffix = page == 0 ? QString() : QStringLiteral("2");
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label =
        Named<QLabel>(page == 0 ? QStringLiteral("Label1") : QStringLiteral("Label2"), row);
    label->setText(QStringLiteral("CAN bus"));
    lamps_[page] = Named<StatusLamp>(QStringLiteral("Shape_CANStatus") + suffix, row);
    lamps_[page]->setFixedSize(20, 20);
    searchAgain_[page] = Named<QLabel>(QStringLiteral("TntLabel_SearchAgain") + suffix, row);
    searchAgain_[page]->setStyleSheet(QStringLiteral("color: red;"));
    searchAgain_[page]->hide();
    layout->addWidget(label);
    layout->addWidget(lamps_[page]);
    layout->addWidget(searchAgain_[page]);
    layout->addStretch();
    return row;
}

QWidget* TForm_ViewTrend::createChartPage() {
    auto* page = Named<QWidget>(QStringLiteral("TabSheet_Trend"), this);
    auto* layout = new QVBoxLayout(page);
    auto* panel = Named<QWidget>(QStringLiteral("Panel1"), page);
    auto* grid = new QGridLayout(panel);
    grid->addWidget(createStatusRow(0, panel), 0, 0, 1, 5);
    for (int c = 0; c < 2; ++c) {
        const QString n = QString::number(c + 1);
        viewBoxes_[c] = Named<QCheckBox>(QStringLiteral("CheckBox_CANID") + n, panel);
        curveLists_[c] = Named<QComboBox>(QStringLiteral("TntComboBox_TrendCAN") + n, panel);
        curveLists_[c]->setMinimumWidth(300);
        curveTexts_[c] = Named<QLineEdit>(QStringLiteral("TntEdit_TrendCAN") + n, panel);
        curveTexts_[c]->setReadOnly(true);
        valueLabels_[c] = Named<QLabel>(QStringLiteral("TntLabel_Value") + n, panel);
        valueEdits_[c] = Named<QLineEdit>(QStringLiteral("Edit_Value") + n, panel);
        valueEdits_[c]->setReadOnly(true);
        valueEdits_[c]->setMaximumWidth(120);
        QWidget* row[] = {viewBoxes_[c], curveLists_[c], curveTexts_[c], valueLabels_[c],
                          valueEdits_[c]};
        for (int column = 0; column < 5; ++column)
            grid->addWidget(row[column], c + 1, column);
        connect(curveLists_[c], &QComboBox::activated, this,
                [this, c](int position) { TntComboBox_TrendCANChange(c + 1, position); });
    }
    grid->setColumnStretch(2, 1);
    viewBoxes_[0]->setChecked(true);
    viewBoxes_[0]->setEnabled(false);
    CheckBox_CANID2Click();
    connect(viewBoxes_[1], &QCheckBox::clicked, this, &TForm_ViewTrend::CheckBox_CANID2Click);
    layout->addWidget(panel);
    Chart_Trend = new TrendChart(page);
    layout->addWidget(createChartTools(page));
    layout->addWidget(Chart_Trend, 1);
    return page;
}

// Pause / Resume and Reset view over the chart, with their keys.
QWidget* TForm_ViewTrend::createChartTools(QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    TntSpeedButton_Pause =
        Button(QStringLiteral("TntSpeedButton_Pause"),
               QStringLiteral("Keep the picture; the values go on being recorded"), row);
    TntSpeedButton_Pause->setCheckable(true);
    TntSpeedButton_ResetView = Button(QStringLiteral("TntSpeedButton_ResetView"),
                                      QStringLiteral("Show the whole history"), row);
    AddButtonKeys(TntSpeedButton_Pause, {Qt::Key_Pause, Qt::Key_F9});
    AddButtonKeys(TntSpeedButton_ResetView, {Qt::CTRL | Qt::Key_0});
    connect(TntSpeedButton_Pause, &QToolButton::toggled, Chart_Trend, &TrendChart::setPaused);
    connect(Chart_Trend, &TrendChart::pausedChanged, this, [this](bool paused) {
        TntSpeedButton_Pause->setChecked(paused);
        setChartToolTexts();
    });
    connect(TntSpeedButton_ResetView, &QToolButton::clicked, Chart_Trend, &TrendChart::resetView);
    layout->addWidget(TntSpeedButton_Pause);
    layout->addWidget(TntSpeedButton_ResetView);
    layout->addStretch();
    return row;
}

void TForm_ViewTrend::setChartToolTexts() {
    TntSpeedButton_Pause->setText(
        Phrase(Chart_Trend->timeView().paused() ? PhraseId::ChartResume : PhraseId::ChartPause));
    TntSpeedButton_ResetView->setText(Phrase(PhraseId::ChartResetView));
}

QWidget* TForm_ViewTrend::createDataViewPage() {
    auto* page = Named<QWidget>(QStringLiteral("TabSheet_DataView"), this);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(createStatusRow(1, page));
    TntStringGrid_DataView = Grid(QStringLiteral("TntStringGrid_DataView"), dataModel_, page);
    layout->addWidget(TntStringGrid_DataView, 1);
    connect(TntStringGrid_DataView, &GridView::gridRowClicked, this,
            &TForm_ViewTrend::gridRowClicked);
    auto* saveRow = new QHBoxLayout;
    TntLabel_UnSaveAlarm2 = UnsavedMarker(QStringLiteral("TntLabel_UnSaveAlarm2"), page);
    TntSpeedButton_SaveFormula =
        Button(QStringLiteral("TntSpeedButton_SaveFormula"), QStringLiteral("Save INI file"), page);
    connect(TntSpeedButton_SaveFormula, &QToolButton::clicked, this,
            &TForm_ViewTrend::TntSpeedButton_SaveTrendCANIDClick);
    saveRow->addWidget(TntSpeedButton_SaveFormula);
    saveRow->addWidget(TntLabel_UnSaveAlarm2);
    saveRow->addStretch();
    layout->addLayout(saveRow);
    for (int k = 0; k < kFormulaLines; ++k)
        layout->addWidget(createFormulaLine(k, page));
    return page;
}

QWidget* TForm_ViewTrend::createFormulaLine(int k, QWidget* parent) {
    const QString n = QString::number(k + 1);
    auto* line = new QWidget(parent);
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    FormulaLine& f = formulas_[static_cast<size_t>(k)];
    f.check = Named<QCheckBox>(QStringLiteral("TntCheckBox_Formula_Desc") + n, line);
    f.check->setText(n + QLatin1Char('.'));
    f.description = Named<QLineEdit>(QStringLiteral("TntEdit_Formula_Desc") + n, line);
    f.description->setText(QString::fromUtf8(kStartDescriptions[k]));
    f.formula = Named<QLineEdit>(QStringLiteral("TntEdit_Formula") + n, line);
    f.result = Named<QLineEdit>(QStringLiteral("TntEdit_Formula_Result") + n, line);
    f.result->setReadOnly(true);
    loadFormula(k, QString::fromUtf8(kStartFormulas[k]));
    connect(f.formula, &QLineEdit::textEdited, this, [&f](const QString& text) {
        f.entry.edit(text);
        f.result->setText(f.entry.resultText());
    });
    connect(f.formula, &QLineEdit::editingFinished, this, [&f] { f.entry.commit(); });
    layout->addWidget(f.check);
    layout->addWidget(f.description, 2);
    layout->addWidget(new QLabel(QStringLiteral("==>"), line));
    layout->addWidget(f.formula, 3);
    layout->addWidget(new QLabel(QStringLiteral("＝"), line));
    layout->addWidget(f.result, 1);
    for (QLineEdit* edit : {f.description, f.formula})
        connect(edit, &QLineEdit::textEdited, TntLabel_UnSaveAlarm2, &QLabel::show);
    return line;
}

void TForm_ViewTrend::setPhrases() {
    PageControl1->setTabText(0, Phrase(PhraseId::TrendPageConfig));
    PageControl1->setTabText(1, Phrase(PhraseId::TrendPageTrend));
    PageControl1->setTabText(2, Phrase(PhraseId::TrendPageDataView));
    TntEdit_Title->setText(Phrase(PhraseId::TrendConfigTitle));
    TntLabel_ItemDescription->setText(Phrase(PhraseId::TrendDescription));
    TntLabel_ItemParameter->setText(Phrase(PhraseId::TrendParameter));
    TntLabel_ItemCANID->setText(Phrase(PhraseId::TrendCanId));
    TntLabel_ItemDataType->setText(Phrase(PhraseId::TrendDataType));
    TntLabel_ItemDataRange->setText(Phrase(PhraseId::TrendDataRange));
    TntLabel_ItemSignal->setText(Phrase(PhraseId::TrendSignal));
    TntSpeedButton_Database->setText(Phrase(PhraseId::ChooseDatabase));
    TntSpeedButton_AddCANID->setText(Phrase(PhraseId::TrendAdd));
    TntSpeedButton_Remove->setText(Phrase(PhraseId::DeleteItem));
    TntSpeedButton_SaveTrendCANID->setText(Phrase(PhraseId::Save));
    TntSpeedButton_SaveFormula->setText(Phrase(PhraseId::Save));
    TntLabel_UnSaveAlarm->setText(Phrase(PhraseId::UnsavedChanges));
    TntLabel_UnSaveAlarm2->setText(Phrase(PhraseId::UnsavedChanges));
    for (int c = 0; c < 2; ++c) {
        viewBoxes_[c]->setText(Phrase(PhraseId::TrendView));
        valueLabels_[c]->setText(Phrase(PhraseId::TrendValue));
    }
    if (searchAgain_[0]->isHidden())
        searchAgain_[0]->setText(Phrase(PhraseId::SearchAgain));
    setChartToolTexts();
}

void ResetTrendGrid(GridView& grid, QStandardItemModel& model, bool dataView) {
    static constexpr int kConfigWidths[] = {300, 300, 90, 180, 100};
    static constexpr int kDataViewWidths[] = {265, 265, 90, 170, 100, 80};
    QStringList headers = {Phrase(PhraseId::TrendDescription), Phrase(PhraseId::TrendParameter),
                           QStringLiteral("CAN ID"), Phrase(PhraseId::TrendDataType),
                           Phrase(PhraseId::TrendDataRange)};
    if (dataView)
        headers << Phrase(PhraseId::TrendValue);
    model.clear();
    model.setHorizontalHeaderLabels(headers);
    model.setRowCount(std::max<int>(Global_TrendCAN.TrendCAN_Count, 1));
    if (dataView)
        grid.setColumnWidths(kDataViewWidths);
    else
        grid.setColumnWidths(kConfigWidths);
}
