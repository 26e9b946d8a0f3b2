// The CAN hardware window driven headless: scripted dialogs and the driver
// fake, its opening from the main window, and a search on the real driver.

#include "ZarvoConfig.h"

#include "AppFixture.h"
#include "Globals.h"
#include "Phrases.h"
#include "ZarvoDevices.h"
#include "ZarvoIni.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

class ZarvoConfigTest : public AppFixture {
protected:
    ZarvoConfigTest() {
        driver.setPorts({{3000, 0, "SocketCAN", "can0", 0, {}},
                         {3100, 0, "Simulator", "Kestrel", 0, {}},
                         {3100, 0, "Simulator", "Kestrel", 1, {}}});
    }

    QComboBox* list(const char* name) const { return child<QComboBox>(&window, name); }
    // The user picks entry `index` of a list.
    void choose(const char* name, int index) {
        list(name)->setCurrentIndex(index);
        emit list(name)->activated(index);
    }
    bool alarmShown() const { return !child<QLabel>(&window, "TntLabel_UnSaveAlarm")->isHidden(); }
    bool searchShown() const {
        return !child<QLabel>(&window, "Label_Percent")->isHidden() &&
               !child<QProgressBar>(&window, "ProgressBar_Status")->isHidden();
    }
    QTimer* timer() const { return child<QTimer>(&window, "Timer_IsSearchOK"); }

    TForm_ZarvoConfig window{dialogs, programDir.path(), driver.binding()};
};

TEST_F(ZarvoConfigTest, OpeningShowsTheTableAndTheChoiceInForce) {
    ZarvoPort = 2;
    ZarvoBaudRate = 500000;
    window.show();
    EXPECT_EQ(child<QTableWidget>(&window, "ListView_Zarvo")->rowCount(), 3);
    EXPECT_EQ(child<QTreeWidget>(&window, "TreeView_SearchCAN")->topLevelItemCount(), 2);
    EXPECT_EQ(list("ComboBox_ZarvoPort")->currentIndex(), 2);
    EXPECT_EQ(list("ComboBox_ZarvoPort")->count(), 8);
    EXPECT_EQ(list("ComboBox_BaudRate")->currentText(), QStringLiteral("500 Kbps"));
    EXPECT_FALSE(alarmShown());
    EXPECT_EQ(child<QLabel>(&window, "TntLabel_CurrentConfigurationFile")->text(),
              Phrase(PhraseId::CurrentConfigLabel) + QStringLiteral(" : ") +
                  Phrase(PhraseId::NoConfigFile));
}

// What the lists show for the stored port and bit rate, and what Save stores
// after the user's picks: a stored value the list does not hold is shown as no
// entry and kept unless the user picked one.
TEST_F(ZarvoConfigTest, SaveStoresThePicksAndKeepsStoredValuesTheListsDoNotHold) {
    const struct {
        uint8_t port;
        uint32_t rate;
        int pickedPort; // -1: none
        int pickedRate;
        int shownPort; // the entries shown on opening; -1: none
        int shownRate;
        uint8_t savedPort;
        uint32_t savedRate;
    } cases[] = {
        {0, 33333, 1, -1, 0, -1, 1, 33333},
        {0, 33333, 1, 3, 0, -1, 1, *BitRateOfEntry(3)},
        {0, 500000, 1, -1, 0, *BitRateIndex(500000), 1, 500000},
        {0, 500000, 7, 8, 0, *BitRateIndex(500000), 7, 1000000}, // the empty eighth entry
        {20, 500000, -1, -1, 20, *BitRateIndex(500000), 20, 500000},
        {200, 500000, -1, -1, -1, *BitRateIndex(500000), 200, 500000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << int{c.port} << " " << c.rate << " " << c.pickedPort << " " << c.pickedRate);
        window.show();
        choose("ComboBox_BaudRate", 0); // the last window left another entry selected
        window.hide();
        ZarvoPort = c.port;
        ZarvoBaudRate = c.rate;
        window.show();
        EXPECT_EQ(list("ComboBox_ZarvoPort")->currentIndex(), c.shownPort);
        EXPECT_EQ(list("ComboBox_BaudRate")->currentIndex(), c.shownRate);
        if (c.shownRate < 0) {
            EXPECT_EQ(list("ComboBox_BaudRate")->placeholderText(),
                      QStringLiteral("%1 bit/s").arg(c.rate));
        }
        EXPECT_FALSE(alarmShown());
        if (c.pickedPort >= 0)
            choose("ComboBox_ZarvoPort", c.pickedPort);
        if (c.pickedRate >= 0)
            choose("ComboBox_BaudRate", c.pickedRate);
        EXPECT_EQ(alarmShown(), c.pickedPort >= 0 || c.pickedRate >= 0);
        dialogs.shown.clear();
        window.TntSpeedButton_SaveRangeClick();
        EXPECT_EQ(dialogs.texts("inform"), QStringList{Phrase(PhraseId::SaveOk)});
        EXPECT_FALSE(alarmShown());
        ZarvoPort = 0;
        ZarvoBaudRate = 0;
        ASSERT_EQ(ReadZarvoIni(programDir.path()), 0);
        EXPECT_EQ(ZarvoPort, c.savedPort);
        EXPECT_EQ(ZarvoBaudRate, c.savedRate);
        window.hide();
    }
}

