// The literal conversion must give exactly what sscanf("%lf") gives on the
// collected text, overflow flag included.

#include "ExprNumber.h"

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

struct Conversion {
    bool ok = false;
    double value = 0;
    bool overflow = false;
};

Conversion scanned(const std::string& text) {
    Conversion c;
    std::feclearexcept(FE_ALL_EXCEPT);
    c.ok = std::sscanf(text.c_str(), "%lf", &c.value) == 1;
    c.overflow = std::fetestexcept(FE_OVERFLOW) != 0;
    return c;
}

Conversion converted(const std::string& text) {
    Conversion c;
    std::feclearexcept(FE_ALL_EXCEPT);
    c.ok = expr_scan_real(text.c_str(), text.size(), c.value);
    c.overflow = std::fetestexcept(FE_OVERFLOW) != 0;
    return c;
}

void expectSameAsScan(const std::string& text) {
    SCOPED_TRACE(testing::PrintToString(text));
    const Conversion want = scanned(text);
    const Conversion got = converted(text);
    ASSERT_EQ(got.ok, want.ok);
    if (!want.ok)
        return;
    // Bit for bit, so that the sign of zero and infinity count.
    EXPECT_EQ(std::memcmp(&got.value, &want.value, sizeof got.value), 0)
        << got.value << " vs " << want.value;
    EXPECT_EQ(got.overflow, want.overflow);
}

TEST(ExprNumber, ChosenTextsMatchTheScan) {
    const std::vector<std::string> texts = {"",
                                            "+",
                                            "-",
                                            ".",
                                            "+.",
                                            "-.",
                                            "e",
                                            ".e5",
                                            "-e",
                                            "0",
                                            "-0",
                                            "+0",
                                            "1.",
                                            ".5",
                                            "-.5",
                                            "1e",
                                            "1e+",
                                            "1E-",
                                            "2e3",
                                            "1.e5",
                                            "+1.5E+2",
                                            "007",
                                            "0.1",
                                            "123456789012345678901234",
                                            "1e308",
                                            "1.7976931348623157e308",
                                            "1.7976931348623159e308",
                                            "1e309",
                                            "-1e400",
                                            "2.2250738585072014e-308",
                                            "4.9e-324",
                                            "2.4e-324",
                                            "2.5e-324",
                                            "1e-400",
                                            "-1e-400",
                                            "1" + std::string(254, '0'),
                                            "0." + std::string(200, '0') + "1e-200",
                                            "0." + std::string(200, '0') + "1e+500",
                                            std::string(200, '9') + "e100",
                                            "1e" + std::string(253, '9'),
                                            "1e-" + std::string(252, '9'),
                                            "1e00000000000000000005"};
    for (const std::string& text : texts)
        expectSameAsScan(text);
}

// Random literals of the collected form: [+|-] {digit} [.] {digit} [(e|E) [+|-] {digit}].
std::string randomLiteral(std::mt19937& random) {
    auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
    auto digits = [&](int most) {
        std::string text(random() % (most + 1), '0');
        for (char& ch : text)
            ch = static_cast<char>('0' + random() % 10);
        return text;
    };
    std::string text;
    if (chance(30))
        text += chance(50) ? '+' : '-';
    text += digits(chance(10) ? 120 : 20);
    if (chance(60))
        text += '.';
    text += digits(chance(10) ? 120 : 20);
    if (chance(50)) {
        text += chance(50) ? 'e' : 'E';
        if (chance(60))
            text += chance(50) ? '+' : '-';
        text += digits(chance(20) ? 4 : 2);
    }
    return text;
}

TEST(ExprNumber, RandomLiteralsMatchTheScan) {
    std::mt19937 random(20240611);
    for (int i = 0; i < 50000; ++i) {
        expectSameAsScan(randomLiteral(random));
        if (HasFailure())
            return;
    }
}

} // namespace
