#include "IniFile.h"

#include "SafeFile.h"
#include "SystemLog.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>

namespace {

bool IsComment(QStringView trimmed) {
    return trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')) ||
           trimmed.startsWith(QLatin1Char('#'));
}

// "[name]", possibly followed by a comment; the name runs to the last "]".
qsizetype HeaderEnd(QStringView trimmed) {
    return trimmed.startsWith(QLatin1Char('[')) ? trimmed.lastIndexOf(QLatin1Char(']')) : -1;
}

// Never null, even for "[]": a null name marks the lines before the first header.
QString HeaderName(QStringView trimmed, qsizetype headerEnd) {
    const QString name = trimmed.mid(1, headerEnd - 1).trimmed().toString();
    return name.isNull() ? QStringLiteral("") : name;
}

// The bytes decoded; `decoded` tells whether all of them were valid. Stateless:
// a sequence cut off at the end is an error too.
QString Decode(QStringDecoder&& decoder, const QByteArray& bytes, bool& decoded) {
    QString text = decoder(bytes);
    decoded = decoder.isValid() && !decoder.hasError();
    return text;
}

QString Decode(QStringDecoder::Encoding encoding, const QByteArray& bytes, bool& decoded) {
    return Decode(QStringDecoder(encoding, QStringDecoder::Flag::Stateless), bytes, decoded);
}

// The 1-based line of `text` that holds position `at` (line ends as in ReadIniText).
qsizetype LineAt(const QString& text, qsizetype at) {
    qsizetype line = 1;
    for (qsizetype i = 0; i < at && i < text.size(); ++i) {
        const bool crlf =
            text[i] == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n');
        if (!crlf && (text[i] == QLatin1Char('\n') || text[i] == QLatin1Char('\r')))
            ++line;
    }
    return line;
}

// Every CRLF and lone CR made LF, in place: the text only shrinks.
void UnifyLineEnds(QString& text) {
    qsizetype out = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\r')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            text[out++] = QLatin1Char('\n');
        } else {
            text[out++] = text[i];
        }
    }
    text.truncate(out);
}

} // namespace

QString DecodeIniText(const QByteArray& bytes) {
    const bool utf16 = bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
    QString text;
    bool decoded = false;
    if (utf16) {
        text = Decode(bytes[0] == '\xFF' ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                      bytes.mid(2), decoded);
        decoded = decoded && bytes.size() % 2 == 0; // the decoder passes a lone last byte
    } else {
        text = Decode(QStringDecoder::Utf8, bytes, decoded);
        if (!decoded)
            text = Decode(QStringDecoder("GB18030"), bytes, decoded);
    }
    if (!decoded)
        throw IniFileError(QStringLiteral("line %1 is not %2 text")
                               .arg(LineAt(text, text.indexOf(QChar::ReplacementCharacter)))
                               .arg(QLatin1String(utf16 ? "UTF-16" : "UTF-8 or GB18030"))
                               .toStdString());
    if (const qsizetype nul = text.indexOf(QChar::Null); nul >= 0)
        throw IniFileError(
            QStringLiteral("line %1 holds a NUL character: not a text file, or UTF-16 "
                           "without a byte order mark")
                .arg(LineAt(text, nul))
                .toStdString());
    if (text.startsWith(QChar::ByteOrderMark))
        text.remove(0, 1);
    return text;
}

QString ReadIniText(const QString& path) {
    QFile file(path);
    const auto refuse = [&path](const QString& why) {
        return IniFileError(QStringLiteral("Cannot read %1: %2").arg(path, why).toStdString());
    };
    if (!file.open(QIODevice::ReadOnly))
        throw refuse(file.errorString());
    // Read at most one byte past the limit: the size may not be known (a pipe)
    // or may grow while the file is read.
    const QByteArray bytes =
        file.size() > kMaxIniFileBytes ? QByteArray() : file.read(kMaxIniFileBytes + 1);
    if (file.size() > kMaxIniFileBytes || bytes.size() > kMaxIniFileBytes)
        throw refuse(
            QStringLiteral("the file is larger than %1 MiB").arg(kMaxIniFileBytes / (1024 * 1024)));
    try {
        QString text = DecodeIniText(bytes);
        UnifyLineEnds(text);
        return text;
    } catch (const IniFileError& error) {
        throw refuse(QString::fromStdString(error.what()));
    }
}

bool IsIniStorable(const QString& text) {
    return !text.contains(QLatin1Char(']')) && !text.contains(QLatin1Char('=')) &&
           !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'));
}

QString IniWarning::message() const {
    const QString subject =
        key.isEmpty() ? QStringLiteral("'%1'").arg(text) : key + QLatin1Char('=') + text;
    return QStringLiteral("%1, line %2: %3 %4; %5")
        .arg(path)
        .arg(line)
        .arg(subject, problem, outcome);
}

void LogIniWarnings(const QList<IniWarning>& warnings) {
    for (const IniWarning& warning : warnings)
        SystemLog(warning.message());
}

QList<IniWarning> InLineOrder(QList<IniWarning> a, const QList<IniWarning>& b) {
    a += b;
    std::stable_sort(a.begin(), a.end(),
                     [](const IniWarning& x, const IniWarning& y) { return x.line < y.line; });
    return a;
}

IniValueError::IniValueError(const QString& path, int line, const QString& key, const QString& text)
    : ConvertError(QStringLiteral("%1, line %2, %3").arg(path).arg(line).arg(key), text) {}

int32_t ReadIniNumber(const QString& path, const IniDocument::Section& section, const QString& key,
                      const QString& fallback,
                      const std::function<int32_t(const QString&)>& convert) {
    const IniDocument::Line* line = section.find(key);
    const QString& text = line ? line->value : fallback;
    try {
        return convert(text);
    } catch (const ConvertError&) {
        const IniValueError located(path, line ? line->number : section.number, key, text);
        SystemLog(QString::fromUtf8(located.what()));
        throw located;
    }
}

