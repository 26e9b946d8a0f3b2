// The trend window's pages driven headless: Add, Remove, Save and closing with
// scripted dialogs on the recording driver fake, the formula lines and the
// chart tools; and a signal entry end to end on the simulated bus.

#include "AppPaths.h"
#include "FakeZarvo.h"
#include "Globals.h"
#include "GridView.h"
#include "Phrases.h"
#include "ScriptedDialogs.h"
#include "SimulatorPort.h"
#include "TrendChart.h"
#include "TrendPages.h"
#include "TrendTablesFixture.h"
#include "ViewTrend.h"
#include "ZarvoApi.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

const QString kCaption = QStringLiteral("Kestrel System");

// Serves the event loop until `done` holds; false when it did not within 10 s.
template <typename Condition> bool waitFor(Condition done) {
    return QTest::qWaitFor(done, 10000);
}

class TrendWindowTest : public TrendTablesTest {
protected:
    void SetUp() override {
        TrendTablesTest::SetUp();
        driver.setPortCount(1);
        ZarvoPort = 0;
        window = std::make_unique<TForm_ViewTrend>(dialogs, driver.binding());
    }
    void TearDown() override { window.reset(); }

    template <typename T> T* child(const char* name) const {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void showPage(int page) const { child<QTabWidget>("PageControl1")->setCurrentIndex(page); }
    QString cell(const char* grid, int row, int column) const {
        return child<QTableView>(grid)->model()->index(row - 1, column).data().toString();
    }
    // Fills the new-entry controls and presses Add.
    void add(const char* d1, const char* d2, const char* id, int type, int range) {
        child<QLineEdit>("TntEdit_CANDescription1")->setText(QString::fromUtf8(d1));
        child<QLineEdit>("TntEdit_CANDescription2")->setText(QString::fromUtf8(d2));
        child<QLineEdit>("Edit_ID")->setText(QString::fromLatin1(id));
        chooseType(type);
        child<QComboBox>("ComboBox_DataConvert_DataRange")->setCurrentIndex(range);
        window->TntSpeedButton_AddCANIDClick();
    }
    void chooseType(int type) {
        auto* list = child<QComboBox>("ComboBox_DataConvert_DataType");
        list->setCurrentIndex(type);
        emit list->activated(type);
    }
    // Types `text` over formula line `line`'s text; Enter commits it unless `typingOnly`.
    void typeFormula(int line, const QString& text, bool typingOnly = false) {
        auto* box = window->findChild<QLineEdit*>(QStringLiteral("TntEdit_Formula%1").arg(line));
        box->selectAll();
        QTest::keyClicks(box, text);
        if (!typingOnly)
            QTest::keyClick(box, Qt::Key_Return);
    }
    QString result(int line) const {
        return window->findChild<QLineEdit*>(QStringLiteral("TntEdit_Formula_Result%1").arg(line))
            ->text();
    }
    bool unsavedShown() const {
        return !child<QLabel>("TntLabel_UnSaveAlarm")->isHidden() ||
               !child<QLabel>("TntLabel_UnSaveAlarm2")->isHidden();
    }

    // Queues `frame` on the window's port and waits until `decoded` holds.
    template <typename Condition> bool receive(const FakeZarvoFrame& frame, Condition decoded) {
        driver.pushRxFrame(ZarvoPort, frame);
        return waitFor(decoded);
    }
    QLineSeries* curve(int n) const { return window->findChild<TrendChart*>()->series(n); }

    FakeZarvo driver;
    ScriptedDialogs dialogs;
    std::unique_ptr<TForm_ViewTrend> window;
};

TEST_F(TrendWindowTest, AddRefusesWithTheExactTextsThenStoresTheUpperCasedIdentifier) {
    window->TntSpeedButton_AddCANIDClick();
    child<QComboBox>("ComboBox_DataConvert_DataType")->setCurrentIndex(2);
    window->TntSpeedButton_AddCANIDClick();
    add("Speed", "km/h", "7fg", 2, 2);
    ASSERT_EQ(dialogs.shown.size(), 3);
    EXPECT_EQ(dialogs.shown[0].kind, "error");
    EXPECT_EQ(dialogs.shown[0].caption, kCaption);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("資料型態尚未選擇"));
    EXPECT_EQ(dialogs.shown[1].text, QStringLiteral("資料範圍尚未選擇"));
    EXPECT_EQ(dialogs.shown[2].kind, "inform");
    EXPECT_EQ(dialogs.shown[2].caption, "");
    EXPECT_EQ(dialogs.shown[2].text, "The transmission CAN message which the  ID is an illegal "
                                     "Hex. data. \r\nPlease input again!!");
    EXPECT_EQ(Global_TrendCAN.TrendCAN_Count, 0);
    EXPECT_FALSE(unsavedShown());

