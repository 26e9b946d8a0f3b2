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

} // namespace
