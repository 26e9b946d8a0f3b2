#include "IniFile.h"

#include <QFile>
#include <QSaveFile>
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

} // namespace

QString DecodeIniText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError()) {
        QStringDecoder gb18030("GB18030");
        text = gb18030(bytes);
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

bool IsIniStorable(const QString& text) {
    return !text.contains(QLatin1Char(']')) && !text.contains(QLatin1Char('=')) &&
           !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'));
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
    lines.insert(at, Line{key, value, {}});
}

IniDocument IniDocument::parse(const QByteArray& bytes) {
    IniDocument doc;
    doc.sections_.append(Section{});
    const QString text = DecodeIniText(bytes);
    const QStringList rawLines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < rawLines.size(); ++i) {
        QString raw = rawLines[i];
        if (raw.endsWith(QLatin1Char('\r')))
            raw.chop(1);
        if (i == rawLines.size() - 1 && raw.isEmpty())
            break; // the text after the final line end
        const QString trimmed = raw.trimmed();
        const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
        const qsizetype headerEnd = HeaderEnd(trimmed);
        if (headerEnd > 0)
            doc.sections_.append(Section{HeaderName(trimmed, headerEnd), {}});
        else if (IsComment(trimmed) || equals <= 0)
            doc.sections_.last().lines.append(Line{{}, {}, raw});
        else
            doc.sections_.last().lines.append(
                Line{trimmed.left(equals).trimmed(), trimmed.mid(equals + 1).trimmed(), {}});
    }
    if (doc.sections_.first().lines.isEmpty())
        doc.sections_.removeFirst();
    return doc;
}

IniDocument IniDocument::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw IniFileError(
            QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()).toStdString());
    return parse(file.readAll());
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
    QSaveFile file(path);
    const QByteArray bytes = toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw IniFileError(
            QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()).toStdString());
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
    sections_.append(Section{name, {}});
    return sections_.last();
}