    add("Speed", "km/h", "7ff", 2, 2);
    add("Second", "", "07ff", 7, 0);
    EXPECT_EQ(child<QLineEdit>("Edit_ID")->text(), "07FF");
    ASSERT_EQ(Global_TrendCAN.TrendCAN_Count, 2);
    EXPECT_EQ(Global_TrendCAN.TrendCANID[0], 2047);
    EXPECT_EQ(Global_TrendCAN.CANDataRange[0], 2);
    EXPECT_EQ(child<QTableView>("TntStringGrid_TrendCANID")->model()->rowCount(), 2);
    EXPECT_EQ(cell("TntStringGrid_TrendCANID", 1, 2), "0x7FF");
    EXPECT_EQ(cell("TntStringGrid_TrendCANID", 1, 4), "D3 ~ D4");
    EXPECT_EQ(cell("TntStringGrid_TrendCANID", 2, 2), "0x07FF");
    EXPECT_EQ(cell("TntStringGrid_TrendCANID", 2, 3), "double (8-byte)");
    EXPECT_EQ(dialogs.texts("inform").last(), "Add new item successfully !");
    EXPECT_TRUE(unsavedShown());
}

TEST_F(TrendWindowTest, RemoveNeedsARowAndAConfirmationAndTakesThatRowsEntry) {
    window->TntSpeedButton_RemoveClick(); // empty table: nothing at all
    EXPECT_TRUE(dialogs.shown.isEmpty());
    add("Speed", "km/h", "100", 0, 0);
    add("Speed", "km/h", "200", 0, 1);
    add("Load", "%", "300", 0, 2);
    dialogs.shown.clear();
    auto* grid = dynamic_cast<GridView*>(child<QTableView>("TntStringGrid_TrendCANID"));
    grid->clearSelection();
    window->TntSpeedButton_RemoveClick();
    EXPECT_EQ(dialogs.texts("inform"), QStringList{Phrase(PhraseId::SelectItemToDelete)});

    grid->selectGridRow(2);
    dialogs.confirmAnswers = {false, true};
    window->TntSpeedButton_RemoveClick();
    EXPECT_EQ(Global_TrendCAN.TrendCAN_Count, 3);
    window->TntSpeedButton_RemoveClick();
    ASSERT_EQ(Global_TrendCAN.TrendCAN_Count, 2);
    EXPECT_EQ(Global_TrendCAN.TrendCANID[0], 0x100);
    EXPECT_EQ(Global_TrendCAN.TrendCANID[1], 0x300);
    EXPECT_EQ(cell("TntStringGrid_TrendCANID", 1, 2), "0x100");
    EXPECT_EQ(cell("TntStringGrid_TrendCANID", 2, 2), "0x300");
    EXPECT_EQ(dialogs.texts("confirm"),
              QStringList(2, QStringLiteral("Are you sure that you want to delete this item ?")));
    EXPECT_EQ(dialogs.texts("inform").last(), "Delete OK !");

    for (int left = 2; left > 0; --left) {
        grid->selectGridRow(1);
        window->TntSpeedButton_RemoveClick();
    }
    EXPECT_EQ(Global_TrendCAN.TrendCAN_Count, 0);
    EXPECT_EQ(grid->model()->rowCount(), 1); // the empty row
    add("Again", "", "1", 0, 0);
    EXPECT_EQ(grid->model()->rowCount(), 1);
}

