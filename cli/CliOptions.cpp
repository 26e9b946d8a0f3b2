#include "CliOptions.h"

#include "AppPaths.h"
#include "Commands.h"
#include "Globals.h"
#include "Phrases.h"
#include "RunController.h"
#include "SystemLog.h"
#include "ZarvoApi.h"
#include "ZarvoCodes.h"
#include "ZarvoIni.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <sys/stat.h>

void PrintError(const QString& message) {
    std::fprintf(stderr, "kestrel-cli: %s\n", qUtf8Printable(message));
}

void PrintWarnings(const QList<IniWarning>& warnings) {
    for (const IniWarning& warning : warnings)
        PrintError(QStringLiteral("warning: ") + warning.message());
}

void StartLogging() {
    LoadLogger();
    StartSystemLog(QDate::currentDate());
}

bool SameFile(const QString& a, const QString& b) {
    struct stat first {};
    struct stat second {};
    if (stat(QFile::encodeName(a).constData(), &first) == 0 &&
        stat(QFile::encodeName(b).constData(), &second) == 0)
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

std::optional<long long> WholeNumber(const QString& text, long long low, long long high) {
    bool ok = false;
    const long long value = text.toLongLong(&ok);
    return ok && value >= low && value <= high ? std::optional(value) : std::nullopt;
}

std::optional<bool> PortOptions::apply(const QString& name, const QString& value) {
    if (name == QLatin1String("--port")) {
        const auto number = WholeNumber(value, 0, 255);
        port = number ? std::optional(static_cast<uint8_t>(*number)) : std::nullopt;
        return number.has_value();
    }
    if (name == QLatin1String("--bitrate")) {
        const auto number = WholeNumber(value, 1, UINT32_MAX);
        bitRate = number ? std::optional(static_cast<uint32_t>(*number)) : std::nullopt;
        return number.has_value();
    }
    return std::nullopt;
}

std::optional<std::chrono::milliseconds> Seconds(const QString& text) {
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !(seconds > 0 && seconds < 1e7))
        return std::nullopt;
    return std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
}

int PortOptions::readZarvoIni() const {
    if (!needZarvoIni())
        return 0;
    QList<IniWarning> warnings;
    try {
        ReadZarvoIni(ProgramFolder(), &warnings);
    } catch (const std::exception& error) {
        PrintError(QString::fromUtf8(error.what()));
        return kExitBadZarvoIni;
    }
    PrintWarnings(warnings);
    return 0;
}

void PortOptions::applyToGlobals() const {
    ZarvoPort = port.value_or(ZarvoPort);
    ZarvoBaudRate = bitRate.value_or(ZarvoBaudRate);
}

namespace {

// The reason the driver's information text gives for `port`, empty when none.
QString PortNote(const ZarvoBinding& driver, uint8_t port) {
    char info[kZarvoDriverInfoSize] = {};
    driver.Zarvo_GetDriverInfo(info);
    const QString text = QString::fromLocal8Bit(info, qstrnlen(info, sizeof info));
    const QString start = QStringLiteral(" Port %1: ").arg(port);
    const qsizetype from = text.indexOf(start);
    if (from < 0)
        return {};
    // Each note is a sentence of its own: " Port N: ...."
    const qsizetype begin = from + start.size();
    const qsizetype end = text.indexOf(QLatin1String(". Port "), begin);
    QString note = text.mid(begin, end < 0 ? -1 : end - begin);
    if (note.endsWith(QLatin1Char('.')))
        note.chop(1);
    return note;
}

} // namespace

bool OpenZarvoPort(const ZarvoBinding& driver) {
    const int32_t result = driver.Zarvo_OpenPort(ZarvoPort, ZarvoBaudRate);
    if (result == kZarvoOk)
        return true;
    const QString note = PortNote(driver, ZarvoPort);
    PrintError(QStringLiteral("Zarvo port %1 cannot be opened at %2 bit/s: %3")
                   .arg(ZarvoPort)
                   .arg(ZarvoBaudRate)
                   .arg(note.isEmpty() ? QStringLiteral("driver status %1").arg(result) : note));
    return false;
}

bool CheckPortInTable(const ZarvoBinding& driver) {
    if (PortInTable(ZarvoPort, driver))
        return true;
    PrintError(Phrase(PhraseId::PortError));
    return false;
}
