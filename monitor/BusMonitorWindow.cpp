#include "BusMonitorWindow.h"

#include "BusMonitorModels.h"
#include "Globals.h"
#include "GridView.h"
#include "MonitorExport.h"
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
#include <QSaveFile>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <array>

TForm_BusMonitor* Form_BusMonitor = nullptr;

namespace {

enum class Text {
    Caption,
    Pause,
    Clear,
    Copy,
    Save,
    Chronological,
    Fixed,
    TimeAbsolute,
    TimeSincePrevious,
    TimeSinceStart,
    Capacity,
    IdFilter,
    BothDirections,
    TransmittedOnly,
    ReceivedOnly,
    DataFilter,
    Status,
    Paused,
    BadRule,
    SaveFilter,
    SaveLogOnly,
    SaveFailed,
    CannotListen,
    Command,
    HeaderTime,
    HeaderDirection,
    HeaderData,
    HeaderCount,
    HeaderCycle,
    HeaderCycleMin,
    HeaderCycleMax,
    Count
};

// The window's texts in English, Simplified Chinese and Traditional Chinese.
QString text(Text which) {
    static const std::array<std::array<const char*, 3>, static_cast<size_t>(Text::Count)> texts{{
        {"Bus monitor", "总线监视", "總線監視"},
        {"Pause", "暂停", "暫停"},
        {"Clear", "清除", "清除"},
        {"Copy", "复制", "複製"},
        {"Save", "保存", "儲存"},
        {"Chronological", "按时间", "按時間"},
        {"Fixed", "按标识符", "按識別碼"},
        {"Absolute time", "绝对时间", "絕對時間"},
        {"Time since previous", "相对上一帧", "相對上一幀"},
        {"Time since start", "相对开始", "相對開始"},
        {"Frames kept:", "保留帧数：", "保留幀數："},
        {"Identifiers:", "标识符：", "識別碼："},
        {"Rx and Tx", "接收和发送", "接收和發送"},
        {"Tx only", "仅发送", "僅發送"},
        {"Rx only", "仅接收", "僅接收"},
        {"Data:", "数据：", "資料："},
        {"%1 frames/s   bus load %2 %   captured %3   dropped from start %4   lost %5   "
         "port status %6",
         "%1 帧/秒   总线负载 %2 %   已捕获 %3   从开头丢弃 %4   丢失 %5   端口状态 %6",
         "%1 幀/秒   總線負載 %2 %   已擷取 %3   從開頭丟棄 %4   遺失 %5   連接埠狀態 %6"},
        {"   (view paused)", "   （视图已暂停）", "   （檢視已暫停）"},
        {"Not an identifier rule: %1 (rules look like 123, 100-1FF, 7E0:7F0, !7DF)",
         "不是标识符规则：%1（规则形如 123、100-1FF、7E0:7F0、!7DF）",
         "不是識別碼規則：%1（規則形如 123、100-1FF、7E0:7F0、!7DF）"},
        {"candump log (*.log)", "candump 日志 (*.log)", "candump 日誌 (*.log)"},
        {"The capture is saved as a candump log: choose a name ending in .log.",
         "捕获以 candump 日志保存：请选择以 .log 结尾的文件名。",
         "擷取以 candump 日誌儲存：請選擇以 .log 結尾的檔名。"},
        {"The capture was not saved to %1: %2", "捕获未能保存到 %1：%2", "擷取未能儲存到 %1：%2"},
        {"This driver cannot show the bus traffic.", "此驱动程序无法显示总线通信。",
         "此驅動程式無法顯示總線通訊。"},
        {"Bus\nmonitor", "总线\n监视", "總線\n監視"},
        {"Time", "时间", "時間"},
        {"Dir", "方向", "方向"},
        {"Data", "数据", "資料"},
        {"Count", "次数", "次數"},
        {"Cycle ms", "周期 ms", "週期 ms"},
        {"Min ms", "最小 ms", "最小 ms"},
        {"Max ms", "最大 ms", "最大 ms"},
    }};
    return QString::fromUtf8(
        texts[static_cast<size_t>(which)][LanguageIndex < 3 ? LanguageIndex : 0]);
}

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

QString BusMonitorCommandText(bool twoLines) {
    QString command = text(Text::Command);
    return twoLines ? command : command.replace(QLatin1Char('\n'), QLatin1Char(' '));
}

TForm_BusMonitor::TForm_BusMonitor(UserDialogs& dialogs, QWidget* parent, const Clock& clock)
    : QWidget(parent, Qt::Window), dialogs_(dialogs), monitor_(clock) {
    setObjectName(QStringLiteral("Form_BusMonitor"));
    staging_ = std::make_shared<MonitorStaging>([this] {
        // On the tap's writer thread: one queued call per batch.
        QMetaObject::invokeMethod(this, &TForm_BusMonitor::scheduleRefresh, Qt::QueuedConnection);
    });
    chronologicalModel_ = new ChronologicalModel(monitor_, this);
    fixedModel_ = new FixedModel(monitor_, this);
    monitor_.setListeners(chronologicalModel_, fixedModel_);
    createControls();
    setPhrases();
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
    Grid_Fixed = createGrid(QStringLiteral("Grid_Fixed"), fixedModel_, true);
    std::array<int, FixedModel::ColumnCount> fixedWidths{};
    fixedWidths.fill(32);
    fixedWidths[FixedModel::Identifier] = 90;
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
    ComboBox_TimeMode = new QComboBox(row);
    ComboBox_TimeMode->setObjectName(QStringLiteral("ComboBox_TimeMode"));
    connect(ComboBox_TimeMode, &QComboBox::currentIndexChanged, this, [this](int mode) {
        chronologicalModel_->setTimeMode(static_cast<TimeMode>(std::max(mode, 0)));
    });
    layout->addSpacing(12);
    layout->addWidget(ComboBox_TimeMode);
    SpinBox_Capacity = new QSpinBox(row);
    SpinBox_Capacity->setObjectName(QStringLiteral("SpinBox_Capacity"));
    SpinBox_Capacity->setRange(1000, 5'000'000);
    SpinBox_Capacity->setSingleStep(100'000);
    SpinBox_Capacity->setValue(static_cast<int>(monitor_.capture().capacity()));
    SpinBox_Capacity->setKeyboardTracking(false);
    connect(SpinBox_Capacity, &QSpinBox::valueChanged, this, [this](int frames) {
        monitor_.setCapacity(static_cast<size_t>(frames));
        updateStatus();
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
    setWindowTitle(text(Text::Caption));
    Button_Pause->setText(text(Text::Pause));
    Button_Clear->setText(text(Text::Clear));
    Button_Copy->setText(text(Text::Copy));
    Button_Save->setText(text(Text::Save));
    PageControl_Views->setTabText(0, text(Text::Chronological));
    PageControl_Views->setTabText(1, text(Text::Fixed));
    const auto fill = [](QComboBox* box, std::initializer_list<Text> items) {
        const int current = std::max(box->currentIndex(), 0);
        box->clear();
        for (const Text item : items)
            box->addItem(text(item));
        box->setCurrentIndex(current);
    };
    fill(ComboBox_TimeMode, {Text::TimeAbsolute, Text::TimeSincePrevious, Text::TimeSinceStart});
    fill(ComboBox_Direction, {Text::BothDirections, Text::TransmittedOnly, Text::ReceivedOnly});
    const QString id = QStringLiteral("ID");
    const QString rtr = QStringLiteral("RTR");
    const QString dlc = QStringLiteral("DLC");
    chronologicalModel_->setHeaders({text(Text::HeaderTime), text(Text::HeaderDirection), id, rtr,
                                     dlc, text(Text::HeaderData)});
    QStringList fixedHeaders{text(Text::HeaderDirection), id, rtr, dlc};
    for (int byte = 0; byte < 8; ++byte)
        fixedHeaders << QStringLiteral("D%1").arg(byte);
    fixedHeaders << text(Text::HeaderCount) << text(Text::HeaderCycle) << text(Text::HeaderCycleMin)
                 << text(Text::HeaderCycleMax);
    fixedModel_->setHeaders(fixedHeaders);
    SpinBox_Capacity->setPrefix(text(Text::Capacity) + QLatin1Char(' '));
    Label_IdFilter->setText(text(Text::IdFilter));
    Label_TextFilter->setText(text(Text::DataFilter));
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

void TForm_BusMonitor::listen(uint8_t port) {
    stopListening();
    listenError_.clear();
    uint64_t id = 0;
    if (Zarvo_AddTap(port, std::make_unique<MonitorSink>(staging_), id) != 0) {
        listenError_ = text(Text::CannotListen);
        return;
    }
    tapId_ = id;
    tappedPort_ = port;
}

void TForm_BusMonitor::stopListening() {
    if (tapId_ == 0)
        return;
    // Every frame of the tap is staged when this returns.
    Zarvo_RemoveTap(tapId_);
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
        zarvo().Zarvo_GetPortStatus(static_cast<uint8_t>(tappedPort_), &status, &second);
    QString line = text(Text::Status)
                       .arg(stats.framesPerSecond, 0, 'f', 0)
                       .arg(stats.busLoadPercent, 0, 'f', 1)
                       .arg(stats.captured)
                       .arg(stats.droppedFromStart)
                       .arg(stats.lostBeforeCapture)
                       .arg(status);
    if (monitor_.paused())
        line += text(Text::Paused);
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
        Label_FilterError->setText(text(Text::BadRule).arg(QString::fromStdString(badRule)));
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
    std::vector<int> rows;
    for (const QModelIndex& index : grid->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    std::vector<MonitorFrame> frames;
    for (const int row : rows) {
        const auto r = static_cast<size_t>(row);
        frames.push_back(fixed ? monitor_.fixedRow(r).last : monitor_.chronologicalFrame(r));
    }
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
    const QString path = dialogs_.saveFile(text(Text::Caption), QString(), text(Text::SaveFilter));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().compare(QStringLiteral("log"), Qt::CaseInsensitive) != 0) {
        dialogs_.error(text(Text::Caption), text(Text::SaveLogOnly));
        return;
    }
    Refresh();
    saveCandump(path);
}

// Written beside the target and renamed over it at the end, so that a failed
// save leaves an older file as it was.
bool TForm_BusMonitor::saveCandump(const QString& path) {
    QSaveFile file(path);
    const bool written =
        file.open(QIODevice::WriteOnly) &&
        writeCaptureCandump(monitor_.capture(), interfaceName().toStdString(),
                            [&file](std::string_view piece) {
                                return file.write(piece.data(),
                                                  static_cast<qint64>(piece.size())) ==
                                       static_cast<qint64>(piece.size());
                            }) &&
        file.commit();
    if (!written)
        dialogs_.error(text(Text::Caption), text(Text::SaveFailed).arg(path, file.errorString()));
    return written;
}
