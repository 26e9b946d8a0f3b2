#pragma once
// The driver's port table as its callers show it: one entry per virtual port,
// read through the binding the caller gives, the "Module IP / ID" text of a port and
// the driver's information text.
// Shared by the CAN hardware window and kestrel-cli. UI thread (or the CLI's
// one thread): the texts come from the binding, which may ask the driver.

#include "ZarvoApi.h"

#include <QString>
#include <cstdint>
#include <vector>

struct ZarvoPortEntry {
    uint32_t typeCode = 0;
    uint32_t moduleNumber = 0;
    uint8_t moduleCanPort = 0;
    QString name;
    QString version;
};

// Zarvo_GetPortTable into entries, port i at index i. A count beyond the
// table's kZarvoMaxPorts entries is cut to them: the arrays hold no more.
std::vector<ZarvoPortEntry> ReadZarvoPortTable(const ZarvoBinding& driver);

// "Module IP / ID" of a port: the module's IPv4 address (Zarvo_GetModuleIP)
// for type 1000, "COM n" for serial modules (1001 to 1004), "Board n" for
// plug-in boards (2000 to 2009) and "ID n" for every other kind.
QString ZarvoModuleText(const ZarvoBinding& driver, uint32_t typeCode, uint32_t moduleNumber);

// Zarvo_GetDriverInfo's text.
QString ZarvoDriverInfo(const ZarvoBinding& driver);
