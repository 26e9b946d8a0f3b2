// The DBC reader: each statement it takes, each way a file is refused (with
// its line), the file reading rules, and the decoder on hand-worked frames.

#include "DbcDecode.h"
#include "DbcFile.h"
#include "IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

namespace {

using dbc::ByteOrder;
using dbc::Database;
using dbc::MuxRole;
using dbc::ValueType;

const std::string kHeader =
    "VERSION \"1.0\"\n\nNS_ :\n\tCM_\n\tBA_DEF_\n\tVAL_\n\nBS_:\n\nBU_: ECU "
    "Tester\n\n";

const dbc::Signal& OnlySignal(const Database& db) {
    EXPECT_EQ(db.messages.size(), 1u);
    EXPECT_EQ(db.messages.at(0).signalList.size(), 1u);
    return db.messages.at(0).signalList.at(0);
}

struct GrammarCase {
    const char* construct;
    std::string text; // after kHeader
    std::function<void(const Database&)> check;
};

void PrintTo(const GrammarCase& c, std::ostream* out) {
    *out << c.construct;
}

class DbcGrammarTest : public ::testing::TestWithParam<GrammarCase> {};

TEST_P(DbcGrammarTest, ReadsTheConstruct) {
    const Database db = dbc::parseDbc(kHeader + GetParam().text, "test.dbc");
    EXPECT_EQ(db.version, "1.0");
    EXPECT_EQ(db.nodes, (std::vector<std::string>{"ECU", "Tester"}));
    GetParam().check(db);
}

const GrammarCase kGrammar[] = {
    {"standard message", "BO_ 291 Engine: 8 ECU\n",
     [](const Database& db) {
         const dbc::Message* m = db.find(0x123, false);
         ASSERT_NE(m, nullptr);
         EXPECT_EQ(m->name, "Engine");
         EXPECT_EQ(m->length, 8);
         EXPECT_EQ(m->sender, "ECU");
         EXPECT_EQ(db.find(0x123, true), nullptr);
     }},
    {"extended message (bit 31)", "BO_ 2147484433 Ext: 4 ECU\n",
     [](const Database& db) {
         const dbc::Message* m = db.find(0x311, true);
         ASSERT_NE(m, nullptr);
         EXPECT_EQ(m->name, "Ext");
         EXPECT_EQ(db.find(0x311, false), nullptr);
     }},
    {"Intel signal with everything",
     "BO_ 100 M: 8 ECU\n SG_ Temp : 3|12@1- (0.5,-40) [-40|100] \"degC\" Tester,ECU\n",
     [](const Database& db) {
         const dbc::Signal& s = OnlySignal(db);
         EXPECT_EQ(s.name, "Temp");
         EXPECT_EQ(s.startBit, 3);
         EXPECT_EQ(s.length, 12);
         EXPECT_EQ(s.order, ByteOrder::Intel);
         EXPECT_TRUE(s.isSigned);
         EXPECT_EQ(s.factor, 0.5);
         EXPECT_EQ(s.offset, -40);
         EXPECT_EQ(s.minimum, -40);
         EXPECT_EQ(s.maximum, 100);
         EXPECT_EQ(s.unit, "degC");
         EXPECT_EQ(s.receivers, (std::vector<std::string>{"Tester", "ECU"}));
         EXPECT_EQ(s.bytesNeeded, 2);
     }},
    {"Motorola signal", "BO_ 100 M: 8 ECU\n SG_ Speed : 13|12@0+ (1E-2,0) [0|0] \"\" Tester\n",
     [](const Database& db) {
         const dbc::Signal& s = OnlySignal(db);
         EXPECT_EQ(s.order, ByteOrder::Motorola);
         EXPECT_FALSE(s.isSigned);
         EXPECT_DOUBLE_EQ(s.factor, 0.01);
         EXPECT_EQ(s.bytesNeeded, 3); // bits 13..8 of byte 1, then 15..10 of byte 2
     }},
    {"multiplexing",
     "BO_ 100 M: 8 ECU\n SG_ Sel M : 0|4@1+ (1,0) [0|0] \"\" X\n SG_ A m0 : 8|8@1+ (1,0) [0|0] "
     "\"\" X\n SG_ B m12 : 8|8@1+ (1,0) [0|0] \"\" X\n",
     [](const Database& db) {
         const dbc::Message& m = db.messages.at(0);
         EXPECT_EQ(m.multiplexor, 0);
         EXPECT_EQ(m.signalList[0].mux, MuxRole::Multiplexor);
         EXPECT_EQ(m.signalList[1].mux, MuxRole::Multiplexed);
         EXPECT_EQ(m.signalList[1].muxValue, 0u);
         EXPECT_EQ(m.signalList[2].muxValue, 12u);
     }},
    {"value table",
     "BO_ 100 M: 8 ECU\n SG_ Gear : 0|8@1- (1,0) [0|0] \"\" X\nVAL_ 100 Gear -1 \"Reverse\" 0 "
     "\"Neutral gear\" 1 \"First\" ;\nVAL_ Env 1 \"x\";\n",
     [](const Database& db) {
         EXPECT_EQ(OnlySignal(db).labels, (std::map<int64_t, std::string>{
                                              {-1, "Reverse"}, {0, "Neutral gear"}, {1, "First"}}));
     }},
    {"float and double value types",
     "BO_ 100 M: 8 ECU\n SG_ F : 0|32@1- (1,0) [0|0] \"\" X\n SG_ D : 0|64@0- (1,0) [0|0] \"\" "
     "X\nSIG_VALTYPE_ 100 F : 1;\nSIG_VALTYPE_ 100 D : 2;\n",
     [](const Database& db) {
         EXPECT_EQ(db.messages[0].signalList[0].type, ValueType::Float);
         EXPECT_EQ(db.messages[0].signalList[1].type, ValueType::Double);
     }},
    {"comments over several lines",
     "BO_ 100 M: 8 ECU\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" X\nCM_ \"a database\";\nCM_ BU_ ECU "
     "\"the ECU\";\nCM_ BO_ 100 \"first\nsecond \\\"quoted\\\"\";\nCM_ SG_ 100 S \"the "
     "signal\";\nCM_ BO_ 999 \"no such message\";\n",
     [](const Database& db) {
         EXPECT_EQ(db.messages[0].comment, "first\nsecond \"quoted\"");
         EXPECT_EQ(db.messages[0].signalList[0].comment, "the signal");
     }},
    {"cycle time and its default",
     "BO_ 100 A: 8 ECU\nBO_ 101 B: 8 ECU\nBA_DEF_ BO_ \"GenMsgCycleTime\" INT 0 "
     "65535;\nBA_DEF_ SG_ \"Other\" STRING ;\nBA_DEF_DEF_ \"GenMsgCycleTime\" 100;\nBA_ "
     "\"GenMsgCycleTime\" BO_ 101 20;\nBA_ \"Other\" SG_ 100 S \"x\";\n",
     [](const Database& db) {
         EXPECT_EQ(db.find(100, false)->cycleTimeMs, 100);
         EXPECT_EQ(db.find(101, false)->cycleTimeMs, 20);
     }},
    {"skipped sections and the pseudo-message of unplaced signals",
     "BO_ 3221225472 VECTOR__INDEPENDENT_SIG_MSG: 0 Vector__XXX\n SG_ Loose : 0|8@1+ (1,0) "
     "[0|0] \"\" X\nVAL_TABLE_ Onoff 1 \"On\" 0 \"Off\" ;\nBO_TX_BU_ 100 : ECU,Tester;\nEV_ "
     "Env: 0 [0|1] \"\" 0 1 DUMMY_NODE_VECTOR0 Vector__XXX;\nSIG_GROUP_ 100 G 1 : A;\n",
     [](const Database& db) { EXPECT_TRUE(db.messages.empty()); }},
};

INSTANTIATE_TEST_SUITE_P(Constructs, DbcGrammarTest, ::testing::ValuesIn(kGrammar));

struct ErrorCase {
    std::string text; // after kHeader: its first line is line 12
    int line;
    const char* reason;
};

void PrintTo(const ErrorCase& c, std::ostream* out) {
    *out << c.reason;
}

class DbcErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(DbcErrorTest, RefusesTheFileNamingTheLine) {
    try {
        dbc::parseDbc(kHeader + GetParam().text, "bad.dbc");
        FAIL() << "accepted";
    } catch (const dbc::DbcError& e) {
        EXPECT_EQ(e.line(), GetParam().line);
        EXPECT_NE(std::string(e.what()).find("Cannot read bad.dbc: line " +
                                             std::to_string(GetParam().line) + ": "),
                  std::string::npos)
            << e.what();
        EXPECT_NE(std::string(e.what()).find(GetParam().reason), std::string::npos) << e.what();
    }
}

const std::string kMsg = "BO_ 100 M: 8 ECU\n";

const ErrorCase kErrors[] = {
    {"BO_ 0x64 M: 8 ECU\n", 12, "'0x64' is not a valid number"},
    {"BO_ 2048 M: 8 ECU\n", 12, "out of range"},
    {"BO_ 2684354560 M: 8 ECU\n", 12, "out of range"},
    {"BO_ 100 M: 65 ECU\n", 12, "not 0 to 64"},
    {kMsg + "BO_ 100 N: 8 ECU\n", 13, "a second message with identifier 100"},
    {kMsg + "BO_ 101 M: 8 ECU\n", 13, "a second message named M"},
    {" SG_ S : 0|8@1+ (1,0) [0|0] \"\" X\n", 12, "SG_ outside a message"},
    {kMsg + " SG_ S : 0|8@2+ (1,0) [0|0] \"\" X\n", 13, "byte order and sign '2+'"},
    {kMsg + " SG_ S : 0|0@1+ (1,0) [0|0] \"\" X\n", 13, "signal length 0"},
    {kMsg + " SG_ S : 0|65@1+ (1,0) [0|0] \"\" X\n", 13, "signal length 65"},
    {kMsg + " SG_ S : 505|16@1+ (1,0) [0|0] \"\" X\n", 13, "reaches past byte 64"},
    {kMsg + " SG_ S : 0|8@1+ (1;0) [0|0] \"\" X\n", 13, "expected ','"},
    {kMsg + " SG_ S : 0|8@1+ (nan,0) [0|0] \"\" X\n", 13, "the factor 'nan'"},
    {kMsg + " SG_ S : 0|8@1+ (1,0) [0|0] X\n", 13, "the unit in quotes"},
    {kMsg + " SG_ S : 0|8@1+ (1,0) [0|0] \"\" X\n SG_ S : 8|8@1+ (1,0) [0|0] \"\" X\n", 14,
     "a second signal named S"},
    {kMsg + " SG_ S x3 : 0|8@1+ (1,0) [0|0] \"\" X\n", 13, "expected M, mN or ':'"},
    {kMsg + " SG_ S m1M : 0|8@1+ (1,0) [0|0] \"\" X\n", 13, "nested multiplexing"},
    {kMsg + " SG_ A M : 0|8@1+ (1,0) [0|0] \"\" X\n SG_ B M : 8|8@1+ (1,0) [0|0] \"\" X\n", 14,
     "a second multiplexor"},
    {kMsg + " SG_ A m1 : 0|8@1+ (1,0) [0|0] \"\" X\n", 13, "has no multiplexor"},
    {kMsg + " SG_ S : 0|8@1+ (1,0) [0|0] \"\" X\nVAL_ 100 T 1 \"one\";\n", 14,
     "message M has no signal T"},
    {kMsg + " SG_ S : 0|8@1+ (1,0) [0|0] \"\" X\nVAL_ 100 S 1 \"one\" 2;\n", 14, "the label"},
    {"VAL_ 7 S 1 \"one\";\n", 12, "no message has identifier 7"},
    {kMsg + " SG_ S : 0|16@1+ (1,0) [0|0] \"\" X\nSIG_VALTYPE_ 100 S : 1;\n", 14,
     "16 bits long, not 32"},
    {kMsg + " SG_ S : 0|32@1+ (1,0) [0|0] \"\" X\nSIG_VALTYPE_ 100 S : 3;\n", 14, "not 0, 1 or 2"},
    {"CM_ BO_ 100 \"open\n\n", 12, "not closed"},
    {"BA_DEF_DEF_ \"GenMsgCycleTime\" fast;\n", 12, "no number of milliseconds"},
    {"BO_TX_BU_ 100 : ECU\n", 12, "'BO_TX_BU_' is not ended by ';'"},
    {"; BO_ 100 M: 8 ECU\n", 12, "a statement starts with ';'"},
};

INSTANTIATE_TEST_SUITE_P(Errors, DbcErrorTest, ::testing::ValuesIn(kErrors));

// Reading from a file: the same rules as Kestrel's other files.
TEST(DbcFileTest, ReadsByTheFileRulesAndNamesTheFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("bus.dbc"));
    const auto write = [&path](const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    // UTF-16 with a byte order mark and CRLF line ends, a unit outside ASCII.
    const QString text =
        QStringLiteral("BO_ 100 M: 8 ECU\r\n SG_ T : 0|8@1+ (1,0) [0|0] \"°C\" X\r\n");
    QByteArray utf16("\xFF\xFE", 2);
    utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    write(utf16);
    EXPECT_EQ(dbc::loadDbcFile(path).messages.at(0).signalList.at(0).unit, "°C");

    write("BO_ 100 M: 8 ECU\n\n SG_ T : 0|8@1+ (1,0) [0|0] \"\xFF\xFF\" X\n");
    EXPECT_THROW(dbc::loadDbcFile(path), IniFileError);

    write("BO_ 100 M: 8 ECU\n\n SG_ T : 0|8@9+ (1,0) [0|0] \"\" X\n");
    try {
        dbc::loadDbcFile(path);
        FAIL() << "accepted";
    } catch (const dbc::DbcError& e) {
        EXPECT_EQ(
            std::string(e.what()).rfind("Cannot read " + path.toStdString() + ": line 3: ", 0), 0u)
            << e.what();
    }
    EXPECT_THROW(dbc::loadDbcFile(dir.filePath(QStringLiteral("missing.dbc"))), IniFileError);
}

// Frames worked out by hand, for the cases a wrong bit order gets wrong.
struct DecodeCase {
    const char* signal;
    std::vector<uint8_t> data;
    double physical; // NAN: the frame is too short for the signal
};

void PrintTo(const DecodeCase& c, std::ostream* out) {
    *out << c.signal;
}

class DbcDecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DbcDecodeTest, DecodesTheFrame) {
    // Signals named F and D are float and double.
    const std::string name(1, GetParam().signal[0]);
    const std::string type = name == "F" ? "1" : name == "D" ? "2" : "0";
    const Database db = dbc::parseDbc("BO_ 1 M: 8 E\n SG_ " + std::string(GetParam().signal) +
                                          " \"\" X\nSIG_VALTYPE_ 1 " + name + " : " + type + ";\n",
                                      "t.dbc");
    const dbc::Signal& s = db.messages[0].signalList.back();
    const std::optional<uint64_t> bits =
        dbc::rawBits(s, GetParam().data.data(), GetParam().data.size());
    if (std::isnan(GetParam().physical)) {
        EXPECT_FALSE(bits);
        return;
    }
    ASSERT_TRUE(bits);
    EXPECT_DOUBLE_EQ(dbc::physicalValue(s, *bits), GetParam().physical);
}

