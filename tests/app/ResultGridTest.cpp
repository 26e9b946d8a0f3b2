// The result grid: its model over the shared cells, filling and clearing from
// the table, selection and the colours of the Result column.

#include "AppFixture.h"
#include "Globals.h"
#include "ResultCells.h"
#include "ResultGridFill.h"
#include "ResultGridModel.h"
#include "ResultGridView.h"
#include "TimeOfDay.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <thread>

namespace {

void setItems(int count) {
    Global_CustomerCMD.CMD_Count = static_cast<uint16_t>(count);
    for (int i = 0; i < count; ++i) {
        Global_CustomerCMD.Description1[i] = QStringLiteral("Name %1").arg(i);
        Global_CustomerCMD.Description2[i] = QStringLiteral("Parameter %1").arg(i);
    }
}

QTableView* gridOf(const TForm_MainKestrel& window) {
    return window.findChild<QTableView*>(QStringLiteral("TntStringGrid_TestResult"));
}

} // namespace

class ResultGridTest : public AppFixture {};

TEST_F(ResultGridTest, RowsFollowTheTableAcrossLoads) {
    const auto window = makeMainWindow();
    const QAbstractItemModel* model = gridOf(*window)->model();
    EXPECT_EQ(model->rowCount(), 1); // an empty table shows one empty data row
    const std::pair<int, int> loads[] = {{5, 5}, {2, 2}, {0, 1}};
    for (const auto& [items, rows] : loads) {
        dialogs.fileAnswers = {writeConfig(QStringLiteral("items%1.ini").arg(items), items)};
        window->TntSpeedButton_LoadConfigClick();
        EXPECT_EQ(model->rowCount(), rows) << items;
        EXPECT_EQ(Global_ResultCells().rowCount(), rows + 1) << items;
    }
}

TEST_F(ResultGridTest, FillingKeepsRemarksAndClearingEmptiesEveryResultColumn) {
    ResultCells cells;
    setItems(2);
    FillResultRows(cells);
    for (int column = ResultCells::StartTime; column <= ResultCells::Remarks; ++column)
        cells.setCell(column, 2, QStringLiteral("x"));
    FillResultRows(cells);
    EXPECT_EQ(cells.row(2), (ResultCells::Row{QStringLiteral("Name 1"),
                                              QStringLiteral("Parameter 1"),
                                              {},
                                              {},
                                              {},
                                              QStringLiteral("x")}));
    ClearResultColumns(cells);
    EXPECT_EQ(cells.row(2),
              (ResultCells::Row{
                  QStringLiteral("Name 1"), QStringLiteral("Parameter 1"), {}, {}, {}, {}}));
}

TEST_F(ResultGridTest, ClearingStopsAtARowOutsideTheGrid) {
    ResultCells cells;
    setItems(1);
    FillResultRows(cells);
    cells.setCell(ResultCells::Result, 1, QStringLiteral("3"));
    setItems(3); // the editor grew the table; the grid was not refilled yet
    ClearResultColumns(cells);
    EXPECT_EQ(cells.rowCount(), 2);
    EXPECT_EQ(cells.cell(ResultCells::Result, 1), QString());
}

TEST_F(ResultGridTest, ModelAnnouncesRowChangesAndCellWritesFromOtherThreads) {
    ResultCells cells;
    ResultGridModel model(cells, nullptr);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    cells.setRowCount(6);
    model.refresh();
    EXPECT_EQ(model.rowCount(), 5);
    cells.setRowCount(3);
    model.refresh();
    EXPECT_EQ(model.rowCount(), 2);
    changed.clear();

    std::thread writer(
        [&cells] { cells.setCell(ResultCells::EndTime, 2, QStringLiteral("12:00:01")); });
    writer.join();
    ASSERT_TRUE(changed.wait(5000)); // the queued refresh
    EXPECT_EQ(changed.first().at(0).toModelIndex().row(), 1);
    EXPECT_EQ(changed.first().at(1).toModelIndex().row(), 1);
    EXPECT_EQ(model.data(model.index(1, ResultCells::EndTime)).toString(),
              QStringLiteral("12:00:01"));
}

