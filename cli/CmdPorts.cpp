// kestrel-cli ports.

#include "Commands.h"

int cmdPorts(const QStringList&) {
    return usageError();
}
