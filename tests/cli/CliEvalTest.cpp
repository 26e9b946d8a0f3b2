// kestrel-cli eval, run as a program: value, malformed formula, floating-point error.

#include "CliProcess.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct EvalCase {
    QStringList args;
    int exitCode;
    QByteArray out;
    QByteArray err;
};

TEST(CliEval, ValueFailureAndFloatingPointError) {
    const std::vector<EvalCase> cases = {
        {{"1+2*3"}, 0, "7\n", ""},
        {{"0.1 + 0.2"}, 0, "0.30000000000000004\n", ""},
        {{"-1/3"}, 0, "-0.33333333333333331\n", ""},
        {{"1 +"},
         1,
         "Error: Failed to read real number\nExpression '1 +' failed to parse, returning nan\n",
         ""},
        {{"1/0"}, 3, "", "Floating point division by zero\n"},
        {{"exp(1000)"}, 3, "", "Floating point overflow\n"},
        {{"0/0 + 1/0"}, 3, "", "Invalid floating point operation\n"},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const EvalCase& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliOutcome o = RunCli(QStringList{"eval"} + c.args,
                                    QProcessEnvironment::systemEnvironment(), dir.path());
        EXPECT_EQ(o.exitCode, c.exitCode);
        EXPECT_EQ(o.out, c.out);
        EXPECT_EQ(o.err, c.err);
    }
}

TEST(CliEval, WrongArgumentCountIsAUsageError) {
    for (const QStringList& args : {QStringList{"eval"}, QStringList{"eval", "1", "2"}}) {
        const CliOutcome o = RunCli(args);
        EXPECT_EQ(o.exitCode, 64);
        EXPECT_TRUE(o.err.startsWith("usage:"));
    }
}

} // namespace
