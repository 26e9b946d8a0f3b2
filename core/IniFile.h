#pragma once
// A small INI document that keeps a file as it was written: sections in file
// order, keys in section order, comments and blank lines where they stood.
// Section and key names match without regard to case (the first match wins);
// QSettings would reorder, escape and case-fold, which the files cannot take.
//
// Reading accepts spaces around "=", CRLF, LF or CR line ends, blank lines and
// ";" / "#" comment lines. Text is read as UTF-16 when the file starts with a
// UTF-16 byte order mark (Notepad's "Unicode"), else as UTF-8, or as GB18030
// when the file is not valid UTF-8 (files saved on Chinese Windows); it is
// written as UTF-8. Every reader of Kestrel's hand-written files goes through
// ReadIniLines, so all of them take and refuse the same files.

#include "Convert.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
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
        int number = 0; // 1-based line in the file it was read from; 0 when added
    };
    struct Section {
        QString name; // null for the lines before the first section header
        QList<Line> lines;
        int number = 0; // the header's line in the file, as for Line

        const Line* find(const QString& key) const;
        // The key's value, or `fallback` when the key is missing.
        QString value(const QString& key, const QString& fallback) const;
        // Changes the first line of that key, or appends one.
        void setValue(const QString& key, const QString& value);
    };

    // Throws IniFileError for bytes that are not text (see DecodeIniText).
    static IniDocument parse(const QByteArray& bytes);
    // Throws IniFileError when the file exists but cannot be read (see ReadIniLines).
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
    static IniDocument parseLines(const QStringList& lines);

    QList<Section> sections_;
};

// Larger files are refused before they are read: 100 test items take about
// 60 KiB, so anything near this is no file of Kestrel's.
inline constexpr qint64 kMaxIniFileBytes = 4 * 1024 * 1024;

// The file's bytes as text: UTF-16 after a UTF-16 byte order mark, else UTF-8
// when valid (a BOM is dropped), else GB18030. Throws IniFileError "line N: ..."
// for bytes that are not text in that encoding and for NUL characters (binary
// data, or UTF-16 without a byte order mark), rather than show them as data.
QString DecodeIniText(const QByteArray& bytes);

// The lines of the text: CRLF, LF and a lone CR each end a line; an empty
// rest after the last line end is no line.
QStringList SplitIniLines(const QString& text);

// The lines of the file at `path`. Throws IniFileError naming the file (and
// the line where there is one) when the file cannot be opened, is larger than
// kMaxIniFileBytes or is not text.
QStringList ReadIniLines(const QString& path);

// A value of a file that is no number: what() is ConvertError's text, which
// the message boxes show; where() names the file and the line.
class IniValueError : public ConvertError {
public:
    IniValueError(const ConvertError& error, const QString& path, int line);
    const QString& where() const { return where_; }

private:
    QString where_;
};

// `convert` applied to the value of `key` in `section`, or to `fallback` when
// the key is missing. When it throws ConvertError, the system log gets the
// file and the line of the value, and IniValueError goes up.
int32_t ReadIniNumber(const QString& path, const IniDocument::Section& section, const QString& key,
                      const QString& fallback,
                      const std::function<int32_t(const QString&)>& convert);

// A text that can stand in a section name and as a value: a "]" would end
// the section header, an "=" the key, a line break the line.
bool IsIniStorable(const QString& text);
