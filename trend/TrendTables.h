#pragma once
// The watched-identifier table and the formula table of the trend window,
// the codes that say where and how a value lies in a frame, and their file
// TrendCAN.ini. Plain data in static storage; UI thread only.

#include "ConfigFile.h"
#include "IniFile.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <stdexcept>

inline constexpr int kMaxTrendCAN = 100;
inline constexpr int kMaxFormulas = 100;
inline constexpr int kDataTypeCount = 8; // codes 0 BYTE … 7 double

struct type_TrendCAN {
    uint16_t TrendCAN_Count = 0;
    QString Description1[kMaxTrendCAN];
    QString Description2[kMaxTrendCAN];
    int32_t TrendCANID[kMaxTrendCAN] = {};
    int32_t CANDataType[kMaxTrendCAN] = {};
    int32_t CANDataRange[kMaxTrendCAN] = {}; // index of the value's first data byte
    // "MESSAGE.SIGNAL" of the database for an entry that follows a signal
    // (its identifier is the message's; type and range are not used); empty
    // for an entry of a type and a byte range.
    QString Signal[kMaxTrendCAN];
    // The DBC database the signals belong to; empty without one.
    QString Database;
};

struct type_Formula {
    uint16_t Formula_Count = 0;
    QString Formula_Description[kMaxFormulas];
    QString Formula[kMaxFormulas]; // with variable references V1 … V99
};

extern type_TrendCAN Global_TrendCAN;
extern type_Formula Global_Formula;

// "BYTE (unsigned 1-byte)" … "double (8-byte)"; empty for a code outside 0..7.
QString DataTypeText(int type);
// Bytes a value of `type` occupies (1, 2, 4 or 8); 0 for a code outside 0..7.
int DataTypeBytes(int type);
// The range choices of `type`, code 0 first: "D1" … "D8", "D1 ~ D2" … "D7 ~ D8",
// "D1 ~ D4" … "D5 ~ D8" or "D1 ~ D8"; empty for a code outside 0..7.
QStringList DataRangeTexts(int type);
// The text of range code `range` of `type`; empty when there is no such choice.
QString DataRangeText(int type, int range);

// TrendCAN.ini in the program's folder.
QString TrendCANIniPath();

struct TrendReadResult {
    int status = 0;          // 0 read, -1 no such file (the tables are then unchanged)
    int ignoredEntries = 0;  // watched-identifier sections beyond the first 100
    int ignoredFormulas = 0; // formula sections beyond the first 100
    // Codes that are no number (read as 0), lines without "=" and sections
    // without a name, in file order; also in the system log.
    QList<IniWarning> warnings;
};

// Loads both tables from `path`. The key Database before the first section
// names the signal database (relative to the file's folder), the key Signal
// of an entry its signal; readers that know neither key ignore both. A section is a formula section
// when its name starts with "Formula-", two digits and ".."; every other section is a watched
// identifier. Throws ConvertError at a TrendCANID that is not a number (the entries read before it
// stay in the table), IniFileError when the file exists but cannot be read. Sections beyond 100 of
// a kind are logged and counted.
TrendReadResult ReadTrendCANIni(const QString& path = TrendCANIniPath());

// The last read of a TrendCAN.ini that did not bring all of the file into the
// tables, and what of it was left out; empty after a whole read and after the
// tables were written to that file. The trend window asks before it saves
// over such a file.
const PartialRead& LastTrendPartialRead();

// Writes both tables to `path`, replacing the file in one step. Throws
// ConfigWriteError before the old file is touched when a description holds
// "]", "=" or a line break or a formula a line break, and when the file
// cannot be written.
void WriteTrendCANIni(const QString& path = TrendCANIniPath());
