// kestrel-cli eval.

#include "Commands.h"

int cmdEval(const QStringList&) {
    return usageError();
}
