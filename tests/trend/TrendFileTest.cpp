// TrendCAN.ini: the writer's layout, the reader's rules, and the files the
// two must agree on.

#include "ConfigFile.h"
#include "Convert.h"
#include "IniFile.h"
#include "TrendTables.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class TrendFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        Global_TrendCAN = type_TrendCAN{};
        Global_Formula = type_Formula{};
    }

    static void AddEntry(const QString& d1, const QString& d2, int32_t id, int type, int range) {
        type_TrendCAN& t = Global_TrendCAN;
        const int n = t.TrendCAN_Count++;
        t.Description1[n] = d1;
        t.Description2[n] = d2;
        t.TrendCANID[n] = id;
        t.CANDataType[n] = type;
        t.CANDataRange[n] = range;
    }

    static void AddFormula(const QString& description, const QString& formula) {
        const int n = Global_Formula.Formula_Count++;
        Global_Formula.Formula_Description[n] = description;
        Global_Formula.Formula[n] = formula;
    }

    QByteArray fileText() const {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    void writeText(const QByteArray& text) const {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("TrendCAN.ini"));
};

TEST_F(TrendFileTest, FourFormulasWithoutEntriesMakeFourFormulaSections) {
    for (int k = 1; k <= 4; ++k)
        AddFormula(QStringLiteral("d%1").arg(k), QStringLiteral("V%1 * 2").arg(k));
    WriteTrendCANIni(path);
    EXPECT_EQ(fileText(), "[Formula-00..d1]\nFormula_Description=d1\nFormula=V1 * 2\n\n"
                          "[Formula-01..d2]\nFormula_Description=d2\nFormula=V2 * 2\n\n"
                          "[Formula-02..d3]\nFormula_Description=d3\nFormula=V3 * 2\n\n"
                          "[Formula-03..d4]\nFormula_Description=d4\nFormula=V4 * 2\n\n");
    Global_Formula = type_Formula{};
    EXPECT_EQ(ReadTrendCANIni(path).status, 0);
    EXPECT_EQ(Global_TrendCAN.TrendCAN_Count, 0);
    ASSERT_EQ(Global_Formula.Formula_Count, 4);
    EXPECT_EQ(Global_Formula.Formula_Description[3], "d4");
    EXPECT_EQ(Global_Formula.Formula[3], "V4 * 2");
}

TEST_F(TrendFileTest, EntriesAreWrittenWithTheirCodesAsUnsignedNumbers) {
    AddEntry(QStringLiteral("Vehicle Speed"), QStringLiteral("km/h"), 0x7FF, 0, 3);
    AddEntry(QStringLiteral("Odometer"), QStringLiteral("km"), -1, 7, 0);
    WriteTrendCANIni(path);
    EXPECT_EQ(fileText(), "[00..Vehicle Speed..km/h]\nDescription1=Vehicle Speed\n"
                          "Description2=km/h\nTrendCANID=2047\nCANDataType=0\nCANDataRange=3\n\n"
                          "[01..Odometer..km]\nDescription1=Odometer\nDescription2=km\n"
                          "TrendCANID=4294967295\nCANDataType=7\nCANDataRange=0\n\n");
    Global_TrendCAN = type_TrendCAN{};
    ReadTrendCANIni(path);
    ASSERT_EQ(Global_TrendCAN.TrendCAN_Count, 2);
    EXPECT_EQ(Global_TrendCAN.TrendCANID[0], 0x7FF);
    EXPECT_EQ(Global_TrendCAN.CANDataRange[0], 3);
    // Written unsigned, an identifier with the top bit set reads back as itself.
    EXPECT_EQ(Global_TrendCAN.TrendCANID[1], -1);
    EXPECT_EQ(Global_TrendCAN.CANDataType[1], 7);
}

