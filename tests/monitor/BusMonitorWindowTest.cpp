// The bus monitor window on the driver's simulated bus, headless: the default
// device's frames appear in both views, pausing holds the views while the
// capture goes on, a filter narrows the views, and the capture is copied and
// saved as candump lines. The models are checked by QAbstractItemModelTester
// throughout.

#include "BusMonitorWindow.h"

#include "AppPaths.h"
#include "BusMonitorModels.h"
#include "DbcFile.h"
#include "FakeZarvo.h"
#include "Globals.h"
#include "GridView.h"
#include "Phrases.h"
#include "ScriptedDialogs.h"
#include "SimulatorPort.h"
#include "TraceFile.h"
#include "ZarvoApi.h"
#include "ZarvoCodes.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 20000;

class BusMonitorWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetProgramFolderForTesting(dir.path());
        const std::optional<uint8_t> port = FirstSimulatorPort();
        ASSERT_TRUE(port);
        ZarvoPort = *port;
        ZarvoBaudRate = 500000;
        ASSERT_EQ(builtinZarvoBinding().Zarvo_OpenPort(ZarvoPort, ZarvoBaudRate), 0);
        window = std::make_unique<TForm_BusMonitor>(dialogs);
        for (const char* name : {"Grid_Chronological", "Grid_Fixed"})
            testers.push_back(std::make_unique<QAbstractItemModelTester>(
                grid(name)->model(), QAbstractItemModelTester::FailureReportingMode::Fatal));
    }
    void TearDown() override {
        testers.clear();
        window.reset();
        builtinZarvoBinding().Zarvo_ClosePort(ZarvoPort);
    }

    template <typename T> T* child(const char* name) const {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    GridView* grid(const char* name) const { return child<GridView>(name); }
    QString cell(const char* gridName, int row, int column) const {
        QAbstractItemModel* model = grid(gridName)->model();
        return model->data(model->index(row, column)).toString();
    }
    int rows(const char* gridName) const { return grid(gridName)->model()->rowCount(); }
    // The view's rows of identifier `id` (as shown).
    int rowsOf(const char* gridName, int column, const QString& id) const {
        int n = 0;
        for (int r = 0; r < rows(gridName); ++r)
            n += cell(gridName, r, column) == id;
        return n;
    }
    void setFilter(const char* rules) {
        child<QLineEdit>("Edit_IdFilter")->setText(QString::fromLatin1(rules));
        window->ApplyFilter();
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<TForm_BusMonitor> window;
    std::vector<std::unique_ptr<QAbstractItemModelTester>> testers;
};

// The default device broadcasts 0x3E8 every 20 ms.
TEST_F(BusMonitorWindowTest, WatchesPausesFiltersCopiesAndSavesTheSimulatedBus) {
    window->ShowMonitor();
    QTRY_VERIFY_WITH_TIMEOUT(
        rowsOf("Grid_Chronological", ChronologicalModel::Identifier, QStringLiteral("3E8")) >= 3,
        kWaitMs);
    EXPECT_EQ(cell("Grid_Chronological", 0, ChronologicalModel::Direction), "Rx");
    QTRY_VERIFY_WITH_TIMEOUT(rows("Grid_Fixed") >= 1, kWaitMs);
    EXPECT_EQ(rowsOf("Grid_Fixed", FixedModel::Identifier, QStringLiteral("3E8")), 1);
    // The waves in bytes 0-3 change all the time: some byte of them is highlighted.
    QAbstractItemModel* fixed = grid("Grid_Fixed")->model();
    const int rampRow = static_cast<int>(
        fixed
            ->match(fixed->index(0, FixedModel::Identifier), Qt::DisplayRole, QStringLiteral("3E8"))
            .value(0)
            .row());
    const auto lit = [&] {
        for (int byte = 0; byte < 4; ++byte)
            if (fixed->index(rampRow, FixedModel::FirstByte + byte)
                    .data(FixedModel::kChangedRole)
                    .toBool())
                return true;
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(lit(), kWaitMs);
    EXPECT_TRUE(child<QLabel>("Label_Status")->text().contains(QStringLiteral("frames/s")));

    // The time column: wall-clock time, or seconds since the row before or the first frame.
    const QRegularExpression clock(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{6}$"));
    EXPECT_TRUE(clock.match(cell("Grid_Chronological", 1, ChronologicalModel::Time)).hasMatch());
    const auto seconds = [&](int row) {
        return cell("Grid_Chronological", row, ChronologicalModel::Time).toDouble();
    };
    auto* timeMode = child<QComboBox>("ComboBox_TimeMode");
    timeMode->setCurrentIndex(2);
    EXPECT_EQ(cell("Grid_Chronological", 0, ChronologicalModel::Time), "0.000000");
    const double third = seconds(2);
    timeMode->setCurrentIndex(1);
    EXPECT_EQ(cell("Grid_Chronological", 0, ChronologicalModel::Time), "0.000000");
    EXPECT_GT(seconds(1), 0);
    EXPECT_NEAR(seconds(1) + seconds(2), third, 1e-6);
    timeMode->setCurrentIndex(0);

    // Paused: the views hold still while the capture goes on; resuming shows it all.
    child<QToolButton>("Button_Pause")->click();
    const int held = rows("Grid_Chronological");
    const size_t captured = window->monitor().capture().size();
    QTRY_VERIFY_WITH_TIMEOUT(window->monitor().capture().size() >= captured + 3, kWaitMs);
    EXPECT_EQ(rows("Grid_Chronological"), held);
    child<QToolButton>("Button_Pause")->click();
    EXPECT_EQ(static_cast<size_t>(rows("Grid_Chronological")), window->monitor().capture().size());

    // A filter narrows the views; a bad one is named and changes nothing.
    setFilter("!3E8");
    EXPECT_EQ(rowsOf("Grid_Chronological", ChronologicalModel::Identifier, QStringLiteral("3E8")),
              0);
    EXPECT_EQ(rowsOf("Grid_Fixed", FixedModel::Identifier, QStringLiteral("3E8")), 0);
    const int filtered = rows("Grid_Chronological");
    setFilter("3E8 zz");
    EXPECT_TRUE(child<QLabel>("Label_FilterError")->text().contains(QStringLiteral("zz")));
    EXPECT_EQ(rows("Grid_Chronological"), filtered);
    setFilter("3E8");
    EXPECT_TRUE(child<QLabel>("Label_FilterError")->text().isEmpty());
    EXPECT_EQ(rowsOf("Grid_Chronological", ChronologicalModel::Identifier, QStringLiteral("3E8")),
              rows("Grid_Chronological"));

    // Copy: the selected rows as candump lines.
    grid("Grid_Chronological")->selectGridRow(1);
    child<QToolButton>("Button_Copy")->click();
    const QString copied = QApplication::clipboard()->text();
    CandumpRecord record;
    ASSERT_TRUE(parseCandumpLine(copied.trimmed().toStdString(), record)) << copied.toStdString();
    EXPECT_EQ(record.frame.id, 0x3E8u);
    EXPECT_EQ(record.direction, 'R');
    EXPECT_EQ(record.interfaceName.rfind("simulator", 0), 0u);

    // Save: a .log or .asc name; the whole capture, not the filtered view, is written.
    const QString refused = dir.filePath(QStringLiteral("capture.txt"));
    dialogs.fileAnswers = {refused};
    child<QToolButton>("Button_Save")->click();
    ASSERT_EQ(dialogs.texts(QStringLiteral("error")).size(), 1);
    EXPECT_FALSE(QFile::exists(refused));
    for (const char* name : {"capture.log", "capture.asc"}) {
        SCOPED_TRACE(name);
        const QString path = dir.filePath(QString::fromLatin1(name));
        dialogs.fileAnswers = {path};
        child<QToolButton>("Button_Save")->click();
        EXPECT_EQ(dialogs.texts(QStringLiteral("error")).size(), 1);
        TraceFile saved;
        std::string error;
        ASSERT_TRUE(readTraceFile(path.toStdString(), saved, error)) << error;
        EXPECT_EQ(saved.records.size(), window->monitor().capture().size());
        EXPECT_EQ(formatCandumpLine(saved.records.back()),
                  formatCandumpLine(candumpRecord(
                      window->monitor().capture().at(window->monitor().capture().end() - 1),
                      record.interfaceName)));
    }

    // Clear empties both views; new frames come in again.
    child<QToolButton>("Button_Clear")->click();
    EXPECT_EQ(rows("Grid_Chronological"), 0);
    QTRY_VERIFY_WITH_TIMEOUT(rows("Grid_Fixed") == 1, kWaitMs);
    EXPECT_EQ(cell("Grid_Fixed", 0, FixedModel::Identifier), "3E8");
}

// Another port in Zarvo.ini starts a new capture, whose lines carry that port's name.
TEST_F(BusMonitorWindowTest, AnotherPortStartsANewCapture) {
    window->ShowMonitor();
    QTRY_VERIFY_WITH_TIMEOUT(rows("Grid_Chronological") >= 2, kWaitMs);
    const uint8_t first = ZarvoPort;
    ZarvoPort = static_cast<uint8_t>(first + 1); // the next simulator port
    ASSERT_EQ(builtinZarvoBinding().Zarvo_OpenPort(ZarvoPort, ZarvoBaudRate), 0);
    window->ShowMonitor();
    EXPECT_EQ(rows("Grid_Chronological"), 0);
    QTRY_VERIFY_WITH_TIMEOUT(rows("Grid_Chronological") >= 2, kWaitMs);
    grid("Grid_Chronological")->selectGridRow(1);
    window->Button_CopyClick();
    CandumpRecord record;
    ASSERT_TRUE(
        parseCandumpLine(QApplication::clipboard()->text().trimmed().toStdString(), record));
    EXPECT_EQ(record.interfaceName,
              "simulator" + std::to_string(first + 1 - *FirstSimulatorPort()));
    builtinZarvoBinding().Zarvo_ClosePort(ZarvoPort);
    ZarvoPort = first;
}

// A save that cannot be written says where and why.
TEST_F(BusMonitorWindowTest, ASaveThatCannotBeWrittenSaysWhy) {
    const QString folder = dir.filePath(QStringLiteral("no-such-folder"));
    dialogs.fileAnswers = {folder + QStringLiteral("/capture.log")};
    window->Button_SaveClick();
    ASSERT_EQ(dialogs.texts(QStringLiteral("error")).size(), 1);
    EXPECT_TRUE(dialogs.texts(QStringLiteral("error"))[0].endsWith(
        folder + QStringLiteral("/capture.log: No such file or directory")));
}

// The example database describes the default device's 0x3E8 (SimValues: Ramp,
// Sine, FloatSine). A file it cannot read is reported with its line first.
TEST_F(BusMonitorWindowTest, ADatabaseNamesTheMessagesAndAFrameExpandsToItsSignals) {
    QFile bad(dir.filePath(QStringLiteral("bad.dbc")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("BO_ 1000 M: 8 E\n SG_ S : 0|8@1+ (1,0) [0|0] X\n");
    bad.close();
    dialogs.fileAnswers = {bad.fileName(), QStringLiteral(KESTREL_EXAMPLES_DIR "/SimDevice.dbc")};
    window->Button_DatabaseClick();
    ASSERT_EQ(dialogs.texts("error").size(), 1);
    EXPECT_TRUE(dialogs.texts("error")[0].contains("bad.dbc: line 2"))
        << qPrintable(dialogs.texts("error")[0]);
    EXPECT_EQ(child<QLabel>("Label_Database")->text(), "");
    window->Button_DatabaseClick();
    EXPECT_EQ(child<QLabel>("Label_Database")->text(), "SimDevice.dbc");

    window->ShowMonitor();
    QTRY_VERIFY_WITH_TIMEOUT(
        rowsOf("Grid_Fixed", FixedModel::Name, QStringLiteral("SimValues")) == 1, kWaitMs);
    EXPECT_EQ(grid("Grid_Fixed")->model()->headerData(FixedModel::Name, Qt::Horizontal),
              Phrase(PhraseId::MonitorHeaderName));
    QTRY_VERIFY_WITH_TIMEOUT(
        rowsOf("Grid_Chronological", ChronologicalModel::Identifier, QStringLiteral("3E8")) >= 2,
        kWaitMs);
    window->Button_PauseClick(true); // the rows stay where they are
    const int before = rows("Grid_Chronological");
    int row = 0;
    while (cell("Grid_Chronological", row, ChronologicalModel::Identifier) != "3E8")
        ++row;
    const auto doubleClick = [&](int r) {
        GridView* chronological = grid("Grid_Chronological");
        chronological->scrollTo(chronological->model()->index(r, 0));
        const QPoint at = chronological->visualRect(chronological->model()->index(r, 0)).center();
        // A double click: a click, then the double-click event.
        QTest::mouseClick(chronological->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(chronological->viewport(), Qt::LeftButton, {}, at);
    };
    doubleClick(row);
    ASSERT_EQ(rows("Grid_Chronological"), before + 3);
    const QString ramp = cell("Grid_Chronological", row + 1, ChronologicalModel::Data);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Ramp = [0-9.]+ %( \\((Top|Bottom)\\))?$"))
                    .match(ramp)
                    .hasMatch())
        << qPrintable(ramp);
    EXPECT_TRUE(cell("Grid_Chronological", row + 2, ChronologicalModel::Data)
                    .startsWith(QStringLiteral("Sine = ")));
    EXPECT_TRUE(cell("Grid_Chronological", row + 3, ChronologicalModel::Data)
                    .endsWith(QStringLiteral(" units")));
    EXPECT_EQ(cell("Grid_Chronological", row + 1, ChronologicalModel::Identifier), "");
    EXPECT_FALSE(cell("Grid_Chronological", row + 4, ChronologicalModel::Time).isEmpty());

    // A selected signal row copies its frame.
    grid("Grid_Chronological")->selectGridRow(row + 2);
    window->Button_CopyClick();
    const QStringList copied =
        QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(copied.size(), 1);
    EXPECT_TRUE(copied[0].contains(QStringLiteral(" 3E8#"))) << qPrintable(copied[0]);

    doubleClick(row + 2); // on a signal row: its frame collapses
    EXPECT_EQ(rows("Grid_Chronological"), before);
    EXPECT_FALSE(cell("Grid_Chronological", row + 1, ChronologicalModel::Time).isEmpty());
}

TEST_F(BusMonitorWindowTest, TheDatabaseFrameCountAndTimeModeLastToTheNextStart) {
    dialogs.fileAnswers = {QStringLiteral(KESTREL_EXAMPLES_DIR "/SimDevice.dbc")};
    window->Button_DatabaseClick();
    child<QSpinBox>("SpinBox_Capacity")->setValue(20000);
    auto* timeMode = child<QComboBox>("ComboBox_TimeMode");
    timeMode->setCurrentIndex(2);
    emit timeMode->activated(2);
    const auto restart = [this] {
        testers.clear();
        window = std::make_unique<TForm_BusMonitor>(dialogs);
    };
    restart();
    EXPECT_EQ(child<QLabel>("Label_Database")->text(), "SimDevice.dbc");
    EXPECT_EQ(child<QSpinBox>("SpinBox_Capacity")->value(), 20000);
    EXPECT_EQ(window->monitor().capture().capacity(), 20000u);
    EXPECT_EQ(child<QComboBox>("ComboBox_TimeMode")->currentIndex(), 2);

    // A database that cannot be read at the start is left out, without a box,
    // and stays stored for the next start.
    QFile settings(dir.filePath(QStringLiteral("BusMonitor.ini")));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[BusMonitor]\nDatabase=gone.dbc\n");
    settings.close();
    restart();
    EXPECT_EQ(child<QLabel>("Label_Database")->text(), "");
    EXPECT_EQ(dialogs.shown.size(), 1); // the file dialog that chose the first database
    child<QSpinBox>("SpinBox_Capacity")->setValue(30000);
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_TRUE(settings.readAll().contains("Database=" + dir.filePath("gone.dbc").toUtf8()));
}

// The expanded frames' rows stay with their frames while frames arrive and
// the oldest leave the capture; the model tester checks every change.
TEST(ChronologicalModelSignals, ExpandedRowsStayWithTheirFramesAsTheCaptureMoves) {
    const auto db = std::make_shared<const dbc::Database>(
        dbc::parseDbc("BO_ 256 M: 2 E\n SG_ V : 0|8@1+ (1,0) [0|0] \"\" X\n"
                      " SG_ W : 8|8@1+ (1,0) [0|0] \"\" X\n",
                      "t.dbc"));
    BusMonitor monitor(steadyClock(), 4);
    ChronologicalModel model(monitor, nullptr);
    FixedModel fixed(monitor, nullptr);
    monitor.setListeners(&model, &fixed);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setDatabase(db);
    const auto frame = [](uint8_t v, uint32_t id) {
        MonitorFrame f;
        f.id = id;
        f.len = 2;
        f.data[0] = v;
        return f;
    };
    const auto text = [&](int row, int column) {
        return model.data(model.index(row, column)).toString();
    };
    const std::vector<MonitorFrame> first = {frame(1, 0x100), frame(2, 0x101), frame(3, 0x100)};
    monitor.append(first);
    EXPECT_TRUE(model.toggleSignals(0));
    EXPECT_FALSE(model.toggleSignals(3)); // 0x101 is no message of the database
    EXPECT_TRUE(model.toggleSignals(4));
    EXPECT_EQ(model.rowCount(), 7);
    EXPECT_EQ(text(1, ChronologicalModel::Data), "V = 1");
    EXPECT_EQ(text(6, ChronologicalModel::Data), "W = 0");

    // Capacity 4: the first frame leaves, and its signal rows with it.
    const std::vector<MonitorFrame> more = {frame(4, 0x100), frame(5, 0x100)};
    monitor.append(more);
    ASSERT_EQ(model.rowCount(), 6);
    const char* const data[] = {"02 00", "03 00", "V = 3", "W = 0", "04 00", "05 00"};
    for (int row = 0; row < 6; ++row)
        EXPECT_EQ(text(row, ChronologicalModel::Data), data[row]) << row;
    EXPECT_EQ(model.frameRow(3), 1u);

    EXPECT_TRUE(model.toggleSignals(2)); // a signal row collapses its frame
    EXPECT_EQ(model.rowCount(), 4);
    // Another database collapses every frame: no signal rows of the old one stay.
    EXPECT_TRUE(model.toggleSignals(1));
    EXPECT_EQ(model.rowCount(), 6);
    model.setDatabase(std::make_shared<const dbc::Database>(*db));
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(text(2, ChronologicalModel::Data), "04 00");
    model.setDatabase(nullptr);
    EXPECT_FALSE(model.toggleSignals(1));
    monitor.setListeners(nullptr, nullptr);
}

// The sink the window handed to the tap of the binding below.
std::unique_ptr<TraceSink> g_tapSink;

// The window listens through the driver binding it is given, not Kestrel's own
// driver: the frames of that binding's tap fill the views, and the status line
// shows that binding's port status.
TEST(BusMonitorWindowBindingTest, ListensThroughTheBindingItIsGiven) {
    FakeZarvo fake;
    fake.setPortStatus(5, 36);
    ZarvoBinding driver = fake.binding();
    driver.Zarvo_AddTap = [](uint8_t, std::unique_ptr<TraceSink> sink, uint64_t& tapId) {
        g_tapSink = std::move(sink);
        tapId = 1;
        return int32_t{kZarvoOk};
    };
    driver.Zarvo_RemoveTap = [](uint64_t) {
        g_tapSink->finish(0);
        g_tapSink.reset();
    };
    QTemporaryDir dir; // the window's settings file
    SetProgramFolderForTesting(dir.path());
    ZarvoPort = 5;
    ScriptedDialogs dialogs;
    TForm_BusMonitor window(dialogs, driver);
    window.ShowMonitor();
    ASSERT_TRUE(g_tapSink);
    CandumpRecord record;
    record.frame.id = 0x2A8;
    record.frame.len = 1;
    record.direction = 'R';
    g_tapSink->write(record);
    auto* chronological = window.findChild<GridView*>(QStringLiteral("Grid_Chronological"));
    QTRY_COMPARE_WITH_TIMEOUT(chronological->model()->rowCount(), 1, kWaitMs);
    EXPECT_EQ(chronological->model()->index(0, ChronologicalModel::Identifier).data().toString(),
              "2A8");
    EXPECT_TRUE(window.findChild<QLabel*>(QStringLiteral("Label_Status"))->text().endsWith("36"));
    window.close();
    EXPECT_FALSE(g_tapSink);
}

} // namespace
