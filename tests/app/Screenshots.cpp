// Renders Kestrel's windows into PNG files, in one language per call: the main
// window after a real run of the example on a simulator port (with the
// example's own simulated device), the test configuration editor with the
// example and its item dialog for Add and Edit; with language 0 also the About
// window, the wait message, and the CAN hardware window and the trend window's
// pages in all three languages; the bus monitor's two views of the run's
// traffic with the example's signal database, and its signals, in each
// language:
//   kestrel_screenshots OUTPUT_FOLDER EXAMPLE.ini DEVICE.ini LANGUAGE
// LANGUAGE: 0 English, 1 Simplified Chinese, 2 Traditional Chinese. The
// example is shown from ~/tests/, so that no path of the machine that made the
// pictures appears in them. Runs headless (QT_QPA_PLATFORM=offscreen).

#include "About.h"
#include "AddNewItem.h"
#include "AppPaths.h"
#include "BusMonitorModels.h"
#include "BusMonitorWindow.h"
#include "Globals.h"
#include "GridView.h"
#include "HwConfigShots.h"
#include "KestrelWindows.h"
#include "MainKestrel.h"
#include "Phrases.h"
#include "ScriptedDialogs.h"
#include "SimulatorPort.h"
#include "TestItems.h"
#include "TrendScreenshots.h"
#include "ViewTrend.h"
#include "WaitMessage.h"
#include "ZarvoApi.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace {

const char* const kLanguages[] = {"en", "zh-hans", "zh-hant"};

// Scripted answers; calls onRunComplete when a run's completion message appears.
class ShootingDialogs : public ScriptedDialogs {
public:
    std::function<void()> onRunComplete;
    void inform(const QString& caption, const QString& text) override {
        ScriptedDialogs::inform(caption, text);
        if (text == Phrase(PhraseId::RunComplete) && onRunComplete)
            std::exchange(onRunComplete, nullptr)();
    }
};

bool saved(const QPixmap& picture, const QString& file) {
    const bool ok = picture.save(file);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(file));
    return ok;
}

bool save(QWidget* window, const QString& file) {
    QApplication::processEvents();
    return saved(window->grab(), file);
}

void click(QWidget* window, const char* button) {
    window->findChild<QAbstractButton*>(QString::fromLatin1(button))->click();
}

// Runs every item of the loaded example and pictures the main window with the
// completion message open, as the user sees the results then.
bool shootRun(ShootingDialogs& dialogs, const QString& file) {
    QPixmap picture;
    dialogs.onRunComplete = [&picture] { picture = Form_MainKestrel->grab(); };
    click(Form_MainKestrel, "TntSpeedButton_TestAllItems");
    if (!QTest::qWaitFor([&] { return !dialogs.onRunComplete; }, 60000)) {
        dialogs.onRunComplete = nullptr;
        std::printf("no run completed for %s\n", qPrintable(file));
        return false;
    }
    return saved(picture, file);
}

// Opens the editor, selects item 2 and pictures the editor, the item dialog
// for Add and the item dialog for Edit; cancels both and returns.
bool shootEditor(const QString& output, const QString& language) {
    bool ok = true;
    QTimer::singleShot(0, qApp, [&] {
        auto* grid =
            Form_TestItems->findChild<QTableView*>(QStringLiteral("TntStringGrid_RangeSeting"));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(1, 0)).center());
        ok &= save(Form_TestItems, QStringLiteral("%1/editor-%2.png").arg(output, language));
        const std::pair<const char*, const char*> commands[] = {{"add", "TntSpeedButton_Add"},
                                                                {"edit", "TntSpeedButton_Update"}};
        for (const auto& [name, button] : commands) {
            QTimer::singleShot(0, qApp, [&, name] {
                ok &= save(Form_AddNewItem,
                           QStringLiteral("%1/item-%2-%3.png").arg(output, name, language));
                click(Form_AddNewItem, "Button_Cancel");
            });
            click(Form_TestItems, button);
        }
        click(Form_TestItems, "TntSpeedButton_PrevPage");
    });
    Form_MainKestrel->Menu_ConfigTestItemsClick();
    return ok;
}

