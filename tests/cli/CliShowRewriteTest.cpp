// kestrel-cli show and rewrite, run as a program.

#include "CliProcess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class CliShowRewriteTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    static CliOutcome run(const QStringList& args) { return RunCli(args); }

    QString writeFile(const QString& name, const QByteArray& bytes) const {
        return WriteTestFile(dir, name, bytes);
    }

    QTemporaryDir dir;
};

const QByteArray kTwoItems = "[a]\n"
                             "Description1=Power on\n"
                             "Description2=电源\n"
                             "TxCANID=18FF0001\n"
                             "TxCANMode=1\n"
                             "TxCANLen=2\n"
                             "TxCANData0=01\n"
                             "TxCANData1=FF\n"
                             "TxLoopTimes=3\n"
                             "Comp_CANID=FFFFFFFF\n"
                             "Comp_CANLen=2\n"
                             "Comp_CANData1=80\n"
                             "[b]\n"
                             "TxCANID=200\n"
                             "TxCANGroup=4\n";

QJsonObject ParseTable(const QByteArray& out) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << out.constData();
    return doc.object();
}

TEST_F(CliShowRewriteTest, ShowPrintsTheTableAsJson) {
    const CliOutcome result =
        run({QStringLiteral("show"), writeFile(QStringLiteral("a.ini"), kTwoItems)});
    EXPECT_EQ(result.exitCode, 0) << qPrintable(result.errText());
    const QJsonObject table = ParseTable(result.out);
    EXPECT_EQ(table[QStringLiteral("CMD_Count")].toInt(), 2);
    EXPECT_EQ(table[QStringLiteral("Group_Count")].toInt(), 5);
    const QJsonArray items = table[QStringLiteral("items")].toArray();
    ASSERT_EQ(items.size(), 2);
    const QJsonObject first = items[0].toObject();
    EXPECT_EQ(first[QStringLiteral("Description1")].toString(), QStringLiteral("Power on"));
    EXPECT_EQ(first[QStringLiteral("Description2")].toString(), QStringLiteral("电源"));
    EXPECT_EQ(first[QStringLiteral("TxCANID")].toInteger(), 0x18FF0001);
    EXPECT_EQ(first[QStringLiteral("TxCANMode")].toInt(), 1);
    EXPECT_EQ(first[QStringLiteral("TxLoopTimes")].toInt(), 3);
    EXPECT_EQ(first[QStringLiteral("TxLoopTerminal")].toInt(), 100);
    EXPECT_EQ(first[QStringLiteral("TxCANGroup")].toInt(), 0);
    EXPECT_EQ(first[QStringLiteral("Comp_CANID")].toInt(), -1);
    EXPECT_EQ(first[QStringLiteral("Comp_CANLen")].toInt(), 2);
    const QJsonArray data = first[QStringLiteral("TxCANData")].toArray();
    const QJsonArray compared = first[QStringLiteral("Comp_CANData")].toArray();
    ASSERT_EQ(data.size(), 8);
    ASSERT_EQ(compared.size(), 8);
    EXPECT_EQ(data[1].toInt(), 255);
    EXPECT_EQ(compared[0].toInt(), -1);
    EXPECT_EQ(compared[1].toInt(), 0x80);
    EXPECT_EQ(items[1].toObject()[QStringLiteral("TxCANGroup")].toInt(), 4);
}

// Scripts that read the output as text see the fields in the table's order.
TEST_F(CliShowRewriteTest, ShowWritesTheFieldsInTableOrder) {
    const CliOutcome result =
        run({QStringLiteral("show"), writeFile(QStringLiteral("a.ini"), "[a]\n")});
    EXPECT_EQ(result.exitCode, 0) << qPrintable(result.errText());
    EXPECT_EQ(result.out,
              "{\"CMD_Count\":1,\"Group_Count\":1,\"items\":[{\"Description1\":\"NULL\","
              "\"Description2\":\"NULL\",\"TxCANID\":0,\"TxCANMode\":0,\"TxCANRTR\":0,"
              "\"TxCANLen\":0,\"TxCANData\":[0,0,0,0,0,0,0,0],\"TxLoopInterval\":0,"
              "\"TxLoopTimes\":0,\"TxLoopTerminal\":100,\"TxCANGroup\":0,\"Comp_CANID\":-1,"
              "\"Comp_CANMode\":-1,\"Comp_CANRTR\":-1,\"Comp_CANLen\":-1,"
              "\"Comp_CANData\":[-1,-1,-1,-1,-1,-1,-1,-1]}]}\n");
}

TEST_F(CliShowRewriteTest, ShowOfABadValuePrintsTheItemsBeforeIt) {
    const QString file =
        writeFile(QStringLiteral("bad.ini"), kTwoItems + "[c]\nTxCANID=300\nTxLoopInterval=fast\n");
    const CliOutcome result = run({QStringLiteral("show"), file});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(ParseTable(result.out)[QStringLiteral("CMD_Count")].toInt(), 2);
    EXPECT_TRUE(result.errText().contains(
        file + QStringLiteral(", line 18, TxLoopInterval: 'fast' is not a valid integer value")))
        << qPrintable(result.errText());
}

