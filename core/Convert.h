#pragma once
// The two number helpers every part of Kestrel uses for typed and stored numbers.

#include <QString>
#include <cstdint>
#include <stdexcept>

// Raised when a text is not an integer; what() is "'<text>' is not a valid integer value".
class ConvertError : public std::runtime_error {
public:
    explicit ConvertError(const QString& text);

protected:
    // "<where>: '<text>' is not a valid integer value".
    ConvertError(const QString& where, const QString& text);
};

// Decimal digits with an optional sign, or "0x" followed by 1 to 8 hexadecimal
// digits (a value with the top bit set reads as two's complement). Anything
// else, the empty text included, throws ConvertError naming the text.
int32_t StrToInt(const QString& text);

// "0x" and the upper-case hexadecimal digits of `value`, zero-padded to
// `minDigits` digits and never cut: HexText(0x1F, 4) == "0x001F".
QString HexText(uint32_t value, int minDigits);
