// The logger library itself, and the system log under concurrent writers.

#include "SystemLog.h"

#include <QFile>
#include <QLibrary>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

using LogFunction = int32_t (*)(const char*, int32_t);

class LanternLoggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        library.setFileName(QStringLiteral(LANTERN_LOGGER_PATH));
        ASSERT_TRUE(library.load()) << qPrintable(library.errorString());
        setFileName = reinterpret_cast<LogFunction>(library.resolve("Log_SetFileName"));
        write = reinterpret_cast<LogFunction>(library.resolve("Log_Write"));
        ASSERT_TRUE(setFileName && write);
    }
    void TearDown() override {
        setFileName(dir.filePath(QStringLiteral("closed.Log")).toUtf8(), 0);
    }

    QStringList lines(const QString& path) const {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QTemporaryDir dir;
    QLibrary library;
    LogFunction setFileName = nullptr;
    LogFunction write = nullptr;
};

TEST_F(LanternLoggerTest, CreatesItsFolderAndAppends) {
    const QString path = dir.filePath(QStringLiteral("a/b/SystemLog-2015-07-20.Log"));
    QFile::remove(path);
    EXPECT_EQ(setFileName(nullptr, 0), -1);
    EXPECT_EQ(setFileName(path.toUtf8(), 0), 0);
    EXPECT_EQ(write("one", 0), 0);
    EXPECT_EQ(setFileName(path.toUtf8(), 0), 0); // a second start appends
    EXPECT_EQ(write("two", 0), 0);
    const QStringList written = lines(path);
    ASSERT_EQ(written.size(), 2);
    EXPECT_TRUE(written[0].endsWith(QStringLiteral("  one")));
    EXPECT_TRUE(written[1].endsWith(QStringLiteral("  two")));
}

TEST_F(LanternLoggerTest, ConcurrentWritersProduceWholeLines) {
    ASSERT_EQ(LoadLogger(QStringLiteral(LANTERN_LOGGER_PATH)), 0);
    const QDate today(2015, 7, 20);
    StartSystemLog(today, dir.path());
    constexpr int kThreads = 4;
    constexpr int kLines = 250;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                SystemLogf("writer %d line %d", t, i);
        });
    for (std::thread& thread : threads)
        thread.join();
    QSet<QString> seen;
    for (const QString& line : lines(LogFilePath(dir.path(), today)))
        seen.insert(line.section(QStringLiteral("  "), 1));
    EXPECT_EQ(seen.size(), kThreads * kLines);
    EXPECT_TRUE(seen.contains(QStringLiteral("writer 3 line 249")));
}

TEST_F(LanternLoggerTest, AFullLogSaysOnceThatLinesAreLeftOutAndCountsThem) {
    const QString path = dir.filePath(QStringLiteral("SystemLog-2015-07-20.Log"));
    // A sparse file just below the bound stands for a day of heavy logging.
    constexpr qint64 kBound = 64LL << 20;
    QFile full(path);
    ASSERT_TRUE(full.open(QIODevice::WriteOnly) && full.resize(kBound - 4096 - 40));
    full.close();
    ASSERT_EQ(setFileName(path.toUtf8(), 0), 0);
    EXPECT_EQ(write("still fits", 0), 0);
    for (int i = 0; i < 1000; ++i)
        EXPECT_EQ(write("left out", 0), 0);
    // Naming another file ends the count, as the end of the program does.
    ASSERT_EQ(setFileName(dir.filePath(QStringLiteral("next.Log")).toUtf8(), 0), 0);

    ASSERT_TRUE(full.open(QIODevice::ReadOnly));
    EXPECT_LT(full.size(), kBound);
    full.seek(kBound - 4096 - 40);
    const QStringList tail = QString::fromUtf8(full.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(tail.size(), 3) << qPrintable(tail.join('\n'));
    EXPECT_TRUE(tail[0].endsWith(QStringLiteral("  still fits")));
    EXPECT_TRUE(tail[1].endsWith(
        QStringLiteral("The log has reached 64 MiB: further lines are left out and counted")));
    EXPECT_TRUE(tail[2].contains(QStringLiteral("  1000 lines of ")));
    EXPECT_TRUE(
        tail[2].endsWith(QStringLiteral(" were left out of the log: it had reached 64 MiB")));
}

} // namespace
