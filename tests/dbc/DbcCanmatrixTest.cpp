// The decoder against canmatrix (Debian python3-canmatrix): a database
// written for the test covers both byte orders at odd start bits and every
// length 1..64, signed and unsigned, float and double, factor and offset,
// multiplexing and value tables; random frames of each message are decoded by
// both and must agree. Skipped with a message when canmatrix is missing.

#include "DbcDecode.h"
#include "DbcFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

namespace {

struct TestFrame {
    uint32_t id;
    bool extended;
    std::array<uint8_t, 8> data;
};

struct Scaling {
    const char* factor;
    const char* offset;
};
constexpr Scaling kScalings[] = {
    {"1", "0"}, {"0.5", "-40"}, {"0.1", "100.5"}, {"-2", "0"}, {"3.25", "7"}};

// The most significant bit a Motorola signal of that length may start at so
// that it ends inside 8 bytes, chosen odd where one fits.
int motorolaStart(int length, std::mt19937& random) {
    std::vector<int> fitting;
    for (int start = 0; start < 64; ++start) {
        const int inFirst = start % 8 + 1;
        if (start / 8 + 1 + (std::max(0, length - inFirst) + 7) / 8 <= 8)
            fitting.push_back(start);
    }
    std::vector<int> odd;
    std::copy_if(fitting.begin(), fitting.end(), std::back_inserter(odd),
                 [](int b) { return b % 2 == 1; });
    const std::vector<int>& pick = odd.empty() ? fitting : odd;
    return pick[std::uniform_int_distribution<size_t>(0, pick.size() - 1)(random)];
}

int intelStart(int length, std::mt19937& random) {
    const int last = 64 - length;
    if (last == 0)
        return 0;
    return 1 + 2 * std::uniform_int_distribution<int>(0, (last - 1) / 2)(random);
}

class Generator {
public:
    std::string dbcText() {
        std::ostringstream out;
        out << "VERSION \"\"\n\nBU_: ECU Tester\n\n";
        int n = 0;
        for (const char order : {'1', '0'})
            for (const char sign : {'+', '-'})
                for (int length = 1; length <= 64; ++length, ++n) {
                    const int start =
                        order == '1' ? intelStart(length, random_) : motorolaStart(length, random_);
                    const Scaling& sc = kScalings[n % std::size(kScalings)];
                    message(out, n, "M" + std::to_string(n));
                    out << " SG_ S" << n << " : " << start << "|" << length << "@" << order << sign
                        << " (" << sc.factor << "," << sc.offset << ") [0|0] \"u\" Tester\n";
                    if (length <= 3)
                        values_ << "VAL_ " << rawId(n) << " S" << n << " 0 \"zero\" "
                                << (sign == '-' ? "-1" : "1") << " \"one\" ;\n";
                }
        floats(out, n);
        multiplexed(out, n + 4);
        out << "\n" << values_.str();
        return out.str();
    }

    // Eight random frames of every message, an all-zero and an all-ones one.
    std::vector<TestFrame> frames() {
        std::vector<TestFrame> all;
        for (const auto& [id, extended] : ids_)
            for (int k = 0; k < 10; ++k) {
                TestFrame f{id, extended, {}};
                for (uint8_t& b : f.data)
                    b = k == 0 ? 0 : k == 1 ? 0xFF : static_cast<uint8_t>(random_());
                all.push_back(f);
            }
        return all;
    }

private:
    // Every third message has a 29-bit identifier.
    uint32_t rawId(int n) const {
        return n % 3 == 2 ? 0x80000000u | (0x18FF0000u + n) : 0x100u + n;
    }

    void message(std::ostringstream& out, int n, const std::string& name) {
        const uint32_t raw = rawId(n);
        ids_.emplace_back(raw & 0x7FFFFFFFu, (raw & 0x80000000u) != 0);
        out << "\nBO_ " << raw << " " << name << ": 8 ECU\n";
    }

    void floats(std::ostringstream& out, int n) {
        const char* definitions[] = {"F1 : 3|32@1- (1,0)", "F2 : 13|32@0- (0.5,2)",
                                     "D1 : 0|64@1- (1,0)", "D2 : 7|64@0- (-1,1)"};
        for (int k = 0; k < 4; ++k) {
            message(out, n + k, "Float" + std::to_string(k));
            out << " SG_ " << definitions[k] << " [0|0] \"\" Tester\n";
            values_ << "SIG_VALTYPE_ " << rawId(n + k) << " " << std::string(definitions[k], 2)
                    << " : " << (k < 2 ? 1 : 2) << ";\n";
        }
    }

