// kestrel-cli ports [--search]: the driver's port table, one line per virtual
// port, with the columns of the CAN hardware window.

#include "Commands.h"
#include "ZarvoApi.h"
#include "ZarvoPortTable.h"

#include <QString>
#include <QThread>
#include <cstdio>
#include <vector>

namespace {

void runSearch(const ZarvoBinding& driver) {
    driver.Zarvo_StartSearch();
    uint8_t percent = 0;
    do {
        QThread::msleep(100);
        driver.Zarvo_GetSearchProgress(&percent);
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

int cmdPorts(const QStringList& args, const ZarvoBinding& driver) {
    if (args.size() > 1 || (args.size() == 1 && args[0] != QLatin1String("--search")))
        return usageError();
    if (!args.isEmpty())
        runSearch(driver);
    printRow(QStringLiteral("Zarvo Port"), QStringLiteral("Name"), QStringLiteral("Module IP / ID"),
             QStringLiteral("Module CAN Port"), QStringLiteral("Module Ver"));
    const std::vector<ZarvoPortEntry> ports = ReadZarvoPortTable(driver);
    for (size_t i = 0; i < ports.size(); ++i) {
        const ZarvoPortEntry& p = ports[i];
        printRow(QString::number(i), p.name, ZarvoModuleText(driver, p.typeCode, p.moduleNumber),
                 QString::number(p.moduleCanPort), p.version);
    }
    return 0;
}
