#include "ConfigFileName.h"

QString WithIniExtension(const QString& chosen) {
    if (chosen.contains(QLatin1String(".ini")) || chosen.contains(QLatin1String(".INI")))
        return chosen;
    return chosen + QLatin1String(".ini");
}
