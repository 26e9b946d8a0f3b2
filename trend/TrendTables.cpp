#include "TrendTables.h"

#include "AppPaths.h"
#include "ConfigFile.h"
#include "Convert.h"
#include "IniFile.h"
#include "SystemLog.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <limits>

type_TrendCAN Global_TrendCAN;
type_Formula Global_Formula;

namespace {

const QString kDefaultText = QStringLiteral("NULL");
const QString kDescription1 = QStringLiteral("Description1");
const QString kDescription2 = QStringLiteral("Description2");
const QString kTrendCANID = QStringLiteral("TrendCANID");
const QString kCANDataType = QStringLiteral("CANDataType");
const QString kCANDataRange = QStringLiteral("CANDataRange");
const QString kFormulaDescription = QStringLiteral("Formula_Description");
const QString kFormula = QStringLiteral("Formula");
const QString kSignal = QStringLiteral("Signal");
const QString kDatabase = QStringLiteral("Database");

type_TrendCAN& Watched = Global_TrendCAN;
type_Formula& Formulas = Global_Formula;

PartialRead lastPartialRead;

// Only the names the writer gives formula sections: a watched identifier
// whose description mentions "Formula" stays a watched identifier.
bool IsFormulaSection(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^Formula-[0-9]{2}\\.\\."));
    return pattern.match(name).hasMatch();
}

// Identifiers and codes are written unsigned ("%lu"), so one entered as
// 0x80000000 or above (or a negative code) comes back as a decimal beyond the
// signed range: it is the same 32-bit pattern, not a bad value.
int32_t StoredValue(const QString& text) {
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok, 10);
    if (ok && text.front().isDigit() && value > uint64_t{std::numeric_limits<int32_t>::max()} &&
        value <= std::numeric_limits<uint32_t>::max())
        return static_cast<int32_t>(static_cast<uint32_t>(value));
    return StrToInt(text);
}

// A code that is not a number reads as 0, with a warning.
int32_t CodeValue(const QString& path, const IniDocument::Section& section, const QString& key,
                  QList<IniWarning>& warnings) {
    try {
        return StoredValue(section.value(key, QStringLiteral("0")));
    } catch (const ConvertError&) {
        warnings.append(IniValueWarning(path, section, key, QStringLiteral("is not a number"),
                                        QStringLiteral("taken as 0")));
        return 0;
    }
}

void ReadWatched(const QString& path, const IniDocument::Section& section, int n,
                 QList<IniWarning>& warnings) {
    if (section.name.isEmpty())
        warnings.append(
            IniSectionWarning(path, section, QStringLiteral("has no name"),
                              QStringLiteral("read as watched identifier V%1").arg(n + 1)));
    Watched.Description1[n] = section.value(kDescription1, kDefaultText);
    Watched.Description2[n] = section.value(kDescription2, kDefaultText);
    Watched.TrendCANID[n] =
        ReadIniNumber(path, section, kTrendCANID, QStringLiteral("000"), StoredValue);
    Watched.CANDataType[n] = CodeValue(path, section, kCANDataType, warnings);
    Watched.CANDataRange[n] = CodeValue(path, section, kCANDataRange, warnings);
    Watched.Signal[n] = section.value(kSignal, QString());
    Watched.TrendCAN_Count = static_cast<uint16_t>(n + 1);
}

void ReadFormula(const IniDocument::Section& section, int n) {
    Formulas.Formula_Description[n] = section.value(kFormulaDescription, kDefaultText);
    Formulas.Formula[n] = section.value(kFormula, kDefaultText);
    Formulas.Formula_Count = static_cast<uint16_t>(n + 1);
}

void Refuse(const QString& what, const QString& text, const char* rule) {
    throw ConfigWriteError(QStringLiteral("Cannot save %1 \"%2\": %3.")
                               .arg(what, text, QLatin1String(rule))
                               .toStdString());
}

void CheckDescription(const QString& what, const QString& text) {
    if (!IsIniStorable(text))
        Refuse(what, text, "descriptions must not contain \"]\", \"=\" or line breaks");
}

void AddSection(IniDocument& doc, const QString& name, const QList<IniDocument::Line>& lines) {
    IniDocument::Section& section = doc.sectionForWriting(name);
    section.lines = lines;
    section.lines.append(IniDocument::Line{}); // a blank line between sections
}

QString Unsigned(int32_t value) {
    return QString::number(static_cast<uint32_t>(value));
}

void AddWatchedSections(IniDocument& doc) {
    for (int i = 0; i < Watched.TrendCAN_Count; ++i) {
        const QString index = QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
        CheckDescription(QStringLiteral("entry ") + index, Watched.Description1[i]);
        CheckDescription(QStringLiteral("entry ") + index, Watched.Description2[i]);
        CheckDescription(QStringLiteral("entry ") + index, Watched.Signal[i]);
        QList<IniDocument::Line> lines = {{kDescription1, Watched.Description1[i], {}},
                                          {kDescription2, Watched.Description2[i], {}},
                                          {kTrendCANID, Unsigned(Watched.TrendCANID[i]), {}},
                                          {kCANDataType, Unsigned(Watched.CANDataType[i]), {}},
                                          {kCANDataRange, Unsigned(Watched.CANDataRange[i]), {}}};
        if (!Watched.Signal[i].isEmpty())
            lines.append({kSignal, Watched.Signal[i], {}});
        AddSection(doc,
                   index + QLatin1String("..") + Watched.Description1[i] + QLatin1String("..") +
                       Watched.Description2[i],
                   lines);
    }
}