TEST_F(TrendFileTest, FormulaInADescriptionStaysAWatchedEntry) {
    AddEntry(QStringLiteral("Formula speed"), QStringLiteral("Formula-01..x"), 0x100, 2, 1);
    AddFormula(QStringLiteral("Formula of speed"), QStringLiteral("V1 / 10"));
    WriteTrendCANIni(path);
    Global_TrendCAN = type_TrendCAN{};
    Global_Formula = type_Formula{};
    ReadTrendCANIni(path);
    ASSERT_EQ(Global_TrendCAN.TrendCAN_Count, 1);
    EXPECT_EQ(Global_TrendCAN.Description1[0], "Formula speed");
    EXPECT_EQ(Global_TrendCAN.Description2[0], "Formula-01..x");
    EXPECT_EQ(Global_TrendCAN.TrendCANID[0], 0x100);
    ASSERT_EQ(Global_Formula.Formula_Count, 1);
    EXPECT_EQ(Global_Formula.Formula_Description[0], "Formula of speed");
}

TEST_F(TrendFileTest, MissingFileKeepsTheTablesAndReadingTwiceGivesTheSame) {
    AddEntry(QStringLiteral("a"), QStringLiteral("b"), 1, 2, 3);
    AddFormula(QStringLiteral("f"), QStringLiteral("V1"));
    EXPECT_EQ(ReadTrendCANIni(path).status, -1);
    EXPECT_EQ(Global_TrendCAN.TrendCAN_Count, 1);
    EXPECT_EQ(Global_Formula.Formula_Count, 1);

    WriteTrendCANIni(path);
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(ReadTrendCANIni(path).status, 0);
        EXPECT_EQ(Global_TrendCAN.TrendCAN_Count, 1);
        EXPECT_EQ(Global_TrendCAN.CANDataRange[0], 3);
        EXPECT_EQ(Global_Formula.Formula_Count, 1);
    }
}

TEST_F(TrendFileTest, HandWrittenSectionsTakeDefaults) {
    writeText("[anything]\n[x]\nTrendCANID=0x10\nCANDataType=word\nCANDataRange=2\n"
              "[Formula-07..]\n[]\nstray\n");
    const TrendReadResult read = ReadTrendCANIni(path);
    // What was taken other than as written is named, line by line.
    const QStringList warnings{
        QStringLiteral("%1, line 4: CANDataType=word is not a number; taken as 0"),
        QStringLiteral("%1, line 7: '[]' has no name; read as watched identifier V3"),
        QStringLiteral("%1, line 8: 'stray' has no \"=\"; ignored")};
    ASSERT_EQ(read.warnings.size(), warnings.size());
    for (int i = 0; i < warnings.size(); ++i)
        EXPECT_EQ(read.warnings[i].message(), warnings[i].arg(path));
    ASSERT_EQ(Global_TrendCAN.TrendCAN_Count, 3);
    EXPECT_EQ(Global_TrendCAN.Description1[0], "NULL");
    EXPECT_EQ(Global_TrendCAN.TrendCANID[0], 0);
    EXPECT_EQ(Global_TrendCAN.TrendCANID[1], 0x10);
    EXPECT_EQ(Global_TrendCAN.CANDataType[1], 0); // not a number
    EXPECT_EQ(Global_TrendCAN.CANDataRange[1], 2);
    ASSERT_EQ(Global_Formula.Formula_Count, 1);
    EXPECT_EQ(Global_Formula.Formula[0], "NULL");
}

TEST_F(TrendFileTest, BadIdentifierStopsTheReadKeepingTheEntriesBeforeIt) {
    writeText("[00..a..b]\nTrendCANID=5\n[01..c..d]\nTrendCANID=12x\n[02..e..f]\n");
    try {
        ReadTrendCANIni(path);
        FAIL() << "no conversion error";
    } catch (const ConvertError& error) {
        EXPECT_EQ(QString::fromUtf8(error.what()),
                  path +
                      QStringLiteral(", line 4, TrendCANID: '12x' is not a valid integer value"));
    }
    EXPECT_EQ(Global_TrendCAN.TrendCAN_Count, 1);
    EXPECT_EQ(Global_TrendCAN.TrendCANID[0], 5);
}

