#include "ZarvoDevices.h"

#include "Phrases.h"
#include "ZarvoApi.h"

#include <array>

namespace {

// Entries of the fixed port list; its last one (port 7) has no text.
constexpr int kFixedPortEntries = 8;
constexpr int kEmptyPortEntry = 7;
// The driver information text shows from this character on (counted from 0).
constexpr int kInfoStart = 76;
constexpr int kInfoLength = 128;
// "None yet": no real type code or module number is this large.
constexpr uint32_t kNoneYet = 0xFFFFFF;

struct BitRate {
    const char* text;
    uint32_t rate;
};
constexpr std::array<BitRate, 9> kBitRates{{{"10 Kbps", 10000},
                                            {"20 Kbps", 20000},
                                            {"50 Kbps", 50000},
                                            {"100 Kbps", 100000},
                                            {"125 Kbps", 125000},
                                            {"250 Kbps", 250000},
                                            {"500 Kbps", 500000},
                                            {"800 Kbps", 800000},
                                            {"1000 Kbps", 1000000}}};

// Ports of a plug-in board, named in its tree text; 0 for other kinds.
int BoardPorts(uint32_t typeCode) {
    switch (typeCode) {
    case 2000:
    case 2003:
    case 2006:
    case 2008:
        return 2;
    case 2001:
    case 2004:
    case 2007:
    case 2009:
        return 4;
    case 2002:
        return 1;
    case 2005:
        return 8;
    default:
        return 0;
    }
}

QStringList TableRow(const ZarvoBinding& driver, size_t port, const ZarvoPortEntry& p) {
    return {QStringLiteral("  %1").arg(port), p.name,
            ZarvoModuleText(driver, p.typeCode, p.moduleNumber), QString::number(p.moduleCanPort),
            p.version};
}

} // namespace

ModuleKind ModuleKindOf(uint32_t typeCode) {
    if (typeCode == 1000)
        return ModuleKind::Network;
    if (typeCode >= 1001 && typeCode <= 1004)
        return ModuleKind::Serial;
    if (typeCode >= 2000 && typeCode <= 2009)
        return ModuleKind::Board;
    if (typeCode == 3100)
        return ModuleKind::Simulator;
    return ModuleKind::Adapter;
}

QString ModuleNodeText(const ZarvoBinding& driver, const ZarvoPortEntry& port) {
    QString inner = ZarvoModuleText(driver, port.typeCode, port.moduleNumber);
    if (const int ports = BoardPorts(port.typeCode))
        inner += QStringLiteral(", Ports %1").arg(ports);
    return QStringLiteral("%1 (%2)").arg(port.name, inner);
}

DeviceViews BuildDeviceViews(const ZarvoBinding& driver, const std::vector<ZarvoPortEntry>& ports) {
    DeviceViews views;
    uint32_t lastType = kNoneYet;
    uint32_t lastModule = kNoneYet;
    for (size_t i = 0; i < ports.size(); ++i) {
        const ZarvoPortEntry& p = ports[i];
        views.rows.push_back(TableRow(driver, i, p));
        const ModuleKind kind = ModuleKindOf(p.typeCode);
        if (p.typeCode != lastType) {
            views.tree.push_back({QStringLiteral("%1 Series").arg(p.name), kind, {}});
            lastType = p.typeCode;
            // Module numbers count per kind: module 0 of the new kind is
            // another module than module 0 of the kind before.
            lastModule = kNoneYet;
        }
        if (p.moduleNumber != lastModule) {
            views.tree.back().modules.push_back({ModuleNodeText(driver, p), kind});
            lastModule = p.moduleNumber;
        }
    }
    return views;
}

int PortListSize(int reportedPorts, int selected) {
    return std::min(kZarvoMaxPorts, std::max({kFixedPortEntries, reportedPorts, selected + 1}));
}

QString PortListEntry(int index) {
    return index == kEmptyPortEntry ? QString() : QStringLiteral("CAN %1").arg(index);
}

QStringList BitRateEntries() {
    QStringList entries;
    for (const BitRate& b : kBitRates)
        entries << QString::fromLatin1(b.text);
    return entries;
}

std::optional<int> BitRateIndex(uint32_t bitRate) {
    for (size_t i = 0; i < kBitRates.size(); ++i)
        if (kBitRates[i].rate == bitRate)
            return static_cast<int>(i);
    return std::nullopt;
}

std::optional<uint32_t> BitRateOfEntry(int index) {
    if (index < 0 || index >= static_cast<int>(kBitRates.size()))
        return std::nullopt;
    return kBitRates[static_cast<size_t>(index)].rate;
}

QString DriverInfoLine(const QString& info) {
    return info.mid(kInfoStart, kInfoLength);
}

QString SearchProgressText(int percent) {
    return QStringLiteral("Searching %1%").arg(percent);
}

QString ConfigFileLine(const QString& currentFile) {
    return Phrase(PhraseId::CurrentConfigLabel) + QStringLiteral(" : ") +
           (currentFile.size() > 1 ? currentFile : Phrase(PhraseId::NoConfigFile));
}
