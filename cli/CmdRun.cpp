// kestrel-cli run.

#include "Commands.h"

int cmdRun(const QStringList&) {
    return usageError();
}
