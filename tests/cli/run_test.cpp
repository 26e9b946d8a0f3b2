// kestrel-cli run, run as a program on the built-in simulated bus, whose
// default device answers a data frame with identifier + 8, byte 0 + 0x40.

#include "CliProcess.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

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
    const QString unwritable = dir.filePath("missing/out");
    const struct {
        QStringList args;
        int exitCode;
        const char* message;
    } cases[] = {
        {{dir.filePath("missing.ini")}, 2, "missing.ini: no such file"},
        {{bad}, 2, "'0x0xZZ' is not a valid integer value"},
        {{empty}, 2, "empty.ini: no test items"},
        {{demo, "--port", "250"}, 3, "The Zarvo port is error. Please search CAN devices again!"},
        // The --timeout only bounds a run that wrongly waits for a port that never opened.
        {{demo, "--bitrate", "10", "--timeout", "5"},
         3,
         "cannot be opened at 10 bit/s: Simulator: bit rate 10 bit/s is outside"},
        {{demo, "--junit", unwritable + ".xml"}, 5, "missing/out.xml: cannot be written"},
        {{demo, "--csv", unwritable + ".csv"}, 5, "missing/out.csv"},
        {{demo, "--trace", unwritable + ".log"}, 5, "missing/out.log: the trace cannot be written"},
        {{endless}, 64, "item 2 \"Repeated\" has TxLoopTimes=0"},
        {{endless, "--item", "2"}, 64, "item 2 \"Repeated\" has TxLoopTimes=0"},
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
        EXPECT_TRUE(o.err.contains(QLatin1String(c.message))) << qPrintable(o.err);
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
