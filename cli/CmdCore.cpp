// kestrel-cli show and rewrite.

#include "Commands.h"

int cmdShow(const QStringList&) {
    return usageError();
}
int cmdRewrite(const QStringList&) {
    return usageError();
}
