// kestrel-cli show and rewrite: the test configuration file through the same
// reader and writer as the main window.
//
// Exit codes: 0 done, 1 a value that is not a number (or the output cannot be
// written, or would lose items left out of the input it replaces), 2 no such
// input file, the input cannot be read or holds no items. Values changed to
// fit and lines without "=" are warnings on stderr; they change no exit code.

#include "CliOptions.h"
#include "Commands.h"
#include "ConfigFile.h"
#include "Globals.h"
#include "IniFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <cstdio>
#include <initializer_list>
#include <utility>

namespace {

constexpr int kExitBadValue = 1;

template <typename Value> QJsonArray DataArray(const Value (&bytes)[kCanDataBytes]) {
    QJsonArray array;
    for (const Value value : bytes)
        array.append(static_cast<qint64>(value));
    return array;
}

// Compact JSON text of one value, escaped as QJsonDocument escapes it.
QByteArray Json(const QJsonValue& value) {
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2);
}

// A key and its value as JSON text.
using JsonField = std::pair<const char*, QByteArray>;

// {"key":value,...} with the keys in the order given: the table's field order,
// which QJsonObject would replace by alphabetical order.
QByteArray JsonObject(std::initializer_list<JsonField> fields) {
    QByteArrayList members;
    for (const auto& [key, value] : fields)
        members.append('"' + QByteArray(key) + "\":" + value);
    return '{' + members.join(',') + '}';
}

QByteArray ItemJson(int i) {
    const type_CustomerCMD& t = Global_CustomerCMD;
    return JsonObject({
        {"Description1", Json(t.Description1[i])},
        {"Description2", Json(t.Description2[i])},
        {"TxCANID", Json(static_cast<qint64>(t.TxCANID[i]))},
        {"TxCANMode", Json(t.TxCANMode[i])},
        {"TxCANRTR", Json(t.TxCANRTR[i])},
        {"TxCANLen", Json(t.TxCANLen[i])},
        {"TxCANData", Json(DataArray(t.TxCANData[i]))},
        {"TxLoopInterval", Json(t.TxLoopInterval[i])},
        {"TxLoopTimes", Json(t.TxLoopTimes[i])},
        {"TxLoopTerminal", Json(t.TxLoopTerminal[i])},
        {"TxCANGroup", Json(t.TxCANGroup[i])},
        {"Comp_CANID", Json(t.Comp_CANID[i])},
        {"Comp_CANMode", Json(t.Comp_CANMode[i])},
        {"Comp_CANRTR", Json(t.Comp_CANRTR[i])},
        {"Comp_CANLen", Json(t.Comp_CANLen[i])},
        {"Comp_CANData", Json(DataArray(t.Comp_CANData[i]))},
    });
}

void PrintTable() {
    QByteArrayList items;
    for (int i = 0; i < Global_CustomerCMD.CMD_Count; ++i)
        items.append(ItemJson(i));
    const QByteArray table = JsonObject({{"CMD_Count", Json(Global_CustomerCMD.CMD_Count)},
                                         {"Group_Count", Json(Global_CustomerCMD.Group_Count)},
                                         {"items", '[' + items.join(',') + ']'}});
    std::fputs(table.constData(), stdout);
    std::fputc('\n', stdout);
}

// Loads `path` into the table. Returns 0, or the exit code after telling why
// not; `printPartial` prints the items read before a bad value. `ignored`
// receives the number of item sections left out.
int LoadTable(const QString& path, bool printPartial, int* ignored = nullptr) {
    try {
        const ReadResult result = ReadTestConfig(path);
        if (ignored)
            *ignored = result.ignoredSections;
        if (result.status != 0) {
            PrintError(QStringLiteral("%1: no such file").arg(path));
            return kExitNoFile;
        }
        PrintWarnings(result.warnings);
        if (result.ignoredSections > 0)
            PrintError(QStringLiteral("%1: %2 item sections beyond the first %3 were ignored")
                           .arg(path)
                           .arg(result.ignoredSections)
                           .arg(kMaxTestItems));
        return 0;
    } catch (const IniValueError& error) {
        if (printPartial)
            PrintTable();
        PrintError(QString::fromUtf8(error.what()));
        return kExitBadValue;
    } catch (const std::exception& error) {
        PrintError(QString::fromUtf8(error.what()));
        return kExitNoFile;
    }
}

} // namespace

int cmdShow(const QStringList& args) {
    if (args.size() != 1)
        return usageError();
    const int status = LoadTable(args[0], true);
    if (status == 0)
        PrintTable();
    return status;
}

int cmdRewrite(const QStringList& args) {
    if (args.size() != 2)
        return usageError();
    int ignored = 0;
    if (const int status = LoadTable(args[0], false, &ignored))
        return status;
    // Writing an empty table would delete OUT, and a table read in part would
    // lose the rest of the file it came from.
    if (Global_CustomerCMD.CMD_Count == 0) {
        PrintError(
            QStringLiteral("%1 holds no test items: %2 is left as it was").arg(args[0], args[1]));
        return kExitNoFile;
    }
    if (ignored > 0 && SameFile(args[0], args[1])) {
        PrintError(QStringLiteral("%1 would lose the %2 items beyond the first %3: write them to "
                                  "another file")
                       .arg(args[1])
                       .arg(ignored)
                       .arg(kMaxTestItems));
        return kExitBadValue;
    }
    try {
        WriteTestConfig(args[1]);
    } catch (const ConfigWriteError& error) {
        PrintError(QString::fromUtf8(error.what()));
        return kExitBadValue;
    }
    return 0;
}
