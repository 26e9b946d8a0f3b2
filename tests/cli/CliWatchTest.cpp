// kestrel-cli watch, run as a program on the built-in simulated bus, whose
// default device sends a WORD ramp on 0x3E8 and the time on 0x3E9.

#include "CliProcess.h"

#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

namespace {

class CliWatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        env.insert(QStringLiteral("XDG_STATE_HOME"), dir.filePath("state"));
    }

    CliOutcome watch(const QStringList& args) const {
        return RunCli(QStringList{"watch"} + args, env);
    }

    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
};

TEST_F(CliWatchTest, LogsTheSimulatedRampAsCsv) {
    const CliOutcome o =
        watch({QStringLiteral(KESTREL_EXAMPLES_DIR "/TrendCAN.ini"), "--port", SimulatorPort(),
               "--bitrate", "500000", "--duration", "1.2", "--period", "200"});
    ASSERT_EQ(o.exitCode, 0) << qPrintable(o.errText());
    const QStringList lines = o.outText().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 8) << qPrintable(o.outText());
    EXPECT_TRUE(lines[0].startsWith("# V1: Ramp counts; V2: Sine counts;")) << qPrintable(lines[0]);
    EXPECT_EQ(lines[1], "time_s,V1,V2,V3,V4,F1,F2,F3,F4");
    for (const QString& line : lines.mid(2))
        EXPECT_EQ(line.count(','), 8) << qPrintable(line);
    // F1 is V1 / 10, and the ramp climbs 250 counts a second at the start.
    const QStringList first = lines[2].split(',');
    const QStringList last = lines.last().split(',');
    EXPECT_GT(last[1].toInt(), first[1].toInt() + 100);
    EXPECT_EQ(last[5], QString::asprintf("%f", last[1].toInt() / 10.0));
    // V1 / V4 divides by zero while the time is still 0: an empty field, one message.
    EXPECT_TRUE(first[7].isEmpty());
    EXPECT_EQ(o.errText().count("Floating point division by zero"), 1) << qPrintable(o.errText());
}

TEST_F(CliWatchTest, ASignalEndsTheWatchWithEveryLineComplete) {
    for (const int signal : {SIGINT, SIGTERM}) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(KESTREL_CLI_PATH),
                      {"watch", QStringLiteral(KESTREL_EXAMPLES_DIR "/TrendCAN.ini"), "--port",
                       SimulatorPort(), "--bitrate", "500000", "--period", "20"});
        QByteArray out;
        while (out.count('\n') < 5 && process.waitForReadyRead(60000))
            out += process.readAllStandardOutput();
        ASSERT_GE(out.count('\n'), 5) << out.constData();
        ::kill(static_cast<pid_t>(process.processId()), signal);
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0);
        out += process.readAllStandardOutput();
        EXPECT_TRUE(out.endsWith('\n'));
        for (const QByteArray& line : out.split('\n').mid(2))
            EXPECT_TRUE(line.isEmpty() || line.count(',') == 8) << line.constData();
    }
}

TEST_F(CliWatchTest, ExitCodesTellWhatWentWrong) {
    const QString file = WriteTestFile(dir, "TrendCAN.ini", "[00..a..b]\nTrendCANID=1000\n");
    const CliOutcome noPort = watch({file, "--port", "49", "--bitrate", "500000"});
    EXPECT_EQ(noPort.exitCode, 3);
    EXPECT_TRUE(noPort.errText().contains("The Zarvo port is error."))
        << qPrintable(noPort.errText());
    EXPECT_EQ(watch({dir.filePath("none.ini"), "--port", "0", "--bitrate", "1"}).exitCode, 2);
    const QString bad = WriteTestFile(dir, "bad.ini", "[00..a..b]\nTrendCANID=x\n");
    const CliOutcome unreadable = watch({bad, "--port", "0", "--bitrate", "1"});
    EXPECT_EQ(unreadable.exitCode, 2);
    EXPECT_TRUE(unreadable.errText().contains(
        bad + QStringLiteral(", line 2, TrendCANID: 'x' is not a valid integer value")));
    // V2 has no watched identifier: its column could never hold a value.
    const QString orphan = WriteTestFile(
        dir, "orphan.ini", "[00..a..b]\nTrendCANID=1000\n[Formula-00..f]\nFormula=V1+V2\n");
    const CliOutcome refused = watch({orphan, "--port", "0", "--bitrate", "1"});
    EXPECT_EQ(refused.exitCode, 64);
    EXPECT_TRUE(
        refused.errText().contains("F1 'V1+V2' names V2, but the file watches 1 identifiers"))
        << qPrintable(refused.errText());
    EXPECT_EQ(watch({file, "--period", "0"}).exitCode, 64);
    EXPECT_EQ(watch({file, file}).exitCode, 64);
}

TEST_F(CliWatchTest, LogsNamedSignalsAloneOrBesideTheTrendFile) {
    const QString dbc = QStringLiteral(KESTREL_EXAMPLES_DIR "/SimDevice.dbc");
    const QStringList port = {"--port", SimulatorPort(), "--bitrate", "500000", "--period", "200"};
    const CliOutcome alone = watch(QStringList{"--dbc", dbc, "--signal", "SimValues.Ramp",
                                               "--signal", "SimTime.Seconds", "--duration", "1.2"} +
                                   port);
    ASSERT_EQ(alone.exitCode, 0) << qPrintable(alone.errText());
    const QStringList lines = alone.outText().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 8) << qPrintable(alone.outText());
    EXPECT_EQ(lines[0], "# SimValues.Ramp %; SimTime.Seconds s");
    EXPECT_EQ(lines[1], "time_s,SimValues.Ramp,SimTime.Seconds");
    // The ramp climbs 25 % a second at the start, in steps of a tenth.
    const double first = lines[2].split(',')[1].toDouble();
    const double last = lines.last().split(',')[1].toDouble();
    EXPECT_GT(last, first + 10);

    const CliOutcome beside =
        watch(QStringList{QStringLiteral(KESTREL_EXAMPLES_DIR "/TrendCAN.ini"), "--dbc", dbc,
                          "--signal", "SimValues.FloatSine", "--duration", "0.4"} +
              port);
    ASSERT_EQ(beside.exitCode, 0) << qPrintable(beside.errText());
    EXPECT_EQ(beside.outText().split('\n')[1],
              "time_s,V1,V2,V3,V4,F1,F2,F3,F4,SimValues.FloatSine");
}

TEST_F(CliWatchTest, SignalsNeedTheirDatabaseAndMustBeInIt) {
    const QString dbc = QStringLiteral(KESTREL_EXAMPLES_DIR "/SimDevice.dbc");
    const CliOutcome unknown = watch({"--dbc", dbc, "--signal", "SimValues.Nothing"});
    EXPECT_EQ(unknown.exitCode, 64);
    EXPECT_TRUE(unknown.errText().contains("SimValues.Nothing is not a signal of"));
    EXPECT_EQ(watch({"--signal", "SimValues.Ramp"}).exitCode, 64);
    EXPECT_EQ(watch({"--dbc", dbc}).exitCode, 64);
    const QString bad = WriteTestFile(dir, "bad.dbc", "BO_ 1 M: 8 E\n SG_ S : 0|8@1+ (1,0)\n");
    const CliOutcome refused = watch({"--dbc", bad, "--signal", "M.S"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.errText().contains("bad.dbc: line 2: expected '['"))
        << qPrintable(refused.errText());
}

} // namespace
