#pragma once
// Reader and writer of the test configuration file, and the group rule the
// reader and the editor share. All work on Global_CustomerCMD; UI thread only.

#include "IniFile.h"

#include <QList>
#include <QString>
#include <stdexcept>

struct ReadResult {
    int status = 0;          // 0 read, -1 no such file (the table is then unchanged)
    int ignoredSections = 0; // item sections beyond the table's capacity, not loaded
    // Values changed to fit their field (the low 8 bits of an 8-bit field, 0
    // for a negative interval or terminal), identifiers beyond their mode,
    // lines without "=" and sections without a name, in file order.
    QList<IniWarning> warnings;
};

// Loads the file into the table. Throws ConvertError at the first value that
// is not a number; the items read completely before it stay in the table.
// Throws IniFileError (a std::runtime_error) when the file exists but cannot
// be read. Sections beyond the table's 100 items are logged and counted;
// warnings are logged and returned.
ReadResult ReadTestConfig(const QString& path);

// The last read that did not bring the whole file into the table: the file,
// and what of it was left out (the items from a bad value on, the whole of a
// file that cannot be read, the items beyond the table's 100). Set by
// ReadTestConfig (also when it throws); cleared by a read that took the whole
// file and by writing the table to that file.
struct PartialRead {
    QString path; // empty while the table holds all of the file last read
    QString leftOut;
};
const PartialRead& LastPartialRead();

// The question to ask before the table is written over `path`, naming what
// was left out when the file was read; empty when the table holds all of it.
QString OverwritePartlyReadQuestion(const QString& path);

// Raised by WriteTestConfig before the old file is touched: a description that
// the file format cannot hold, or a file that cannot be written.
class ConfigWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes the whole table, replacing the file; an empty table leaves no file.
// Callers that write over the file the table came from ask
// OverwritePartlyReadQuestion first: the writer itself does not refuse.
void WriteTestConfig(const QString& path);

// Gives item n the group of the first earlier item with the same TxCANID, else
// the next free group number; Group_Count becomes one above the highest group
// among items 0 to n.
void AssignGroup(int n);
