#include "HwConfigShots.h"

#include "Phrases.h"
#include "ZarvoConfig.h"
#include "ZarvoDevices.h"
#include "ZarvoPortTable.h"

#include <QApplication>
#include <QCanBus>
#include <QCanBusDevice>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <memory>

namespace {

constexpr int kSearchTimeoutMs = 60000;

// Searches from the window's own button and lets its timer poll until the end.
bool search(TForm_ZarvoConfig& window) {
    window.show();
    window.SpeedButton_SearchZarvoClick();
    const auto* timer = window.findChild<QTimer*>(QStringLiteral("Timer_IsSearchOK"));
    QElapsedTimer waited;
    waited.start();
    while (timer->isActive() && waited.elapsed() < kSearchTimeoutMs)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    window.hide();
    return !timer->isActive();
}

bool shootLanguages(TForm_ZarvoConfig& window, const QString& prefix) {
    const char* const languages[] = {"en", "zh-hans", "zh-hant"};
    bool ok = true;
    for (int language = 0; language < 3; ++language) {
        SetLanguage(language);
        window.setDriverInfo(DriverInfoLine(ZarvoDriverInfo(builtinZarvoBinding())));
        window.show();
        QApplication::processEvents();
        const QString file = QStringLiteral("%1-%2.png").arg(prefix, languages[language]);
        const bool saved = window.grab().save(file);
        std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
        ok &= saved;
        window.hide();
    }
    SetLanguage(0);
    return ok;
}

} // namespace

bool ShootHwConfig(const QString& output) {
    if (!Form_ZarvoConfig)
        return false;
    TForm_ZarvoConfig& window = *Form_ZarvoConfig;
    if (!search(window) || !shootLanguages(window, output + QStringLiteral("/hwconfig")))
        return false;
    // The first virtual CAN device on a machine serves the virtual bus.
    const std::unique_ptr<QCanBusDevice> server(
        QCanBus::instance()->createDevice(QStringLiteral("virtualcan"), QStringLiteral("can0")));
    if (!server || !server->connectDevice()) {
        std::fprintf(stderr, "no Qt virtual CAN server\n");
        return false;
    }
    return search(window) &&
           shootLanguages(window, output + QStringLiteral("/hwconfig-virtualcan"));
}
