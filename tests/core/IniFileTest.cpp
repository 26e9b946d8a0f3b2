#include "IniFile.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(IniDocument, AcceptsTheUsualForms) {
    const IniDocument doc = IniDocument::parse("; comment\r\n"
                                               "\r\n"
                                               "  [ First ]  \r\n"
                                               "Key = value with spaces \r\n"
                                               "# another comment\r\n"
                                               "empty=\r\n"
                                               "Key=second copy\r\n"
                                               "not a key line\r\n"
                                               "[second]\n"
                                               "a=b=c\n"
                                               "[]\n");
    ASSERT_EQ(doc.sections().size(), 4); // the lines before [First] form a nameless section
    EXPECT_TRUE(doc.sections()[0].name.isNull());
    const IniDocument::Section* first = doc.section(QStringLiteral("FIRST"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->name, QStringLiteral("First"));
    EXPECT_EQ(first->value(QStringLiteral("key"), {}), QStringLiteral("value with spaces"));
    EXPECT_EQ(first->value(QStringLiteral("EMPTY"), QStringLiteral("x")), QString());
    EXPECT_EQ(first->value(QStringLiteral("missing"), QStringLiteral("x")), QStringLiteral("x"));
    EXPECT_EQ(doc.section(QStringLiteral("second"))->value(QStringLiteral("a"), {}),
              QStringLiteral("b=c"));
    EXPECT_FALSE(doc.sections()[3].name.isNull()); // "[]" is a section, not the preamble
    EXPECT_EQ(doc.section(QStringLiteral("First"), Qt::CaseSensitive), first);
    EXPECT_EQ(doc.section(QStringLiteral("first"), Qt::CaseSensitive), nullptr);
}

TEST(IniDocument, WritesBackWhatItReadAndChangesValuesInPlace) {
    const QByteArray text = "; settings\n"
                            "[Other]\n"
                            "x=1\n"
                            "\n"
                            "[Port]\n"
                            "; the port\n"
                            "Number=3\n"
                            "Extra=keep\n"
                            "\n";
    IniDocument doc = IniDocument::parse(text);
    EXPECT_EQ(doc.toUtf8(), text);
    IniDocument::Section& port = doc.sectionForWriting(QStringLiteral("PORT"));
    port.setValue(QStringLiteral("number"), QStringLiteral("4"));
    port.setValue(QStringLiteral("Rate"), QStringLiteral("500"));
    doc.sectionForWriting(QStringLiteral("New")).setValue(QStringLiteral("k"), QStringLiteral("v"));
    EXPECT_EQ(doc.toUtf8(), QByteArray("; settings\n"
                                       "[Other]\n"
                                       "x=1\n"
                                       "\n"
                                       "[Port]\n"
                                       "; the port\n"
                                       "Number=4\n"
                                       "Extra=keep\n"
                                       "Rate=500\n"
                                       "\n"
                                       "[New]\n"
                                       "k=v\n"));
}

// A file of blank lines costs its text, not an object per line, and a file of
// more keys than any of Kestrel's is refused rather than held in memory.
TEST(IniDocument, KeepsRunsOfOtherLinesAsOneAndBoundsTheKeys) {
    const QByteArray blank(1 << 20, '\n');
    const IniDocument blanks =
        IniDocument::parse(QByteArray("; head\n") + blank + "[s]\nk=v\n" + blank + "x\n");
    ASSERT_EQ(blanks.sections().size(), 2);
    EXPECT_EQ(blanks.sections()[0].lines.size(), 1);
    EXPECT_EQ(blanks.sections()[1].lines.size(), 2); // k=v, then the blank lines with "x"
    EXPECT_EQ(blanks.sections()[1].number, (1 << 20) + 2);
    EXPECT_EQ(blanks.toUtf8(), QByteArray("; head\n") + blank + "[s]\nk=v\n" + blank + "x\n");
    ASSERT_EQ(blanks.warnings().size(), 1);
    EXPECT_EQ(blanks.warnings()[0].line, 2 * (1 << 20) + 4);
    EXPECT_EQ(blanks.warnings()[0].text, QStringLiteral("x"));

    QByteArray keys = "[s]\n";
    for (int i = 1; i < kMaxIniEntries; ++i)
        keys += "k=1\n";
    EXPECT_NO_THROW(IniDocument::parse(keys));
    try {
        IniDocument::parse(keys + "[t]\n");
        FAIL() << "more entries than the bound were read";
    } catch (const IniFileError& error) {
        EXPECT_STREQ(error.what(), "line 65537: more than 65536 keys and sections");
    }
}

