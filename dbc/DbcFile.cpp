#include "DbcFile.h"

#include "IniFile.h"

namespace dbc {

Database loadDbcFile(const QString& path) {
    return parseDbc(ReadIniLines(path).join(QLatin1Char('\n')).toStdString(), path.toStdString());
}

} // namespace dbc
