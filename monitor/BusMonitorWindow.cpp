#include "BusMonitorWindow.h"

#include "BusMonitorModels.h"
#include "DbcFile.h"
#include "Globals.h"
#include "GridView.h"
#include "MonitorExport.h"
#include "MonitorSettings.h"
#include "Phrases.h"
#include "SafeFile.h"
#include "SystemLog.h"
#include "TraceFile.h"
#include "UserDialogs.h"
#include "ZarvoApi.h"
#include "ZarvoTrace.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <array>

TForm_BusMonitor* Form_BusMonitor = nullptr;

namespace {

class HighlightDelegate final : public GridCellDelegate {
public:
    using GridCellDelegate::GridCellDelegate;

protected:
    QColor cellFill(const QModelIndex& index, const QString&) const override {
        return index.data(FixedModel::kChangedRole).toBool() ? QColor(255, 230, 90) : QColor();
    }
};

constexpr std::array<int, ChronologicalModel::ColumnCount> kChronologicalWidths{130, 40, 90,
                                                                                40,  40, 200};

} // namespace

TForm_BusMonitor::TForm_BusMonitor(UserDialogs& dialogs, const ZarvoBinding& driver,
                                   QWidget* parent, const Clock& clock)
    : QWidget(parent, Qt::Window), dialogs_(dialogs), driver_(driver), monitor_(clock) {
    setObjectName(QStringLiteral("Form_BusMonitor"));
    staging_ = makeStaging();
    chronologicalModel_ = new ChronologicalModel(monitor_, this);
    fixedModel_ = new FixedModel(monitor_, this);
    monitor_.setListeners(chronologicalModel_, fixedModel_);
    createControls();
    setPhrases();
    applySettings();
    sinceRefresh_.start();
}

TForm_BusMonitor::~TForm_BusMonitor() {
    stopListening();
    monitor_.setListeners(nullptr, nullptr);
}

void TForm_BusMonitor::createControls() {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(createToolRow());
    layout->addWidget(createFilterRow());
    PageControl_Views = new QTabWidget(this);
    PageControl_Views->setObjectName(QStringLiteral("PageControl_Views"));
    Grid_Chronological =
        createGrid(QStringLiteral("Grid_Chronological"), chronologicalModel_, false);
    Grid_Chronological->setColumnWidths(kChronologicalWidths);
    connect(Grid_Chronological, &GridView::gridDoubleClicked, this,
            [this] { ToggleSignals(Grid_Chronological->currentIndex().row()); });
    Grid_Fixed = createGrid(QStringLiteral("Grid_Fixed"), fixedModel_, true);
    std::array<int, FixedModel::ColumnCount> fixedWidths{};
    fixedWidths.fill(32);
    fixedWidths[FixedModel::Identifier] = 90;
    fixedWidths[FixedModel::Name] = 120;
    fixedWidths[FixedModel::Count] = 80;
    for (int c = FixedModel::Cycle; c <= FixedModel::CycleMax; ++c)
        fixedWidths[static_cast<size_t>(c)] = 75;
    Grid_Fixed->setColumnWidths(fixedWidths);
    PageControl_Views->addTab(Grid_Chronological, QString());
    PageControl_Views->addTab(Grid_Fixed, QString());
    layout->addWidget(PageControl_Views, 1);
    Label_Status = new QLabel(this);
    Label_Status->setObjectName(QStringLiteral("Label_Status"));
    layout->addWidget(Label_Status);

    Timer_Refresh = new QTimer(this);
    Timer_Refresh->setObjectName(QStringLiteral("Timer_Refresh"));
    Timer_Refresh->setSingleShot(true);
    connect(Timer_Refresh, &QTimer::timeout, this, &TForm_BusMonitor::Refresh);
    Timer_Status = new QTimer(this);
    Timer_Status->setObjectName(QStringLiteral("Timer_Status"));
    Timer_Status->setInterval(1000);
    connect(Timer_Status, &QTimer::timeout, this, &TForm_BusMonitor::Timer_StatusTimer);
}

