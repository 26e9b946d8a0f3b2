// kestrel-cli monitor and convert, run as programs: the built-in simulated
// bus, whose default device broadcasts 0x3E8 and 0x3E9, and trace files of
// both formats.

#include "CliProcess.h"

#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

namespace {

class CliMonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        env.insert(QStringLiteral("XDG_STATE_HOME"), dir.filePath("state"));
        env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    }

    CliOutcome cli(const QStringList& args) const { return RunCli(args, env); }
    QStringList simulator() const { return {"monitor", "--port", port, "--bitrate", "500000"}; }

    // Starts `args` and waits for `ready` to hold.
    template <typename Ready> void start(QProcess& process, const QStringList& args, Ready ready) {
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(KESTREL_CLI_PATH), args);
        ASSERT_TRUE(process.waitForStarted());
        while (!ready() && process.state() == QProcess::Running)
            process.waitForReadyRead(100);
        ASSERT_TRUE(ready()) << qPrintable(process.readAllStandardError());
    }

    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QString port = SimulatorPort();
};

const QRegularExpression kCandumpLine(QStringLiteral(
    R"(^\(\d+\.\d{6}\) simulator\d ([0-9A-F]{3}|[0-9A-F]{8})#([0-9A-F]*|R\d?) [TR]$)"));

// The identifiers of the candump lines of `text`; every line must be one.
QSet<QString> Identifiers(const QString& text) {
    QSet<QString> ids;
    for (const QString& line : text.split('\n', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = kCandumpLine.match(line);
        EXPECT_TRUE(m.hasMatch()) << qPrintable(line);
        ids.insert(m.captured(1));
    }
    return ids;
}

TEST_F(CliMonitorTest, PrintsTheFramesThatPassItsFilters) {
    const struct {
        QStringList filters;
        QSet<QString> ids;
    } cases[] = {
        {{}, {"3E8", "3E9"}},
        {{"--filter", "3E9"}, {"3E9"}},
        {{"--filter", "3E0:7F0"}, {"3E8", "3E9"}},
        {{"--filter", "3E8", "--filter", "123"}, {"3E8"}},
        {{"--filter", "3E8:0"}, {"3E8", "3E9"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(qPrintable(c.filters.join(' ')));
        const CliOutcome o = cli(simulator() + c.filters + QStringList{"--duration", "0.5"});
        ASSERT_EQ(o.exitCode, 0) << qPrintable(o.errText());
        EXPECT_EQ(Identifiers(o.outText()), c.ids);
    }
}

TEST_F(CliMonitorTest, EndsWholeOnSigintAndSigterm) {
    QProcess process;
    start(process, simulator(), [&] { return process.canReadLine(); });
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished());
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_TRUE(out.endsWith('\n'));
    EXPECT_FALSE(Identifiers(out).isEmpty());

    // The log is written under a temporary name beside it, which exists once
    // the signals are taken; the log takes its name only when it is complete.
    const QString asc = dir.filePath("bus.asc");
    const auto temporaries = [&] {
        return QDir(dir.path()).entryList({".bus.asc.*"}, QDir::Files | QDir::Hidden);
    };
    QProcess toFile;
    start(toFile, simulator() + QStringList{"--asc", asc},
          [&] { return !temporaries().isEmpty(); });
    toFile.terminate();
    ASSERT_TRUE(toFile.waitForFinished());
    EXPECT_EQ(toFile.exitCode(), 0) << qPrintable(toFile.readAllStandardError());
    QFile file(asc);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.startsWith("date ")) << text.constData();
    EXPECT_TRUE(text.endsWith("End TriggerBlock\n")) << text.constData();
    EXPECT_TRUE(temporaries().isEmpty());
}

TEST_F(CliMonitorTest, WritesBothLogFormatsThatConvertIntoEachOther) {
    const QString log = dir.filePath("bus.log");
    const QString asc = dir.filePath("bus.asc");
    const CliOutcome o =
        cli(simulator() + QStringList{"--log", log, "--asc", asc, "--duration", "0.5"});
    ASSERT_EQ(o.exitCode, 0) << qPrintable(o.errText());
    EXPECT_TRUE(o.out.isEmpty());
    QFile logFile(log);
    ASSERT_TRUE(logFile.open(QIODevice::ReadOnly));
    const QByteArray logText = logFile.readAll();
    EXPECT_EQ(Identifiers(QString::fromUtf8(logText)), (QSet<QString>{"3E8", "3E9"}));

    // The ASC log converts back into the very same candump log.
    const CliOutcome back = cli({"convert", asc, dir.filePath("back.log")});
    ASSERT_EQ(back.exitCode, 0) << qPrintable(back.errText());
    const qsizetype frames = logText.count('\n');
    EXPECT_EQ(back.outText(),
              QStringLiteral("%1 frames converted; 1 comment lines and 0 event lines left out\n")
                  .arg(frames));
    QFile backFile(dir.filePath("back.log"));
    ASSERT_TRUE(backFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(backFile.readAll(), logText);
}

TEST_F(CliMonitorTest, ExitCodesTellWhatWentWrong) {
    const QString good = WriteTestFile(dir, "good.log", "(1.000000) can0 123#11 R\n");
    const QString bad =
        WriteTestFile(dir, "bad.asc", "date Sat Nov 14 22:13:20 2026\n1.0 1 800 Rx d 0\n");
    const QString kept = WriteTestFile(dir, "kept.asc", "old");
    const struct {
        QStringList args;
        int exitCode;
        QString error;
    } cases[] = {
        {{"convert", dir.filePath("none.log"), dir.filePath("o.asc")},
         2,
         "none.log cannot be read"},
        {{"convert", bad, kept}, 2, "bad.asc line 2: bad identifier"},
        {{"convert", good, dir.filePath("no/such/o.asc")},
         5,
         "no/such/o.asc: No such file or directory"},
        {{"convert", good, "/dev/full"}, 5, "/dev/full: No space left on device"},
        {{"convert", good}, 64, ""},
        {simulator() + QStringList{"--filter", "20000000"}, 64, ""},
        {simulator() + QStringList{"--filter", "0x3E8"}, 64, ""},
        {simulator() + QStringList{"--filter", "3E8:1:2"}, 64, ""},
        {simulator() + QStringList{"--log"}, 64, ""},
        {{"monitor", "--port", "49", "--bitrate", "500000"}, 3, "The Zarvo port is error."},
        {simulator() + QStringList{"--log", dir.filePath("no/such/o.log")}, 5,
         "no/such/o.log: cannot be written"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(qPrintable(c.args.join(' ')));
        const CliOutcome o = cli(c.args);
        EXPECT_EQ(o.exitCode, c.exitCode);
        EXPECT_TRUE(o.errText().contains(c.error)) << qPrintable(o.errText());
    }
    QFile file(kept);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "old") << "a refused input leaves the output as it was";
}

} // namespace
