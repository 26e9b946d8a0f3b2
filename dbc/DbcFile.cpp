#include "DbcFile.h"

#include "IniFile.h"

namespace dbc {

Database loadDbcFile(const QString& path) {
    return parseDbc(ReadIniText(path).toStdString(), path.toStdString());
}

} // namespace dbc
