// Renders the main window in its three languages with a loaded example and
// sample results, the About window, the wait message and the trend window's
// pages into PNG files:
//   kestrel_screenshots OUTPUT_FOLDER EXAMPLE.ini
// Runs headless (QT_QPA_PLATFORM=offscreen) in temporary folders.

#include "About.h"
#include "HwConfigShots.h"
#include "KestrelWindows.h"
#include "MainKestrel.h"
#include "ResultCells.h"
#include "ScriptedDialogs.h"
#include "TrendScreenshots.h"
#include "WaitMessage.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// Results as a finished run leaves them: passes, a failure and an item that
// compares nothing.
void fillSampleResults() {
    ResultCells& cells = Global_ResultCells();
    const char* const results[][3] = {
        {"0", "", ""}, {"0", "", ""}, {"48", "D1, D2", ""}, {"--", "", ""}, {"0", "", ""}};
    const int rows = std::min(cells.rowCount() - 1, 5);
    for (int row = 1; row <= rows; ++row) {
        const auto& result = results[row - 1];
        cells.setCell(ResultCells::StartTime, row,
                      QStringLiteral("10:15:%1.120").arg(row * 2, 2, 10, QLatin1Char('0')));
        cells.setCell(ResultCells::EndTime, row,
                      QStringLiteral("10:15:%1.480").arg(row * 2 + 1, 2, 10, QLatin1Char('0')));
        cells.setCell(ResultCells::Result, row, QString::fromLatin1(result[0]));
        cells.setCell(ResultCells::Remarks, row, QString::fromLatin1(result[1]));
    }
    QApplication::processEvents();
}

bool save(QWidget* window, const QString& file) {
    QApplication::processEvents();
    const bool saved = window->grab().save(file);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
    return saved;
}

} // namespace

int main(int argc, char* argv[]) {
    // Headless, also when the test list is read at build time.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrel"));
    if (argc != 3) {
        std::fprintf(stderr, "usage: kestrel_screenshots OUTPUT_FOLDER EXAMPLE.ini\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(output);
    QTemporaryDir programFolder;
    QTemporaryDir logFolder;
    ScriptedDialogs dialogs;
    dialogs.fileAnswers = {QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath()};

    KestrelWindows windows(dialogs, programFolder.path(), logFolder.path());
    Form_MainKestrel->show();
    Form_MainKestrel->TntSpeedButton_LoadConfigClick();
    bool ok = true;
    const char* const languages[] = {"en", "zh-hans", "zh-hant"};
    for (int language = 0; language < 3; ++language) {
        Form_MainKestrel->Lang_EngClick(language);
        fillSampleResults();
        Form_MainKestrel->selectGridRow(3);
        ok &= save(Form_MainKestrel,
                   QStringLiteral("%1/main-%2.png").arg(output, languages[language]));
    }
    Form_MainKestrel->Lang_EngClick(0);
    Form_MainKestrel->Menu_AboutClick();
    ok &= save(Form_About, output + QStringLiteral("/about.png"));
    RunWithWaitMessage([&] { ok &= save(Form_WaitMessage, output + QStringLiteral("/wait.png")); });
    ok &= ShootHwConfig(output);
    ok &= SaveTrendScreenshots(output, programFolder.path());
    return ok ? 0 : 1;
}
