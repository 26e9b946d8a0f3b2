#include "Phrases.h"

#include "CoreTestSupport.h"

#include <QDir>
#include <QRegularExpression>

namespace {

class PhrasesTest : public TableTest {
protected:
    void TearDown() override { SetLanguage(0); }

    void touch(const QString& name, const QByteArray& content = {}) const {
        writeFile(name, content);
    }
    QStringList markers() const {
        return QDir(dir.path()).entryList({QStringLiteral("*.*")}, QDir::Files, QDir::Name);
    }
};

// The %1, %2 ... a text is filled in with, as a sorted list.
QStringList Placeholders(const QString& text) {
    QStringList found;
    static const QRegularExpression marker(QStringLiteral("%\\d"));
    for (auto it = marker.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    found.sort();
    return found;
}

TEST_F(PhrasesTest, EveryLanguageHasEveryTextWithTheSamePlaceholders) {
    for (int row = 0; row < kPhraseCount; ++row) {
        const auto id = static_cast<PhraseId>(row);
        SetLanguage(0);
        const QStringList english = Placeholders(Phrase(id));
        for (int language = 0; language < 3; ++language) {
            SetLanguage(language);
            EXPECT_EQ(LanguageIndex, language);
            EXPECT_FALSE(Phrase(id).isEmpty()) << "language " << language << " row " << row;
            EXPECT_EQ(Placeholders(Phrase(id)), english)
                << "language " << language << " row " << row;
        }
    }
}

struct Row {
    PhraseId id;
    const char16_t* texts[3];
};

class PhraseRows : public PhrasesTest, public ::testing::WithParamInterface<Row> {};

TEST_P(PhraseRows, TextsAreExact) {
    for (int language = 0; language < 3; ++language) {
        SetLanguage(language);
        EXPECT_EQ(Phrase(GetParam().id), QString::fromUtf16(GetParam().texts[language]))
            << "language " << language;
    }
}

// The first and last texts, and texts whose spaces belong to them.
INSTANTIATE_TEST_SUITE_P(
    Rows, PhraseRows,
    ::testing::Values(
        Row{PhraseId::MenuLogin, {u"Login", u"人员登入", u"人員登入"}},
        Row{PhraseId::NewItemTitle,
            {u"     New Test Item and Response Data", u"     新  增 CAN 命  令  及  比  对  值",
             u"    新  增  CAN  命  令  及  比  對  值"}},
        Row{PhraseId::TimesUnit, {u"   ", u"次", u"次"}},
        Row{PhraseId::Caption, {u"Kestrel System", u"Kestrel 通讯程序", u"Kestrel 通訊軟體"}},
        Row{PhraseId::Deleted, {u"Delete OK !", u"删  除  完  成 !", u"刪\u3000除\u3000完   成!"}},
        Row{PhraseId::Updated,
            {u"Update OK !", u"修\u3000改\u3000成\u3000功!", u"修\u3000改\u3000成\u3000功!"}},
        Row{PhraseId::HeaderNextTime,
            {u"Next Time(ms) ", u"次笔发送间隔(ms) ", u"次筆發送間隔(ms) "}},
        Row{PhraseId::NeedReturnId,
            {u"Need Return ID of the Message.", u"必须填入返回值ID", u"必须填入返回值ID"}},
        Row{PhraseId::TrendTableFull,
            {u"The table holds at most %1 identifiers: remove one before adding another.",
             u"最多只能关注 %1 个 CAN ID：请先删除一个再加入。",
             u"最多只能關注 %1 個 CAN ID：請先刪除一個再加入。"}}));

TEST_F(PhrasesTest, RowsOutsideTheTableAreEmptyAndBadLanguagesIgnored) {
    EXPECT_TRUE(Phrase(static_cast<PhraseId>(-1)).isEmpty());
    EXPECT_TRUE(Phrase(PhraseId::Count).isEmpty());
    SetLanguage(2);
    SetLanguage(3);
    SetLanguage(-1);
    EXPECT_EQ(LanguageIndex, 2);
    EXPECT_EQ(Phrase(PhraseId::MenuAbout), QStringLiteral("關於"));
}

TEST_F(PhrasesTest, StartUpLanguageFollowsTheMarkers) {
    const std::pair<QStringList, int> cases[] = {
        {{}, 0},
        {{QStringLiteral("ENG.ENG")}, 0},
        {{QStringLiteral("TC.TC")}, 2},
        {{QStringLiteral("ENG.ENG"), QStringLiteral("TC.TC")}, 2},
        {{QStringLiteral("SC.SC"), QStringLiteral("TC.TC")}, 1},
        {{QStringLiteral("SC.SC"), QStringLiteral("ENG.ENG")}, 1},
    };
    for (const auto& [files, language] : cases) {
        QTemporaryDir folder;
        for (const QString& name : files)
            QFile(folder.filePath(name)).open(QIODevice::WriteOnly);
        EXPECT_EQ(LanguageFromMarkers(folder.path()), language) << qPrintable(files.join(' '));
    }
}

TEST_F(PhrasesTest, RememberLeavesOnlyTheChosenMarkerEmpty) {
    const QString names[] = {QStringLiteral("ENG.ENG"), QStringLiteral("SC.SC"),
                             QStringLiteral("TC.TC")};
    for (int language : {2, 0, 1}) {
        for (const QString& name : names)
            touch(name, "left over");
        RememberLanguage(dir.path(), language);
        EXPECT_EQ(markers(), QStringList{names[language]});
        EXPECT_TRUE(readFile(names[language]).isEmpty());
        EXPECT_EQ(LanguageFromMarkers(dir.path()), language);
    }
}

} // namespace
