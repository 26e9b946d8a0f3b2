#include "ConfigFile.h"

#include "Convert.h"
#include "Globals.h"
#include "IniFile.h"
#include "Phrases.h"
#include "SystemLog.h"
#include "TestItemEdit.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <algorithm>
#include <functional>
#include <optional>
#include <type_traits>
#include <vector>

namespace {

// The section of Zarvo.ini; a test configuration file may carry it, and it is no item.
const QString kPortSection = QStringLiteral("ORBTEC_ZarvoPortConfig");
const QString kDefaultText = QStringLiteral("NULL");
constexpr int32_t kAssignGroup = 255;

type_CustomerCMD& Items = Global_CustomerCMD;

// What the reader takes of a value that does not fit its field.
enum class Fit {
    Any,         // every 32-bit value fits
    Byte,        // an 8-bit field keeps the low 8 bits
    NotNegative, // a time: the driver takes a negative one as 0
};
PartialRead lastPartialRead;

// The item that was being read when a bad value stopped the read, and the rest.
QString BadValueLeftOut(const QString& reason) {
    return QStringLiteral("item %1 and every item after it (%2)").arg(Items.CMD_Count).arg(reason);
}

// One numeric key of an item section, in the order the writer writes them.
struct NumericKey {
    QString name;
    QString fallback; // the text read when the key is missing
    int hexDigits;    // 0: decimal; else that many hexadecimal digits without "0x"
    Fit fit;
    std::function<void(int item, int32_t value)> store;
    std::function<int64_t(int item)> load;
};

template <typename Field>
NumericKey Key(const char* name, const char* fallback, int hexDigits, Field field,
               Fit fit = Fit::Any) {
    using Value = std::remove_reference_t<decltype(field(0))>;
    return {QString::fromLatin1(name),
            QString::fromLatin1(fallback),
            hexDigits,
            sizeof(Value) == 1 ? Fit::Byte : fit,
            [field](int item, int32_t value) { field(item) = static_cast<Value>(value); },
            [field](int item) { return static_cast<int64_t>(field(item)); }};
}

std::vector<NumericKey> BuildKeys() {
    std::vector<NumericKey> keys;
    keys.push_back(Key("TxCANID", "000", 8, [](int i) -> uint32_t& { return Items.TxCANID[i]; }));
    keys.push_back(Key("TxCANMode", "0", 0, [](int i) -> uint8_t& { return Items.TxCANMode[i]; }));
    keys.push_back(Key("TxCANRTR", "0", 0, [](int i) -> uint8_t& { return Items.TxCANRTR[i]; }));
    keys.push_back(Key("TxCANLen", "0", 0, [](int i) -> uint8_t& { return Items.TxCANLen[i]; }));
    for (int b = 0; b < kCanDataBytes; ++b) {
        const QByteArray name = "TxCANData" + QByteArray::number(b);
        keys.push_back(Key(name.constData(), "0", 2,
                           [b](int i) -> uint8_t& { return Items.TxCANData[i][b]; }));
    }
    keys.push_back(Key(
        "TxLoopInterval", "0", 0, [](int i) -> int32_t& { return Items.TxLoopInterval[i]; },
        Fit::NotNegative));
    keys.push_back(
        Key("TxLoopTimes", "0", 0, [](int i) -> int32_t& { return Items.TxLoopTimes[i]; }));
    keys.push_back(Key(
        "TxLoopTerminal", "100", 0, [](int i) -> int32_t& { return Items.TxLoopTerminal[i]; },
        Fit::NotNegative));
    keys.push_back(
        Key("TxCANGroup", "255", 0, [](int i) -> uint8_t& { return Items.TxCANGroup[i]; }));
    keys.push_back(
        Key("Comp_CANID", "FFFFFFFF", 8, [](int i) -> int32_t& { return Items.Comp_CANID[i]; }));
    keys.push_back(Key("Comp_CANMode", "FFFFFFFF", 8,
                       [](int i) -> int32_t& { return Items.Comp_CANMode[i]; }));
    keys.push_back(
        Key("Comp_CANRTR", "FFFFFFFF", 8, [](int i) -> int32_t& { return Items.Comp_CANRTR[i]; }));
    keys.push_back(
        Key("Comp_CANLen", "FFFFFFFF", 8, [](int i) -> int32_t& { return Items.Comp_CANLen[i]; }));
    for (int b = 0; b < kCanDataBytes; ++b) {
        const QByteArray name = "Comp_CANData" + QByteArray::number(b);
        keys.push_back(Key(name.constData(), "FFFFFFFF", 8,
                           [b](int i) -> int32_t& { return Items.Comp_CANData[i][b]; }));
    }
    return keys;
}

const std::vector<NumericKey>& NumericKeys() {
    static const std::vector<NumericKey> keys = BuildKeys();
    return keys;
}

// The warning for `value` of `key` when it does not fit the key's field.
std::optional<IniWarning> FitWarning(const QString& path, const IniDocument::Section& section,
                                     const NumericKey& key, int32_t value) {
    if (key.fit == Fit::Byte && (value < 0 || value > 0xFF)) {
        const QString low = key.hexDigits ? HexText(static_cast<uint32_t>(value) & 0xFF, 2).mid(2)
                                          : QString::number(value & 0xFF);
        return IniValueWarning(path, section, key.name, QStringLiteral("is beyond 0..255"),
                               QStringLiteral("taken as %1 (its low 8 bits)").arg(low));
    }
    if (key.fit == Fit::NotNegative && value < 0)
        return IniValueWarning(path, section, key.name, QStringLiteral("is below 0"),
                               QStringLiteral("taken as 0"));
    return std::nullopt;
}

// The warnings about item n's identifier and section, once all its keys are read.
void WarnAboutItem(const QString& path, const IniDocument::Section& section, int n,
                   QList<IniWarning>& warnings) {
    if (section.name.isEmpty())
        warnings.append(IniSectionWarning(path, section, QStringLiteral("has no name"),
                                          QStringLiteral("read as test item %1").arg(n + 1)));
    if (Items.TxCANID[n] > MaxCanId(Items.TxCANMode[n]))
        warnings.append(
            IniValueWarning(path, section, QStringLiteral("TxCANID"),
                            QStringLiteral("is beyond %1, the largest %2-bit identifier "
                                           "(TxCANMode=%3)")
                                .arg(HexText(MaxCanId(Items.TxCANMode[n]), 3).mid(2))
                                .arg(Items.TxCANMode[n] == 0 ? 11 : 29)
                                .arg(Items.TxCANMode[n]),
                            QStringLiteral("kept; a run refuses the item")));
}

// Fills entry n from the section; throws ConvertError at the first bad value.
// The group is assigned after every key was read, so that a failed item leaves
// Group_Count as the items before it set it.
void ReadItem(const QString& path, const IniDocument::Section& section, int n,
              QList<IniWarning>& warnings) {
    Items.Description1[n] = section.value(QStringLiteral("Description1"), kDefaultText);
    Items.Description2[n] = section.value(QStringLiteral("Description2"), kDefaultText);
    int32_t group = 0;
    for (const NumericKey& key : NumericKeys()) {
        const int32_t value =
            ReadIniNumber(path, section, key.name, key.fallback, [&key](const QString& stored) {
                return StrToInt(key.hexDigits ? QLatin1String("0x") + stored : stored);
            });
        key.store(n, value);
        if (const std::optional<IniWarning> warning = FitWarning(path, section, key, value))
            warnings.append(*warning);
        if (key.name == QLatin1String("TxCANGroup"))
            group = value & 0xFF;
    }
    WarnAboutItem(path, section, n, warnings);
    if (group == kAssignGroup)
        AssignGroup(n);
    Items.Group_Count =
        static_cast<uint8_t>(std::max<int>(Items.Group_Count, Items.TxCANGroup[n] + 1));
    Items.CMD_Count = static_cast<uint16_t>(n + 1);
}

QString WrittenValue(const NumericKey& key, int item) {
    const int64_t value = key.load(item);
    return key.hexDigits ? HexText(static_cast<uint32_t>(value), key.hexDigits).mid(2)
                         : QString::number(value);
}

void CheckDescription(int item, const QString& text) {
    if (!IsIniStorable(text))
        throw ConfigWriteError(QStringLiteral("Cannot save test item %1 \"%2\": descriptions must "
                                              "not contain \"]\", \"=\" or line breaks.")
                                   .arg(item, 2, 10, QLatin1Char('0'))
                                   .arg(text)
                                   .toStdString());
}

IniDocument BuildDocument() {
    IniDocument doc;
    for (int i = 0; i < Items.CMD_Count; ++i) {
        CheckDescription(i, Items.Description1[i]);
        CheckDescription(i, Items.Description2[i]);
        const QString name = QStringLiteral("%1..%2..%3")
                                 .arg(i, 2, 10, QLatin1Char('0'))
                                 .arg(Items.Description1[i], Items.Description2[i]);
        IniDocument::Section& section = doc.sectionForWriting(name);
        section.lines.append({QStringLiteral("Description1"), Items.Description1[i], {}});
        section.lines.append({QStringLiteral("Description2"), Items.Description2[i], {}});
        for (const NumericKey& key : NumericKeys())
            section.lines.append({key.name, WrittenValue(key, i), {}});
        section.lines.append(IniDocument::Line{}); // a blank line between sections
    }
    return doc;
}

} // namespace