TEST_F(TrendFileTest, UnstorableTextsAreRefusedAndTheOldFileStays) {
    AddFormula(QStringLiteral("ok"), QStringLiteral("1"));
    WriteTrendCANIni(path);
    const QByteArray before = fileText();
    const struct {
        const char* d1;
        const char* formula;
    } cases[] = {{"a]b", "1"}, {"a=b", "1"}, {"a\nb", "1"}, {"ok", "1\n+2"}};
    for (const auto& c : cases) {
        Global_TrendCAN = type_TrendCAN{};
        Global_Formula = type_Formula{};
        AddEntry(QString::fromUtf8(c.d1), QStringLiteral("x"), 1, 0, 0);
        AddFormula(QStringLiteral("f"), QString::fromUtf8(c.formula));
        EXPECT_THROW(WriteTrendCANIni(path), ConfigWriteError) << c.d1 << c.formula;
        EXPECT_EQ(fileText(), before);
    }
}

TEST_F(TrendFileTest, SectionsBeyondAHundredOfAKindAreCountedNotLoaded) {
    QByteArray text;
    for (int i = 0; i < 102; ++i)
        text += "[" + QByteArray::number(i) + "..e..]\nTrendCANID=" + QByteArray::number(i) +
                "\n[Formula-" + QByteArray::number(i % 10) + QByteArray::number(i % 10) +
                "..f]\nFormula=V" + QByteArray::number(i) + "\n";
    writeText(text);
    const TrendReadResult result = ReadTrendCANIni(path);
    EXPECT_EQ(result.ignoredEntries, 2);
    EXPECT_EQ(result.ignoredFormulas, 2);
    EXPECT_EQ(Global_TrendCAN.TrendCAN_Count, 100);
    EXPECT_EQ(Global_TrendCAN.TrendCANID[99], 99);
    EXPECT_EQ(Global_Formula.Formula_Count, 100);
    EXPECT_EQ(Global_Formula.Formula[99], "V99");
}

