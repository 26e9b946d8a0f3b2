#include "SystemLog.h"

#include "AppPaths.h"

#include <QDir>
#include <QFile>
#include <QLibrary>
#include <atomic>
#include <cstdarg>

namespace {

// The shape of both exports of the logger library.
using LogFunction = int32_t (*)(const char* text, int32_t flags);

int32_t NoLog(const char*, int32_t) {
    return 0;
}

std::atomic<LogFunction> setFileNameEntry{NoLog};
std::atomic<LogFunction> writeEntry{NoLog};

LogFunction Resolve(QLibrary& library, const char* name) {
    return reinterpret_cast<LogFunction>(library.resolve(name));
}

} // namespace

int16_t LoadLogger(const QString& libraryPath) {
    setFileNameEntry = NoLog;
    writeEntry = NoLog;
    // The library stays loaded for the life of the process (it is never
    // unloaded), so other threads may keep calling an entry point taken from it.
    QLibrary library(libraryPath.isEmpty()
                         ? ExecutableFolder() + QLatin1String("/libLanternLogger.so")
                         : libraryPath);
    if (!library.load())
        return -1;
    const LogFunction setFileName = Resolve(library, "Log_SetFileName");
    if (!setFileName)
        return -2;
    setFileNameEntry = setFileName;
    const LogFunction write = Resolve(library, "Log_Write");
    if (!write)
        return -3;
    writeEntry = write;
    return 0;
}

QString DefaultLogFolder() {
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(base))
        base = QDir::homePath() + QLatin1String("/.local/state");
    return base + QLatin1String("/LanternLog");
}

QString LogFilePath(const QString& logFolder, const QDate& day) {
    return logFolder +
           QStringLiteral("/SystemLog-%1.Log").arg(day.toString(QStringLiteral("yyyy-MM-dd")));
}

void StartSystemLog(const QDate& today, const QString& logFolder) {
    setFileNameEntry.load()(QFile::encodeName(LogFilePath(logFolder, today)).constData(), 0);
    // Logs of the last week stay; older ones are removed over a window of
    // eleven days, so a program started daily keeps the folder small.
    for (int daysBack = 7; daysBack <= 17; ++daysBack)
        QFile::remove(LogFilePath(logFolder, today.addDays(-daysBack)));
}

void SystemLog(const QString& line) {
    writeEntry.load()(line.toUtf8().constData(), 0);
}

void SystemLogf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const QString line = QString::vasprintf(format, args);
    va_end(args);
    SystemLog(line);
}
