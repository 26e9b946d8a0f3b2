#pragma once
// Reading back what the run engine writes to the system log.

#include "SystemLog.h"

#include <QDate>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

// The system log of one test, written through the real logger library into a
// temporary folder; logging is off again when it goes.
class LogCapture {
public:
    LogCapture() {
        if (LoadLogger(QStringLiteral(LANTERN_LOGGER_PATH)) == 0)
            StartSystemLog(day_, dir_.path());
    }
    ~LogCapture() { LoadLogger(dir_.filePath(QStringLiteral("none.so"))); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // The lines written so far, without their time stamps.
    QStringList lines() const {
        QFile file(LogFilePath(dir_.path(), day_));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList texts;
        for (const QString& line :
             QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            texts << line.section(QStringLiteral("  "), 1);
        return texts;
    }

private:
    const QDate day_ = QDate::currentDate();
    QTemporaryDir dir_;
};
