#include "ZarvoPortTable.h"

#include <QByteArray>
#include <algorithm>
#include <array>

namespace {

QString text(const std::array<char, kZarvoMaxPorts * kZarvoTextSize>& texts, size_t i) {
    const char* start = texts.data() + i * kZarvoTextSize;
    return QString::fromLocal8Bit(start, static_cast<qsizetype>(qstrnlen(start, kZarvoTextSize)));
}

} // namespace

std::vector<ZarvoPortEntry> ReadZarvoPortTable(const ZarvoBinding& driver) {
    uint8_t count = 0;
    std::array<uint32_t, kZarvoMaxPorts> typeCodes{};
    std::array<uint32_t, kZarvoMaxPorts> moduleNumbers{};
    std::array<uint8_t, kZarvoModuleAreaSize> moduleArea{};
    std::array<char, kZarvoMaxPorts * kZarvoTextSize> names{};
    std::array<char, kZarvoMaxPorts * kZarvoTextSize> versions{};
    std::array<uint8_t, kZarvoMaxPorts> moduleCanPorts{};
    driver.Zarvo_GetPortTable(&count, typeCodes.data(), moduleNumbers.data(), moduleArea.data(),
                              names.data(), versions.data(), moduleCanPorts.data());
    std::vector<ZarvoPortEntry> entries(std::min<size_t>(count, kZarvoMaxPorts));
    for (size_t i = 0; i < entries.size(); ++i) {
        entries[i] = {typeCodes[i], moduleNumbers[i], moduleCanPorts[i], text(names, i),
                      text(versions, i)};
    }
    return entries;
}

QString ZarvoModuleText(const ZarvoBinding& driver, uint32_t typeCode, uint32_t moduleNumber) {
    if (typeCode == 1000) {
        std::array<uint8_t, 4> ip{};
        driver.Zarvo_GetModuleIP(moduleNumber, ip.data());
        return QStringLiteral("%1.%2.%3.%4").arg(ip[0]).arg(ip[1]).arg(ip[2]).arg(ip[3]);
    }
    if (typeCode >= 1001 && typeCode <= 1004)
        return QStringLiteral("COM %1").arg(moduleNumber);
    if (typeCode >= 2000 && typeCode <= 2009)
        return QStringLiteral("Board %1").arg(moduleNumber);
    return QStringLiteral("ID %1").arg(moduleNumber);
}

QString ZarvoDriverInfo(const ZarvoBinding& driver) {
    std::array<char, kZarvoDriverInfoSize> info{};
    driver.Zarvo_GetDriverInfo(info.data());
    info.back() = '\0';
    return QString::fromLocal8Bit(info.data());
}
