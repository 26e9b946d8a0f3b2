#pragma once
// What the CAN hardware window shows, without the window: the rows of the
// mapping table and the tree of found modules built from the driver's port
// table, the entries of the port and bit-rate lists, and the window's texts.
// Tested headless with the driver fake. UI thread only.

#include "ZarvoPortTable.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

// Kind of module, for the picture of its tree nodes.
enum class ModuleKind { Network, Serial, Board, Adapter, Simulator };
ModuleKind ModuleKindOf(uint32_t typeCode);

struct ModuleNode {
    QString text;
    ModuleKind kind;
};

// A top-level node "<name> Series" and the modules under it.
struct SeriesNode {
    QString text;
    ModuleKind kind;
    std::vector<ModuleNode> modules;
};

struct DeviceViews {
    // One row per virtual port: "Zarvo Port", "Name", "Module IP / ID",
    // "Module CAN Port", "Module Ver".
    std::vector<QStringList> rows;
    std::vector<SeriesNode> tree;
};

// Builds both views from the port table, in port order; module addresses are
// asked of `driver`. A change of type code starts a new top-level node; a
// change of module number, or a new top-level node, adds a module under the
// latest one, so several ports of one module give one module node.
DeviceViews BuildDeviceViews(const ZarvoBinding& driver, const std::vector<ZarvoPortEntry>& ports);

// Tree text of a port's module, e.g. "Serial (slcan) (COM 3)",
// "Qt VirtualCAN (127.0.0.1)", "PCI (Board 1, Ports 4)".
QString ModuleNodeText(const ZarvoBinding& driver, const ZarvoPortEntry& port);

// How many entries the port list has: the eight fixed ones, as many as the
// driver reports and enough to hold `selected`, at most kZarvoMaxPorts.
int PortListSize(int reportedPorts, int selected);
// Entry `index` of the port list: "CAN n", but the eighth entry (port 7) is empty.
QString PortListEntry(int index);

// The bit-rate list: its entries' texts and their bit rates in bit/s.
QStringList BitRateEntries();
// The entry of `bitRate`; nullopt for a bit rate the list does not hold.
std::optional<int> BitRateIndex(uint32_t bitRate);
// The bit rate of entry `index`; nullopt for no valid entry.
std::optional<uint32_t> BitRateOfEntry(int index);

// The part of the driver information text the window shows: from its 77th
// character on, at most 128 characters.
QString DriverInfoLine(const QString& info);

// "Searching 40%"
QString SearchProgressText(int percent);

// The status line: "Current Configuration File : <file>", or the phrase
// "No configuration file exist!" instead of a file name of one character or none.
QString ConfigFileLine(const QString& currentFile);
