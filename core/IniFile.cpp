#include "IniFile.h"

#include "SafeFile.h"
#include "SystemLog.h"

#include <QFile>
#include <QStringDecoder>

namespace {

bool IsComment(const QString& trimmed) {
    return trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')) ||
           trimmed.startsWith(QLatin1Char('#'));
}

// "[name]", possibly followed by a comment; the name runs to the last "]".
qsizetype HeaderEnd(const QString& trimmed) {
    return trimmed.startsWith(QLatin1Char('[')) ? trimmed.lastIndexOf(QLatin1Char(']')) : -1;
}

// Never null, even for "[]": a null name marks the lines before the first header.
QString HeaderName(const QString& trimmed, qsizetype headerEnd) {
    const QString name = trimmed.mid(1, headerEnd - 1).trimmed();
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

// The 1-based line of `text` that holds position `at` (line ends as in SplitIniLines).
qsizetype LineAt(const QString& text, qsizetype at) {
    return at < 0 ? 1 : SplitIniLines(text.left(at + 1)).size();
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

QStringList SplitIniLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

QStringList ReadIniLines(const QString& path) {
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
        return SplitIniLines(DecodeIniText(bytes));
    } catch (const IniFileError& error) {
        throw refuse(QString::fromStdString(error.what()));
    }
}

bool IsIniStorable(const QString& text) {
    return !text.contains(QLatin1Char(']')) && !text.contains(QLatin1Char('=')) &&
           !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'));
}

IniValueError::IniValueError(const ConvertError& error, const QString& path, int line)
    : ConvertError(error), where_(QStringLiteral("%1, line %2").arg(path).arg(line)) {}

int32_t ReadIniNumber(const QString& path, const IniDocument::Section& section, const QString& key,
                      const QString& fallback,
                      const std::function<int32_t(const QString&)>& convert) {
    const IniDocument::Line* line = section.find(key);
    try {
        return convert(line ? line->value : fallback);
    } catch (const ConvertError& error) {
        const IniValueError located(error, path, line ? line->number : section.number);
        SystemLogf("%s: %s", qUtf8Printable(located.where()), located.what());
        throw located;
    }
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
    return parseLines(SplitIniLines(DecodeIniText(bytes)));
}

IniDocument IniDocument::load(const QString& path) {
    return parseLines(ReadIniLines(path));
}

IniDocument IniDocument::parseLines(const QStringList& rawLines) {
    IniDocument doc;
    doc.sections_.append(Section{});
    for (qsizetype i = 0; i < rawLines.size(); ++i) {
        const QString& raw = rawLines[i];
        const int number = static_cast<int>(i + 1);
        const QString trimmed = raw.trimmed();
        const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
        const qsizetype headerEnd = HeaderEnd(trimmed);
        if (headerEnd > 0)
            doc.sections_.append(Section{HeaderName(trimmed, headerEnd), {}, number});
        else if (IsComment(trimmed) || equals <= 0)
            doc.sections_.last().lines.append(Line{{}, {}, raw, number});
        else
            doc.sections_.last().lines.append(Line{
                trimmed.left(equals).trimmed(), trimmed.mid(equals + 1).trimmed(), {}, number});
    }
    if (doc.sections_.first().lines.isEmpty())
        doc.sections_.removeFirst();
    return doc;
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