// What a read in part leaves out is named until the tables are written over
// the file; the window asks with it before Save.
TEST_F(TrendFileTest, AFileReadInPartNamesWhatItLeftOutUntilItIsWritten) {
    QByteArray full;
    for (int i = 0; i <= kMaxTrendCAN; ++i)
        full += "[" + QByteArray::number(i) + "..e..]\nTrendCANID=100\n";
    const struct {
        const char* name;
        QByteArray bytes;
        const char* leftOut;
    } cases[] = {
        {"bad identifier in entry 2 of 3",
         "[00..a..]\nTrendCANID=100\n[01..b..]\nTrendCANID=x\n[02..c..]\nTrendCANID=300\n",
         "watched identifier 2 and every section after it ("},
        {"101 entries", full, "1 watched identifiers and 0 formulas beyond the first 100 of each"},
        {"NUL", QByteArray("[00..a..b]\nTrendCANID=1\0", 25), "the whole file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeText(c.bytes);
        try {
            ReadTrendCANIni(path);
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(LastTrendPartialRead().path, path);
        EXPECT_TRUE(LastTrendPartialRead().leftOut.startsWith(QString::fromUtf8(c.leftOut)))
            << qPrintable(LastTrendPartialRead().leftOut);
        WriteTrendCANIni(dir.filePath(QStringLiteral("other.ini")));
        EXPECT_EQ(LastTrendPartialRead().path, path);
        WriteTrendCANIni(path);
        EXPECT_TRUE(LastTrendPartialRead().path.isEmpty());
        EXPECT_EQ(ReadTrendCANIni(path).status, 0);
        EXPECT_TRUE(LastTrendPartialRead().path.isEmpty());
    }
}

TEST_F(TrendFileTest, NegativeCodesComeBackAsWritten) {
    AddEntry(QStringLiteral("a"), QStringLiteral("b"), -1, -2, -4);
    WriteTrendCANIni(path);
    ReadTrendCANIni(path);
    EXPECT_EQ(Global_TrendCAN.TrendCANID[0], -1);
    EXPECT_EQ(Global_TrendCAN.CANDataType[0], -2);
    EXPECT_EQ(Global_TrendCAN.CANDataRange[0], -4);
}

// The file rules shared with Kestrel's other files: what the reader takes, and
// what it refuses naming the file, the tables as they were.
TEST_F(TrendFileTest, ReadsEveryTextFormAndRefusesTheRest) {
    QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    const struct {
        const char* what;
        QByteArray bytes;
        int32_t id; // of the one entry read; -1: refused
    } cases[] = {
        {"UTF-16, CR only", utf16(QStringLiteral("[00..速度..km/h]\rTrendCANID=291\r")), 291},
        {"nine hex digits", "[00..a..b]\nTrendCANID=0x0000007FF\n", -1},
        {"NUL", QByteArray("[00..a..b]\nTrendCANID=1\0", 25), -1},
        {"too large", "[00..a..b]\nTrendCANID=1\n;" + QByteArray(kMaxIniFileBytes, ' '), -1},
    };
    for (const auto& c : cases) {
        Global_TrendCAN = type_TrendCAN{};
        AddEntry(QStringLiteral("kept"), {}, 9, 0, 0);
        writeText(c.bytes);
        try {
            ReadTrendCANIni(path);
            EXPECT_EQ(Global_TrendCAN.TrendCANID[0], c.id) << c.what;
            EXPECT_EQ(Global_TrendCAN.TrendCAN_Count, 1) << c.what;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(c.id, -1) << c.what << ": " << error.what();
            EXPECT_TRUE(dynamic_cast<const ConvertError*>(&error) ||
                        QString::fromUtf8(error.what()).startsWith("Cannot read " + path))
                << error.what();
        }
    }
}

TEST_F(TrendFileTest, DatabaseAndSignalKeysComeBackAndFilesWithoutThemReadAsBefore) {
    Global_TrendCAN.Database = dir.filePath(QStringLiteral("bus.dbc"));
    AddEntry(QStringLiteral("Ramp"), QStringLiteral("%"), 1000, 0, 0);
    Global_TrendCAN.Signal[0] = QStringLiteral("SimValues.Ramp");
    AddEntry(QStringLiteral("Sine"), QStringLiteral("counts"), 1000, 3, 2);
    WriteTrendCANIni(path);
    EXPECT_TRUE(fileText().startsWith("Database=" + Global_TrendCAN.Database.toUtf8() +
                                      "\n\n[00..Ramp..%]\n"))
        << fileText().constData();
    EXPECT_TRUE(fileText().contains("CANDataRange=0\nSignal=SimValues.Ramp\n\n[01..Sine..counts]"));

    const QString database = Global_TrendCAN.Database;
    Global_TrendCAN = type_TrendCAN{};
    ASSERT_EQ(ReadTrendCANIni(path).status, 0);
    EXPECT_EQ(Global_TrendCAN.Database, database);
    EXPECT_EQ(Global_TrendCAN.Signal[0], "SimValues.Ramp");
    EXPECT_EQ(Global_TrendCAN.Signal[1], "");

    // A relative database lies beside the file; a file without the keys
    // leaves neither behind from the file read before.
    writeText("Database=sub/bus.dbc\n[00..a..b]\nTrendCANID=1\nSignal=M.S\n");
    ASSERT_EQ(ReadTrendCANIni(path).status, 0);
    EXPECT_EQ(Global_TrendCAN.Database, dir.filePath(QStringLiteral("sub/bus.dbc")));
    writeText("[00..a..b]\nTrendCANID=1\n");
    ASSERT_EQ(ReadTrendCANIni(path).status, 0);
    EXPECT_EQ(Global_TrendCAN.Database, "");
    EXPECT_EQ(Global_TrendCAN.Signal[0], "");
    EXPECT_EQ(Global_TrendCAN.TrendCAN_Count, 1);
}

} // namespace