TEST_F(TrendWindowTest, SaveStoresFourFormulasAndShowingThePageReadsTheFileAgain) {
    add("Speed", "km/h", "7ff", 2, 2);
    add("Flag", "", "1fffffff", 0, 7);
    child<QLineEdit>("TntEdit_Formula2")->setText(QStringLiteral("V1 * 2"));
    window->TntSpeedButton_SaveTrendCANIDClick();
    EXPECT_EQ(dialogs.texts("inform").last(), "Save OK");
    EXPECT_FALSE(unsavedShown());

    add("Not saved", "", "5", 0, 0);
    child<QLineEdit>("TntEdit_Formula2")->setText(QStringLiteral("changed"));
    showPage(1);
    showPage(0);
    ASSERT_EQ(Global_TrendCAN.TrendCAN_Count, 2);
    EXPECT_EQ(Global_TrendCAN.TrendCANID[1], 0x1FFFFFFF);
    EXPECT_EQ(Global_TrendCAN.CANDataRange[1], 7);
    EXPECT_EQ(Global_Formula.Formula_Count, 4);
    EXPECT_EQ(Global_Formula.Formula[0], "sin(V5) * 100");
    EXPECT_EQ(child<QLineEdit>("TntEdit_Formula2")->text(), "V1 * 2");
    EXPECT_EQ(cell("TntStringGrid_TrendCANID", 2, 2), "0x1FFFFFFF");
    EXPECT_EQ(child<QTableView>("TntStringGrid_TrendCANID")->model()->rowCount(), 2);
}

// What each kind of read in part leaves out is
// TrendFileTest.AFileReadInPartNamesWhatItLeftOutUntilItIsWritten.
TEST_F(TrendWindowTest, AFileReadInPartNamesItsLineAndIsSavedOverOnlyAfterAsking) {
    const QString path = dir.filePath("TrendCAN.ini");
    const QByteArray bytes =
        "[00..a..]\nTrendCANID=100\n[01..b..]\nTrendCANID=x\n[02..c..]\nTrendCANID=300\n";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    showPage(1);
    showPage(0);
    EXPECT_EQ(dialogs.texts("error"),
              QStringList{path + ", line 4, TrendCANID: 'x' is not a valid integer value"});

    dialogs.confirmAnswers = {false};
    window->TntSpeedButton_SaveTrendCANIDClick();
    ASSERT_EQ(dialogs.texts("confirm").size(), 1);
    EXPECT_TRUE(dialogs.texts("confirm")[0].contains("watched identifier 2 and every section"))
        << qPrintable(dialogs.texts("confirm")[0]);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), bytes);
    file.close();

    dialogs.confirmAnswers = {true};
    window->TntSpeedButton_SaveTrendCANIDClick();
    EXPECT_EQ(dialogs.texts("inform").last(), "Save OK");
    EXPECT_EQ(ReadTrendCANIni().status, 0);
    EXPECT_TRUE(LastTrendPartialRead().path.isEmpty());
}

TEST_F(TrendWindowTest, ClosingWithUnsavedChangesAsksAndOnlyHides) {
    window->show();
    add("Speed", "km/h", "7ff", 2, 2);
    dialogs.confirmAnswers = {false, true};
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(unsavedShown());
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(unsavedShown());
    EXPECT_EQ(dialogs.texts("confirm").size(), 2);
    window->show();
    EXPECT_TRUE(window->close()); // nothing to ask about
    EXPECT_EQ(dialogs.texts("confirm").size(), 2);
}

