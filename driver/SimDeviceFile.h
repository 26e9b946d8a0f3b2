#pragma once
// SimDevice.ini on disk: read under the same rules as Kestrel's other
// hand-written files (encodings, line ends, size limit).

#include "SimDevice.h"

#include <QString>

// The device described by SimDevice.ini in `folder`; the default device when
// the file is missing, or (with a log line naming the file and the line) when
// it cannot be read or has errors.
SimDeviceConfig LoadSimDeviceFile(const QString& folder);
