#include "Convert.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

struct Valid {
    const char16_t* text;
    int32_t value;
};

class StrToIntValid : public ::testing::TestWithParam<Valid> {};

TEST_P(StrToIntValid, Converts) {
    const QString text = QString::fromUtf16(GetParam().text);
    EXPECT_EQ(StrToInt(text), GetParam().value) << qPrintable(text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StrToIntValid,
    ::testing::Values(Valid{u"0", 0}, Valid{u"123", 123}, Valid{u"-5", -5}, Valid{u"+7", 7},
                      Valid{u"007", 7}, Valid{u"2147483647", std::numeric_limits<int32_t>::max()},
                      Valid{u"-2147483648", std::numeric_limits<int32_t>::min()},
                      Valid{u"0x1f", 31}, Valid{u"0x1F", 31}, Valid{u"0xFFFFFFFF", -1},
                      Valid{u"0x80000000", std::numeric_limits<int32_t>::min()},
                      Valid{u"0x1FFFFFFF", 0x1FFFFFFF}, Valid{u"0x000000FF", 255}));

class StrToIntInvalid : public ::testing::TestWithParam<const char16_t*> {};

TEST_P(StrToIntInvalid, ThrowsNamingTheText) {
    const QString text = QString::fromUtf16(GetParam());
    try {
        StrToInt(text);
        FAIL() << "accepted " << qPrintable(text);
    } catch (const ConvertError& error) {
        EXPECT_EQ(QString::fromUtf8(error.what()),
                  QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, StrToIntInvalid,
                         ::testing::Values(u"", u"-", u"+", u"0x", u"0x0x12", u"0x000000001F",
                                           u"12a", u" 12", u"12 ", u"1.5", u"2147483648",
                                           u"-2147483649", u"0x100000000", u"0x123456789", u"-0x10",
                                           u"0xG1", u"\u0663", u"\uFF11"));

TEST(HexText, PadsToTheMinimumAndNeverCuts) {
    EXPECT_EQ(HexText(0x1F, 4), QStringLiteral("0x001F"));
    EXPECT_EQ(HexText(0xab, 2), QStringLiteral("0xAB"));
    EXPECT_EQ(HexText(0, 1), QStringLiteral("0x0"));
    EXPECT_EQ(HexText(0xFFFFFFFF, 2), QStringLiteral("0xFFFFFFFF"));
    EXPECT_EQ(HexText(static_cast<uint32_t>(-2), 8), QStringLiteral("0xFFFFFFFE"));
}

} // namespace
