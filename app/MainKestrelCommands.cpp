// The main window's commands: load and save the test configuration, About,
// Exit, and opening the other windows.

#include "About.h"
#include "BusMonitorWindow.h"
#include "ConfigFile.h"
#include "ConfigFileName.h"
#include "Dialog_singletxcan.h"
#include "Globals.h"
#include "MainKestrel.h"
#include "Phrases.h"
#include "ResultCells.h"
#include "ResultGridFill.h"
#include "ResultGridModel.h"
#include "RunController.h"
#include "SystemLog.h"
#include "TestItems.h"
#include "UserDialogs.h"
#include "ViewTrend.h"
#include "WaitMessage.h"
#include "ZarvoApi.h"
#include "ZarvoConfig.h"
#include "ZarvoDevices.h"
#include "ZarvoIni.h"
#include "ZarvoPortTable.h"

#include <QFileInfo>
#include <QThread>
#include <QToolButton>

namespace {

// Caption of the standard error box: the application title.
const QString kApplicationTitle = QStringLiteral("Kestrel");
// The dialogs' titles are fixed texts, the same in every language.
const QString kOpenTitle = QStringLiteral("请选择配置文件(*.ini)");
const QString kSaveTitle = QStringLiteral("请输入配置文件名称(*.ini)");
const QString kIniFilter = QStringLiteral("CAN INI File(*.ini)");

// The table holds kMaxTestItems items; a file with more has the rest left out.
QString itemsLeftOutText(int count) {
    return Phrase(PhraseId::ItemsLeftOut).arg(count).arg(kMaxTestItems);
}

// The warnings of one import, in one box: values changed to fit and lines
// that were not used, each naming its file and line.
QString importWarningsText(const QList<IniWarning>& warnings) {
    QStringList lines{Phrase(PhraseId::ValuesTakenOtherwise)};
    for (const IniWarning& warning : warnings)
        lines.append(warning.message());
    return lines.join(QLatin1Char('\n'));
}

QString folderOf(const QString& file) {
    return file.isEmpty() ? QString() : QFileInfo(file).absolutePath();
}

} // namespace

void TForm_MainKestrel::runCommand(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& e) {
        dialogs_.error(kApplicationTitle, QString::fromUtf8(e.what()));
    } catch (...) {
        dialogs_.error(kApplicationTitle, QString());
    }
}

void TForm_MainKestrel::TntSpeedButton_LoadConfigClick() {
    runCommand([this] {
        if (chooseConfigFile())
            loadChosenConfig();
    });
}

bool TForm_MainKestrel::chooseConfigFile() {
    const QString previous = CurrentConfigFile;
    for (;;) {
        const QString path = dialogs_.openFile(kOpenTitle, folderOf(CurrentConfigFile), kIniFilter);
        if (path.isEmpty()) {
            // Cancelled, also after naming a missing file: the current file stays.
            CurrentConfigFile = previous;
            return false;
        }
        CurrentConfigFile = path;
        SystemLog(QStringLiteral("Load the configuration file!"));
        if (QFileInfo::exists(path))
            return true;
        dialogs_.inform(PhraseLines(PhraseId::FileMissing, PhraseId::SelectConfigAgain));
    }
}

ReadResult TForm_MainKestrel::readCurrentConfig() {
    try {
        return ReadTestConfig(CurrentConfigFile);
    } catch (...) {
        // The grid shows what the table holds now, and nothing of it is tested
        // as if the file were loaded.
        FillResultRows(Global_ResultCells());
        gridModel_->refresh();
        showStatusLine(Phrase(PhraseId::NotLoaded).arg(CurrentConfigFile));
        TntSpeedButton_TestAllItems->setEnabled(false);
        TntSpeedButton_ManualTest->setEnabled(false);
        throw;
    }
}

