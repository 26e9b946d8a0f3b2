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
// ReadIniText, so all of them take and refuse the same files.

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

// Something a reader took other than as written (a value changed to fit its
// field) or could not use (a line without "="): the file still loads, and the
// user is told which line, key and text, and what was taken instead.
struct IniWarning {
    QString path;
    int line = 0;
    QString key;     // empty for a line that is no key line
    QString text;    // the value, or the whole line, as it stands in the file
    QString problem; // e.g. "is beyond 0..255"
    QString outcome; // e.g. "taken as 0", "ignored"

    // "<path>, line <n>: <key>=<text> <problem>; <outcome>", or with the
    // line quoted in place of <key>=<text>.
    QString message() const;
    bool operator==(const IniWarning&) const = default;
};

// Writes each warning's message to the system log.
void LogIniWarnings(const QList<IniWarning>& warnings);
// Both lists in the order of their lines (a before b on the same line).
QList<IniWarning> InLineOrder(QList<IniWarning> a, const QList<IniWarning>& b);

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

    // Throws IniFileError for bytes that are not text (see DecodeIniText)
    // and for more than kMaxIniEntries key lines and section headers.
    static IniDocument parse(const QByteArray& bytes);
    // Throws IniFileError when the file exists but cannot be read (see
    // ReadIniText) or holds more entries than parse() takes.
    static IniDocument load(const QString& path);

    QByteArray toUtf8() const;
    // Replaces the file in one step (a failed save leaves the old file intact).
    // Throws IniFileError naming the file and the cause.
    void save(const QString& path) const;

    const QList<Section>& sections() const { return sections_; }
    const Section* section(const QString& name, Qt::CaseSensitivity cs = Qt::CaseInsensitive) const;
    // The section of that name, appended when missing.
    Section& sectionForWriting(const QString& name);

    // The lines that are neither key lines, comments, blank lines nor section
    // headers, each named with `path` of load() (empty after parse()). They
    // are kept for writing but give no key. At most kMaxIniLineWarnings, then
    // one warning counting the rest.
    const QList<IniWarning>& warnings() const { return warnings_; }

private:
    static IniDocument parseText(const QString& text, const QString& path);
    // Adds one line of the file; true for a key line or a section header.
    bool appendLine(QStringView raw, int number, const QString& path);

    QList<Section> sections_;
    QList<IniWarning> warnings_;
    int unusedLines_ = 0;
};

// Larger files are refused before they are read: 100 test items take about
// 60 KiB, so anything near this is no file of Kestrel's.
inline constexpr qint64 kMaxIniFileBytes = 4 * 1024 * 1024;
// Key lines and section headers of one file: 100 test items have about 5,000.
// Each costs memory of its own (runs of comments and blank lines share one),
// so a file with more is refused rather than let a few MiB of "a=1" lines
// take hundreds.
inline constexpr int kMaxIniEntries = 65536;
inline constexpr int kMaxIniLineWarnings = 100;

// The file's bytes as text: UTF-16 after a UTF-16 byte order mark, else UTF-8
// when valid (a BOM is dropped), else GB18030. Throws IniFileError "line N: ..."
// for bytes that are not text in that encoding and for NUL characters (binary
// data, or UTF-16 without a byte order mark), rather than show them as data.
QString DecodeIniText(const QByteArray& bytes);

// The text of the file at `path` with every line end (CRLF, LF or a lone CR)
// made "\n"; an empty rest after the last line end is no line. Throws
// IniFileError naming the file (and the line where there is one) when the
// file cannot be opened, is larger than kMaxIniFileBytes or is not text.
QString ReadIniText(const QString& path);

// A value of a file that is no number. what() names the file, the line and
// the key, and quotes the value as it stands in the file:
// "<path>, line 7, TxCANID: '0x7E0' is not a valid integer value".
class IniValueError : public ConvertError {
public:
    IniValueError(const QString& path, int line, const QString& key, const QString& text);
};

// `convert` applied to the value of `key` in `section`, or to `fallback` when
// the key is missing. When it throws ConvertError, the system log gets the
// IniValueError that goes up.
int32_t ReadIniNumber(const QString& path, const IniDocument::Section& section, const QString& key,
                      const QString& fallback,
                      const std::function<int32_t(const QString&)>& convert);

// A warning about `key` of `section`, naming its line and its text as it
// stands in the file (the section's header line when the key is missing).
IniWarning IniValueWarning(const QString& path, const IniDocument::Section& section,
                           const QString& key, const QString& problem, const QString& outcome);
// A warning about the header of `section`.
IniWarning IniSectionWarning(const QString& path, const IniDocument::Section& section,
                             const QString& problem, const QString& outcome);

// A text that can stand in a section name and as a value: a "]" would end
// the section header, an "=" the key, a line break the line.
bool IsIniStorable(const QString& text);