TEST_F(TrendWindowTest, AFailingFormulaUnchecksOnlyItsOwnBoxAndShowsOneBox) {
    add("Speed", "km/h", "7ff", 2, 2);
    showPage(2);
    EXPECT_EQ(cell("TntStringGrid_DataView", 1, 1), "km/h (V1)");
    EXPECT_EQ(cell("TntStringGrid_DataView", 1, 5), "--");
    typeFormula(1, QStringLiteral("1/V1"));
    typeFormula(2, QStringLiteral("V1 + 2.5"));
    for (const char* box : {"TntCheckBox_Formula_Desc1", "TntCheckBox_Formula_Desc2"})
        child<QCheckBox>(box)->setChecked(true);
    dialogs.shown.clear();
    // Before V1's first frame both lines wait, neither fails.
    window->Timer_FormulaTimer();
    EXPECT_EQ(child<QLineEdit>("TntEdit_Formula_Result1")->text(), "--");
    EXPECT_TRUE(child<QCheckBox>("TntCheckBox_Formula_Desc1")->isChecked());
    ASSERT_TRUE(receive({0x7FF, 0, 0, 8, {}},
                        [&] { return window->thread().WatchItemValue(0).has_value(); }));
    window->Timer_ShowDataViewTimer();
    EXPECT_EQ(cell("TntStringGrid_DataView", 1, 5), "0");
    window->Timer_FormulaTimer();
    window->Timer_FormulaTimer();
    EXPECT_FALSE(child<QCheckBox>("TntCheckBox_Formula_Desc1")->isChecked());
    EXPECT_EQ(child<QLineEdit>("TntEdit_Formula_Result1")->text(), "Error Expression");
    EXPECT_TRUE(child<QCheckBox>("TntCheckBox_Formula_Desc2")->isChecked());
    EXPECT_EQ(child<QLineEdit>("TntEdit_Formula_Result2")->text(), "2.500000");
    EXPECT_EQ(dialogs.texts("error"), QStringList{"Floating point division by zero"});
    // Formula 2 goes on while formula 1 stays off.
    EXPECT_TRUE(child<QTimer>("Timer_Formula")->isActive());
    typeFormula(2, QStringLiteral("V1 + 4"));
    window->Timer_FormulaTimer();
    EXPECT_EQ(child<QLineEdit>("TntEdit_Formula_Result2")->text(), "4.000000");
}

// A curve shows nothing of another entry: after a change it stays empty until
// the first frame of its new entry.
TEST_F(TrendWindowTest, ACurvesNewEntryShowsNothingUntilItsFirstFrame) {
    add("A", "", "100", 0, 0);
    add("B", "", "200", 0, 0);
    showPage(1);
    auto* value = child<QLineEdit>("Edit_Value1");
    // The second step leaves a curve that holds A's value for B.
    const struct {
        int position;
        uint32_t id;
        uint8_t byte;
    } steps[] = {{0, 0x100, 5}, {1, 0x200, 7}};
    for (const auto& step : steps) {
        window->TntComboBox_TrendCANChange(1, step.position);
        window->Timer_ShowCurveTimer();
        EXPECT_EQ(curve(1)->count(), 0) << step.position;
        EXPECT_EQ(value->text(), "");
        ASSERT_TRUE(receive({step.id, 0, 0, 8, {step.byte}},
                            [&] { return window->thread().Histories().length1 == 1; }));
        window->Timer_ShowCurveTimer();
        ASSERT_EQ(curve(1)->count(), 1);
        EXPECT_EQ(curve(1)->at(0).y(), step.byte);
        EXPECT_EQ(value->text(), QString::number(step.byte));
    }
}

// The variables follow the rows: removing V2 moves V3 up with its own value,
// and an entry removed from under a curve leaves the curve empty.
TEST_F(TrendWindowTest, RemovalMovesTheValuesWithTheirRowsAndEmptiesTheCurve) {
    add("A", "", "100", 0, 0);
    add("B", "", "200", 0, 0);
    add("C", "", "300", 0, 0);
    showPage(1);
    child<QComboBox>("TntComboBox_TrendCAN1")->setCurrentIndex(2);
    window->TntComboBox_TrendCANChange(1, 2);
    showPage(2);
    for (uint8_t i = 1; i <= 3; ++i)
        ASSERT_TRUE(receive({0x100u * i, 0, 0, 8, {i}},
                            [&] { return window->thread().WatchItemValue(i - 1).has_value(); }));
    window->Timer_ShowDataViewTimer();
    EXPECT_EQ(cell("TntStringGrid_DataView", 2, 5), "2");
    showPage(0);
    dynamic_cast<GridView*>(child<QTableView>("TntStringGrid_TrendCANID"))->selectGridRow(2);
    window->TntSpeedButton_RemoveClick();
    ASSERT_EQ(Global_TrendCAN.TrendCAN_Count, 2);
    showPage(2);
    EXPECT_EQ(cell("TntStringGrid_DataView", 1, 5), "1");
    EXPECT_EQ(cell("TntStringGrid_DataView", 2, 1), " (V2)");
    EXPECT_EQ(cell("TntStringGrid_DataView", 2, 5), "3");
    typeFormula(1, QStringLiteral("V2 * 10"));
    child<QCheckBox>("TntCheckBox_Formula_Desc1")->setChecked(true);
    window->Timer_FormulaTimer();
    EXPECT_EQ(child<QLineEdit>("TntEdit_Formula_Result1")->text(), "30.000000");
    showPage(1); // curve 1's entry (the third) is gone
    window->Timer_ShowCurveTimer();
    EXPECT_EQ(curve(1)->count(), 0);
    EXPECT_EQ(child<QLineEdit>("Edit_Value1")->text(), "");
}

