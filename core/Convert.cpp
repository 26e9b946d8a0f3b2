#include "Convert.h"

#include <limits>

namespace {

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// 1 to 8 digits after "0x", read as two's complement. More digits are refused
// even when they are leading zeros: stored identifiers never have more.
bool ParseHex(QStringView digits, int32_t& result) {
    if (digits.isEmpty() || digits.size() > 8)
        return false;
    uint64_t value = 0;
    for (QChar c : digits) {
        const int digit = HexDigit(c);
        if (digit < 0)
            return false;
        value = value * 16 + static_cast<uint64_t>(digit);
    }
    result = static_cast<int32_t>(static_cast<uint32_t>(value));
    return true;
}

// [+|-] digits, within the signed 32-bit range.
bool ParseDecimal(QStringView text, int32_t& result) {
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    if (text.isEmpty())
        return false;
    const int64_t limit = negative ? -int64_t{std::numeric_limits<int32_t>::min()}
                                   : int64_t{std::numeric_limits<int32_t>::max()};
    int64_t value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c.unicode() - u'0');
        if (value > limit)
            return false;
    }
    result = static_cast<int32_t>(negative ? -value : value);
    return true;
}

} // namespace

ConvertError::ConvertError(const QString& text)
    : std::runtime_error(
          QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString()) {}

ConvertError::ConvertError(const QString& where, const QString& text)
    : std::runtime_error(
          QStringLiteral("%1: '%2' is not a valid integer value").arg(where, text).toStdString()) {}

int32_t StrToInt(const QString& text) {
    int32_t result = 0;
    const bool ok = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                        ? ParseHex(QStringView(text).mid(2), result)
                        : ParseDecimal(text, result);
    if (!ok)
        throw ConvertError(text);
    return result;
}

QString HexText(uint32_t value, int minDigits) {
    return QLatin1String("0x") +
           QString::number(value, 16).toUpper().rightJustified(minDigits, QLatin1Char('0'));
}
