#include "TrendScreenshots.h"

#include "AppPaths.h"
#include "Globals.h"
#include "MainKestrel.h"
#include "SimulatorPort.h"
#include "TrendChart.h"
#include "TrendTables.h"
#include "ViewTrend.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPixmap>
#include <QTabWidget>
#include <QTest>
#include <cstdio>

namespace {

void serveEvents(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// The default device's broadcasts: a WORD ramp, a short sine and a float
// sine in 0x3E8, the seconds since the port opened in 0x3E9; two formulas.
void writeTrendSettings() {
    struct Entry {
        const char* description1;
        const char* description2;
        int32_t id;
        int type;
        int range;
    };
    const Entry entries[] = {{"Ramp", "0 ~ 1000", 0x3E8, 2, 0},
                             {"Sine", "-400 ~ 400", 0x3E8, 3, 2},
                             {"Float sine", "-10 ~ 10", 0x3E8, 6, 4},
                             {"Time since opening", "s", 0x3E9, 7, 0}};
    type_TrendCAN& t = Global_TrendCAN;
    t.TrendCAN_Count = 0;
    for (const Entry& e : entries) {
        const int i = t.TrendCAN_Count++;
        t.Description1[i] = QString::fromUtf8(e.description1);
        t.Description2[i] = QString::fromUtf8(e.description2);
        t.TrendCANID[i] = e.id;
        t.CANDataType[i] = e.type;
        t.CANDataRange[i] = e.range;
    }
    const char* const formulas[][2] = {{"Ramp + sine", "V1 + V2"},
                                       {"Distance", "sqrt(259 * 259 +  V1 * V1)"},
                                       {"Scaled float sine", "V3 * 100"},
                                       {"Seconds as minutes", "V4 / 60"}};
    Global_Formula.Formula_Count = 0;
    for (const auto& f : formulas) {
        const int k = Global_Formula.Formula_Count++;
        Global_Formula.Formula_Description[k] = QString::fromUtf8(f[0]);
        Global_Formula.Formula[k] = QString::fromUtf8(f[1]);
    }
    WriteTrendCANIni();
}

void plotRampAndSine(TForm_ViewTrend& window) {
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    tabs->setCurrentIndex(1);
    if (auto* view2 = window.findChild<QCheckBox*>(QStringLiteral("CheckBox_CANID2"));
        !view2->isChecked())
        view2->click();
    for (int curve = 1; curve <= 2; ++curve) {
        window.findChild<QComboBox*>(QStringLiteral("TntComboBox_TrendCAN%1").arg(curve))
            ->setCurrentIndex(curve - 1);
        window.TntComboBox_TrendCANChange(curve, curve - 1);
    }
    tabs->setCurrentIndex(2);
    // 256 points of 20 ms each; then the formulas over values already shown.
    serveEvents(5400);
    for (int k = 1; k <= 4; ++k)
        window.findChild<QCheckBox*>(QStringLiteral("TntCheckBox_Formula_Desc%1").arg(k))
            ->setChecked(true);
    serveEvents(200);
}

// Two signals of the example database (examples/SimDevice.dbc) on the chart:
// the ramp in per cent and the float sine.
void writeSignalSettings() {
    type_TrendCAN& t = Global_TrendCAN;
    t = type_TrendCAN{};
    t.Database = QStringLiteral(KESTREL_EXAMPLES_DIR "/SimDevice.dbc");
    const char* const signalNames[][2] = {{"Ramp", "SimValues.Ramp"},
                                          {"Float sine", "SimValues.FloatSine"}};
    for (const auto& [description, name] : signalNames) {
        const int i = t.TrendCAN_Count++;
        t.Description1[i] = QString::fromUtf8(description);
        t.Description2[i] = QString::fromUtf8(name);
        t.TrendCANID[i] = 0x3E8;
        t.Signal[i] = QString::fromUtf8(name);
    }
    WriteTrendCANIni();
}

bool savePage(TForm_ViewTrend& window, int page, const QString& file) {
    window.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(page);
    serveEvents(300);
    const bool saved = window.grab().save(file);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
    return saved;
}

// The chart paused and zoomed into part of the history, with both cursors
// placed and the readout at the mouse, driven as the user would.
bool saveChartTools(TForm_ViewTrend& window, const QString& file) {
    // Through the first page, which takes the current language's phrases.
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    tabs->setCurrentIndex(0);
    tabs->setCurrentIndex(1);
    auto* chart = window.findChild<TrendChart*>(QStringLiteral("Chart_Trend"));
    chart->setPaused(true);
    const auto pointAt = [chart](double x) {
        const QPointF inChart = chart->chart()->mapToPosition(QPointF(x, 0), chart->series(1));
        return chart->mapFromScene(chart->chart()->mapToScene(inChart));
    };
    QWidget* viewport = chart->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, pointAt(20));
    QTest::mouseMove(viewport, pointAt(140));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, pointAt(140));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, pointAt(45));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, pointAt(95));
    // Straight to the chart: a move through the screen's cursor lands off headless.
    const QPoint readoutAt = pointAt(70);
    QMouseEvent move(QEvent::MouseMove, readoutAt, viewport->mapToGlobal(readoutAt), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    serveEvents(300);
    const bool saved = window.grab().save(file);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
    chart->setPaused(false);
    chart->resetView();
    return saved;
}

} // namespace

bool SaveTrendScreenshots(const QString& output, const QString& programFolder) {
    SetProgramFolderForTesting(programFolder);
    writeTrendSettings();
    const std::optional<uint8_t> port = FirstSimulatorPort();
    if (!port || !Form_ViewTrend || !Form_MainKestrel)
        return false;
    ZarvoPort = *port;
    Form_MainKestrel->TntSpeedButton_ViewTrendClick();
    Form_ViewTrend->showNormal();
    Form_ViewTrend->resize(1280, 800);
    plotRampAndSine(*Form_ViewTrend);
    bool ok = true;
    const char* const languages[] = {"en", "zh-hans", "zh-hant"};
    const char* const pages[] = {"config", "chart", "dataview"};
    for (int language = 0; language < 3; ++language) {
        Form_MainKestrel->Lang_EngClick(language);
        for (int page : {0, 1, 2})
            ok &= savePage(
                *Form_ViewTrend, page,
                QStringLiteral("%1/trend-%2-%3.png")
                    .arg(output, QLatin1String(pages[page]), QLatin1String(languages[language])));
    }
    Form_MainKestrel->Lang_EngClick(0);
    ok &= saveChartTools(*Form_ViewTrend, output + QStringLiteral("/trend-chart-tools-en.png"));
    writeSignalSettings();
    Form_MainKestrel->TntSpeedButton_ViewTrendClick();
    plotRampAndSine(*Form_ViewTrend);
    ok &= savePage(*Form_ViewTrend, 1, output + QStringLiteral("/trend-signal-en.png"));
    return ok;
}
