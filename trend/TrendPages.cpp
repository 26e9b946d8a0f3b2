#include "TrendPages.h"

#include "TrendFormula.h"

#include <algorithm>

namespace {

constexpr int kMaxIdDigits = 8;

bool IsHexDigit(QChar c) {
    return c.isDigit() || (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

} // namespace

std::optional<int32_t> ParseTrendId(const QString& hex) {
    if (hex.isEmpty() || hex.size() > kMaxIdDigits ||
        !std::all_of(hex.begin(), hex.end(), IsHexDigit))
        return std::nullopt;
    return static_cast<int32_t>(hex.toUInt(nullptr, 16));
}

QString TrendIdText(int32_t id) {
    return QStringLiteral("0x") +
           QStringLiteral("%1").arg(static_cast<uint32_t>(id), 3, 16, QLatin1Char('0')).toUpper();
}

QString TrendEntryListText(int entry) {
    return Global_TrendCAN.Description1[entry] + QStringLiteral(" ==> ") +
           Global_TrendCAN.Description2[entry];
}

QString TrendEntryDataText(int entry) {
    if (!Global_TrendCAN.Signal[entry].isEmpty())
        return QStringLiteral("ID: 0x%1, Signal: %2")
            .arg(QString::number(static_cast<uint32_t>(Global_TrendCAN.TrendCANID[entry]), 16)
                     .toUpper(),
                 Global_TrendCAN.Signal[entry]);
    const int type = Global_TrendCAN.CANDataType[entry];
    return QStringLiteral("ID: 0x%1, Data: %2, %3")
        .arg(
            QString::number(static_cast<uint32_t>(Global_TrendCAN.TrendCANID[entry]), 16).toUpper(),
            DataTypeText(type), DataRangeText(type, Global_TrendCAN.CANDataRange[entry]));
}

QString TrendEntryTypeText(int entry) {
    return Global_TrendCAN.Signal[entry].isEmpty()
               ? DataTypeText(Global_TrendCAN.CANDataType[entry])
               : Global_TrendCAN.Signal[entry];
}

QString TrendEntryRangeText(int entry, const TrendSignal& signal) {
    if (!Global_TrendCAN.Signal[entry].isEmpty())
        return signal ? QString::fromStdString(signal.signal->unit) : QString();
    return DataRangeText(Global_TrendCAN.CANDataType[entry], Global_TrendCAN.CANDataRange[entry]);
}

NewTrendEntry NewSignalEntry(const QString& description1, const QString& description2,
                             const TrendSignal& signal) {
    return {description1,
            description2,
            QString::number(signal.message->id, 16).toUpper(),
            0,
            0,
            TrendSignalName(*signal.message, *signal.signal)};
}

AddRefusal CheckNewTrendEntry(const NewTrendEntry& entry) {
    const bool bytes = entry.signal.isEmpty();
    if (bytes && DataTypeText(entry.type).isEmpty())
        return AddRefusal::NoDataType;
    if (bytes && DataRangeText(entry.type, entry.range).isEmpty())
        return AddRefusal::NoDataRange;
    if (!ParseTrendId(entry.idText))
        return AddRefusal::IllegalId;
    if (Global_TrendCAN.TrendCAN_Count >= kMaxTrendCAN)
        return AddRefusal::TableFull;
    return AddRefusal::None;
}

int AppendTrendEntry(const NewTrendEntry& entry) {
    type_TrendCAN& t = Global_TrendCAN;
    const int i = t.TrendCAN_Count;
    t.Description1[i] = entry.description1;
    t.Description2[i] = entry.description2;
    t.TrendCANID[i] = *ParseTrendId(entry.idText);
    t.CANDataType[i] = entry.type;
    t.CANDataRange[i] = entry.range;
    t.Signal[i] = entry.signal;
    ++t.TrendCAN_Count;
    return i;
}

bool RemoveTrendEntry(int index) {
    type_TrendCAN& t = Global_TrendCAN;
    const int count = t.TrendCAN_Count;
    if (index < 0 || index >= count)
        return false;
    for (int i = index; i + 1 < count; ++i) {
        t.Description1[i] = t.Description1[i + 1];
        t.Description2[i] = t.Description2[i + 1];
        t.TrendCANID[i] = t.TrendCANID[i + 1];
        t.CANDataType[i] = t.CANDataType[i + 1];
        t.CANDataRange[i] = t.CANDataRange[i + 1];
        t.Signal[i] = t.Signal[i + 1];
    }
    t.Description1[count - 1].clear();
    t.Description2[count - 1].clear();
    t.Signal[count - 1].clear();
    --t.TrendCAN_Count;
    return true;
}

FormulaLineResult EvaluateFormulaLine(const QString& formula,
                                      const std::function<std::optional<QString>(int n)>& valueText,
                                      const Clock& clock) {
    const std::optional<QString> known = SubstituteKnownVariables(formula, valueText);
    if (!known)
        return {false, QStringLiteral("--"), {}};
    const QString& substituted = *known;
    const Clock::Time start = clock.now();
    const FormulaResult evaluated = EvaluateFormula(substituted, EvaluatorLines::Stdout);
    const bool tooSlow = clock.now() - start >= kFormulaTimeLimit;
    FormulaLineResult line;
    line.failed = !evaluated.ok || tooSlow;
    line.resultText =
        line.failed ? QStringLiteral("Error Expression") : QString::asprintf("%f", evaluated.value);
    if (evaluated.floatingPointError)
        line.floatingPointError = evaluated.message;
    return line;
}
