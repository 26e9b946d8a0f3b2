#include "IniFile.h"

#include <QStringEncoder>
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

TEST(DecodeIniText, ReadsUtf8AndFallsBackToGb18030) {
    const QString chinese = QStringLiteral("测试人员登入 繁體");
    EXPECT_EQ(DecodeIniText(chinese.toUtf8()), chinese);
    EXPECT_EQ(DecodeIniText("\xEF\xBB\xBF" + chinese.toUtf8()), chinese);
    QStringEncoder gb18030("GB18030");
    const QByteArray legacy = gb18030(chinese);
    ASSERT_NE(legacy, chinese.toUtf8());
    EXPECT_EQ(DecodeIniText(legacy), chinese);
}

} // namespace
