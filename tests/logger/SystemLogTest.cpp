#include "SystemLog.h"

#include "ConfigFile.h"
#include "Globals.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QDate kToday(2015, 7, 20);

class SystemLogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    void TearDown() override { LoadLogger(dir.filePath(QStringLiteral("none.so"))); }

    QString logFolder() const { return dir.filePath(QStringLiteral("LanternLog")); }
    QString todaysLog() const { return LogFilePath(logFolder(), kToday); }
    QStringList logLines() const {
        QFile file(todaysLog());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QTemporaryDir dir;
};

TEST_F(SystemLogTest, FileNamesFollowTheDate) {
    EXPECT_EQ(LogFilePath(QStringLiteral("/var/log/x"), QDate(2015, 7, 10)),
              QStringLiteral("/var/log/x/SystemLog-2015-07-10.Log"));
}

TEST_F(SystemLogTest, DefaultFolderFollowsXdgStateHome) {
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", "/srv/state");
    const QString fromVariable = DefaultLogFolder();
    qunsetenv("XDG_STATE_HOME");
    const QString fallback = DefaultLogFolder();
    qputenv("XDG_STATE_HOME", saved);
    EXPECT_EQ(fromVariable, QStringLiteral("/srv/state/LanternLog"));
    EXPECT_EQ(fallback, QDir::homePath() + QStringLiteral("/.local/state/LanternLog"));
}

TEST_F(SystemLogTest, WithTheLibraryLinesAreAppendedWithTimeStamps) {
    ASSERT_EQ(LoadLogger(QStringLiteral(LANTERN_LOGGER_PATH)), 0);
    StartSystemLog(kToday, logFolder());
    SystemLog(QStringLiteral("Program( Kestrel )Starting..."));
    SystemLogf("Global_CustomerCMD.CMD_Count = %d , _CustomerCMD.Group_Count = %d", 3, 2);
    SystemLog(QStringLiteral("电源开启"));
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 3);
    const QRegularExpression stamp(QStringLiteral(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}  )"));
    for (const QString& line : lines)
        EXPECT_TRUE(stamp.match(line).hasMatch()) << qPrintable(line);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("  Program( Kestrel )Starting...")));
    EXPECT_TRUE(lines[1].endsWith(
        QStringLiteral("  Global_CustomerCMD.CMD_Count = 3 , _CustomerCMD.Group_Count = 2")));
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("  电源开启")));
}

TEST_F(SystemLogTest, ReadingAConfigurationLogsTheCountsAndTheSectionsLeftOut) {
    ASSERT_EQ(LoadLogger(QStringLiteral(LANTERN_LOGGER_PATH)), 0);
    StartSystemLog(kToday, logFolder());
    QFile config(dir.filePath(QStringLiteral("big.ini")));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    for (int i = 0; i < kMaxTestItems + 2; ++i)
        config.write("[" + QByteArray::number(i) + "]\nTxCANID=" + QByteArray::number(i % 3) +
                     "\n");
    config.close();
    ReadTestConfig(config.fileName());
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].endsWith(
        QStringLiteral("  Global_CustomerCMD.CMD_Count = 100 , _CustomerCMD.Group_Count = 3")))
        << qPrintable(lines[0]);
    EXPECT_TRUE(lines[1].contains(config.fileName())) << qPrintable(lines[1]);
    EXPECT_TRUE(lines[1].contains(QStringLiteral(" 2 item sections"))) << qPrintable(lines[1]);
}

TEST_F(SystemLogTest, TheLibraryBesideTheExecutableIsTheDefault) {
    EXPECT_EQ(LoadLogger(), 0);
}

TEST_F(SystemLogTest, WithoutTheLibraryNothingIsLogged) {
    ASSERT_EQ(LoadLogger(QStringLiteral(LANTERN_LOGGER_PATH)), 0);
    EXPECT_EQ(LoadLogger(dir.filePath(QStringLiteral("libLanternLogger.so"))), -1);
    StartSystemLog(kToday, logFolder());
    SystemLog(QStringLiteral("lost"));
    EXPECT_FALSE(QDir(logFolder()).exists());
}

TEST_F(SystemLogTest, WithoutLogWriteTheNameIsStillSet) {
    ASSERT_EQ(LoadLogger(QStringLiteral(LOGGER_WITHOUT_WRITE_PATH)), -3);
    QDir().mkpath(logFolder());
    StartSystemLog(kToday, logFolder());
    SystemLog(QStringLiteral("lost"));
    ASSERT_TRUE(QFile::exists(todaysLog()));
    EXPECT_EQ(QFile(todaysLog()).size(), 0);
}

TEST_F(SystemLogTest, WithoutLogSetFileNameNeitherEntryIsUsed) {
    ASSERT_EQ(LoadLogger(QStringLiteral(LANTERN_LOGGER_PATH)), 0);
    StartSystemLog(kToday, logFolder());
    SystemLog(QStringLiteral("before"));
    EXPECT_EQ(LoadLogger(QStringLiteral(LOGGER_WITHOUT_SET_FILE_NAME_PATH)), -2);
    SystemLog(QStringLiteral("after"));
    EXPECT_EQ(logLines().size(), 1);
}

TEST_F(SystemLogTest, StartUpDeletesTheLogsOf7To17DaysBack) {
    QDir().mkpath(logFolder());
    for (int daysBack = 0; daysBack <= 20; ++daysBack)
        QFile(LogFilePath(logFolder(), kToday.addDays(-daysBack))).open(QIODevice::WriteOnly);
    QFile(logFolder() + QStringLiteral("/notes.txt")).open(QIODevice::WriteOnly);
    StartSystemLog(kToday, logFolder());
    for (int daysBack = 0; daysBack <= 20; ++daysBack) {
        const bool kept = daysBack < 7 || daysBack > 17;
        EXPECT_EQ(QFile::exists(LogFilePath(logFolder(), kToday.addDays(-daysBack))), kept)
            << kToday.addDays(-daysBack).toString(Qt::ISODate).toStdString();
    }
    EXPECT_TRUE(QFile::exists(LogFilePath(logFolder(), QDate(2015, 7, 14))));
    EXPECT_FALSE(QFile::exists(LogFilePath(logFolder(), QDate(2015, 7, 13))));
    EXPECT_FALSE(QFile::exists(LogFilePath(logFolder(), QDate(2015, 7, 3))));
    EXPECT_TRUE(QFile::exists(LogFilePath(logFolder(), QDate(2015, 7, 2))));
    EXPECT_TRUE(QFile::exists(logFolder() + QStringLiteral("/notes.txt")));
}

} // namespace
