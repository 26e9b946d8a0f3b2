// kestrel-cli run, run as a program on the built-in simulated bus, whose
// default device answers a data frame with identifier + 8, byte 0 + 0x40.

#include "CliProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace {

// The printed texts of one run.
struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

// One item section sending byte 0x01 every 20 ms; `keys` adds the others.
QByteArray Item(int n, const QByteArray& name, const QByteArray& keys) {
    return "[" + QByteArray::number(n) + "]\nDescription1=" + name +
           "\nTxCANLen=1\nTxCANData0=01\nTxLoopInterval=20\n" + keys + "\n";
}

class CliRunTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { port = SimulatorPort(); }
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    // The port and bit rate are always given (a later --port wins), so no
    // Zarvo.ini is read.
    Outcome run(const QStringList& args) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_STATE_HOME"), dir.filePath("state"));
        const CliOutcome o =
            RunCli(QStringList{"run", "--port", port, "--bitrate", "500000"} + args, env);
        return {o.exitCode, o.outText(), o.errText()};
    }

    QString writeFile(const QString& name, const QByteArray& bytes) const {
        return WriteTestFile(dir, name, bytes);
    }

    QByteArray readFile(const QString& name) const {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The printed line of the item named `name`, blanks collapsed.
    static QString Line(const Outcome& o, const QString& name) {
        for (const QString& line : o.out.split('\n'))
            if (line.startsWith(name + "  "))
                return line.simplified();
        return {};
    }

    static inline QString port;
    const QString demo = QStringLiteral(KESTREL_EXAMPLES_DIR "/demo.ini");
    QTemporaryDir dir;
};

TEST_F(CliRunTest, DemoRunsToItsEndWithTheExpectedVerdicts) {
    for (const QStringList& mode : {QStringList(), QStringList{"--group", "--report"}}) {
        const Outcome o = run(QStringList{demo, "--junit", dir.filePath("demo.xml"), "--csv",
                                          dir.filePath("demo.csv")} +
                              mode);
        EXPECT_EQ(o.exitCode, 1) << qPrintable(o.err);
        const QStringList lines = o.out.split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 8) << qPrintable(o.out);
        EXPECT_EQ(lines[0], "The testing process is complete!");
        EXPECT_EQ(lines[1].simplified(),
                  "Test Name Test Parameter Start Time End Time Result Remarks");
        EXPECT_TRUE(Line(o, "Read VIN").endsWith(" 0"));
        EXPECT_TRUE(Line(o, "Heartbeat").endsWith(" --"));
        EXPECT_TRUE(Line(o, "Wrong expectation").endsWith(" 24 Len, D1"));

        const QByteArray xml = readFile("demo.xml");
        EXPECT_TRUE(xml.contains("tests=\"6\" failures=\"1\"")) << xml.constData();
        EXPECT_TRUE(xml.contains("<failure message=\"Result 24: Len, D1\"/>"));
        const QByteArray csv = readFile("demo.csv");
        EXPECT_TRUE(csv.startsWith("Test Name,Test Parameter,Start Time,End Time,Result,"
                                   "Remarks,Verdict\r\nRead VIN,UDS 22 F1 90,"));
        EXPECT_TRUE(csv.contains(",0,,passed\r\n"));
        EXPECT_TRUE(csv.contains(",24,\"Len, D1\",failed\r\n"));
    }
    // Only the run asked to leaves a report beside the log folder.
    EXPECT_EQ(QDir(dir.filePath("state/Reports")).entryList({"demo-*.csv"}).size(), 1);
}

TEST_F(CliRunTest, ASingleItemRunJudgesOnlyThatItem) {
    const Outcome o = run({demo, "--item", "2"});
    EXPECT_EQ(o.exitCode, 0) << qPrintable(o.err);
    EXPECT_TRUE(Line(o, "Set lamp").endsWith(" 0"));
    EXPECT_TRUE(Line(o, "Read VIN").isEmpty());
}