QWidget* TForm_BusMonitor::createToolRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto button = [&](const char* name, auto slot) {
        auto* b = new QToolButton(row);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QToolButton::clicked, this, slot);
        layout->addWidget(b);
        return b;
    };
    Button_Pause = button("Button_Pause", &TForm_BusMonitor::Button_PauseClick);
    Button_Pause->setCheckable(true);
    Button_Clear = button("Button_Clear", &TForm_BusMonitor::Button_ClearClick);
    Button_Copy = button("Button_Copy", &TForm_BusMonitor::Button_CopyClick);
    Button_Save = button("Button_Save", &TForm_BusMonitor::Button_SaveClick);
    layout->addSpacing(12);
    Button_Database = button("Button_Database", &TForm_BusMonitor::Button_DatabaseClick);
    Label_Database = new QLabel(row);
    Label_Database->setObjectName(QStringLiteral("Label_Database"));
    layout->addWidget(Label_Database);
    ComboBox_TimeMode = new QComboBox(row);
    ComboBox_TimeMode->setObjectName(QStringLiteral("ComboBox_TimeMode"));
    connect(ComboBox_TimeMode, &QComboBox::currentIndexChanged, this, [this](int mode) {
        chronologicalModel_->setTimeMode(static_cast<TimeMode>(std::max(mode, 0)));
    });
    // Only the user's choice is stored, not the refill when the language changes.
    connect(ComboBox_TimeMode, &QComboBox::activated, this, [this](int mode) {
        settings_.timeMode = mode;
        saveSettings();
    });
    layout->addSpacing(12);
    layout->addWidget(ComboBox_TimeMode);
    SpinBox_Capacity = new QSpinBox(row);
    SpinBox_Capacity->setObjectName(QStringLiteral("SpinBox_Capacity"));
    SpinBox_Capacity->setRange(MonitorSettings::kMinFramesKept, MonitorSettings::kMaxFramesKept);
    SpinBox_Capacity->setSingleStep(100'000);
    SpinBox_Capacity->setValue(static_cast<int>(monitor_.capture().capacity()));
    SpinBox_Capacity->setKeyboardTracking(false);
    connect(SpinBox_Capacity, &QSpinBox::valueChanged, this, [this](int frames) {
        monitor_.setCapacity(static_cast<size_t>(frames));
        updateStatus();
        settings_.framesKept = frames;
        saveSettings();
    });
    layout->addSpacing(12);
    layout->addWidget(SpinBox_Capacity);
    layout->addStretch(1);
    return row;
}

QWidget* TForm_BusMonitor::createFilterRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    Label_IdFilter = new QLabel(row);
    Label_IdFilter->setObjectName(QStringLiteral("Label_IdFilter"));
    Edit_IdFilter = new QLineEdit(row);
    Edit_IdFilter->setObjectName(QStringLiteral("Edit_IdFilter"));
    Edit_IdFilter->setPlaceholderText(QStringLiteral("100-1FF 7E0:7F0 !7DF"));
    ComboBox_Direction = new QComboBox(row);
    ComboBox_Direction->setObjectName(QStringLiteral("ComboBox_Direction"));
    Label_TextFilter = new QLabel(row);
    Label_TextFilter->setObjectName(QStringLiteral("Label_TextFilter"));
    Edit_TextFilter = new QLineEdit(row);
    Edit_TextFilter->setObjectName(QStringLiteral("Edit_TextFilter"));
    Label_FilterError = new QLabel(row);
    Label_FilterError->setObjectName(QStringLiteral("Label_FilterError"));
    Label_FilterError->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    for (QWidget* w :
         std::initializer_list<QWidget*>{Label_IdFilter, Edit_IdFilter, ComboBox_Direction,
                                         Label_TextFilter, Edit_TextFilter, Label_FilterError})
        layout->addWidget(w, w == Edit_IdFilter || w == Edit_TextFilter ? 1 : 0);
    connect(Edit_IdFilter, &QLineEdit::editingFinished, this, &TForm_BusMonitor::ApplyFilter);
    connect(Edit_TextFilter, &QLineEdit::editingFinished, this, &TForm_BusMonitor::ApplyFilter);
    connect(ComboBox_Direction, &QComboBox::activated, this, &TForm_BusMonitor::ApplyFilter);
    return row;
}

