#pragma once
// Reading a DBC file by the reading rules of Kestrel's other files (size
// bound, UTF-8 / GB18030 / UTF-16 with a byte order mark, any line ends).

#include "DbcDatabase.h"

#include <QString>
#include <memory>
#include <optional>

class UserDialogs;

namespace dbc {

// Throws DbcError (or IniFileError, whose text has the same form "Cannot
// read FILE: ...") when the file cannot be read or is no DBC file Kestrel takes.
Database loadDbcFile(const QString& path);

struct ChosenDatabase {
    QString path;
    std::shared_ptr<const Database> database;
};

// The signal database the user chooses with the file dialog (opened in the
// folder of `current`), read. Nothing when the dialog is cancelled or the file
// cannot be read, which is reported (the file and the line).
std::optional<ChosenDatabase> chooseDbcFile(UserDialogs& dialogs, const QString& current);

} // namespace dbc