TEST(DecodeIniText, ReadsUtf8AndFallsBackToGb18030) {
    const QString chinese = QStringLiteral("测试人员登入 繁體");
    EXPECT_EQ(DecodeIniText(chinese.toUtf8()), chinese);
    EXPECT_EQ(DecodeIniText("\xEF\xBB\xBF" + chinese.toUtf8()), chinese);
    QStringEncoder gb18030("GB18030");
    const QByteArray legacy = gb18030(chinese);
    ASSERT_NE(legacy, chinese.toUtf8());
    EXPECT_EQ(DecodeIniText(legacy), chinese);
}

struct FileCase {
    const char* what;
    QByteArray bytes;
    QString text;  // what is read, when `error` is empty
    QString error; // the refusal after "Cannot read <path>: "
};

QByteArray Utf16(QStringEncoder::Encoding encoding, const QString& text) {
    QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
    return encoder(text);
}

TEST(ReadIniText, ReadsEveryTextFormAndRefusesTheRestNamingTheLine) {
    const QString twoLines = QStringLiteral("[a]\nk=电");
    const FileCase cases[] = {
        {"LF", "[a]\nk=\xE7\x94\xB5\n", twoLines + '\n', {}},
        {"CR only", "[a]\rk=\xE7\x94\xB5", twoLines, {}},
        {"CR LF and blank lines", "\r\n[a]\r\n\r\n", QStringLiteral("\n[a]\n\n"), {}},
        {"CR CR LF", "a\r\r\nb", QStringLiteral("a\n\nb"), {}},
        {"UTF-16 LE",
         Utf16(QStringEncoder::Utf16LE, QStringLiteral("[a]\r\nk=电\r\n")),
         twoLines + '\n',
         {}},
        {"UTF-16 BE", Utf16(QStringEncoder::Utf16BE, QStringLiteral("[a]\rk=电")), twoLines, {}},
        {"UTF-16 without BOM",
         QByteArray("[\0a\0]\0", 6),
         {},
         QStringLiteral("line 1 holds a NUL")},
        {"NUL on line 3", QByteArray("a\nb\r\nc\0", 7), {}, QStringLiteral("line 3 holds a NUL")},
        {"UTF-16 cut off",
         Utf16(QStringEncoder::Utf16LE, QStringLiteral("a\nb")) + 'x',
         {},
         QStringLiteral("line 2 is not UTF-16 text")},
        {"neither UTF-8 nor GB18030",
         "a\rb\n\xFF\xFF",
         {},
         QStringLiteral("line 3 is not UTF-8 or GB18030 text")},
        {"too large",
         QByteArray(kMaxIniFileBytes + 1, 'a'),
         {},
         QStringLiteral("the file is larger than 4 MiB")},
    };
    QTemporaryDir dir;
    for (const FileCase& c : cases) {
        const QString path = dir.filePath(QStringLiteral("f.ini"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.bytes);
        file.close();
        try {
            EXPECT_EQ(ReadIniText(path), c.text) << c.what;
            EXPECT_TRUE(c.error.isEmpty()) << c.what << ": read";
        } catch (const IniFileError& error) {
            EXPECT_TRUE(QString::fromUtf8(error.what())
                            .startsWith(QStringLiteral("Cannot read %1: %2").arg(path, c.error)))
                << c.what << ": " << error.what();
            EXPECT_FALSE(c.error.isEmpty()) << c.what;
        }
    }
}

} // namespace
