// Renders the CAN hardware window after a search on Kestrel's own driver, in
// the three languages, first with the simulator ports alone and then with a
// Qt virtual CAN server running in this process:
//   kestrel_hwconfig_screenshots OUTPUT_FOLDER
// Runs headless (QT_QPA_PLATFORM=offscreen) in a temporary program folder.

#include "Phrases.h"
#include "ScriptedDialogs.h"
#include "ZarvoConfig.h"
#include "ZarvoDevices.h"
#include "ZarvoPortTable.h"

#include <QApplication>
#include <QCanBus>
#include <QCanBusDevice>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
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
        window.setDriverInfo(DriverInfoLine(ZarvoDriverInfo()));
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

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrel"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: kestrel_hwconfig_screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(output);
    QTemporaryDir programFolder;
    ScriptedDialogs dialogs;
    TForm_ZarvoConfig window(dialogs, programFolder.path());

    bool ok = search(window) && shootLanguages(window, output + QStringLiteral("/hwconfig"));
    // The first virtual CAN device of a machine serves the virtual bus.
    const std::unique_ptr<QCanBusDevice> server(
        QCanBus::instance()->createDevice(QStringLiteral("virtualcan"), QStringLiteral("can0")));
    if (!server || !server->connectDevice()) {
        std::fprintf(stderr, "no Qt virtual CAN server\n");
        return 1;
    }
    ok = ok && search(window) &&
         shootLanguages(window, output + QStringLiteral("/hwconfig-virtualcan"));
    return ok ? 0 : 1;
}