TEST_F(TrendWindowTest, AFormulaIsEvaluatedOnceEnteredAndItsResultStaysBesideIt) {
    add("Speed", "km/h", "7ff", 2, 2);
    showPage(2);
    ASSERT_TRUE(receive({0x7FF, 0, 0, 8, {}},
                        [&] { return window->thread().WatchItemValue(0).has_value(); }));
    child<QCheckBox>("TntCheckBox_Formula_Desc1")->setChecked(true);
    typeFormula(1, QStringLiteral("V1 + 3"));
    window->Timer_FormulaTimer();
    EXPECT_EQ(result(1), "3.000000");
    // Half typed: no evaluation, no box, the line stays checked, the old result is gone.
    dialogs.shown.clear();
    typeFormula(1, QStringLiteral("V1 * 1e308 * 10"), true);
    EXPECT_EQ(result(1), "");
    window->Timer_FormulaTimer();
    EXPECT_EQ(result(1), "");
    EXPECT_TRUE(child<QCheckBox>("TntCheckBox_Formula_Desc1")->isChecked());
    EXPECT_TRUE(dialogs.shown.isEmpty());
    // Enter commits the text: now it is evaluated (V1 is 0 here).
    QTest::keyClick(child<QLineEdit>("TntEdit_Formula1"), Qt::Key_Return);
    window->Timer_FormulaTimer();
    EXPECT_EQ(result(1), "0.000000");
    // Reloading the page gives an unchecked line its file's text without the old result.
    child<QCheckBox>("TntCheckBox_Formula_Desc2")->setChecked(true);
    typeFormula(2, QStringLiteral("7"));
    window->Timer_FormulaTimer();
    child<QCheckBox>("TntCheckBox_Formula_Desc2")->setChecked(false);
    window->TntSpeedButton_SaveTrendCANIDClick();
    child<QLineEdit>("TntEdit_Formula2")->setText(QStringLiteral("unsaved"));
    showPage(0);
    EXPECT_EQ(child<QLineEdit>("TntEdit_Formula2")->text(), "7");
    EXPECT_EQ(result(2), "");
}