TEST_F(ResultGridTest, ClicksOnDataRowsSelectTheRowAndHeaderClicksChangeNothing) {
    setItems(4);
    const auto window = makeMainWindow();
    window->resize(window->sizeHint());
    window->show();
    QTableView* grid = gridOf(*window);
    EXPECT_EQ(window->selectedGridRow(), 1);

    const QRect cell = grid->visualRect(grid->model()->index(2, ResultCells::Remarks));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(window->selectedGridRow(), 3);
    EXPECT_EQ(grid->selectionModel()->selectedIndexes().size(), ResultCells::ColumnCount);

    QHeaderView* header = grid->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    const QRect lastRow = grid->visualRect(grid->model()->index(3, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      QPoint(lastRow.center().x(), lastRow.bottom() + 30)); // below the rows
    EXPECT_EQ(window->selectedGridRow(), 3);
}

TEST_F(ResultGridTest, TimeColumnsFitTheWidestTimeOfTheLocale) {
    ResultCells cells;
    ResultGridModel model(cells, nullptr);
    ResultGridView grid(&model, nullptr);
    const QLocale twelveHour(QLocale::English, QLocale::UnitedStates);
    const QLocale twentyFourHour(QLocale::German, QLocale::Germany);
    for (const QLocale& locale : {twelveHour, twentyFourHour}) {
        SetUpResultGrid(&grid, locale);
        for (int hour = 0; hour < 24; ++hour) {
            const QString text = TimeOfDayText(QTime(hour, 59, 59, 999), locale);
            for (int column : {ResultCells::StartTime, ResultCells::EndTime})
                EXPECT_GT(grid.columnWidth(column), grid.fontMetrics().horizontalAdvance(text))
                    << qPrintable(text);
        }
        EXPECT_EQ(grid.columnWidth(ResultCells::TestName), 200);
        EXPECT_EQ(grid.columnWidth(ResultCells::TestParameter), 200);
        EXPECT_EQ(grid.columnWidth(ResultCells::Result), 90);
        EXPECT_EQ(grid.columnWidth(ResultCells::Remarks), 280);
    }
    EXPECT_EQ(grid.columnWidth(ResultCells::StartTime), 90); // the 24-hour clock fits
}

TEST_F(ResultGridTest, ResultColourDependsOnTheText) {
    const std::pair<const char*, QColor> cases[] = {
        {"0", QColor(0, 255, 0)},  {"--", QColor(255, 255, 0)}, {"12", QColor(255, 0, 0)},
        {"00", QColor(255, 0, 0)}, {"-", QColor(255, 0, 0)},    {"", QColor()},
    };
    for (const auto& [text, colour] : cases)
        EXPECT_EQ(ResultCellColour(QString::fromLatin1(text)), colour) << text;
}

TEST_F(ResultGridTest, ResultCellsArePaintedInTheirColours) {
    setItems(4);
    const auto window = makeMainWindow();
    window->show();
    const QString results[] = {QStringLiteral("0"), QStringLiteral("--"), QStringLiteral("12"),
                               QString()};
    for (int row = 1; row <= 4; ++row)
        Global_ResultCells().setCell(ResultCells::Result, row, results[row - 1]);
    QTableView* grid = gridOf(*window);
    QTRY_COMPARE(grid->model()->data(grid->model()->index(2, ResultCells::Result)).toString(),
                 QStringLiteral("12"));
    const QImage image = grid->viewport()->grab().toImage();
    const QColor expected[] = {QColor(0, 255, 0), QColor(255, 255, 0), QColor(255, 0, 0),
                               QColor(242, 248, 248)};
    for (int row = 0; row < 4; ++row) {
        const QRect cell = grid->visualRect(grid->model()->index(row, ResultCells::Result));
        EXPECT_EQ(image.pixelColor(cell.topLeft() + QPoint(3, 3)), expected[row]) << row;
    }
    // The name columns are the grid's fixed cells: silver, also in the selected row.
    const QRect name = grid->visualRect(grid->model()->index(0, ResultCells::TestName));
    EXPECT_EQ(image.pixelColor(name.topLeft() + QPoint(3, 3)), QColor(192, 192, 192));
    // The space below the rows has the grid's colour.
    const QRect last = grid->visualRect(grid->model()->index(3, ResultCells::Remarks));
    EXPECT_EQ(image.pixelColor(last.center() + QPoint(0, 3 * last.height())),
              QColor(242, 248, 248));
}
