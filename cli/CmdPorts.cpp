// kestrel-cli ports [--search]: the driver's port table, one line per virtual
// port, with the columns of the CAN hardware window.

#include "Commands.h"
#include "ZarvoApi.h"

#include <QString>
#include <QThread>
#include <array>
#include <cstdio>
#include <vector>

namespace {

struct PortTable {
    uint8_t count = 0;
    std::array<uint32_t, kZarvoMaxPorts> typeCodes{};
    std::array<uint32_t, kZarvoMaxPorts> moduleNumbers{};
    std::array<uint8_t, kZarvoModuleAreaSize> moduleArea{};
    std::array<char, kZarvoMaxPorts * kZarvoTextSize> names{};
    std::array<char, kZarvoMaxPorts * kZarvoTextSize> versions{};
    std::array<uint8_t, kZarvoMaxPorts> moduleCanPorts{};
};

QString text(const std::array<char, kZarvoMaxPorts * kZarvoTextSize>& texts, size_t i) {
    const char* start = texts.data() + i * kZarvoTextSize;
    return QString::fromLocal8Bit(start, static_cast<qsizetype>(qstrnlen(start, kZarvoTextSize)));
}

// The "Module IP / ID" cell of a port, as the hardware window shows it.
QString moduleText(uint32_t typeCode, uint32_t moduleNumber) {
    if (typeCode == 1000) {
        std::array<uint8_t, 4> ip{};
        zarvo().Zarvo_GetModuleIP(moduleNumber, ip.data());
        return QStringLiteral("%1.%2.%3.%4").arg(ip[0]).arg(ip[1]).arg(ip[2]).arg(ip[3]);
    }
    if (typeCode >= 1001 && typeCode <= 1004)
        return QStringLiteral("COM %1").arg(moduleNumber);
    if (typeCode >= 2000 && typeCode <= 2009)
        return QStringLiteral("Board %1").arg(moduleNumber);
    return QStringLiteral("ID %1").arg(moduleNumber);
}

void runSearch() {
    zarvo().Zarvo_StartSearch();
    uint8_t percent = 0;
    do {
        QThread::msleep(100);
        zarvo().Zarvo_GetSearchProgress(&percent);
        std::fprintf(stderr, "Searching %d%%\r", percent);
    } while (percent < 100);
    std::fputs("\n", stderr);
}

void printRow(const QString& port, const QString& name, const QString& module,
              const QString& canPort, const QString& version) {
    const QString line = QStringLiteral("%1 %2 %3 %4 %5")
                             .arg(port, -11)
                             .arg(name, -15)
                             .arg(module, -16)
                             .arg(canPort, -15)
                             .arg(version);
    std::printf("%s\n", line.trimmed().toLocal8Bit().constData());
}

} // namespace

int cmdPorts(const QStringList& args) {
    if (args.size() > 1 || (args.size() == 1 && args[0] != QLatin1String("--search")))
        return usageError();
    if (!args.isEmpty())
        runSearch();
    PortTable t;
    zarvo().Zarvo_GetPortTable(&t.count, t.typeCodes.data(), t.moduleNumbers.data(),
                               t.moduleArea.data(), t.names.data(), t.versions.data(),
                               t.moduleCanPorts.data());
    printRow(QStringLiteral("Zarvo Port"), QStringLiteral("Name"), QStringLiteral("Module IP / ID"),
             QStringLiteral("Module CAN Port"), QStringLiteral("Module Ver"));
    for (size_t i = 0; i < t.count; ++i) {
        printRow(QString::number(i), text(t.names, i),
                 moduleText(t.typeCodes[i], t.moduleNumbers[i]),
                 QString::number(t.moduleCanPorts[i]), text(t.versions, i));
    }
    return 0;
}
