#include "ZarvoIni.h"

#include "ConfigFile.h"
#include "Convert.h"
#include "Globals.h"
#include "IniFile.h"

#include <QFileInfo>
#include <QScopeGuard>

namespace {

const QString kSection = QStringLiteral("ORBTEC_ZarvoPortConfig");
const QString kPortKey = QStringLiteral("ZarvoPort");
const QString kBaudRateKey = QStringLiteral("ZarvoBaudRate");

QString ZarvoIniPath(const QString& folder) {
    return folder + QLatin1String("/Zarvo.ini");
}

} // namespace

namespace {

QList<IniWarning> FitWarnings(const QString& path, const IniDocument::Section& section,
                              int32_t port, int32_t baudRate) {
    QList<IniWarning> found;
    if (port < 0 || port > 0xFF)
        found.append(
            IniValueWarning(path, section, kPortKey, QStringLiteral("is beyond 0..255"),
                            QStringLiteral("taken as %1 (its low 8 bits)").arg(port & 0xFF)));
    if (baudRate < 0)
        found.append(
            IniValueWarning(path, section, kBaudRateKey, QStringLiteral("is below 0"),
                            QStringLiteral("taken as %1").arg(static_cast<uint32_t>(baudRate))));
    return found;
}

} // namespace

int ReadZarvoIni(const QString& folder, QList<IniWarning>* warnings) {
    const QString path = ZarvoIniPath(folder);
    if (!QFileInfo(path).isFile())
        return -1;
    const IniDocument doc = IniDocument::load(path);
    QList<IniWarning> found = doc.warnings();
    const auto report = qScopeGuard([&found, warnings] {
        LogIniWarnings(found);
        if (warnings)
            *warnings += found;
    });
    const IniDocument::Section* section = doc.section(kSection);
    if (!section)
        return -2;
    // Both values are converted before either is stored, so a bad file changes nothing.
    const int32_t port = ReadIniNumber(path, *section, kPortKey, QStringLiteral("0"), StrToInt);
    const int32_t baudRate =
        ReadIniNumber(path, *section, kBaudRateKey, QStringLiteral("250000"), StrToInt);
    found = InLineOrder(found, FitWarnings(path, *section, port, baudRate));
    ZarvoPort = static_cast<uint8_t>(port & 0xFF);
    ZarvoBaudRate = static_cast<uint32_t>(baudRate);
    return 0;
}

void WriteZarvoIni(const QString& folder) {
    const QString path = ZarvoIniPath(folder);
    try {
        IniDocument doc = QFileInfo::exists(path) ? IniDocument::load(path) : IniDocument{};
        IniDocument::Section& section = doc.sectionForWriting(kSection);
        section.setValue(kPortKey, QString::number(ZarvoPort));
        // As the signed number the reader converts, so that any value read is read back.
        section.setValue(kBaudRateKey, QString::number(static_cast<int32_t>(ZarvoBaudRate)));
        doc.save(path);
    } catch (const IniFileError& error) {
        throw ConfigWriteError(error.what());
    }
}