// The chronological view with the example's database, the last heartbeat and
// engine speed answers expanded to their signals.
bool shootMonitorSignals(const QString& output, const QString& language) {
    auto* grid = Form_BusMonitor->findChild<GridView*>(QStringLiteral("Grid_Chronological"));
    const QAbstractItemModel* model = grid->model();
    const auto lastRowOf = [model](const QString& id) {
        int row = model->rowCount() - 1;
        while (row >= 0 &&
               model->data(model->index(row, ChronologicalModel::Identifier)).toString() != id)
            --row;
        return row;
    };
    const int heartbeat = lastRowOf(QStringLiteral("701"));
    const int engine = lastRowOf(QStringLiteral("0CF00400x"));
    if (heartbeat < 0 || engine < 0)
        return false;
    // The later row first, so that the earlier one keeps its place.
    Form_BusMonitor->ToggleSignals(std::max(heartbeat, engine));
    Form_BusMonitor->ToggleSignals(std::min(heartbeat, engine));
    grid->scrollTo(model->index(std::min(heartbeat, engine), 0), QAbstractItemView::PositionAtTop);
    grid->selectGridRow(engine > heartbeat ? engine + 2 : engine);
    return save(Form_BusMonitor, QStringLiteral("%1/monitor-signals-%2.png").arg(output, language));
}

// The bus monitor's two views of the traffic the run made, a row selected in
// each, then its signals.
bool shootBusMonitor(const QString& output, const QString& language) {
    Form_BusMonitor->Refresh();
    auto* tabs = Form_BusMonitor->findChild<QTabWidget*>(QStringLiteral("PageControl_Views"));
    bool ok = true;
    const char* const views[] = {"chronological", "fixed"};
    for (int view : {0, 1}) {
        tabs->setCurrentIndex(view);
        auto* grid = qobject_cast<GridView*>(tabs->currentWidget());
        grid->selectGridRow(3);
        ok &= save(Form_BusMonitor, QStringLiteral("%1/monitor-%2-%3.png")
                                        .arg(output, QLatin1String(views[view]), language));
    }
    tabs->setCurrentIndex(0);
    return ok && shootMonitorSignals(output, language);
}

} // namespace

int main(int argc, char* argv[]) {
    // Headless, also when the test list is read at build time.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrel"));
    const int language = argc == 5 ? QString::fromLocal8Bit(argv[4]).toInt() : -1;
    if (language < 0 || language > 2) {
        std::fprintf(stderr,
                     "usage: kestrel_screenshots OUTPUT_FOLDER EXAMPLE.ini DEVICE.ini LANGUAGE\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(output);
    QTemporaryDir programFolder;
    QTemporaryDir logFolder;
    SetProgramFolderForTesting(programFolder.path());
    qputenv("XDG_STATE_HOME", logFolder.filePath(QStringLiteral("state")).toUtf8());
    const QString example = QString::fromLocal8Bit(argv[2]);
    const QString shown =
        QDir::homePath() + QStringLiteral("/tests/") + QFileInfo(example).fileName();
    QDir().mkpath(QFileInfo(shown).absolutePath());
    QFile::remove(shown);
    QFile::copy(example, shown);
    ShootingDialogs dialogs;
    dialogs.fileAnswers = {shown};

    KestrelWindows windows(dialogs, programFolder.path(), logFolder.path());
    ZarvoPort = FirstSimulatorPort().value_or(0);
    ZarvoBaudRate = 500000;
    Form_MainKestrel->show();
    Form_MainKestrel->TntSpeedButton_LoadConfigClick();
    bool ok = true;
    if (language == 0) {
        // All three languages each; the trend pages show the default device's
        // broadcasts, so they come before the example's device is in place
        // (the device is read when the port opens).
        ok &= SaveTrendScreenshots(output, programFolder.path());
        Form_ViewTrend->hide();
        builtinZarvoBinding().Zarvo_ClosePort(ZarvoPort);
        ok &= ShootHwConfig(output);
    }
    QFile::copy(QString::fromLocal8Bit(argv[3]),
                programFolder.filePath(QStringLiteral("SimDevice.ini")));
    ZarvoPort = FirstSimulatorPort().value_or(0);
    Form_MainKestrel->Lang_EngClick(language);
    const QString suffix = QString::fromLatin1(kLanguages[language]);
    Form_MainKestrel->TntSpeedButton_BusMonitorClick();
    dialogs.fileAnswers = {
        QFileInfo(QString::fromLocal8Bit(argv[3])).dir().filePath(QStringLiteral("ecu-smoke.dbc"))};
    Form_BusMonitor->Button_DatabaseClick();
    Form_BusMonitor->resize(1100, 640);
    ok &= shootRun(dialogs, QStringLiteral("%1/main-%2.png").arg(output, suffix));
    ok &= shootBusMonitor(output, suffix);
    ok &= shootEditor(output, suffix);
    if (language == 0) {
        Form_MainKestrel->Menu_AboutClick();
        ok &= save(Form_About, output + QStringLiteral("/about.png"));
        RunWithWaitMessage(
            [&] { ok &= save(Form_WaitMessage, output + QStringLiteral("/wait.png")); });
    }
    QFile::remove(shown);
    QDir().rmdir(QFileInfo(shown).absolutePath()); // only when nothing else is in it
    return ok ? 0 : 1;
}