const std::vector<uint8_t> k1234{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};

INSTANTIATE_TEST_SUITE_P(
    Frames, DbcDecodeTest,
    ::testing::Values(
        DecodeCase{"S : 0|16@1+ (1,0) [0|0]", k1234, 0x3412},
        DecodeCase{"S : 7|16@0+ (1,0) [0|0]", k1234, 0x1234},
        DecodeCase{"S : 4|12@1+ (1,0) [0|0]", k1234, 0x341},
        DecodeCase{"S : 3|12@0+ (1,0) [0|0]", k1234, 0x234},  // low nibble of 0x12, then 0x34
        DecodeCase{"S : 12|12@0+ (1,0) [0|0]", k1234, 0xA2B}, // 0x34's bits 4..0, then 0x56's 7..1
        DecodeCase{"S : 7|4@1- (1,0) [0|0]", {0x80}, NAN},    // bits 7..10 need byte 1
        DecodeCase{"S : 7|4@1- (1,0) [0|0]", {0x80, 0x07}, -1},
        DecodeCase{"S : 0|8@1- (0.5,-10) [0|0]", {0xFE}, -11},
        DecodeCase{"S : 0|64@1+ (1,0) [0|0]", std::vector<uint8_t>(8, 0xFF),
                   18446744073709551615.0},
        DecodeCase{"S : 56|64@0- (1,0) [0|0]", k1234, NAN}, // Motorola from byte 7 on needs 15
        DecodeCase{"F : 7|32@0- (2,1) [0|0]", {0x3F, 0xC0, 0, 0}, 4}, // 1.5f big-endian
        DecodeCase{"D : 0|64@1- (1,0) [0|0]", {0, 0, 0, 0, 0, 0, 0xF0, 0xBF}, -1}));