void AssignGroup(int n) {
    uint8_t group = 0;
    if (n > 0) {
        const auto* first = std::find(Items.TxCANID, Items.TxCANID + n, Items.TxCANID[n]);
        if (first != Items.TxCANID + n)
            group = Items.TxCANGroup[first - Items.TxCANID];
        else if (Items.Group_Count < kAssignGroup)
            group = Items.Group_Count;
        else // 255 is no group, and Group_Count could not count past it
            group = LowestUnusedGroup(Items, n);
    }
    Items.TxCANGroup[n] = group;
    const uint8_t highest = *std::max_element(Items.TxCANGroup, Items.TxCANGroup + n + 1);
    Items.Group_Count = static_cast<uint8_t>(highest + 1);
}

const PartialRead& LastPartialRead() {
    return lastPartialRead;
}

QString OverwritePartlyReadQuestion(const QString& path) {
    if (lastPartialRead.path.isEmpty() || QFileInfo(lastPartialRead.path) != QFileInfo(path))
        return {};
    return Phrase(PhraseId::OverwritePartlyReadItems)
        .arg(path, lastPartialRead.leftOut)
        .arg(Items.CMD_Count);
}

ReadResult ReadTestConfig(const QString& path) {
    if (!QFileInfo(path).isFile())
        return {-1, 0, {}};
    // Until the read is through, the table holds only part of the file.
    lastPartialRead = {path, QStringLiteral("the whole file")};
    const IniDocument doc = [&path] {
        try {
            return IniDocument::load(path);
        } catch (const IniFileError& error) {
            // What the table held belongs to another file: none of it may be saved as this one.
            Items.CMD_Count = 0;
            Items.Group_Count = 0;
            lastPartialRead.leftOut = QStringLiteral("the whole file (%1)").arg(error.what());
            throw;
        }
    }();
    Items.CMD_Count = 0;
    Items.Group_Count = 0;
    ReadResult result;
    QList<IniWarning> found;
    // Logged also when a bad value ends the read: they were found before it.
    const auto log =
        qScopeGuard([&doc, &found] { LogIniWarnings(InLineOrder(doc.warnings(), found)); });
    for (const IniDocument::Section& section : doc.sections()) {
        if (section.name.isNull() || section.name == kPortSection)
            continue;
        if (Items.CMD_Count == kMaxTestItems) {
            ++result.ignoredSections;
            continue;
        }
        try {
            ReadItem(path, section, Items.CMD_Count, found);
        } catch (const IniValueError& error) {
            lastPartialRead.leftOut = BadValueLeftOut(QString::fromUtf8(error.what()));
            throw;
        }
    }
    result.warnings = InLineOrder(doc.warnings(), found);
    lastPartialRead = result.ignoredSections > 0
                          ? PartialRead{path, QStringLiteral("%1 items beyond the first %2")
                                                  .arg(result.ignoredSections)
                                                  .arg(kMaxTestItems)}
                          : PartialRead{};
    SystemLogf("Global_CustomerCMD.CMD_Count = %d , _CustomerCMD.Group_Count = %d", Items.CMD_Count,
               Items.Group_Count);
    if (result.ignoredSections > 0)
        SystemLogf("%s: %d item sections beyond the first %d were not loaded", qUtf8Printable(path),
                   result.ignoredSections, kMaxTestItems);
    return result;
}

void WriteTestConfig(const QString& path) {
    const IniDocument doc = BuildDocument();
    try {
        if (Items.CMD_Count > 0)
            doc.save(path);
        else if (QFile::exists(path) && !QFile::remove(path))
            throw IniFileError(QStringLiteral("Cannot delete %1").arg(path).toStdString());
    } catch (const IniFileError& error) {
        throw ConfigWriteError(error.what());
    }
    if (!lastPartialRead.path.isEmpty() && QFileInfo(lastPartialRead.path) == QFileInfo(path))
        lastPartialRead = {}; // the file now holds the table, all of it
}
