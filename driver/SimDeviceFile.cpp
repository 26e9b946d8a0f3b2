#include "SimDeviceFile.h"

#include "DriverLog.h"
#include "IniFile.h"

#include <QFileInfo>
#include <utility>

SimDeviceConfig LoadSimDeviceFile(const QString& folder) {
    const QString path = folder + QLatin1Char('/') + QLatin1String(kSimDeviceFile);
    if (!QFileInfo(path).isFile())
        return SimDeviceConfig::defaults();
    std::string error;
    try {
        const QString text = ReadIniText(path);
        if (std::optional<SimDeviceConfig> config =
                parseSimDevice(text.toStdString(), folder.toStdString(), error))
            return std::move(*config); // a replayed trace can be large
        error = "Simulator: " + path.toStdString() + " " + error;
    } catch (const IniFileError& refused) {
        error = std::string("Simulator: ") + refused.what();
    }
    driverLog(error + "; using the default device");
    return SimDeviceConfig::defaults();
}