TEST_F(TrendWindowTest, ChartToolsPauseZoomAndReadBothCurves) {
    window->show();
    showPage(1);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto* chart = child<TrendChart>("Chart_Trend");
    TrendHistory ramp{};
    TrendHistory fall{};
    for (int x = 0; x < kTrendHistoryLength; ++x) {
        ramp[static_cast<size_t>(x)] = 10 * x;
        fall[static_cast<size_t>(x)] = -x;
    }
    chart->showHistory(1, ramp, kTrendHistoryLength);
    chart->showHistory(2, fall, kTrendHistoryLength);
    chart->setFocus();
    const auto span = [chart] {
        return AxisSpan{chart->timeAxis()->min(), chart->timeAxis()->max()};
    };
    // Pause: the history goes on filling, the picture stays.
    QTest::keyClick(chart, Qt::Key_F9);
    EXPECT_TRUE(chart->timeView().paused());
    EXPECT_EQ(child<QToolButton>("TntSpeedButton_Pause")->text(), "Resume");
    TrendHistory later = ramp;
    later[0] = 999;
    chart->showHistory(1, later, kTrendHistoryLength);
    EXPECT_EQ(chart->series(1)->at(0).y(), 0);
    // + zooms in about the middle; Right pans while paused.
    QTest::keyClick(chart, Qt::Key_Plus);
    EXPECT_NEAR(span().low, 25.5, 1e-9);
    EXPECT_NEAR(span().high, 229.5, 1e-9);
    QTest::keyClick(chart, Qt::Key_Right);
    EXPECT_NEAR(span().low, 45.9, 1e-9);
    EXPECT_NEAR(span().high, 249.9, 1e-9);
    // The readout at the mouse, and the cursors' difference.
    const auto pointAt = [chart](double x) {
        const QPointF inChart = chart->chart()->mapToPosition(QPointF(x, 0), chart->series(1));
        return chart->mapFromScene(chart->chart()->mapToScene(inChart));
    };
    // Sent straight to the chart: QTest::mouseMove goes through the screen's
    // cursor, which headless lands a few pixels off.
    const auto moveTo = [chart](const QPoint& at) {
        QMouseEvent move(QEvent::MouseMove, at, chart->viewport()->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(chart->viewport(), &move);
    };
    moveTo(pointAt(100));
    EXPECT_EQ(chart->readoutText(), "x 100: 1000 | -100");
    QTest::mouseClick(chart->viewport(), Qt::LeftButton, {}, pointAt(100));
    QTest::mouseClick(chart->viewport(), Qt::LeftButton, Qt::ShiftModifier, pointAt(120));
    EXPECT_TRUE(chart->cursorText().endsWith("B - A x 20: 200 | -20"))
        << chart->cursorText().toStdString();
    // Dragging zooms into the dragged span.
    QTest::mousePress(chart->viewport(), Qt::LeftButton, {}, pointAt(100));
    moveTo(pointAt(140));
    QTest::mouseRelease(chart->viewport(), Qt::LeftButton, {}, pointAt(140));
    EXPECT_NEAR(span().low, 100, 1);
    EXPECT_NEAR(span().high, 140, 1);
    // Resume shows the present at the same width; Ctrl+0 the whole history.
    QTest::keyClick(chart, Qt::Key_F9);
    EXPECT_EQ(child<QToolButton>("TntSpeedButton_Pause")->text(), "Pause");
    EXPECT_EQ(chart->series(1)->at(0).y(), 999);
    EXPECT_EQ(span().low, 0);
    EXPECT_NEAR(span().high, 40, 2);
    QTest::keyClick(chart, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(span(), TrendTimeView::kFull);
    // Labels carry the decimals the range needs: a 0 … 1 signal reads 0.0 … 1.0.
    chart->clearCurve(2);
    chart->showHistory(1, TrendHistory{1}, kTrendHistoryLength);
    EXPECT_EQ(chart->valueAxis()->labelFormat(), "%.1f");
}

// The real driver's simulated bus: the default device sends a WORD ramp in
// bytes 0-1 of 0x3E8 every 20 ms.
class TrendWindowOnSimulator : public ::testing::Test {
protected:
    void SetUp() override {
        SetProgramFolderForTesting(dir.path());
        Global_TrendCAN = type_TrendCAN{};
        Global_Formula = type_Formula{};
        const std::optional<uint8_t> found = FirstSimulatorPort();
        ASSERT_TRUE(found);
        ZarvoPort = port = *found;
    }
    // The window over the tables as they stand, on the opened port.
    std::unique_ptr<TForm_ViewTrend> openWindow() {
        auto window = std::make_unique<TForm_ViewTrend>(dialogs);
        EXPECT_EQ(builtinZarvoBinding().Zarvo_OpenPort(port, 500000), 0);
        window->ShowTrend();
        return window;
    }

    QTemporaryDir dir;
    uint8_t port = 0;
    ScriptedDialogs dialogs;
};

// A signal of the example database on the simulated bus: the ramp of 0x3E8
// in per cent (a tenth of its WORD counts), beside the same bytes as a WORD.
TEST_F(TrendWindowOnSimulator, ASignalEntryShowsItsPhysicalValueInCurvesDataViewAndFormulas) {
    const std::unique_ptr<TForm_ViewTrend> opened = openWindow();
    TForm_ViewTrend& window = *opened;

    QFile bad(dir.filePath(QStringLiteral("bad.dbc")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("BO_ 1000 M: 8 E\n SG_ S : 0|8@1+ (1,0) [0|0]\n");
    bad.close();
    dialogs.fileAnswers = {bad.fileName(), QStringLiteral(KESTREL_EXAMPLES_DIR "/SimDevice.dbc")};
    window.TntSpeedButton_DatabaseClick();
    ASSERT_EQ(dialogs.texts("error").size(), 1);
    EXPECT_TRUE(dialogs.texts("error")[0].contains("bad.dbc: line 2: expected the unit in quotes"))
        << qPrintable(dialogs.texts("error")[0]);
    window.TntSpeedButton_DatabaseClick();
    EXPECT_EQ(dialogs.texts("error").size(), 1);

    auto* signalList = window.findChild<QComboBox*>(QStringLiteral("ComboBox_Signal"));
    signalList->setCurrentText(QStringLiteral("SimValues.Ramp"));
    window.findChild<QLineEdit*>(QStringLiteral("TntEdit_CANDescription1"))->setText("Ramp");
    window.TntSpeedButton_AddCANIDClick();
    signalList->setCurrentIndex(0);
    window.findChild<QLineEdit*>(QStringLiteral("Edit_ID"))->setText("3E8");
    auto* types = window.findChild<QComboBox*>(QStringLiteral("ComboBox_DataConvert_DataType"));
    types->setCurrentIndex(2);
    emit types->activated(2);
    window.TntSpeedButton_AddCANIDClick();
    ASSERT_EQ(Global_TrendCAN.TrendCAN_Count, 2);
    const QAbstractItemModel* config =
        window.findChild<QTableView*>(QStringLiteral("TntStringGrid_TrendCANID"))->model();
    EXPECT_EQ(config->index(0, 2).data().toString(), "0x3E8");
    EXPECT_EQ(config->index(0, 3).data().toString(), "SimValues.Ramp");
    EXPECT_EQ(config->index(0, 4).data().toString(), "%");

    auto* pages = window.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    pages->setCurrentIndex(1);
    window.findChild<QComboBox*>(QStringLiteral("TntComboBox_TrendCAN1"))->setCurrentIndex(0);
    window.TntComboBox_TrendCANChange(1, 0);
    auto* value1 = window.findChild<QLineEdit*>(QStringLiteral("Edit_Value1"));
    EXPECT_TRUE(waitFor([&] {
        window.Timer_ShowCurveTimer();
        return value1->text().endsWith(" %") && value1->text().chopped(2).toDouble() > 0;
    })) << qPrintable(value1->text());

    pages->setCurrentIndex(2);
    auto* formula = window.findChild<QLineEdit*>(QStringLiteral("TntEdit_Formula1"));
    formula->selectAll();
    QTest::keyClicks(formula, QStringLiteral("V1 * 10 - V2"));
    QTest::keyClick(formula, Qt::Key_Return); // the formula counts once entered
    window.findChild<QCheckBox*>(QStringLiteral("TntCheckBox_Formula_Desc1"))->setChecked(true);
    const QAbstractItemModel* data =
        window.findChild<QTableView*>(QStringLiteral("TntStringGrid_DataView"))->model();
    auto* result = window.findChild<QLineEdit*>(QStringLiteral("TntEdit_Formula_Result1"));
    // V1 is the physical value, V2 the raw counts of the same bytes.
    EXPECT_TRUE(waitFor([&] {
        const double v1 = data->index(0, 5).data().toString().toDouble();
        return v1 > 0 && v1 * 10 == data->index(1, 5).data().toString().toDouble() &&
               result->text() == "0.000000";
    })) << qPrintable(result->text());
    EXPECT_EQ(data->index(0, 4).data().toString(), "%");

    window.TntSpeedButton_SaveTrendCANIDClick();
    builtinZarvoBinding().Zarvo_ClosePort(port);
    QFile saved(dir.filePath(QStringLiteral("TrendCAN.ini")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray text = saved.readAll();
    EXPECT_TRUE(text.startsWith("Database=" KESTREL_EXAMPLES_DIR "/SimDevice.dbc\n"));
    EXPECT_TRUE(text.contains("Signal=SimValues.Ramp\n"));
}

} // namespace