TEST_F(CliRunTest, AnExpectedResponseThatNeverComesFailsTheItem) {
    // 0x7FF is beyond the identifiers the simulated device answers.
    const QString file = writeFile(
        "silent.ini",
        Item(0, "Silent", "TxCANID=7FF\nTxLoopTimes=1\nComp_CANID=807") +
            Item(1, "Nothing compared", "TxCANID=7FF\nTxLoopTimes=1") +
            Item(2, "Answered", "TxCANID=100\nTxLoopTimes=1\nComp_CANID=108\nComp_CANData0=41"));
    const Outcome o = run({file, "--junit", dir.filePath("silent.xml")});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_TRUE(Line(o, "Silent").endsWith(" --")) << qPrintable(o.out);
    const QByteArray xml = readFile("silent.xml");
    EXPECT_TRUE(xml.contains("tests=\"3\" failures=\"1\"")) << xml.constData();
    EXPECT_TRUE(xml.contains("<failure message=\"no response\"/>"));

    const Outcome passed = run({file, "--item", "3"});
    EXPECT_EQ(passed.exitCode, 0);
}

TEST_F(CliRunTest, TimeoutStopsARunThatNeverEndsAndFailsWhatDidNotFinish) {
    // Answered at once, so its Result may already be "0", but it never ends.
    const QString file =
        writeFile("forever.ini", Item(0, "Repeated", "TxCANID=100\nTxLoopTimes=0\nComp_CANID=108"));
    const Outcome o = run({file, "--timeout", "0.5", "--junit", dir.filePath("forever.xml")});
    EXPECT_EQ(o.exitCode, 4);
    EXPECT_FALSE(o.out.contains("The testing process is complete!"));
    EXPECT_FALSE(Line(o, "Repeated").isEmpty()) << qPrintable(o.out);
    const QByteArray xml = readFile("forever.xml");
    EXPECT_TRUE(xml.contains("tests=\"1\" failures=\"1\"")) << xml.constData();
    EXPECT_TRUE(xml.contains("<property name=\"timeout\" value=\"stopped after 0.5 s\"/>"));
    EXPECT_TRUE(xml.contains("<failure message=\"not finished: stopped after 0.5 s\"/>"));
}

// The output of `program args`, or nothing when it cannot run or fails.
std::optional<QString> Output(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}

// python-can's reader, one line per frame: "Tx 7E0 ext 0322F190..." or
// "unordered" where a time stamp goes back.
constexpr const char* kPythonCanReader = R"(
import sys, can
last = 0
for m in can.CanutilsLogReader(sys.argv[1]):
    if m.timestamp < last:
        print("unordered")
    last = m.timestamp
    print("Rx" if m.is_rx else "Tx", "%X" % m.arbitration_id, "ext" if m.is_extended_id else "std",
          bytes(m.data).hex().upper())
)";

// The lines of `text` that mark a frame sent by the port, as "7E0" or "5F0x".
QStringList SentIds(const QString& text, const QString& sentMark, int idField) {
    QStringList ids;
    for (const QString& line : text.split('\n')) {
        const QStringList fields = line.simplified().split(' ');
        if (fields.contains(sentMark))
            ids << fields.value(idField);
    }
    return ids;
}

TEST_F(CliRunTest, TraceIsReadByIndependentReaders) {
    const QString trace = dir.filePath("demo.log");
    ASSERT_EQ(run({demo, "--trace", trace}).exitCode, 1);
    const int frames = static_cast<int>(readFile("demo.log").count('\n'));
    // The demo's items in table order, each as often as it is sent.
    const QStringList sent = {"7E0", "200", "200", "200", "5F0", "700", "700", "300", "200"};
    bool read = false;
    for (const QString python : {"/usr/bin/python3", "python3"}) {
        const std::optional<QString> out = Output(python, {"-c", kPythonCanReader, trace});
        if (!out)
            continue;
        read = true;
        EXPECT_EQ(out->count('\n'), frames) << qPrintable(*out);
        EXPECT_FALSE(out->contains("unordered")) << qPrintable(*out);
        EXPECT_EQ(SentIds(*out, "Tx", 1), sent) << qPrintable(*out);
        EXPECT_TRUE(out->contains("Tx 5F0 ext 10203040")) << qPrintable(*out);
        EXPECT_TRUE(out->contains("Rx 7E8 std 4322F19000000000")) << qPrintable(*out);
        break;
    }
    // can-utils' converter to Vector ASC lists the port's frames as Tx.
    if (const std::optional<QString> asc =
            Output("log2asc", {"-I", trace, QStringLiteral("simulator%1").arg(port)})) {
        read = true;
        QStringList ids = SentIds(*asc, "Tx", 2);
        EXPECT_EQ(ids.replaceInStrings("5F0x", "5F0"), sent) << qPrintable(*asc);
    }
    if (!read)
        GTEST_SKIP() << "neither python3-can nor can-utils' log2asc is installed "
                        "(scripts/setup.sh installs both): the trace was not read independently";
}