IniWarning IniValueWarning(const QString& path, const IniDocument::Section& section,
                           const QString& key, const QString& problem, const QString& outcome) {
    const IniDocument::Line* line = section.find(key);
    return {path,    line ? line->number : section.number,
            key,     line ? line->value : QString(),
            problem, outcome};
}

IniWarning IniSectionWarning(const QString& path, const IniDocument::Section& section,
                             const QString& problem, const QString& outcome) {
    return {path,    section.number, {}, QLatin1Char('[') + section.name + QLatin1Char(']'),
            problem, outcome};
}

const IniDocument::Line* IniDocument::Section::find(const QString& key) const {
    for (const Line& line : lines) {
        if (!line.key.isEmpty() && line.key.compare(key, Qt::CaseInsensitive) == 0)
            return &line;
    }
    return nullptr;
}

QString IniDocument::Section::value(const QString& key, const QString& fallback) const {
    const Line* line = find(key);
    return line ? line->value : fallback;
}

void IniDocument::Section::setValue(const QString& key, const QString& value) {
    if (const Line* line = find(key)) {
        lines[static_cast<qsizetype>(line - lines.constData())].value = value;
        return;
    }
    // New keys go after the last key line, ahead of trailing blank lines.
    qsizetype at = lines.size();
    while (at > 0 && lines[at - 1].key.isEmpty())
        --at;
    lines.insert(at, Line{key, value, {}, 0});
}

IniDocument IniDocument::parse(const QByteArray& bytes) {
    QString text = DecodeIniText(bytes);
    UnifyLineEnds(text);
    return parseText(text, QString());
}

IniDocument IniDocument::load(const QString& path) {
    return parseText(ReadIniText(path), path);
}

IniDocument IniDocument::parseText(const QString& text, const QString& path) {
    IniDocument doc;
    doc.sections_.append(Section{});
    int number = 0;
    int entries = 0;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = text.size();
        const QStringView raw = QStringView(text).mid(start, end - start);
        start = end + 1;
        if (doc.appendLine(raw, ++number, path) && ++entries > kMaxIniEntries)
            throw IniFileError(
                QStringLiteral("%1line %2: more than %3 keys and sections")
                    .arg(path.isEmpty() ? QString() : QStringLiteral("Cannot read %1: ").arg(path))
                    .arg(number)
                    .arg(kMaxIniEntries)
                    .toStdString());
    }
    if (doc.unusedLines_ > kMaxIniLineWarnings)
        doc.warnings_.append({path,
                              number,
                              {},
                              QStringLiteral("..."),
                              QStringLiteral("and %1 more lines up to here have no \"=\"")
                                  .arg(doc.unusedLines_ - kMaxIniLineWarnings),
                              QStringLiteral("ignored")});
    if (doc.sections_.first().lines.isEmpty())
        doc.sections_.removeFirst();
    return doc;
}

bool IniDocument::appendLine(QStringView raw, int number, const QString& path) {
    const QStringView trimmed = raw.trimmed();
    const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
    const qsizetype headerEnd = HeaderEnd(trimmed);
    QList<Line>& lines = sections_.last().lines;
    if (headerEnd > 0) {
        sections_.append(Section{HeaderName(trimmed, headerEnd), {}, number});
        return true;
    }
    if (IsComment(trimmed) || equals <= 0) {
        if (!IsComment(trimmed) && ++unusedLines_ <= kMaxIniLineWarnings)
            warnings_.append(
                {path,
                 number,
                 {},
                 trimmed.toString(),
                 equals == 0 ? QStringLiteral("has no key") : QStringLiteral("has no \"=\""),
                 QStringLiteral("ignored")});
        // A run of lines that are no key lines is kept as one: a file of blank
        // lines costs its text, not a line object per line.
        if (!lines.isEmpty() && lines.last().key.isEmpty() && lines.last().number > 0)
            lines.last().verbatim.append(QLatin1Char('\n')).append(raw);
        else
            lines.append(Line{{}, {}, raw.toString(), number});
        return false;
    }
    lines.append(Line{trimmed.left(equals).trimmed().toString(),
                      trimmed.mid(equals + 1).trimmed().toString(),
                      {},
                      number});
    return true;
}

QByteArray IniDocument::toUtf8() const {
    QString text;
    for (const Section& sec : sections_) {
        if (!sec.name.isNull())
            text += QLatin1Char('[') + sec.name + QLatin1String("]\n");
        for (const Line& line : sec.lines)
            text +=
                (line.key.isEmpty() ? line.verbatim : line.key + QLatin1Char('=') + line.value) +
                QLatin1Char('\n');
    }
    return text.toUtf8();
}

void IniDocument::save(const QString& path) const {
    const QByteArray bytes = toUtf8();
    const std::string error = WriteFileSafely(QFile::encodeName(path).toStdString(),
                                              std::string_view(bytes.constData(), bytes.size()));
    if (!error.empty())
        throw IniFileError("Cannot write " + error);
}

const IniDocument::Section* IniDocument::section(const QString& name,
                                                 Qt::CaseSensitivity cs) const {
    for (const Section& sec : sections_) {
        if (!sec.name.isNull() && sec.name.compare(name, cs) == 0)
            return &sec;
    }
    return nullptr;
}

IniDocument::Section& IniDocument::sectionForWriting(const QString& name) {
    if (const Section* found = section(name))
        return sections_[static_cast<qsizetype>(found - sections_.constData())];
    sections_.append(Section{name, {}, 0});
    return sections_.last();
}
