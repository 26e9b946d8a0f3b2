#pragma once
// Runs the built kestrel-cli as a separate program, as scripts and CI do.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

struct CliOutcome {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    QString outText() const { return QString::fromUtf8(out); }
    QString errText() const { return QString::fromUtf8(err); }
};

// `program` is the built kestrel-cli unless a test runs a copy of it (whose
// folder holds the Zarvo.ini it reads).
inline CliOutcome RunCli(const QStringList& args,
                         const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                         const QString& workingFolder = {},
                         const QString& program = QStringLiteral(KESTREL_CLI_PATH)) {
    QProcess process;
    process.setProcessEnvironment(env);
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(workingFolder);
    process.start(program, args);
    EXPECT_TRUE(process.waitForFinished(120000)) << qPrintable(args.join(' '));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << qPrintable(args.join(' '));
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

// Writes `bytes` to the file `name` in `dir` and gives its path.
inline QString WriteTestFile(const QTemporaryDir& dir, const QString& name,
                             const QByteArray& bytes) {
    QFile file(dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
}

// The first simulator port in the table `kestrel-cli ports` prints.
inline QString SimulatorPort() {
    for (const QString& line : RunCli({QStringLiteral("ports")}).outText().split('\n')) {
        const QStringList fields = line.simplified().split(' ');
        if (fields.size() > 1 && fields[1] == QLatin1String("Simulator"))
            return fields[0];
    }
    ADD_FAILURE() << "no simulator port";
    return QStringLiteral("0");
}