TEST_F(CliRunTest, RefusedRunsTellWhy) {
    const QString bad = writeFile("bad.ini", Item(0, "Bad", "TxCANID=0xZZ\nTxLoopTimes=1"));
    const QString empty = writeFile("empty.ini", "[ORBTEC_ZarvoPortConfig]\n");
    const QString endless = writeFile("endless.ini", Item(0, "Once", "TxLoopTimes=1") +
                                                         Item(1, "Repeated", "TxLoopTimes=0"));
    const QString negative = writeFile("negative.ini", Item(0, "Forever", "TxLoopTimes=-1"));
    const QString wide = writeFile("wide.ini", Item(0, "Fits", "TxCANID=7FF\nTxLoopTimes=1") +
                                                   Item(1, "Wide", "TxCANID=800\nTxLoopTimes=1"));
    const QString unwritable = dir.filePath("missing/out");
    QFile::copy(demo, dir.filePath("copy.ini"));
    const QString copy = dir.filePath("copy.ini");
    const QByteArray copyBytes = readFile("copy.ini");
    const struct {
        QStringList args;
        int exitCode;
        QString message;
    } cases[] = {
        {{dir.filePath("missing.ini")}, 2, "missing.ini: no such file"},
        {{bad}, 2, "bad.ini, line 6, TxCANID: '0xZZ' is not a valid integer value"},
        // A masked identifier would be sent in place of the one in the file.
        {{wide}, 2, "item 2 \"Wide\": TxCANID 0x800 is beyond the 11-bit identifiers"},
        {{wide, "--item", "2", "--timeout", "5"}, 2, "item 2 \"Wide\": TxCANID 0x800"},
        {{empty}, 2, "empty.ini: no test items"},
        {{demo, "--port", "250"}, 3, "The Zarvo port is error. Please search CAN devices again!"},
        // The --timeout only bounds a run that wrongly waits for a port that never opened.
        {{demo, "--bitrate", "10", "--timeout", "5"},
         3,
         "cannot be opened at 10 bit/s: Simulator: bit rate 10 bit/s is outside"},
        {{demo, "--junit", unwritable + ".xml"}, 5, "missing/out.xml: No such file or directory"},
        {{demo, "--junit", "/dev/full"}, 5, "/dev/full: No space left on device"},
        {{demo, "--csv", "/dev/full"}, 5, "/dev/full: No space left on device"},
        {{demo, "--trace", "/dev/full"}, 5, "/dev/full: the trace cannot be written"},
        {{copy, "--trace", copy}, 64, "--trace " + copy + " is the same file as FILE"},
        {{copy, "--csv", dir.filePath("out.csv"), "--junit", dir.filePath("./out.csv")},
         64,
         "is the same file as --junit"},
        {{demo, "--csv", unwritable + ".csv"}, 5, "missing/out.csv"},
        {{demo, "--trace", unwritable + ".log"}, 5, "missing/out.log: the trace cannot be written"},
        {{endless}, 64, "item 2 \"Repeated\" has TxLoopTimes=0"},
        {{endless, "--item", "2"}, 64, "item 2 \"Repeated\" has TxLoopTimes=0"},
        {{negative}, 64, "item 1 \"Forever\" has TxLoopTimes=-1"},
        {{demo, "--item", "7"}, 64, "--item 7: the file has 6 items"},
        {{}, 64, "usage:"},
        {{demo, "--item", "0"}, 64, "usage:"},
        {{demo, "--item", "1", "--group"}, 64, "usage:"},
        {{demo, "--timeout", "-1"}, 64, "usage:"},
        {{demo, "--bitrate", "fast"}, 64, "usage:"},
        {{demo, "--junit"}, 64, "usage:"},
        {{demo, "--verbose", "1"}, 64, "usage:"},
        {{demo, demo}, 64, "usage:"},
    };
    for (const auto& c : cases) {
        const Outcome o = run(c.args);
        EXPECT_EQ(o.exitCode, c.exitCode) << qPrintable(c.args.join(' '));
        EXPECT_TRUE(o.err.contains(c.message)) << qPrintable(o.err);
    }
    EXPECT_EQ(readFile("copy.ini"), copyBytes);
}

