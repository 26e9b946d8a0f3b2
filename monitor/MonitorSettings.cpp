#include "MonitorSettings.h"

#include "AppPaths.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kSection = QStringLiteral("BusMonitor");
const QString kDatabaseKey = QStringLiteral("Database");
const QString kFramesKeptKey = QStringLiteral("FramesKept");
const QString kTimeModeKey = QStringLiteral("TimeMode");

// The key's number when it is one within min..max; else `fallback`, with a
// warning when the key is there.
int ReadBoundedNumber(const QString& path, const IniDocument::Section& section, const QString& key,
                      int min, int max, int fallback, QList<IniWarning>& warnings) {
    if (!section.find(key))
        return fallback;
    bool ok = false;
    const int value = section.value(key, QString()).trimmed().toInt(&ok);
    if (ok && value >= min && value <= max)
        return value;
    warnings.append(IniValueWarning(path, section, key,
                                    ok ? QStringLiteral("is beyond %1..%2").arg(min).arg(max)
                                       : QStringLiteral("is no number"),
                                    QStringLiteral("taken as %1").arg(fallback)));
    return fallback;
}

} // namespace

QString MonitorSettingsPath() {
    return ProgramFolder() + QLatin1String("/BusMonitor.ini");
}

MonitorSettings ReadMonitorSettings(const QString& path, QList<IniWarning>& warnings) {
    MonitorSettings settings;
    if (!QFileInfo(path).isFile())
        return settings;
    const IniDocument doc = IniDocument::load(path);
    warnings += doc.warnings();
    const IniDocument::Section* section = doc.section(kSection);
    if (!section)
        return settings;
    // A relative path is taken from the file's folder, as in TrendCAN.ini.
    const QString database = section->value(kDatabaseKey, QString()).trimmed();
    if (!database.isEmpty())
        settings.database = QFileInfo(path).dir().filePath(database);
    settings.framesKept =
        ReadBoundedNumber(path, *section, kFramesKeptKey, MonitorSettings::kMinFramesKept,
                          MonitorSettings::kMaxFramesKept, settings.framesKept, warnings);
    settings.timeMode =
        ReadBoundedNumber(path, *section, kTimeModeKey, 0, MonitorSettings::kTimeModes - 1,
                          settings.timeMode, warnings);
    return settings;
}

void WriteMonitorSettings(const QString& path, const MonitorSettings& settings) {
    if (settings.database.contains(QLatin1Char('\n')) ||
        settings.database.contains(QLatin1Char('\r')))
        throw IniFileError(
            QStringLiteral("Cannot save %1: the database path \"%2\" holds a line break.")
                .arg(path, settings.database)
                .toStdString());
    IniDocument doc = QFileInfo::exists(path) ? IniDocument::load(path) : IniDocument{};
    IniDocument::Section& section = doc.sectionForWriting(kSection);
    section.setValue(kDatabaseKey, settings.database);
    section.setValue(kFramesKeptKey, QString::number(settings.framesKept));
    section.setValue(kTimeModeKey, QString::number(settings.timeMode));
    doc.save(path);
}