TEST_F(ZarvoConfigTest, ASaveThatFailsIsReportedAndChangesNothing) {
    ZarvoPort = 1;
    TForm_ZarvoConfig unwritable(dialogs, programPath(QStringLiteral("no/such/folder")),
                                 driver.binding());
    unwritable.show();
    unwritable.findChild<QComboBox*>(QStringLiteral("ComboBox_ZarvoPort"))->setCurrentIndex(5);
    unwritable.TntSpeedButton_SaveRangeClick();
    EXPECT_EQ(dialogs.texts("error").size(), 1);
    EXPECT_TRUE(dialogs.texts("inform").isEmpty());
    EXPECT_EQ(ZarvoPort, 1);
}

TEST_F(ZarvoConfigTest, ReturnAsksOnlyAboutUnsavedChangesAndNeverSaves) {
    window.show();
    window.TntSpeedButton_PrevPageClick();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(dialogs.texts("confirm").isEmpty());

    window.show();
    choose("ComboBox_ZarvoPort", 1);
    dialogs.confirmAnswers = {false, true};
    window.TntSpeedButton_PrevPageClick();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(alarmShown());
    window.TntSpeedButton_PrevPageClick();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(dialogs.texts("confirm"),
              QStringList(2, Phrase(PhraseId::SettingsNotSaved) + QStringLiteral("\r\n") +
                                 Phrase(PhraseId::AskIgnoreChanges)));
    EXPECT_EQ(ZarvoPort, 0);
    EXPECT_FALSE(QFile::exists(programPath(QStringLiteral("Zarvo.ini"))));
    window.show();
    EXPECT_EQ(list("ComboBox_ZarvoPort")->currentIndex(), 0);
}

TEST_F(ZarvoConfigTest, SearchIsPolledWhileTheWindowIsOpenAndTakenUpAgainOnReopening) {
    driver.setSearchProgress(40);
    window.show();
    window.SpeedButton_SearchZarvoClick();
    EXPECT_EQ(driver.calls("Zarvo_StartSearch").size(), 1u);
    EXPECT_TRUE(timer()->isActive());
    window.Timer_IsSearchOKTimer();
    EXPECT_TRUE(searchShown());
    EXPECT_EQ(child<QLabel>(&window, "Label_Percent")->text(), QStringLiteral("Searching 40%"));

    window.TntSpeedButton_PrevPageClick();
    EXPECT_FALSE(timer()->isActive());
    driver.setSearchProgress(70);
    window.show();
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(child<QProgressBar>(&window, "ProgressBar_Status")->value(), 70);

    driver.setPorts(std::vector<FakeZarvoPort>(12, {3000, 0, "SocketCAN", "can", 0, {}}));
    driver.setSearchProgress(100);
    window.Timer_IsSearchOKTimer();
    EXPECT_FALSE(searchShown());
    EXPECT_FALSE(timer()->isActive());
    EXPECT_EQ(child<QTableWidget>(&window, "ListView_Zarvo")->rowCount(), 12);
    // Every reported port can be chosen, beyond the empty eighth entry.
    EXPECT_EQ(list("ComboBox_ZarvoPort")->count(), 12);
    EXPECT_EQ(list("ComboBox_ZarvoPort")->itemText(11), QStringLiteral("CAN 11"));
    EXPECT_EQ(driver.calls("Zarvo_StartSearch").size(), 1u);
}

TEST_F(ZarvoConfigTest, OpeningFromTheMainWindowLogsAndShowsOneInformationLine) {
    driver.setDriverInfo(std::string(76, 'h') + "Version 9.");
    const auto main = makeMainWindow();
    Form_ZarvoConfig = &window;
    for (int opening = 0; opening < 2; ++opening) {
        QTimer::singleShot(0, &window, &TForm_ZarvoConfig::TntSpeedButton_PrevPageClick);
        main->Menu_ConfigZarvoClick();
    }
    Form_ZarvoConfig = nullptr;
    EXPECT_EQ(child<QPlainTextEdit>(&window, "Memo_About")->toPlainText(),
              QStringLiteral("Version 9."));
    EXPECT_EQ(logText().count(QStringLiteral("Edit the Virtual CANEdit configuration!")), 2);
}

// Kestrel's own driver: its two simulator ports are always there.
TEST(ZarvoConfigOnTheDriver, SearchReaches100AndListsTheSimulatorPorts) {
    ScriptedDialogs dialogs;
    QTemporaryDir folder;
    TForm_ZarvoConfig window(dialogs, folder.path());
    window.show();
    window.SpeedButton_SearchZarvoClick();
    auto* timer = window.findChild<QTimer*>(QStringLiteral("Timer_IsSearchOK"));
    QTRY_VERIFY_WITH_TIMEOUT(!timer->isActive(), 60000);
    EXPECT_TRUE(window.findChild<QLabel*>(QStringLiteral("Label_Percent"))->isHidden());
    const auto* table = window.findChild<QTableWidget*>(QStringLiteral("ListView_Zarvo"));
    QStringList simulatorRows;
    for (int r = 0; r < table->rowCount(); ++r)
        if (table->item(r, 1)->text() == QLatin1String("Simulator"))
            simulatorRows << table->item(r, 2)->text() + QLatin1Char('/') +
                                 table->item(r, 3)->text();
    EXPECT_EQ(simulatorRows, (QStringList{QStringLiteral("ID 0/0"), QStringLiteral("ID 0/1")}));
    const auto* tree = window.findChild<QTreeWidget*>(QStringLiteral("TreeView_SearchCAN"));
    const QList<QTreeWidgetItem*> series =
        tree->findItems(QStringLiteral("Simulator Series"), Qt::MatchExactly);
    ASSERT_EQ(series.size(), 1);
    ASSERT_EQ(series[0]->childCount(), 1);
    EXPECT_EQ(series[0]->child(0)->text(0), QStringLiteral("Simulator (ID 0)"));
}

} // namespace