GridView* TForm_BusMonitor::createGrid(const QString& name, QAbstractItemModel* model,
                                       bool highlights) {
    auto* grid = new GridView(this);
    grid->setObjectName(name);
    grid->setModel(model);
    grid->setItemDelegate(highlights ? new HighlightDelegate(0, grid)
                                     : new GridCellDelegate(0, grid));
    grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    return grid;
}

void TForm_BusMonitor::setPhrases() {
    setWindowTitle(Phrase(PhraseId::MonitorCaption));
    Button_Pause->setText(Phrase(PhraseId::MonitorPause));
    Button_Clear->setText(Phrase(PhraseId::MonitorClear));
    Button_Copy->setText(Phrase(PhraseId::MonitorCopy));
    Button_Save->setText(Phrase(PhraseId::MonitorSave));
    Button_Database->setText(Phrase(PhraseId::ChooseDatabase));
    Grid_Chronological->setToolTip(Phrase(PhraseId::MonitorSignalsHint));
    PageControl_Views->setTabText(0, Phrase(PhraseId::MonitorChronological));
    PageControl_Views->setTabText(1, Phrase(PhraseId::MonitorFixed));
    const auto fill = [](QComboBox* box, std::initializer_list<PhraseId> items) {
        const int current = std::max(box->currentIndex(), 0);
        box->clear();
        for (const PhraseId item : items)
            box->addItem(Phrase(item));
        box->setCurrentIndex(current);
    };
    fill(ComboBox_TimeMode, {PhraseId::MonitorTimeAbsolute, PhraseId::MonitorTimeSincePrevious,
                             PhraseId::MonitorTimeSinceStart});
    fill(ComboBox_Direction, {PhraseId::MonitorBothDirections, PhraseId::MonitorTransmittedOnly,
                              PhraseId::MonitorReceivedOnly});
    const QString id = QStringLiteral("ID");
    const QString rtr = QStringLiteral("RTR");
    const QString dlc = QStringLiteral("DLC");
    chronologicalModel_->setHeaders({Phrase(PhraseId::MonitorHeaderTime),
                                     Phrase(PhraseId::MonitorHeaderDirection), id, rtr, dlc,
                                     Phrase(PhraseId::MonitorHeaderData)});
    QStringList fixedHeaders{Phrase(PhraseId::MonitorHeaderDirection), id,
                             Phrase(PhraseId::MonitorHeaderName), rtr, dlc};
    for (int byte = 0; byte < 8; ++byte)
        fixedHeaders << QStringLiteral("D%1").arg(byte);
    fixedHeaders << Phrase(PhraseId::MonitorHeaderCount) << Phrase(PhraseId::MonitorHeaderCycle)
                 << Phrase(PhraseId::MonitorHeaderCycleMin)
                 << Phrase(PhraseId::MonitorHeaderCycleMax);
    fixedModel_->setHeaders(fixedHeaders);
    SpinBox_Capacity->setPrefix(Phrase(PhraseId::MonitorCapacity) + QLatin1Char(' '));
    Label_IdFilter->setText(Phrase(PhraseId::MonitorIdFilter));
    Label_TextFilter->setText(Phrase(PhraseId::MonitorDataFilter));
}

void TForm_BusMonitor::ShowMonitor() {
    setPhrases();
    if (tappedPort_ != ZarvoPort || tapId_ == 0)
        listen(ZarvoPort);
    Timer_Status->start();
    updateStatus();
    show();
    raise();
    activateWindow();
}

std::shared_ptr<MonitorStaging> TForm_BusMonitor::makeStaging() {
    return std::make_shared<MonitorStaging>([this] {
        // On the tap's writer thread: one queued call per batch.
        QMetaObject::invokeMethod(this, &TForm_BusMonitor::scheduleRefresh, Qt::QueuedConnection);
    });
}