// Values changed to fit are read as the file rules say and named on stderr;
// the exit code stays that of a good file.
TEST_F(CliShowRewriteTest, ShowWarnsOfValuesTakenOtherThanWritten) {
    const QString file =
        writeFile(QStringLiteral("odd.ini"), "[a]\nTxCANLen=256\nTxCANID=FFFFFFFF\n");
    const CliOutcome result = run({QStringLiteral("show"), file});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(
        ParseTable(result.out)[QStringLiteral("items")][0][QStringLiteral("TxCANLen")].toInt(), 0);
    const QStringList err = result.errText().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(err.size(), 2) << qPrintable(result.errText());
    EXPECT_EQ(err[0], QStringLiteral("kestrel-cli: warning: %1, line 2: TxCANLen=256 is beyond "
                                     "0..255; taken as 0 (its low 8 bits)")
                          .arg(file));
    EXPECT_TRUE(err[1].startsWith(QStringLiteral("kestrel-cli: warning: %1, line 3: "
                                                 "TxCANID=FFFFFFFF is beyond 7FF")
                                      .arg(file)))
        << qPrintable(err[1]);
}

TEST_F(CliShowRewriteTest, RewriteWritesWhatShowReads) {
    const QString out = dir.filePath(QStringLiteral("out.ini"));
    const CliOutcome rewrite =
        run({QStringLiteral("rewrite"), writeFile(QStringLiteral("in.ini"), kTwoItems), out});
    EXPECT_EQ(rewrite.exitCode, 0) << qPrintable(rewrite.errText());
    QFile written(out);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray text = written.readAll();
    EXPECT_TRUE(text.startsWith("[00..Power on..电源]\nDescription1=Power on\n"));
    EXPECT_TRUE(text.contains("\n[01..NULL..NULL]\n"));
    EXPECT_EQ(run({QStringLiteral("show"), out}).out,
              run({QStringLiteral("show"), dir.filePath(QStringLiteral("in.ini"))}).out);
}

TEST_F(CliShowRewriteTest, FailuresLeaveNoOutputFile) {
    const QString out = dir.filePath(QStringLiteral("out.ini"));
    const CliOutcome missing =
        run({QStringLiteral("rewrite"), dir.filePath(QStringLiteral("no.ini")), out});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_FALSE(missing.err.isEmpty());
    const QString bad = writeFile(QStringLiteral("bad.ini"), "[a]\nTxCANID=0x100\n");
    const CliOutcome badValue = run({QStringLiteral("rewrite"), bad, out});
    EXPECT_EQ(badValue.exitCode, 1);
    EXPECT_TRUE(badValue.errText().contains(
        QStringLiteral("TxCANID: '0x100' is not a valid integer value")));
    EXPECT_FALSE(QFile::exists(out));
    const QString unstorable = writeFile(QStringLiteral("eq.ini"), "[a]\nDescription1=U=12V\n");
    EXPECT_EQ(run({QStringLiteral("rewrite"), unstorable, out}).exitCode, 1);
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(CliShowRewriteTest, RewriteNeverEmptiesOrShortensTheOutput) {
    const QByteArray kept = "[00..kept..x]\nTxCANID=00000100\n";
    QByteArray big;
    for (int i = 0; i < 105; ++i)
        big += "[" + QByteArray::number(i) + "]\nTxCANID=100\n";
    const struct {
        const char* name;
        QByteArray in;
        bool sameFile;
        int exitCode;
        const char* message;
    } cases[] = {
        {"empty", "", false, 2, "holds no test items"},
        {"comments only", "; notes\n# more\n", false, 2, "holds no test items"},
        {"driver section only", "[ORBTEC_ZarvoPortConfig]\nZarvoPort=1\n", false, 2,
         "holds no test items"},
        {"its own notes", "; notes\n", true, 2, "holds no test items"},
        {"105 items onto itself", big, true, 1, "would lose the 5 items beyond the first 100"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString in = writeFile(QStringLiteral("in.ini"), c.in);
        const QString out = c.sameFile ? in : writeFile(QStringLiteral("out.ini"), kept);
        const CliOutcome o = run({QStringLiteral("rewrite"), in, out});
        EXPECT_EQ(o.exitCode, c.exitCode);
        EXPECT_TRUE(o.errText().contains(QLatin1String(c.message))) << qPrintable(o.errText());
        QFile file(out);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), c.sameFile ? c.in : kept);
    }
}

TEST_F(CliShowRewriteTest, MissingFileAndWrongArguments) {
    const CliOutcome missing =
        run({QStringLiteral("show"), dir.filePath(QStringLiteral("no.ini"))});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(missing.out.isEmpty());
    EXPECT_TRUE(missing.errText().contains(QStringLiteral("no.ini")));
    EXPECT_EQ(run({QStringLiteral("show")}).exitCode, 64);
    EXPECT_EQ(run({QStringLiteral("show"), QStringLiteral("a"), QStringLiteral("b")}).exitCode, 64);
    EXPECT_EQ(run({QStringLiteral("rewrite"), QStringLiteral("a")}).exitCode, 64);
}

TEST_F(CliShowRewriteTest, ExampleConfigurationLoads) {
    const CliOutcome result =
        run({QStringLiteral("show"), QStringLiteral(KESTREL_EXAMPLES_DIR "/ecu-smoke.ini")});
    EXPECT_EQ(result.exitCode, 0) << qPrintable(result.errText());
    EXPECT_EQ(ParseTable(result.out)[QStringLiteral("CMD_Count")].toInt(), 6);
}

} // namespace