    void multiplexed(std::ostringstream& out, int n) {
        message(out, n, "Muxed");
        out << " SG_ Sel M : 1|2@1+ (1,0) [0|0] \"\" Tester\n"
               " SG_ A m0 : 9|16@1- (0.25,0) [0|0] \"\" Tester\n"
               " SG_ B m1 : 15|12@0+ (1,-100) [0|0] \"\" Tester\n"
               " SG_ C m2 : 19|3@1+ (1,0) [0|0] \"\" Tester\n"
               " SG_ Plain : 43|8@0- (1,0) [0|0] \"\" Tester\n";
        values_ << "VAL_ " << rawId(n) << " C 0 \"off\" 5 \"on\" 7 \"fault\" ;\n";
    }

    std::mt19937 random_{20261209};
    std::ostringstream values_;
    std::vector<std::pair<uint32_t, bool>> ids_;
};

bool Agree(double ours, double theirs) {
    if (std::isnan(ours) || std::isnan(theirs))
        return std::isnan(ours) && std::isnan(theirs);
    if (std::isinf(ours) || std::isinf(theirs))
        return ours == theirs;
    return std::abs(ours - theirs) <= 1e-12 * std::max({1.0, std::abs(ours), std::abs(theirs)});
}

// Runs the canmatrix script; empty when canmatrix is not installed.
std::optional<QStringList> CanmatrixDecode(const QString& dbcPath, const QString& framesPath,
                                           const QString& outPath) {
    // Debian's interpreter first: the canmatrix package installs for it.
    for (const QString& python : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        QProcess process;
        process.start(python,
                      {QStringLiteral(KESTREL_CANMATRIX_SCRIPT), dbcPath, framesPath, outPath});
        if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit)
            continue;
        if (process.exitCode() == 77)
            continue;
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        QFile out(outPath);
        EXPECT_TRUE(out.open(QIODevice::ReadOnly));
        return QString::fromUtf8(out.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    return std::nullopt;
}

TEST(DbcCanmatrixTest, DecoderAgreesWithCanmatrixOnEveryFrame) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Generator generator;
    const QString dbcPath = dir.filePath(QStringLiteral("generated.dbc"));
    const QString framesPath = dir.filePath(QStringLiteral("frames.txt"));
    {
        QFile file(dbcPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(generator.dbcText()));
    }
    const std::vector<TestFrame> frames = generator.frames();
    {
        QFile file(framesPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (const TestFrame& f : frames)
            file.write(QStringLiteral("%1 %2 %3\n")
                           .arg(f.id)
                           .arg(f.extended ? 1 : 0)
                           .arg(QString::fromLatin1(
                               QByteArray(reinterpret_cast<const char*>(f.data.data()), 8).toHex()))
                           .toUtf8());
    }
    const dbc::Database db = dbc::loadDbcFile(dbcPath);
    ASSERT_EQ(db.messages.size(), 256u + 5u);
    const std::optional<QStringList> theirs =
        CanmatrixDecode(dbcPath, framesPath, dir.filePath(QStringLiteral("out.txt")));
    if (!theirs)
        GTEST_SKIP() << "canmatrix is not installed (Debian python3-canmatrix); the decoder was "
                        "not compared";
    ASSERT_EQ(theirs->size(), static_cast<qsizetype>(frames.size()));

    std::vector<dbc::DecodedValue> ours;
    int failures = 0;
    for (size_t i = 0; i < frames.size() && failures < 10; ++i) {
        const dbc::Message* m = db.find(frames[i].id, frames[i].extended);
        ASSERT_NE(m, nullptr);
        dbc::decodeFrame(*m, frames[i].data.data(), 8, ours);
        const QJsonObject expected =
            QJsonDocument::fromJson((*theirs)[qsizetype(i)].toUtf8()).object();
        const std::string where =
            m->name + " frame " +
            QByteArray(reinterpret_cast<const char*>(frames[i].data.data()), 8)
                .toHex(' ')
                .toStdString();
        EXPECT_EQ(static_cast<qsizetype>(ours.size()), expected.size()) << where;
        for (const dbc::DecodedValue& v : ours) {
            const QJsonArray pair =
                expected.value(QString::fromStdString(v.signal->name)).toArray();
            const double physical =
                std::strtod(pair.at(0).toString().toLatin1().constData(), nullptr);
            const std::string label = pair.at(1).toString().toStdString();
            const bool same = !pair.isEmpty() && Agree(v.physical, physical) &&
                              (v.label ? *v.label : std::string()) == label;
            failures += same ? 0 : 1;
            EXPECT_TRUE(same) << where << ": " << v.signal->name << " = " << v.physical
                              << (v.label ? " " + *v.label : "") << ", canmatrix "
                              << pair.at(0).toString().toStdString() << " " << label;
        }
    }
}

} // namespace
