// BusMonitor.ini: what the bus monitor keeps for the next start.

#include "MonitorSettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class MonitorSettingsTest : public ::testing::Test {
protected:
    QString path() const { return dir.filePath(QStringLiteral("BusMonitor.ini")); }
    void write(const QByteArray& bytes) const {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray read() const {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }

    QTemporaryDir dir;
};

TEST_F(MonitorSettingsTest, ValuesBeyondTheirRangeOrNoNumbersAreWarnedAndTakenAsTheDefault) {
    const MonitorSettings defaults;
    const struct {
        const char* file;
        MonitorSettings expected;
        QStringList warnings;
    } cases[] = {
        {"", defaults, {}},
        {"[Other]\nFramesKept=5000\n", defaults, {}},
        {"[BusMonitor]\nDatabase=/db/car.dbc\nFramesKept=5000\nTimeMode=2\n",
         {"/db/car.dbc", 5000, 2},
         {}},
        {"[busmonitor]\r\nFramesKept = 5000000\r\nTimeMode=0\r\n", {"", 5'000'000, 0}, {}},
        {"[BusMonitor]\nFramesKept=999\nTimeMode=3\n",
         defaults,
         {"line 2: FramesKept=999 is beyond 1000..5000000; taken as 1000000",
          "line 3: TimeMode=3 is beyond 0..2; taken as 0"}},
        {"[BusMonitor]\nFramesKept=many\nTimeMode=-1\n",
         defaults,
         {"line 2: FramesKept=many is no number; taken as 1000000",
          "line 3: TimeMode=-1 is beyond 0..2; taken as 0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        QFile::remove(path());
        if (*c.file)
            write(c.file);
        QList<IniWarning> warnings;
        EXPECT_EQ(ReadMonitorSettings(path(), warnings), c.expected);
        QStringList messages;
        for (const IniWarning& w : warnings)
            messages << w.message().mid(path().size() + 2);
        EXPECT_EQ(messages, c.warnings);
    }
}

TEST_F(MonitorSettingsTest, ARelativeDatabaseIsTakenFromTheFilesFolder) {
    write("[BusMonitor]\nDatabase=dbc/car.dbc\n");
    QList<IniWarning> warnings;
    EXPECT_EQ(ReadMonitorSettings(path(), warnings).database, dir.filePath("dbc/car.dbc"));
}

TEST_F(MonitorSettingsTest, WritingKeepsTheFilesOtherLinesAndReadsBack) {
    write("; chosen on the test bench\n[BusMonitor]\nTimeMode=1\n[Mine]\nKey=kept\n");
    const MonitorSettings settings{"/db/a=b.dbc", 20000, 2};
    WriteMonitorSettings(path(), settings);
    QList<IniWarning> warnings;
    EXPECT_EQ(ReadMonitorSettings(path(), warnings), settings);
    EXPECT_TRUE(warnings.isEmpty());
    EXPECT_TRUE(read().startsWith("; chosen on the test bench\n[BusMonitor]\n"))
        << read().constData();
    EXPECT_TRUE(read().contains("[Mine]\nKey=kept\n")) << read().constData();
}

TEST_F(MonitorSettingsTest, WhatTheFileCannotHoldIsRefusedAndTheOldFileStays) {
    write("[BusMonitor]\nTimeMode=1\n");
    EXPECT_THROW(WriteMonitorSettings(path(), {"/db/two\nlines.dbc", 20000, 0}), IniFileError);
    EXPECT_EQ(read(), "[BusMonitor]\nTimeMode=1\n");
    // A folder that does not exist: no file to write.
    EXPECT_THROW(WriteMonitorSettings(dir.filePath("none/BusMonitor.ini"), {}), IniFileError);
}

} // namespace
