// The run engine's helpers: time-of-day texts, blocking calls onto the
// serving thread, the CSV report, and the transmit thread's priority.

#include "RunReport.h"
#include "TimeOfDay.h"
#include "Tthread_txcan.h"
#include "UiTaskQueue.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <thread>

namespace {

// How many threads of this process run at the nice value `nice`.
int ThreadsAtNice(int nice) {
    int count = 0;
    QDirIterator tasks(QStringLiteral("/proc/self/task"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (tasks.hasNext()) {
        QFile stat(tasks.next() + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // The fields after the parenthesised name start with the state (field 3);
        // the nice value is field 19.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        count += fields.size() > 16 && fields[16].toInt() == nice;
    }
    return count;
}

TEST(TimeOfDayTest, ShortLocaleFormatGetsSecondsAndMilliseconds) {
    const struct {
        const char* locale;
        const char* format;
    } cases[] = {
        {"C", "HH:mm:ss.zzz"},    {"de_DE", "HH:mm:ss.zzz"},   {"en_US", "h:mm:ss.zzz AP"},
        {"fi_FI", "H.mm.ss.zzz"}, {"ko_KR", "AP h:mm:ss.zzz"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TimeOfDayFormat(QLocale(QString::fromLatin1(c.locale))), c.format) << c.locale;
    EXPECT_EQ(TimeOfDayText(QTime(14, 3, 7, 215), QLocale::c()), "14:03:07.215");
    EXPECT_EQ(TimeOfDayText(QTime(14, 3, 7, 5), QLocale(QStringLiteral("en_US"))),
              "2:03:07.005 PM");
}

TEST(UiTaskQueueTest, BlockingCallsRunOnTheServingThreadInOrder) {
    UiTaskQueue queue;
    std::vector<int> ran; // touched only on the serving thread
    const std::thread::id serving = std::this_thread::get_id();
    std::atomic<int> returned{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < 3; ++w)
        workers.emplace_back([&, w] {
            for (int i = 0; i < 20; ++i)
                queue.runBlocking([&, w] {
                    EXPECT_EQ(std::this_thread::get_id(), serving);
                    ran.push_back(w);
                });
            ++returned;
        });
    while (returned < 3)
        queue.serveFor(std::chrono::milliseconds(5));
    for (std::thread& t : workers)
        t.join();
    EXPECT_EQ(ran.size(), 60u);
    EXPECT_EQ(queue.drain(), 0);
}

TEST(RunReportTest, CsvQuotesOnlyWhatNeedsIt) {
    const std::vector<ResultCells::Row> rows = {
        {"Power on", "12V, 2A", "10:00:00.000", "10:00:00.010", "2081", "ID, D2, D8"},
        {"Say \"hi\"", "line\nbreak", "", "", "--", ""},
    };
    const Verdict failed{Verdict::Failed, 2081, {"ID", "D2", "D8"}};
    EXPECT_EQ(ResultCsv({"A", "B", "C", "D", "E", "F"}, rows, {failed, std::nullopt}),
              "A,B,C,D,E,F,Verdict\r\n"
              "Power on,\"12V, 2A\",10:00:00.000,10:00:00.010,2081,\"ID, D2, D8\",failed\r\n"
              "\"Say \"\"hi\"\"\",\"line\nbreak\",,,--,,\r\n");
}

TEST(RunReportTest, ReportsAreNamedAfterTheFileAndTimeAndNeverReplaceOneAnother) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QDateTime when(QDate(2024, 3, 9), QTime(14, 3, 7));
    const QString first = ReportPath(dir.path(), "/x/demo.test.ini", when);
    EXPECT_EQ(first, dir.path() + "/demo.test-20240309-140307.csv");
    EXPECT_EQ(ReportPath(dir.path(), "", when), dir.path() + "/untitled-20240309-140307.csv");
    QString error;
    EXPECT_EQ(WriteNewResultCsv(first, {"A"}, {}, {}, &error), first);
    EXPECT_EQ(WriteNewResultCsv(first, {"B"}, {}, {}, &error),
              dir.path() + "/demo.test-20240309-140307-2.csv");
    QFile kept(first);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "A,Verdict\r\n");

    EXPECT_FALSE(WriteResultCsv(dir.path() + "/missing/r.csv", {"A"}, {}, {}, &error));
    EXPECT_TRUE(error.startsWith(dir.path() + "/missing/r.csv: ")) << qPrintable(error);
    EXPECT_TRUE(WriteNewResultCsv(dir.path() + "/missing/r.csv", {"A"}, {}, {}, &error).isEmpty());
}

TEST(RunReportTest, ReportsLieBesideTheLogFolder) {
    qputenv("XDG_STATE_HOME", "/tmp/state-home");
    EXPECT_EQ(DefaultReportFolder(), "/tmp/state-home/Reports");
    qunsetenv("XDG_STATE_HOME");
}

} // namespace

namespace {

TEST(TransmitThreadTest, RunsOneNiceStepBelowTheOtherThreads) {
    const int base = getpriority(PRIO_PROCESS, 0);
    const int before = ThreadsAtNice(base + 1);
    TThread_TxCAN thread;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ThreadsAtNice(base + 1) == before && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_EQ(ThreadsAtNice(base + 1), before + 1);
}

} // namespace
