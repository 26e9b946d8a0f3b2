#include "ZarvoConfig.h"

#include "ConfigFile.h"
#include "Globals.h"
#include "Phrases.h"
#include "UserDialogs.h"
#include "WaitMessage.h"
#include "ZarvoDevices.h"
#include "ZarvoIni.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSvgRenderer>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TForm_ZarvoConfig* Form_ZarvoConfig = nullptr;

namespace {

constexpr int kSearchPollMs = 1000;
constexpr int kSearchDone = 100;
constexpr int kWindowWidth = 800;
constexpr int kWindowHeight = 560;

struct Column {
    const char* heading;
    int width;
};
constexpr Column kTableColumns[] = {{"Zarvo Port", 80},
                                    {"Name", 110},
                                    {"Module IP / ID", 120},
                                    {"Module CAN Port", 110},
                                    {"Module Ver", 130}};

QIcon Picture(const QString& name) {
    QSvgRenderer renderer(QStringLiteral(":/images/hwconfig/%1.svg").arg(name));
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return QIcon(pixmap);
}

QIcon KindPicture(ModuleKind kind) {
    switch (kind) {
    case ModuleKind::Network:
        return Picture(QStringLiteral("network"));
    case ModuleKind::Serial:
        return Picture(QStringLiteral("serial"));
    case ModuleKind::Board:
        return Picture(QStringLiteral("board"));
    case ModuleKind::Simulator:
        return Picture(QStringLiteral("simulator"));
    case ModuleKind::Adapter:
        break;
    }
    return Picture(QStringLiteral("adapter"));
}

template <typename T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QToolButton* Button(QWidget* parent, const char* name, const char* hint) {
    auto* button = Named(new QToolButton(parent), name);
    button->setToolTip(QString::fromLatin1(hint));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setMinimumHeight(30);
    return button;
}

QLabel* Heading(QWidget* parent, const char* name, const char* text) {
    auto* label = Named(new QLabel(QString::fromLatin1(text), parent), name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

TForm_ZarvoConfig::TForm_ZarvoConfig(UserDialogs& dialogs, const QString& programFolder,
                                     const ZarvoBinding& driver, QWidget* parent)
    // No close button: the window is left through Return.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      dialogs_(dialogs), programFolder_(programFolder), driver_(driver) {
    setObjectName(QStringLiteral("Form_ZarvoConfig"));
    setWindowTitle(QStringLiteral("Set the CAN configuration "));
    setModal(true);
    createControls();
    setFixedSize(kWindowWidth, kWindowHeight);
    Timer_IsSearchOK = Named(new QTimer(this), "Timer_IsSearchOK");
    Timer_IsSearchOK->setInterval(kSearchPollMs);
    connect(Timer_IsSearchOK, &QTimer::timeout, this, &TForm_ZarvoConfig::Timer_IsSearchOKTimer);
}

void TForm_ZarvoConfig::createControls() {
    auto* layout = new QVBoxLayout(this);
    TntEdit_Title = Named(new QLineEdit(this), "TntEdit_Title");
    TntEdit_Title->setReadOnly(true);
    TntEdit_Title->setFocusPolicy(Qt::NoFocus);
    QFont titleFont = TntEdit_Title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    titleFont.setBold(true);
    TntEdit_Title->setFont(titleFont);
    layout->addWidget(TntEdit_Title);

    auto* columns = new QHBoxLayout;
    columns->addWidget(createSettingsColumn());
    columns->addWidget(createDevicesColumn(), 1);
    layout->addLayout(columns, 1);

    TntLabel_CurrentConfigurationFile =
        Named(new QLabel(this), "TntLabel_CurrentConfigurationFile");
    TntLabel_CurrentConfigurationFile->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    layout->addWidget(TntLabel_CurrentConfigurationFile);
}

QWidget* TForm_ZarvoConfig::createSettingsColumn() {
    auto* column = new QWidget(this);
    column->setFixedWidth(190);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    TntLabel_SearchCAN = Named(new QLabel(column), "TntLabel_SearchCAN");
    SpeedButton_SearchZarvo = Button(column, "SpeedButton_SearchZarvo", "Search CAN Device");
    SpeedButton_SearchZarvo->setIcon(Picture(QStringLiteral("search")));
    SpeedButton_SearchZarvo->setIconSize(QSize(32, 32));
    connect(SpeedButton_SearchZarvo, &QToolButton::clicked, this,
            &TForm_ZarvoConfig::SpeedButton_SearchZarvoClick);
    ProgressBar_Status = Named(new QProgressBar(column), "ProgressBar_Status");
    ProgressBar_Status->setRange(0, kSearchDone);
    ProgressBar_Status->setTextVisible(false);
    ProgressBar_Status->hide();
    Label_Percent = Named(new QLabel(column), "Label_Percent");
    Label_Percent->hide();

    TntLabel_ZarvoPort = Named(new QLabel(column), "TntLabel_ZarvoPort");
    ComboBox_ZarvoPort = Named(new QComboBox(column), "ComboBox_ZarvoPort");
    resizePortList(0, -1);
    Label2 = Named(new QLabel(QStringLiteral("Baud Rate"), column), "Label2");
    ComboBox_BaudRate = Named(new QComboBox(column), "ComboBox_BaudRate");
    ComboBox_BaudRate->addItems(BitRateEntries());
    // Only the user's choices count as changes, never the window's own.
    for (QComboBox* list : {ComboBox_ZarvoPort, ComboBox_BaudRate})
        connect(list, &QComboBox::activated, this, [this] { ListChange(); });

    TntSpeedButton_SaveRange = Button(column, "TntSpeedButton_SaveRange", "Save the configuration");
    connect(TntSpeedButton_SaveRange, &QToolButton::clicked, this,
            &TForm_ZarvoConfig::TntSpeedButton_SaveRangeClick);
    TntLabel_UnSaveAlarm = Named(new QLabel(column), "TntLabel_UnSaveAlarm");
    TntLabel_UnSaveAlarm->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    TntLabel_UnSaveAlarm->setWordWrap(true);
    TntLabel_UnSaveAlarm->hide();
    TntSpeedButton_PrevPage = Button(column, "TntSpeedButton_PrevPage", "Return to the main frame");
    connect(TntSpeedButton_PrevPage, &QToolButton::clicked, this,
            &TForm_ZarvoConfig::TntSpeedButton_PrevPageClick);

    for (QWidget* w : std::initializer_list<QWidget*>{
             TntLabel_SearchCAN, SpeedButton_SearchZarvo, ProgressBar_Status, Label_Percent,
             TntLabel_ZarvoPort, ComboBox_ZarvoPort, Label2, ComboBox_BaudRate,
             TntSpeedButton_SaveRange, TntLabel_UnSaveAlarm})
        layout->addWidget(w);
    layout->addStretch(1);
    layout->addWidget(TntSpeedButton_PrevPage);
    for (QToolButton* b :
         {SpeedButton_SearchZarvo, TntSpeedButton_SaveRange, TntSpeedButton_PrevPage})
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return column;
}

QWidget* TForm_ZarvoConfig::createDevicesColumn() {
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    Label1 = Heading(column, "Label1", "Searched CAN Devices");
    TreeView_SearchCAN = Named(new QTreeWidget(column), "TreeView_SearchCAN");
    TreeView_SearchCAN->setHeaderHidden(true);
    Label5 = Heading(column, "Label5", "Zarvo Mapping Table");
    ListView_Zarvo = Named(new QTableWidget(0, std::size(kTableColumns), column), "ListView_Zarvo");
    ListView_Zarvo->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView_Zarvo->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView_Zarvo->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView_Zarvo->setShowGrid(true);
    ListView_Zarvo->verticalHeader()->hide();
    ListView_Zarvo->verticalHeader()->setDefaultSectionSize(20);
    for (int c = 0; c < static_cast<int>(std::size(kTableColumns)); ++c) {
        ListView_Zarvo->setHorizontalHeaderItem(
            c, new QTableWidgetItem(QString::fromLatin1(kTableColumns[c].heading)));
        ListView_Zarvo->setColumnWidth(c, kTableColumns[c].width);
    }
    Memo_About = Named(new QPlainTextEdit(column), "Memo_About");
    Memo_About->setReadOnly(true);
    Memo_About->setFixedHeight(50);

    layout->addWidget(Label1);
    layout->addWidget(TreeView_SearchCAN, 2);
    layout->addWidget(Label5);
    layout->addWidget(ListView_Zarvo, 3);
    layout->addWidget(Memo_About);
    return column;
}

void TForm_ZarvoConfig::setDriverInfo(const QString& line) {
    Memo_About->clear();
    Memo_About->appendPlainText(line);
}

void TForm_ZarvoConfig::execCentredOn(const QWidget& mainWindow) {
    move(mainWindow.frameGeometry().center() - rect().center());
    exec();
}

void TForm_ZarvoConfig::showEvent(QShowEvent* event) {
    FormShow();
    FormActivate();
    QDialog::showEvent(event);
}

void TForm_ZarvoConfig::hideEvent(QHideEvent* event) {
    // The driver searches on by itself; the window polls only while it is open
    // and takes the progress up again when it is opened next.
    Timer_IsSearchOK->stop();
    QDialog::hideEvent(event);
}

void TForm_ZarvoConfig::FormShow() {
    TntEdit_Title->setText(Phrase(PhraseId::PortSettingsTitle));
    TntLabel_SearchCAN->setText(Phrase(PhraseId::SearchCan));
    TntLabel_ZarvoPort->setText(Phrase(PhraseId::PortLabel));
    TntSpeedButton_SaveRange->setText(Phrase(PhraseId::SaveCanSetting));
    TntLabel_UnSaveAlarm->setText(Phrase(PhraseId::UnsavedChanges));
    TntSpeedButton_PrevPage->setText(Phrase(PhraseId::Return));
}

void TForm_ZarvoConfig::FormActivate() {
    RebuildDeviceViews();
    resizePortList(ListView_Zarvo->rowCount(), ZarvoPort);
    ComboBox_ZarvoPort->setCurrentIndex(ZarvoPort < ComboBox_ZarvoPort->count() ? ZarvoPort : -1);
    // A stored rate the list does not hold is shown with no entry selected, so
    // that Save keeps it until the user picks an entry.
    const std::optional<int> entry = BitRateIndex(ZarvoBaudRate);
    ComboBox_BaudRate->setPlaceholderText(QStringLiteral("%1 bit/s").arg(ZarvoBaudRate));
    ComboBox_BaudRate->setCurrentIndex(entry.value_or(-1));
    TntLabel_UnSaveAlarm->hide();
    TntLabel_CurrentConfigurationFile->setText(ConfigFileLine(CurrentConfigFile));
    if (searching_) {
        Timer_IsSearchOK->start();
        Timer_IsSearchOKTimer();
    }
}

void TForm_ZarvoConfig::RebuildDeviceViews() {
    const DeviceViews views = BuildDeviceViews(driver_, ReadZarvoPortTable(driver_));
    ListView_Zarvo->setRowCount(0);
    TreeView_SearchCAN->clear();
    ListView_Zarvo->setRowCount(static_cast<int>(views.rows.size()));
    for (int r = 0; r < ListView_Zarvo->rowCount(); ++r) {
        const QStringList& cells = views.rows[static_cast<size_t>(r)];
        for (int c = 0; c < cells.size(); ++c)
            ListView_Zarvo->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    for (const SeriesNode& series : views.tree) {
        auto* top = new QTreeWidgetItem(TreeView_SearchCAN, {series.text});
        top->setIcon(0, KindPicture(series.kind));
        for (const ModuleNode& module : series.modules)
            new QTreeWidgetItem(top, {module.text});
        for (int m = 0; m < top->childCount(); ++m)
            top->child(m)->setIcon(0, KindPicture(series.modules[static_cast<size_t>(m)].kind));
    }
    TreeView_SearchCAN->expandAll();
    resizePortList(ListView_Zarvo->rowCount(), ComboBox_ZarvoPort->currentIndex());
}

void TForm_ZarvoConfig::resizePortList(int reportedPorts, int selected) {
    const int size = PortListSize(reportedPorts, selected);
    while (ComboBox_ZarvoPort->count() > size)
        ComboBox_ZarvoPort->removeItem(ComboBox_ZarvoPort->count() - 1);
    while (ComboBox_ZarvoPort->count() < size)
        ComboBox_ZarvoPort->addItem(PortListEntry(ComboBox_ZarvoPort->count()));
}

void TForm_ZarvoConfig::SpeedButton_SearchZarvoClick() {
    driver_.Zarvo_StartSearch();
    searching_ = true;
    Timer_IsSearchOK->start();
}

void TForm_ZarvoConfig::Timer_IsSearchOKTimer() {
    uint8_t percent = 0;
    driver_.Zarvo_GetSearchProgress(&percent);
    ProgressBar_Status->setValue(std::min<int>(percent, kSearchDone));
    ProgressBar_Status->show();
    Label_Percent->setText(SearchProgressText(percent));
    Label_Percent->show();
    if (percent >= kSearchDone) {
        ProgressBar_Status->hide();
        Label_Percent->hide();
        Timer_IsSearchOK->stop();
        searching_ = false;
    }
    RebuildDeviceViews();
}

void TForm_ZarvoConfig::ListChange() {
    TntLabel_UnSaveAlarm->show();
}

void TForm_ZarvoConfig::TntSpeedButton_SaveRangeClick() {
    const uint8_t oldPort = ZarvoPort;
    const uint32_t oldBitRate = ZarvoBaudRate;
    // With no entry selected (a stored port beyond the list) the value stays.
    if (ComboBox_ZarvoPort->currentIndex() >= 0)
        ZarvoPort = static_cast<uint8_t>(ComboBox_ZarvoPort->currentIndex());
    if (const std::optional<uint32_t> rate = BitRateOfEntry(ComboBox_BaudRate->currentIndex()))
        ZarvoBaudRate = *rate;
    try {
        RunWithWaitMessage([this] { WriteZarvoIni(programFolder_); });
    } catch (const ConfigWriteError& e) {
        // Not saved: the values in force stay those of the file, and the
        // changes stay marked as unsaved.
        ZarvoPort = oldPort;
        ZarvoBaudRate = oldBitRate;
        dialogs_.error(QString::fromUtf8(e.what()));
        return;
    }
    dialogs_.inform(Phrase(PhraseId::SaveOk));
    TntLabel_UnSaveAlarm->hide();
}

void TForm_ZarvoConfig::TntSpeedButton_PrevPageClick() {
    if (!TntLabel_UnSaveAlarm->isHidden()) {
        const QString question = Phrase(PhraseId::SettingsNotSaved) + QStringLiteral("\r\n") +
                                 Phrase(PhraseId::AskIgnoreChanges);
        if (!dialogs_.confirm(question))
            return;
        TntLabel_UnSaveAlarm->hide();
    }
    QDialog::reject();
}

void TForm_ZarvoConfig::reject() {
    TntSpeedButton_PrevPageClick();
}
