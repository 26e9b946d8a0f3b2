#pragma once
// A small INI document that keeps a file as it was written: sections in file
// order, keys in section order, comments and blank lines where they stood.
// Section and key names match without regard to case (the first match wins);
// QSettings would reorder, escape and case-fold, which the files cannot take.
//
// Reading accepts spaces around "=", CRLF or LF line ends, blank lines and
// ";" / "#" comment lines. Text is read as UTF-8, or as GB18030 when the file
// is not valid UTF-8 (files saved on Chinese Windows); it is written as UTF-8.

#include <QList>
#include <QString>
#include <optional>
#include <stdexcept>

class IniFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class IniDocument {
public:
    // A key line (key not empty), or a line kept verbatim (comment, blank line).
    struct Line {
        QString key;
        QString value;
        QString verbatim;
    };
    struct Section {
        QString name; // null for the lines before the first section header
        QList<Line> lines;

        const Line* find(const QString& key) const;
        // The key's value, or `fallback` when the key is missing.
        QString value(const QString& key, const QString& fallback) const;
        // Changes the first line of that key, or appends one.
        void setValue(const QString& key, const QString& value);
    };

    static IniDocument parse(const QByteArray& bytes);
    // Throws IniFileError when the file exists but cannot be read.
    static IniDocument load(const QString& path);

    QByteArray toUtf8() const;
    // Replaces the file in one step (a failed save leaves the old file intact).
    // Throws IniFileError naming the file and the cause.
    void save(const QString& path) const;

    const QList<Section>& sections() const { return sections_; }
    const Section* section(const QString& name, Qt::CaseSensitivity cs = Qt::CaseInsensitive) const;
    // The section of that name, appended when missing.
    Section& sectionForWriting(const QString& name);

private:
    QList<Section> sections_;
};

// The file's bytes as text: UTF-8 when valid (a BOM is dropped), else GB18030.
QString DecodeIniText(const QByteArray& bytes);

// A text that can stand in a section name and as a value: a "]" would end
// the section header, an "=" the key, a line break the line.
bool IsIniStorable(const QString& text);