TEST(DbcDecodeFrameTest, GivesTheActiveMultiplexedSignalsAndLabels) {
    const Database db = dbc::parseDbc(
        "BO_ 1 M: 8 E\n SG_ Sel M : 0|8@1+ (1,0) [0|0] \"\" X\n SG_ A m1 : 8|8@1+ (1,0) [0|0] "
        "\"V\" X\n SG_ B m2 : 8|8@1- (1,0) [0|0] \"\" X\n SG_ C : 16|8@1+ (1,0) [0|0] \"\" X\nVAL_ "
        "1 "
        "B -1 \"minus one\";\n",
        "t.dbc");
    std::vector<dbc::DecodedValue> out;
    const auto names = [&out] {
        std::string all;
        for (const dbc::DecodedValue& v : out)
            all += v.signal->name + "=" + std::to_string(static_cast<int>(v.physical)) +
                   (v.label ? "(" + *v.label + ")" : "") + " ";
        return all;
    };
    const uint8_t mux1[] = {1, 0xFF, 7};
    dbc::decodeFrame(db.messages[0], mux1, 3, out);
    EXPECT_EQ(names(), "Sel=1 A=255 C=7 ");
    const uint8_t mux2[] = {2, 0xFF, 7};
    dbc::decodeFrame(db.messages[0], mux2, 3, out);
    EXPECT_EQ(names(), "Sel=2 B=-1(minus one) C=7 ");
    const uint8_t mux3[] = {3, 0xFF};
    dbc::decodeFrame(db.messages[0], mux3, 2, out);
    EXPECT_EQ(names(), "Sel=3 ");
    dbc::decodeFrame(db.messages[0], mux3, 0, out);
    EXPECT_EQ(names(), "");
}

} // namespace