// Polls `condition` until it holds; false after a minute.
bool WaitFor(const std::function<bool()>& condition) {
    QDeadlineTimer deadline(60000);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// The names of the files in `folder`, hidden ones too.
QStringList Files(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

TEST_F(CliRunTest, ParallelRunsLeaveEveryReportAndTraceUnderNamesOfTheirOwn) {
    const QString reports = dir.filePath("state/Reports");
    ASSERT_TRUE(QDir().mkpath(reports));
    // The trace of a run that died (a pid above the kernel's limit is nobody's).
    WriteTestFile(dir, "state/Reports/.demo-20240309-140307.log.2147483600.0.tmp", "(1.0) x 1#\n");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_STATE_HOME"), dir.filePath("state"));
    constexpr int kRuns = 8;
    std::vector<std::unique_ptr<QProcess>> runs;
    for (int i = 0; i < kRuns; ++i) {
        runs.push_back(std::make_unique<QProcess>());
        runs.back()->setProcessEnvironment(env);
        runs.back()->start(QStringLiteral(KESTREL_CLI_PATH),
                           {"run", demo, "--port", port, "--bitrate", "500000", "--report"});
    }
    for (const auto& process : runs) {
        ASSERT_TRUE(process->waitForFinished(120000));
        EXPECT_EQ(process->exitCode(), 1) << process->readAllStandardError().constData();
    }
    const QStringList files = Files(reports);
    EXPECT_EQ(files.filter(QRegularExpression("^demo-\\d{8}-\\d{6}(-\\d+)?\\.csv$")).size(), kRuns)
        << qPrintable(files.join(' '));
    for (const QString& csv : files.filter(".csv")) {
        const QString log = csv.chopped(4) + ".log";
        EXPECT_TRUE(files.contains(log)) << qPrintable(files.join(' '));
        QFile trace(reports + '/' + log);
        ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
        EXPECT_TRUE(trace.readAll().contains(" 7E0#0322F19000000000 T\n")) << qPrintable(log);
    }
    EXPECT_TRUE(files.contains("demo-20240309-140307-incomplete.log"))
        << qPrintable(files.join(' '));
    EXPECT_EQ(files.size(), 2 * kRuns + 1) << qPrintable(files.join(' '));
}

// A killed run's trace, left under its hidden temporary name, is given a
// visible name by the next run that traces into the same folder.
TEST_F(CliRunTest, TheNextTraceRecoversTheTraceOfAKilledRun) {
    // A pid above the kernel's limit is nobody's.
    WriteTestFile(dir, ".out.asc.2147483600.0.tmp", "date Sat Nov 14 22:13:20 2026\n");
    ASSERT_EQ(run({demo, "--trace", dir.filePath("out.asc")}).exitCode, 1);
    EXPECT_EQ(readFile("out-incomplete.asc"), "date Sat Nov 14 22:13:20 2026\n");
    EXPECT_TRUE(readFile("out.asc").contains(" 7E0 ")) << readFile("out.asc").constData();
    EXPECT_TRUE(Files(dir.path()).filter(".tmp").isEmpty())
        << qPrintable(Files(dir.path()).join(' '));
}

TEST_F(CliRunTest, ASignalStopsTheRunAsStopDoesAndEveryOutputIsWritten) {
    const QString file =
        writeFile("forever.ini", Item(0, "Repeated", "TxCANID=100\nTxLoopTimes=0\nComp_CANID=108") +
                                     Item(1, "Never sent", "TxCANID=200\nTxLoopTimes=1"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_STATE_HOME"), dir.filePath("state"));
    const struct {
        int signal;
        const char* name;
        int exitCode;
    } signals_[] = {{SIGINT, "SIGINT", 130}, {SIGTERM, "SIGTERM", 143}};
    for (const auto& s : signals_) {
        SCOPED_TRACE(s.name);
        WriteTestFile(dir, "old.csv", "kept until the new one is complete");
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(KESTREL_CLI_PATH),
                      {"run", file, "--port", port, "--bitrate", "500000", "--timeout", "600",
                       "--junit", dir.filePath("out.xml"), "--csv", dir.filePath("old.csv"),
                       "--trace", dir.filePath("out.log"), "--report"});
        // The run is under way once its trace was begun.
        ASSERT_TRUE(WaitFor([this] { return !Files(dir.path()).filter(".out.log.").isEmpty(); }));
        ::kill(static_cast<pid_t>(process.processId()), s.signal);
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), s.exitCode) << process.readAllStandardError().constData();
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        EXPECT_TRUE(out.contains("\nRepeated ")) << qPrintable(out);

        const QByteArray xml = readFile("out.xml");
        EXPECT_TRUE(xml.contains(
            QByteArray("<property name=\"interrupted\" value=\"interrupted by ") + s.name + "\"/>"))
            << xml.constData();
        EXPECT_TRUE(xml.contains(QByteArray("<failure message=\"not finished: interrupted by ") +
                                 s.name + "\"/>"));
        EXPECT_TRUE(readFile("old.csv").startsWith("Test Name,"));
        EXPECT_TRUE(
            readFile("out.log").endsWith(QByteArray("# run interrupted by ") + s.name + "\n"));
        const QStringList reports = Files(dir.filePath("state/Reports"));
        EXPECT_EQ(reports.filter(QRegularExpression("^forever-.*\\.(csv|log)$")).size(),
                  reports.size());
        EXPECT_TRUE(Files(dir.path()).filter(".tmp").isEmpty())
            << qPrintable(Files(dir.path()).join(' '));
        EXPECT_TRUE(reports.filter(".tmp").isEmpty()) << qPrintable(reports.join(' '));
    }
}

// Zarvo.ini is read from the program's folder: a copy of kestrel-cli in a
// folder of the test's own reads the test's Zarvo.ini.
TEST_F(CliRunTest, ZarvoIniValuesAreWarnedOrRefusedWithTheirOwnExitCode) {
    const QString program = dir.filePath("kestrel-cli");
    ASSERT_TRUE(QFile::copy(QStringLiteral(KESTREL_CLI_PATH), program));
    const struct {
        QByteArray values;
        int exitCode;
        QString message;
    } cases[] = {
        {"ZarvoPort=x\n", 6,
         QStringLiteral("Zarvo.ini, line 2, ZarvoPort: 'x' is not a valid integer value")},
        {"ZarvoPort=" + QByteArray::number(256 + port.toInt()) + "\n", 0,
         QStringLiteral(
             "Zarvo.ini, line 2: ZarvoPort=%1 is beyond 0..255; taken as %2 (its low 8 bits)")
             .arg(256 + port.toInt())
             .arg(port)},
    };
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_STATE_HOME"), dir.filePath("state"));
    for (const auto& c : cases) {
        writeFile("Zarvo.ini", "[ORBTEC_ZarvoPortConfig]\n" + c.values);
        const CliOutcome o =
            RunCli({"run", demo, "--item", "1", "--bitrate", "500000"}, env, {}, program);
        EXPECT_EQ(o.exitCode, c.exitCode) << qPrintable(o.errText());
        EXPECT_TRUE(o.errText().contains(c.message)) << qPrintable(o.errText());
    }
}

TEST(CliUsageTest, HelpGoesToStdoutAndOnlyWrongArgumentsFail) {
    const struct {
        QStringList args;
        int exitCode;
    } cases[] = {
        {{"--help"}, 0}, {{"-h"}, 0},        {{"help"}, 0},
        {{}, 64},        {{"--helpme"}, 64}, {{"help", "run"}, 0},
    };
    for (const auto& c : cases) {
        const CliOutcome o = RunCli(c.args);
        EXPECT_EQ(o.exitCode, c.exitCode) << qPrintable(c.args.join(' '));
        const QByteArray& usage = c.exitCode == 0 ? o.out : o.err;
        EXPECT_TRUE(usage.startsWith("usage: kestrel-cli show FILE")) << qPrintable(o.errText());
        EXPECT_TRUE(usage.contains("[--report]"));
    }
}

} // namespace
