#include "KestrelWindows.h"

#include "About.h"
#include "AddNewItem.h"
#include "BusMonitorWindow.h"
#include "Dialog_singletxcan.h"
#include "MainKestrel.h"
#include "TestItems.h"
#include "ViewTrend.h"
#include "WaitMessage.h"
#include "ZarvoConfig.h"

template <typename Window, typename... Args>
void KestrelWindows::create(Window*& reference, Args&&... args) {
    auto window = std::make_unique<Window>(std::forward<Args>(args)...);
    reference = window.get();
    windows_.push_back({std::move(window), [&reference] { reference = nullptr; }});
}

KestrelWindows::KestrelWindows(UserDialogs& dialogs, const QString& programFolder,
                               const QString& logFolder, const ZarvoBinding& driver) {
    create(Form_MainKestrel, dialogs, programFolder, logFolder, driver);
    create(Form_TestItems, dialogs, [] {
        if (Form_MainKestrel)
            Form_MainKestrel->FormShow();
    });
    create(Form_AddNewItem, dialogs);
    create(Form_ZarvoConfig, dialogs, programFolder, driver);
    create(Form_About);
    create(Form_WaitMessage);
    create(Form_SingleTxCAN, dialogs, driver);
    create(Form_ViewTrend, dialogs, driver);
    create(Form_BusMonitor, dialogs, driver);
}

KestrelWindows::~KestrelWindows() {
    while (!windows_.empty()) {
        windows_.back().forget();
        windows_.pop_back();
    }
}
