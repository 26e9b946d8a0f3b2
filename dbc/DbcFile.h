#pragma once
// Reading a DBC file by the reading rules of Kestrel's other files (size
// bound, UTF-8 / GB18030 / UTF-16 with a byte order mark, any line ends).

#include "DbcDatabase.h"

#include <QString>

namespace dbc {

// Throws DbcError (or IniFileError, whose text has the same form "Cannot
// read FILE: ...") when the file cannot be read or is no DBC file Kestrel takes.
Database loadDbcFile(const QString& path);

} // namespace dbc