void TForm_BusMonitor::listen(uint8_t port) {
    stopListening();
    // A capture holds the frames of one port, under that port's name: another
    // port starts a new one.
    if (port != capturedPort_ && capturedPort_ >= 0) {
        monitor_.clear();
        staging_ = makeStaging();
    }
    capturedPort_ = port;
    listenError_.clear();
    uint64_t id = 0;
    if (driver_.Zarvo_AddTap(port, std::make_unique<MonitorSink>(staging_), id) != 0) {
        listenError_ = Phrase(PhraseId::MonitorCannotListen);
        return;
    }
    tapId_ = id;
    tappedPort_ = port;
}

void TForm_BusMonitor::stopListening() {
    if (tapId_ == 0)
        return;
    // Every frame of the tap is staged when this returns.
    driver_.Zarvo_RemoveTap(tapId_);
    tapId_ = 0;
    tappedPort_ = -1;
}

void TForm_BusMonitor::closeEvent(QCloseEvent* event) {
    stopListening();
    Timer_Status->stop();
    Refresh();
    event->accept();
}

void TForm_BusMonitor::scheduleRefresh() {
    if (Timer_Refresh->isActive())
        return;
    Timer_Refresh->start(
        static_cast<int>(std::max<qint64>(0, kRefreshPeriodMs - sinceRefresh_.elapsed())));
}

void TForm_BusMonitor::Refresh() {
    sinceRefresh_.restart();
    staging_->take(batch_);
    if (batch_.frames.empty() && batch_.dropped == 0)
        return;
    QScrollBar* scroll = Grid_Chronological->verticalScrollBar();
    const bool following = scroll->value() == scroll->maximum();
    monitor_.append(batch_.frames, batch_.dropped);
    if (following && !monitor_.paused())
        Grid_Chronological->scrollToBottom();
    updateStatus();
}

void TForm_BusMonitor::Timer_StatusTimer() {
    monitor_.tick();
    updateStatus();
}

void TForm_BusMonitor::updateStatus() {
    const BusStatistics stats = monitor_.statistics(ZarvoBaudRate);
    uint32_t status = 0;
    uint32_t second = 0;
    if (tappedPort_ >= 0)
        driver_.Zarvo_GetPortStatus(static_cast<uint8_t>(tappedPort_), &status, &second);
    QString line = Phrase(PhraseId::MonitorStatus)
                       .arg(stats.framesPerSecond, 0, 'f', 0)
                       .arg(stats.busLoadPercent, 0, 'f', 1)
                       .arg(stats.captured)
                       .arg(stats.droppedFromStart)
                       .arg(stats.lostBeforeCapture)
                       .arg(status);
    if (monitor_.paused())
        line += Phrase(PhraseId::MonitorPaused);
    if (!listenError_.isEmpty())
        line = listenError_;
    Label_Status->setText(line);
}

void TForm_BusMonitor::Button_PauseClick(bool paused) {
    Button_Pause->setChecked(paused);
    monitor_.setPaused(paused);
    updateStatus();
}

void TForm_BusMonitor::Button_ClearClick() {
    Refresh();
    monitor_.clear();
    updateStatus();
}

void TForm_BusMonitor::ApplyFilter() {
    MonitorFilter filter;
    std::string badRule;
    if (!parseIdRules(Edit_IdFilter->text().toStdString(), filter.rules, badRule)) {
        // The filter in force stays until the rules are mended.
        Label_FilterError->setText(
            Phrase(PhraseId::MonitorBadRule).arg(QString::fromStdString(badRule)));
        return;
    }
    Label_FilterError->clear();
    filter.direction =
        static_cast<DirectionFilter>(std::max(ComboBox_Direction->currentIndex(), 0));
    filter.text = Edit_TextFilter->text().trimmed().toStdString();
    monitor_.setFilter(std::move(filter));
}

std::vector<MonitorFrame> TForm_BusMonitor::selectedFrames() const {
    const bool fixed = PageControl_Views->currentIndex() == 1;
    const GridView* grid = fixed ? Grid_Fixed : Grid_Chronological;
    // A selected signal row stands for its frame, which is taken once.
    std::vector<size_t> rows;
    for (const QModelIndex& index : grid->selectionModel()->selectedRows())
        rows.push_back(fixed ? static_cast<size_t>(index.row())
                             : chronologicalModel_->frameRow(index.row()));
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<MonitorFrame> frames;
    for (const size_t row : rows)
        frames.push_back(fixed ? monitor_.fixedRow(row).last : monitor_.chronologicalFrame(row));
    return frames;
}

