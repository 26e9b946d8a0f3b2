#include "RunController.h"

#include "Convert.h"
#include "Globals.h"
#include "Phrases.h"
#include "ResultGridFill.h"
#include "RunCallbacks.h"
#include "SystemLog.h"
#include "ZarvoApi.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <chrono>
#include <thread>

namespace {

// Test item `item`'s identifier does not fit its mode; sending it would mask it.
QString IdBeyondModeText(int item) {
    const type_CustomerCMD& t = Global_CustomerCMD;
    return Phrase(PhraseId::IdBeyondMode)
        .arg(item + 1)
        .arg(t.Description1[item], HexText(t.TxCANID[item], 3))
        .arg(t.TxCANMode[item] == 0 ? 11 : 29);
}

} // namespace

RunController::RunController(RunView& view, QString reportFolder)
    : view_(view), reportFolder_(std::move(reportFolder)), RxThread([this](uint32_t status) {
          view_.runOnUiThread([this, status] { ShowPortStatus(view_, status); });
      }) {
    if (!reportFolder_.isEmpty())
        RecoverIncompleteTraces(reportFolder_);
}

RunController::~RunController() {
    RxThread.StopReceive();
    waitForReceiveThread();
}

bool PortInTable(uint8_t port) {
    uint8_t count = 0;
    zarvo().Zarvo_GetPortTable(&count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    return count != 0 && port < count;
}

bool RunController::idsFit(int row) {
    const int item = FirstIdNotFittingMode([row](int i) { return row == 0 || i == row - 1; });
    if (item < 0)
        return true;
    view_.dialogs().error(IdBeyondModeText(item));
    return false;
}

bool RunController::portCheck() {
    if (PortInTable(ZarvoPort))
        return true;
    view_.showSearchAgain(QString());
    view_.dialogs().error(Phrase(PhraseId::PortError));
    return false;
}

void RunController::testAllItems(bool groupSend) {
    if (running_ || !idsFit(0) || !portCheck())
        return;
    view_.hideSearchAgain();
    SystemLog(QStringLiteral("Start testing all items!"));
    SystemLogf("_CustomerCMD.CMD_ID[0]=%x", Global_CustomerCMD.TxCANID[0]);
    clearResults();
    view_.setSelectedRow(1);
    zarvo().Zarvo_OpenPort(ZarvoPort, ZarvoBaudRate);
    startTrace();
    // The transmit thread reads the flags and the port as soon as it is resumed.
    Global_CustomerCMD.IsGroupSend = groupSend ? 1 : 0;
    Global_CustomerCMD.IsTestAll = 1;
    view_.setRunControls(RunControls::Running);
    running_ = true;
    startThreads();
    view_.setTimerEnabled(RunTimer::TestAllItems, true);
}

void RunController::testSelectedItem(int row) {
    if (running_)
        return;
    if (row < 1 || row > Global_CustomerCMD.CMD_Count) {
        view_.dialogs().inform(Phrase(PhraseId::SelectItemToTest));
        return;
    }
    SystemLog(QStringLiteral("Start single testing"));
    view_.setSelectedRow(row);
    SingleTestRow = static_cast<uint8_t>(row);
    const int item = row - 1;
    if (!idsFit(row))
        return;
    if (SentUntilStopped(Global_CustomerCMD.TxLoopTimes[item]))
        view_.showSingleTransmit(item);
    if (!portCheck()) {
        view_.hideSingleTransmit();
        return;
    }
    view_.hideSearchAgain();
    zarvo().Zarvo_OpenPort(ZarvoPort, ZarvoBaudRate);
    startTrace();
    Global_CustomerCMD.IsTestAll = 0;
    running_ = true;
    startThreads();
    view_.setRunControls(RunControls::Running);
    view_.setTimerEnabled(RunTimer::TestSingleItem, true);
}

void RunController::startThreads() {
    {
        std::lock_guard lock(RunCellsMutex());
        ReceivedResponses().fill(std::nullopt);
    }
    TxThread.SetPort(ZarvoPort);
    TxThread.Resume();
    TxThread.StartSend();
    RxThread.Resume();
    RxThread.StartReceive();
}

void RunController::testAllItemsTimer() {
    view_.setTimerEnabled(RunTimer::TestAllItems, false);
    if (!running_)
        return;
    const std::vector<ResultCells::Row> rows = Global_ResultCells().snapshot();
    const auto count = static_cast<size_t>(Global_CustomerCMD.CMD_Count);
    bool finished = count > 0 && rows.size() > count;
    for (size_t row = 1; finished && row <= count; ++row)
        finished = !rows[row][ResultCells::EndTime].isEmpty();
    if (!finished) {
        view_.setTimerEnabled(RunTimer::TestAllItems, true);
        return;
    }
    finishByItself();
}

void RunController::testSingleItemTimer() {
    view_.setTimerEnabled(RunTimer::TestSingleItem, false);
    if (!running_)
        return;
    const ResultCells& cells = Global_ResultCells();
    if (SingleTestRow >= cells.rowCount() ||
        cells.cell(ResultCells::EndTime, SingleTestRow).isEmpty()) {
        view_.setTimerEnabled(RunTimer::TestSingleItem, true);
        return;
    }
    finishByItself();
}

void RunController::finishByItself() {
    RxThread.StopReceive();
    view_.setRunControls(RunControls::Ending);
    SystemLog(QStringLiteral("Testing-all-items is terminated automatically!"));
    waitForReceiveThread();
    // The results stay visible while the message is open.
    view_.dialogs().inform(Phrase(PhraseId::RunComplete));
    RxThread.Suspend();
    keepAndClearResults();
    view_.setStatusLamp(LampColour::Blue);
    view_.setRunControls(RunControls::EndedByItself);
    running_ = false;
}

void RunController::stop(const QString& traceNote) {
    if (!running_)
        return;
    view_.hideSingleTransmit();
    // The transmit thread hands over no further group once it sees the stop,
    // and is idle before the groups are stopped: none starts after its Stop.
    TxThread.StopSend();
    TxThread.WaitUntilIdle();
    if (Global_CustomerCMD.IsGroupSend == 1) {
        for (int group = 0; group < Global_CustomerCMD.Group_Count; ++group)
            zarvo().Zarvo_StopGroup(ZarvoPort, static_cast<uint8_t>(group));
    } else {
        zarvo().Zarvo_StopGroup(ZarvoPort, 0);
    }
    view_.setTimerEnabled(RunTimer::TestAllItems, false);
    view_.setTimerEnabled(RunTimer::TestSingleItem, false);
    RxThread.StopReceive();
    waitForReceiveThread();
    SystemLog(QStringLiteral("Stop testing!"));
    keepAndClearResults(traceNote);
    view_.setRunControls(RunControls::Stopped);
    view_.setStatusLamp(LampColour::Blue);
    running_ = false;
}

void RunController::waitForReceiveThread() {
    // The receive thread shows the port status through the UI thread, so the
    // wait keeps serving its calls.
    while (RxThread.IsBusy()) {
        view_.processPendingEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void RunController::clearResults() {
    std::lock_guard lock(RunCellsMutex());
    ClearResultColumns(Global_ResultCells());
}

void RunController::keepAndClearResults(const QString& traceNote) {
    {
        std::lock_guard lock(RunCellsMutex());
        std::vector<ResultCells::Row> rows = Global_ResultCells().snapshot();
        lastResults_.assign(rows.begin() + 1, rows.end());
        judgeResults();
        ClearResultColumns(Global_ResultCells());
    }
    view_.showRunSummary(CountVerdicts(lastVerdicts_));
    writeReport();
    finishTrace(traceNote);
}

void RunController::judgeResults() {
    const RunResponses& responses = ReceivedResponses();
    const type_CustomerCMD& t = Global_CustomerCMD;
    lastVerdicts_.assign(lastResults_.size(), std::nullopt);
    for (int item = 0; item < t.CMD_Count && item < static_cast<int>(lastResults_.size()); ++item) {
        if (t.IsTestAll == 0 && item != SingleTestRow - 1)
            continue;
        const auto i = static_cast<size_t>(item);
        lastVerdicts_[i] = Judge(Expectation::ofItem(t, item), responses[i],
                                 !lastResults_[i][ResultCells::EndTime].isEmpty());
    }
}

void RunController::writeReport() {
    lastReportPath_.clear();
    if (reportFolder_.isEmpty())
        return;
    QString error;
    const QString path = ReportPath(reportFolder_, CurrentConfigFile, QDateTime::currentDateTime());
    if (!QDir().mkpath(reportFolder_))
        error = QStringLiteral("%1: cannot create the folder").arg(reportFolder_);
    else
        lastReportPath_ =
            WriteNewResultCsv(path, ResultHeaders(), lastResults_, lastVerdicts_, &error);
    if (!error.isEmpty())
        SystemLog(QStringLiteral("Run report Error! %1").arg(error));
}

void RunController::startTrace() {
    lastTracePath_.clear();
    QString path = traceFile_;
    // Beside the report; named after the report once the run ends.
    if (path.isEmpty() && !reportFolder_.isEmpty() && QDir().mkpath(reportFolder_))
        path = TracePathFor(
            ReportPath(reportFolder_, CurrentConfigFile, QDateTime::currentDateTime()));
    tracingToFolder_ = traceFile_.isEmpty();
    if (!path.isEmpty())
        trace_.start(ZarvoPort, path);
}

void RunController::finishTrace(const QString& note) {
    if (!tracingToFolder_) {
        lastTracePath_ = trace_.stop(note);
        copyTraceBesideReport();
        return;
    }
    if (lastReportPath_.isEmpty())
        trace_.discard();
    else
        lastTracePath_ = trace_.stop(note, TracePathFor(lastReportPath_));
}

void RunController::copyTraceBesideReport() {
    if (lastTracePath_.isEmpty() || lastReportPath_.isEmpty())
        return;
    QString error;
    if (CopyToNewFile(lastTracePath_, TracePathFor(lastReportPath_, lastTracePath_), &error)
            .isEmpty())
        SystemLog(QStringLiteral("Run trace Error! %1").arg(error));
}
