#pragma once
// What the bus monitor keeps across starts: BusMonitor.ini in the program's
// folder, written whenever the user changes one of them.
//
//   [BusMonitor]
//   Database=/home/me/car.dbc   ; the signal database (relative: to this file's folder), empty for
//   none FramesKept=1000000          ; the capture's size, 1000..5000000 TimeMode=0 ; 0 absolute, 1
//   since the previous row, 2 since the first frame

#include "CaptureRing.h"
#include "IniFile.h"

#include <QList>
#include <QString>

struct MonitorSettings {
    static constexpr int kMinFramesKept = 1000;
    static constexpr int kMaxFramesKept = 5'000'000;
    static constexpr int kTimeModes = 3;

    QString database;
    int framesKept = static_cast<int>(CaptureRing::kDefaultCapacity);
    int timeMode = 0;

    bool operator==(const MonitorSettings&) const = default;
};

// BusMonitor.ini in the program's folder.
QString MonitorSettingsPath();

// The settings of the file at `path`; a missing file gives the defaults. A
// value that is no number or beyond its range gives a warning and the
// default. Throws IniFileError when the file exists but cannot be read.
MonitorSettings ReadMonitorSettings(const QString& path, QList<IniWarning>& warnings);

// Stores `settings` in the file at `path`, keeping its other lines. Throws
// IniFileError naming the file and the cause (also for a database path with a
// line break, which the file cannot hold); the old file is then intact.
void WriteMonitorSettings(const QString& path, const MonitorSettings& settings);