QString TForm_BusMonitor::interfaceName() const {
    const std::string name = staging_->interfaceName();
    return name.empty() ? QStringLiteral("can") : QString::fromStdString(name);
}

void TForm_BusMonitor::Button_CopyClick() {
    const std::vector<MonitorFrame> frames = selectedFrames();
    if (frames.empty())
        return;
    QApplication::clipboard()->setText(
        QString::fromStdString(candumpText(frames, interfaceName().toStdString())));
}

void TForm_BusMonitor::Button_SaveClick() {
    const QString path = dialogs_.saveFile(Phrase(PhraseId::MonitorCaption), QString(),
                                           Phrase(PhraseId::MonitorSaveFilter));
    if (path.isEmpty())
        return;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QStringLiteral("log") && suffix != QStringLiteral("asc")) {
        dialogs_.error(Phrase(PhraseId::MonitorSaveFormat));
        return;
    }
    Refresh();
    saveCapture(path);
}

// Written beside the target and renamed over it at the end, so that a failed
// save leaves an older file as it was.
bool TForm_BusMonitor::saveCapture(const QString& path) {
    SafeFileWriter file(QFile::encodeName(path).toStdString());
    const std::unique_ptr<TraceLineFormat> format = makeTraceLineFormat(path.toStdString());
    const bool written =
        writeCapture(monitor_.capture(), interfaceName().toStdString(), *format,
                     [&file](std::string_view piece) { return file.write(piece); }) &&
        file.commit();
    if (!written)
        dialogs_.error(
            Phrase(PhraseId::MonitorSaveFailed).arg(path, QString::fromStdString(file.reason())));
    return written;
}

void TForm_BusMonitor::Button_DatabaseClick() {
    std::optional<dbc::ChosenDatabase> chosen = dbc::chooseDbcFile(dialogs_, settings_.database);
    if (!chosen)
        return;
    settings_.database = chosen->path;
    useDatabase(std::move(chosen->database));
    saveSettings();
}

void TForm_BusMonitor::useDatabase(std::shared_ptr<const dbc::Database> database) {
    Label_Database->setText(database ? QFileInfo(settings_.database).fileName() : QString());
    chronologicalModel_->setDatabase(database);
    fixedModel_->setDatabase(std::move(database));
}

void TForm_BusMonitor::applySettings() {
    QList<IniWarning> warnings;
    try {
        settings_ = ReadMonitorSettings(MonitorSettingsPath(), warnings);
    } catch (const IniFileError& error) {
        SystemLog(QStringLiteral("Bus monitor settings Error! %1").arg(error.what()));
    }
    LogIniWarnings(warnings);
    static_assert(MonitorSettings::kTimeModes == static_cast<int>(TimeMode::SinceStart) + 1);
    ComboBox_TimeMode->setCurrentIndex(settings_.timeMode);
    {
        const QSignalBlocker quiet(SpinBox_Capacity); // nothing changed, nothing to store
        SpinBox_Capacity->setValue(settings_.framesKept);
    }
    monitor_.setCapacity(static_cast<size_t>(settings_.framesKept));
    if (settings_.database.isEmpty())
        return;
    // A database that cannot be read now (a drive not mounted) stays stored
    // for the next start; the monitor goes on without one.
    try {
        useDatabase(std::make_shared<const dbc::Database>(dbc::loadDbcFile(settings_.database)));
    } catch (const std::exception& error) {
        SystemLog(QStringLiteral("Bus monitor settings Error! %1").arg(error.what()));
    }
}

void TForm_BusMonitor::saveSettings() {
    try {
        WriteMonitorSettings(MonitorSettingsPath(), settings_);
    } catch (const IniFileError& error) {
        SystemLog(QStringLiteral("Bus monitor settings Error! %1").arg(error.what()));
    }
}

void TForm_BusMonitor::ToggleSignals(int row) {
    chronologicalModel_->toggleSignals(row);
}
