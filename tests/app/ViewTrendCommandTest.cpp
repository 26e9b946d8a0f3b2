// The main window's View Trend and bus monitor commands: the port check, then
// the port opened and the window shown.

#include "AppFixture.h"
#include "BusMonitorWindow.h"
#include "Globals.h"
#include "KestrelWindows.h"
#include "Phrases.h"
#include "ViewTrend.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <algorithm>

namespace {

class ViewTrendCommandTest : public AppFixture {
protected:
    void writeDriverSettings() {
        QFile settings(programPath(QStringLiteral("Zarvo.ini")));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write("[ORBTEC_ZarvoPortConfig]\nZarvoPort=2\nZarvoBaudRate=250000\n");
    }
};

TEST_F(ViewTrendCommandTest, APortOutsideTheTableOpensNothing) {
    writeDriverSettings();
    for (const uint8_t count : {0, 2}) {
        SCOPED_TRACE(count);
        driver.setPortCount(count);
        dialogs.shown.clear();
        KestrelWindows windows(dialogs, programDir.path(), logDir.path(), driver.binding());
        Form_MainKestrel->show();
        child<QToolButton>(Form_MainKestrel, "TntSpeedButton_ViewTrend")->click();
        ASSERT_EQ(dialogs.shown.size(), 1);
        EXPECT_EQ(dialogs.shown[0].kind, "error");
        EXPECT_EQ(dialogs.shown[0].caption, Phrase(PhraseId::Caption));
        EXPECT_EQ(dialogs.shown[0].text, Phrase(PhraseId::PortError));
        EXPECT_TRUE(child<QLabel>(Form_MainKestrel, "TntLabel_SearchAgain")->isVisible());
        EXPECT_FALSE(Form_ViewTrend->isVisible());
        EXPECT_TRUE(driver.calls("Zarvo_OpenPort").empty());
    }
}

TEST_F(ViewTrendCommandTest, ThePortOpensAtItsRateAndTheConfigurationPageComesToTheFront) {
    writeDriverSettings();
    driver.setPortCount(3);
    KestrelWindows windows(dialogs, programDir.path(), logDir.path(), driver.binding());
    Form_MainKestrel->show();
    child<QTabWidget>(Form_ViewTrend, "PageControl1")->setCurrentIndex(2);
    child<QToolButton>(Form_MainKestrel, "TntSpeedButton_ViewTrend")->click();
    const std::vector<FakeZarvoCall> opened = driver.calls("Zarvo_OpenPort");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].port, 2u);
    EXPECT_EQ(opened[0].value, 250000);
    EXPECT_TRUE(Form_ViewTrend->isVisible());
    EXPECT_EQ(child<QTabWidget>(Form_ViewTrend, "PageControl1")->currentIndex(), 0);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

// The bus monitor's button and menu command check and open the port as View
// Trend does; a driver that cannot tap the port is named in the status line.
TEST_F(ViewTrendCommandTest, TheBusMonitorOpensThePortAsViewTrendDoes) {
    writeDriverSettings();
    const struct {
        uint8_t ports;
        bool menu;
        bool opens;
    } cases[] = {{2, false, false}, {3, false, true}, {3, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.ports) << " " << c.menu);
        driver.setPortCount(c.ports);
        driver.clearCalls();
        dialogs.shown.clear();
        KestrelWindows windows(dialogs, programDir.path(), logDir.path(), driver.binding());
        Form_MainKestrel->show();
        if (c.menu)
            child<QAction>(Form_MainKestrel, "Menu_BusMonitor")->trigger();
        else
            child<QToolButton>(Form_MainKestrel, "TntSpeedButton_BusMonitor")->click();
        EXPECT_EQ(Form_BusMonitor->isVisible(), c.opens);
        const std::vector<FakeZarvoCall> opened = driver.calls("Zarvo_OpenPort");
        if (!c.opens) {
            ASSERT_EQ(dialogs.shown.size(), 1);
            EXPECT_EQ(dialogs.shown[0].text, Phrase(PhraseId::PortError));
            EXPECT_TRUE(opened.empty());
            continue;
        }
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened[0].port, 2u);
        EXPECT_EQ(opened[0].value, 250000);
        EXPECT_TRUE(dialogs.shown.isEmpty());
        EXPECT_FALSE(child<QLabel>(Form_BusMonitor, "Label_Status")->text().contains('%'));
    }
}

TEST_F(ViewTrendCommandTest, ExitEndsTheTrendThreadBeforeClosingThePort) {
    driver.setPortCount(1);
    KestrelWindows windows(dialogs, programDir.path(), logDir.path(), driver.binding());
    Form_MainKestrel->show();
    ASSERT_TRUE(driver.waitForCalls("Zarvo_GetRxCount", 1));
    child<QToolButton>(Form_MainKestrel, "SpeedButton_Exit")->click();
    // A thread that had ended only after the click would poll on unseen.
    EXPECT_TRUE(Form_ViewTrend->thread().Stopped());
    const std::vector<FakeZarvoCall> calls = driver.calls();
    const auto closed = std::find_if(calls.begin(), calls.end(), [](const FakeZarvoCall& c) {
        return c.op == "Zarvo_ClosePort";
    });
    ASSERT_NE(closed, calls.end());
    EXPECT_TRUE(std::none_of(closed, calls.end(), [](const FakeZarvoCall& c) {
        return c.op == "Zarvo_GetRxCount" || c.op == "Zarvo_GetPortStatus";
    }));
}

} // namespace