void TForm_MainKestrel::loadChosenConfig() {
    runSummary_.reset();
    showStatusLine(CurrentConfigFile);
    const ReadResult read = readCurrentConfig();
    QList<IniWarning> warnings = read.warnings;
    ReadZarvoIni(programFolder_, &warnings);
    try {
        FillResultRowsAfterLoad(Global_ResultCells());
    } catch (const ResultRowError& e) {
        gridModel_->refresh();
        dialogs_.inform(kApplicationTitle, QString::fromUtf8(e.what()));
        dialogs_.inform(kApplicationTitle, e.cause());
        return;
    }
    gridModel_->refresh();
    selectGridRow(1);
    setTestButtons();
    if (read.ignoredSections > 0)
        dialogs_.warn(itemsLeftOutText(read.ignoredSections));
    if (!warnings.isEmpty())
        dialogs_.warn(importWarningsText(warnings));
}

void TForm_MainKestrel::N1Click() {
    runCommand([this] {
        const QString chosen =
            dialogs_.saveFile(kSaveTitle, folderOf(CurrentConfigFile), kIniFilter);
        if (!chosen.isEmpty())
            saveConfigAs(chosen);
    });
}

void TForm_MainKestrel::saveConfigAs(const QString& chosen) {
    const QString path = WithIniExtension(chosen);
    const QString partly = OverwritePartlyReadQuestion(path);
    if (QFileInfo::exists(path) &&
        !dialogs_.confirm(partly.isEmpty() ? PhraseLines(PhraseId::FileExists, PhraseId::SaveAs)
                                           : partly))
        return;
    // A description the file cannot hold is refused before the old file is
    // touched; the error box reports it and "Save OK" is not shown.
    RunWithWaitMessage([&path] { WriteTestConfig(path); });
    dialogs_.inform(Phrase(PhraseId::SaveOk));
}

void TForm_MainKestrel::Menu_AboutClick() {
    if (!Form_About)
        return;
    Form_About->setDriverInfo(ZarvoDriverInfo(driver_));
    Form_About->show();
    Form_About->raise();
    Form_About->activateWindow();
}

void TForm_MainKestrel::Menu_ExitSystemClick() {
    // The trend window may ask about unsaved settings; Exit goes on whatever the answer.
    // The trend receive thread ends before the port it polls is closed.
    if (Form_ViewTrend) {
        Form_ViewTrend->close();
        Form_ViewTrend->thread().Stop();
    }
    if (Form_BusMonitor)
        Form_BusMonitor->close();
    driver_.Zarvo_ClosePort(ZarvoPort);
    SystemLog(QStringLiteral("Exit the program!\r\n\r\n"));
    QThread::msleep(10);
    close();
}

void TForm_MainKestrel::Menu_ConfigTestItemsClick() {
    runCommand([] {
        SystemLog(QStringLiteral("Edit the configure file"));
        if (Form_TestItems)
            Form_TestItems->exec();
    });
}

void TForm_MainKestrel::Menu_ConfigZarvoClick() {
    if (!Form_ZarvoConfig)
        return;
    SystemLog(QStringLiteral("Edit the Virtual CANEdit configuration!"));
    Form_ZarvoConfig->setDriverInfo(DriverInfoLine(ZarvoDriverInfo(driver_)));
    Form_ZarvoConfig->execCentredOn(*this);
}

// The trend window and the bus monitor watch the port of Zarvo.ini, opened
// first when it is not open.
bool TForm_MainKestrel::openWatchedPort() {
    if (!PortInTable(ZarvoPort, driver_)) {
        if (Form_SingleTxCAN)
            Form_SingleTxCAN->hide();
        setSearchAgainVisible(true);
        dialogs_.error(Phrase(PhraseId::PortError));
        return false;
    }
    driver_.Zarvo_OpenPort(ZarvoPort, ZarvoBaudRate);
    return true;
}

void TForm_MainKestrel::TntSpeedButton_ViewTrendClick() {
    if (openWatchedPort() && Form_ViewTrend)
        Form_ViewTrend->ShowTrend();
}

void TForm_MainKestrel::TntSpeedButton_BusMonitorClick() {
    if (openWatchedPort() && Form_BusMonitor)
        Form_BusMonitor->ShowMonitor();
}
