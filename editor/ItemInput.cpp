#include "ItemInput.h"

#include "ConfigFile.h"
#include "Convert.h"
#include "IniFile.h"
#include "Phrases.h"

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

// The check that failed, carrying its message to CheckItemInput.
struct Refused {
    QString message;
};

QString Retry(const QString& problem) {
    return problem + QLatin1Char(' ') + kLineBreak + Phrase(PhraseId::InputAgain);
}

// " ID " or " D1 " ... " D8 " for data field k.
QString FieldName(int k) {
    return k < 0 ? QStringLiteral(" ID ") : QStringLiteral(" D%1 ").arg(k + 1);
}

Refused IllegalHex(PhraseId opening, int k) {
    return Refused{Retry(Phrase(opening) + FieldName(k) + Phrase(PhraseId::IllegalHex))};
}

// Hexadecimal digits as typed, without a prefix.
int32_t Hex(const QString& digits, PhraseId opening, int k) {
    try {
        return StrToInt(QLatin1String("0x") + digits);
    } catch (const ConvertError&) {
        throw IllegalHex(opening, k);
    }
}

// A data byte as typed: 0 to FF. A larger value would be compared as its low
// 8 bits, a byte the user never typed.
int32_t Byte(const QString& digits, PhraseId opening, int k) {
    const int32_t value = Hex(digits, opening, k);
    if (value < 0 || value > 0xFF)
        throw IllegalHex(opening, k);
    return value;
}

int32_t Decimal(const QString& text, PhraseId problem) {
    qsizetype start = 0;
    while (start < text.size() && text[start] == QLatin1Char(' '))
        ++start;
    try {
        return StrToInt(text.mid(start));
    } catch (const ConvertError&) {
        throw Refused{Retry(Phrase(problem))};
    }
}

// A compared field other than the identifier needs the identifier compared too.
void NeedsId(bool compared, const ItemInput& input) {
    if (compared && !input.compId)
        throw Refused{Phrase(PhraseId::NeedReturnId)};
}

// A compared list entry, or the wildcard.
int32_t Entry(const std::optional<int>& field, const ItemInput& input) {
    NeedsId(field.has_value(), input);
    return field.value_or(kCompareWildcard);
}

void CheckTransmit(const ItemInput& in, TestItemValues& v) {
    if (!IsIniStorable(in.description1) || !IsIniStorable(in.description2))
        throw Refused{Retry(Phrase(PhraseId::ForbiddenCharacters))};
    v.Description1 = in.description1;
    v.Description2 = in.description2;
    v.TxCANMode = static_cast<uint8_t>(in.mode);
    v.TxCANRTR = static_cast<uint8_t>(in.rtr);
    v.TxCANLen = static_cast<uint8_t>(in.length);
    v.TxCANID = static_cast<uint32_t>(Hex(in.id, PhraseId::IllegalTransmitStart, -1));
    for (int k = 0; k < kCanDataBytes; ++k)
        v.TxCANData[k] =
            static_cast<uint8_t>(Hex(in.data[k], PhraseId::IllegalTransmitStart, k) & 0xFF);
    v.TxLoopInterval = Decimal(in.interval, PhraseId::IllegalItemInterval);
    v.TxLoopTimes = Decimal(in.totalTimes, PhraseId::IllegalTotalTime);
    v.TxLoopTerminal = Decimal(in.nextTime, PhraseId::IllegalNextTime);
}

void CheckCompare(const ItemInput& in, TestItemValues& v) {
    v.Comp_CANMode = Entry(in.compMode, in);
    v.Comp_CANID =
        in.compId ? Hex(*in.compId, PhraseId::IllegalComparisonStart, -1) : kCompareWildcard;
    v.Comp_CANRTR = Entry(in.compRtr, in);
    v.Comp_CANLen = Entry(in.compLength, in);
    for (int k = 0; k < kCanDataBytes; ++k) {
        NeedsId(in.compData[k].has_value(), in);
        v.Comp_CANData[k] = in.compData[k]
                                ? Byte(*in.compData[k], PhraseId::IllegalComparisonStart, k)
                                : kCompareWildcard;
    }
}

} // namespace

std::variant<TestItemValues, QString> CheckItemInput(const ItemInput& input) {
    TestItemValues values;
    try {
        CheckTransmit(input, values);
        CheckCompare(input, values);
    } catch (const Refused& refused) {
        return refused.message;
    }
    return values;
}
