#pragma once
// The trend window's page logic without widgets: the checks of Add, the
// removal of a grid row's entry, the texts the pages show for an entry, and
// one evaluation of a formula line. UI thread only (the tables are).

#include "Clock.h"
#include "TrendSignals.h"
#include "TrendTables.h"

#include <QString>
#include <functional>
#include <optional>

// The identifier typed into Edit_ID (hexadecimal, at most 8 digits, no
// prefix); nullopt when it is empty or holds anything else. FFFFFFFF is -1.
std::optional<int32_t> ParseTrendId(const QString& hex);

// "0x" and the identifier in upper-case hexadecimal, at least 3 digits (0x012).
QString TrendIdText(int32_t id);

// The chart lists' line for entry `entry`: "Description1 ==> Description2".
QString TrendEntryListText(int entry);

// The chart page's description of entry `entry`:
// "ID: 0x7FF, Data: WORD (unsigned 2-byte), D3 ~ D4", or for a signal entry
// "ID: 0x3E8, Signal: SimValues.Ramp".
QString TrendEntryDataText(int entry);

// The grids' type and range columns of entry `entry`: the type and the bytes,
// or for a signal entry the signal's name and its unit (from `signal`, the
// entry's signal in the database; empty when the database lacks it).
QString TrendEntryTypeText(int entry);
QString TrendEntryRangeText(int entry, const TrendSignal& signal);

// What Add refuses, in the order it checks.
enum class AddRefusal { None, NoDataType, NoDataRange, IllegalId, TableFull };

struct NewTrendEntry {
    QString description1;
    QString description2;
    QString idText; // as typed, without "0x"
    int type = -1;  // -1: none chosen
    int range = -1;
    QString signal = {}; // "MESSAGE.SIGNAL" for a signal entry: no type or range needed
};

// The new entry that follows `signal`: its message's identifier, no type or range.
NewTrendEntry NewSignalEntry(const QString& description1, const QString& description2,
                             const TrendSignal& signal);

AddRefusal CheckNewTrendEntry(const NewTrendEntry& entry);

// Appends an entry that CheckNewTrendEntry() accepted; returns its index.
int AppendTrendEntry(const NewTrendEntry& entry);

// Removes entry `index`: the later entries move up by one. False when there
// is no such entry.
bool RemoveTrendEntry(int index);

// One evaluation of a data view formula line.
struct FormulaLineResult {
    bool failed = false;
    QString resultText;         // "%f" of the value, "Error Expression", or "--"
    QString floatingPointError; // the error's message when one was raised
};

// A formula that takes this long or longer counts as failed.
inline constexpr auto kFormulaTimeLimit = std::chrono::milliseconds(1000);

// Substitutes the variables of `formula` with valueText(n) (the value of V n,
// or an empty text when there is no such variable), evaluates it and times
// the evaluation on `clock`. A variable whose value is not known yet
// (nullopt) makes the result "--" without evaluating: the line waits for its
// frames and has not failed.
FormulaLineResult EvaluateFormulaLine(const QString& formula,
                                      const std::function<std::optional<QString>(int n)>& valueText,
                                      const Clock& clock = steadyClock());