void AddFormulaSections(IniDocument& doc) {
    for (int i = 0; i < Formulas.Formula_Count; ++i) {
        const QString name = QStringLiteral("Formula-%1..").arg(i, 2, 10, QLatin1Char('0'));
        const QString& description = Formulas.Formula_Description[i];
        const QString& formula = Formulas.Formula[i];
        CheckDescription(name.chopped(2), description);
        if (formula.contains(QLatin1Char('\n')) || formula.contains(QLatin1Char('\r')))
            Refuse(name.chopped(2), formula, "formulas must not contain line breaks");
        AddSection(doc, name + description,
                   {{kFormulaDescription, description, {}}, {kFormula, formula, {}}});
    }
}

// Reads the sections into the tables; throws as ReadTrendCANIni does.
TrendReadResult ReadSections(const QString& path, const IniDocument& doc,
                             QList<IniWarning>& found) {
    TrendReadResult result;
    for (const IniDocument::Section& section : doc.sections()) {
        if (section.name.isNull()) {
            const QString database = section.value(kDatabase, QString());
            if (!database.isEmpty())
                Watched.Database = QFileInfo(path).dir().filePath(database);
            continue;
        }
        if (!IsFormulaSection(section.name)) {
            if (Watched.TrendCAN_Count == kMaxTrendCAN)
                ++result.ignoredEntries;
            else
                ReadWatched(path, section, Watched.TrendCAN_Count, found);
        } else if (Formulas.Formula_Count == kMaxFormulas) {
            ++result.ignoredFormulas;
        } else {
            ReadFormula(section, Formulas.Formula_Count);
        }
    }
    return result;
}

} // namespace

QString DataTypeText(int type) {
    static const char* const kTexts[kDataTypeCount] = {
        "BYTE (unsigned 1-byte)", "char (signed 1-byte)",    "WORD (unsigned 2-byte)",
        "short (signed 2-byte)",  "DWORD (unsigned 4-byte)", "long (signed 4-byte)",
        "float (4-byte)",         "double (8-byte)"};
    return type >= 0 && type < kDataTypeCount ? QString::fromLatin1(kTexts[type]) : QString();
}

int DataTypeBytes(int type) {
    static const int kBytes[kDataTypeCount] = {1, 1, 2, 2, 4, 4, 4, 8};
    return type >= 0 && type < kDataTypeCount ? kBytes[type] : 0;
}

QStringList DataRangeTexts(int type) {
    const int bytes = DataTypeBytes(type);
    QStringList texts;
    for (int first = 0; bytes > 0 && first + bytes <= 8; ++first)
        texts.append(bytes == 1 ? QStringLiteral("D%1").arg(first + 1)
                                : QStringLiteral("D%1 ~ D%2").arg(first + 1).arg(first + bytes));
    return texts;
}

QString DataRangeText(int type, int range) {
    return DataRangeTexts(type).value(range);
}

QString TrendCANIniPath() {
    return ProgramFolder() + QLatin1String("/TrendCAN.ini");
}

const PartialRead& LastTrendPartialRead() {
    return lastPartialRead;
}

TrendReadResult ReadTrendCANIni(const QString& path) {
    if (!QFileInfo(path).isFile())
        return {-1, 0, 0, {}};
    lastPartialRead = {path, QStringLiteral("the whole file")};
    const IniDocument doc = IniDocument::load(path);
    Watched.TrendCAN_Count = 0;
    Watched.Database.clear();
    Formulas.Formula_Count = 0;
    TrendReadResult result;
    QList<IniWarning> found;
    // Logged also when a bad identifier ends the read: they were found before it.
    const auto log =
        qScopeGuard([&doc, &found] { LogIniWarnings(InLineOrder(doc.warnings(), found)); });
    try {
        result = ReadSections(path, doc, found);
    } catch (const IniValueError& error) {
        lastPartialRead.leftOut =
            QStringLiteral("watched identifier %1 and every section after it (%2)")
                .arg(Watched.TrendCAN_Count + 1)
                .arg(QString::fromUtf8(error.what()));
        throw;
    }
    result.warnings = InLineOrder(doc.warnings(), found);
    lastPartialRead = {};
    if (result.ignoredEntries > 0 || result.ignoredFormulas > 0) {
        lastPartialRead = {path, QStringLiteral("%1 watched identifiers and %2 formulas beyond "
                                                "the first %3 of each")
                                     .arg(result.ignoredEntries)
                                     .arg(result.ignoredFormulas)
                                     .arg(kMaxTrendCAN)};
        SystemLogf("%s: %d watched identifiers and %d formulas beyond the first %d of each were "
                   "not loaded",
                   qUtf8Printable(path), result.ignoredEntries, result.ignoredFormulas,
                   kMaxTrendCAN);
    }
    return result;
}

void WriteTrendCANIni(const QString& path) {
    IniDocument doc;
    if (!Watched.Database.isEmpty()) {
        if (Watched.Database.contains(QLatin1Char('\n')) ||
            Watched.Database.contains(QLatin1Char('\r')))
            Refuse(QStringLiteral("the database path"), Watched.Database,
                   "paths must not contain line breaks");
        doc.sectionForWriting(QString()).lines = {{kDatabase, Watched.Database, {}},
                                                  IniDocument::Line{}};
    }
    AddWatchedSections(doc);
    AddFormulaSections(doc);
    try {
        doc.save(path);
    } catch (const IniFileError& error) {
        throw ConfigWriteError(error.what());
    }
    if (!lastPartialRead.path.isEmpty() && QFileInfo(lastPartialRead.path) == QFileInfo(path))
        lastPartialRead = {}; // the file now holds the tables, all of them
}
