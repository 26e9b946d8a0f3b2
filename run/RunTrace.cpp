#include "RunTrace.h"

#include "SystemLog.h"
#include "TraceFile.h"
#include "ZarvoCodes.h"
#include "ZarvoTrace.h"

#include <QFile>
#include <QFileInfo>

bool RunTrace::start(uint8_t port, const QString& path) {
    stop();
    auto sink = makeTraceFileSink(QFile::encodeName(path).toStdString());
    if (!sink->isOpen()) {
        SystemLog(QStringLiteral("Run trace Error! %1: cannot be created").arg(path));
        return false;
    }
    const int32_t result = Zarvo_StartTrace(port, std::move(sink));
    if (result == kZarvoCannotTrace) { // another driver than Kestrel's own: no trace, no fault
        QFile::remove(path);
        return false;
    }
    if (result != kZarvoOk) {
        SystemLog(
            QStringLiteral("Run trace Error! Port %1 cannot be traced (%2)").arg(port).arg(result));
        QFile::remove(path);
        return false;
    }
    port_ = port;
    path_ = path;
    return true;
}

QString RunTrace::stop() {
    if (!port_)
        return {};
    Zarvo_StopTrace(*port_);
    port_.reset();
    return std::exchange(path_, QString());
}

QString TracePathFor(const QString& reportPath, const QString& tracePath) {
    const QFileInfo info(reportPath);
    const bool asc =
        traceFormatOf(QFile::encodeName(tracePath).toStdString()) == TraceFileFormat::Asc;
    return info.path() + QLatin1Char('/') + info.completeBaseName() +
           QLatin1String(asc ? ".asc" : ".log");
}
