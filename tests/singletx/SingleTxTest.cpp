// The single transmit dialog: typing, Enter, leaving a box and the up-down
// buttons re-send the item with its new bytes; Save writes them to the file.

#include "ConfigFile.h"
#include "Dialog_singletxcan.h"
#include "FakeZarvo.h"
#include "Globals.h"
#include "Phrases.h"
#include "ScriptedDialogs.h"

#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

class SingleTxTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        type_CustomerCMD& t = Global_CustomerCMD;
        t = type_CustomerCMD{};
        t.CMD_Count = 2;
        t.Group_Count = 1;
        t.Description1[1] = QStringLiteral("Lamp");
        t.Description2[1] = QStringLiteral("PWM");
        t.TxCANID[1] = 0x18FF0102;
        t.TxCANMode[1] = 1;
        t.TxCANLen[1] = 3;
        t.TxLoopInterval[1] = 20;
        t.TxLoopTerminal[1] = 7;
        for (int d = 0; d < kCanDataBytes; ++d)
            t.TxCANData[1][d] = static_cast<uint8_t>(d * 17);
        t.TxCANData[1][3] = 255;
        ZarvoPort = 2;
        SingleTestRow = 2;
        CurrentConfigFile.clear();
        dialog.LoadItemData(t.TxCANData[1], 1);
    }

    QLineEdit* box(const QString& name) { return dialog.findChild<QLineEdit*>(name); }
    QToolButton* arrow(int position, const char* which) {
        return dialog.findChild<QWidget*>(QStringLiteral("UpDown_Data%1").arg(position))
            ->findChild<QToolButton*>(QLatin1String(which));
    }
    static void leave(QLineEdit* edit) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(edit, &out);
    }
    // Data bytes of every record sent so far.
    std::vector<std::array<uint8_t, 8>> sent() const {
        std::vector<std::array<uint8_t, 8>> out;
        for (const FakeZarvoCall& c : fake.calls("Zarvo_SendGroup")) {
            std::array<uint8_t, 8> bytes{};
            std::copy(std::begin(c.msgs[0].Data), std::end(c.msgs[0].Data), bytes.begin());
            out.push_back(bytes);
        }
        return out;
    }

    QTemporaryDir dir;
    FakeZarvo fake;
    ScriptedDialogs boxes;
    TForm_SingleTxCAN dialog{boxes, fake.binding()};
};

TEST_F(SingleTxTest, LoadShowsEachByteInBothBoxes) {
    EXPECT_EQ(box("Edit_Data3")->text(), "FF");
    EXPECT_EQ(box("Edit3")->text(), "255");
    EXPECT_EQ(box("Edit_Data1")->text(), "11");
    EXPECT_EQ(box("Edit1")->text(), "17");
    EXPECT_EQ(box("Edit_Data0")->toolTip(), "Press \"Enter\" Key to make change enable.");
}

TEST_F(SingleTxTest, TypedHexIsUpperCasedAndEnterSendsTheItemAgain) {
    QLineEdit* hex = box("Edit_Data0");
    hex->clear();
    QTest::keyClicks(hex, "g-a f"); // only hexadecimal digits get through
    EXPECT_EQ(hex->text(), "AF");
    EXPECT_TRUE(fake.calls("Zarvo_SendGroup").empty());
    QTest::keyClick(hex, Qt::Key_Return);
    EXPECT_EQ(box("Edit0")->text(), "175");

    const std::vector<FakeZarvoCall> calls = fake.calls("Zarvo_SendGroup");
    ASSERT_EQ(calls.size(), 1u);
    const FakeZarvoCall& c = calls[0];
    EXPECT_EQ(c.port, 2u);
    EXPECT_EQ(c.group, 0);
    EXPECT_EQ(c.value, 1);
    const type_ZarvoMsg& m = c.msgs[0];
    EXPECT_EQ(m.Mode, 1);
    EXPECT_EQ(m.ID[0], 0x02);
    EXPECT_EQ(m.ID[3], 0x18);
    EXPECT_EQ(m.Len, 3);
    EXPECT_EQ(sent()[0], (std::array<uint8_t, 8>{0xAF, 17, 34, 255, 68, 85, 102, 119}));
    EXPECT_EQ(c.intervals, std::vector<int32_t>({20}));
    EXPECT_EQ(c.terminals, std::vector<int32_t>({7}));
    EXPECT_TRUE(fake.calls("Zarvo_SetTxCallback").empty());
    // Sent, not saved: the table keeps its byte.
    EXPECT_EQ(Global_CustomerCMD.TxCANData[1][0], 0);
}

TEST_F(SingleTxTest, LeavingABoxActsAsEnterAndAnEmptyBoxSendsNothing) {
    dialog.show();
    QLineEdit* hex = box("Edit_Data2");
    hex->clear();
    leave(hex);
    EXPECT_TRUE(fake.calls("Zarvo_SendGroup").empty());

    QLineEdit* dec = box("Edit2");
    dec->setText("65");
    leave(dec);
    EXPECT_EQ(hex->text(), "41");
    ASSERT_EQ(sent().size(), 1u);
    EXPECT_EQ(sent()[0][2], 65);
}

TEST_F(SingleTxTest, ADecimalValueAboveAByteIsRefused) {
    QLineEdit* dec = box("Edit4");
    dec->clear();
    QTest::keyClicks(dec, "3x00"); // the letter is discarded
    EXPECT_EQ(dec->text(), "300");
    QTest::keyClick(dec, Qt::Key_Enter);
    EXPECT_EQ(dec->text(), "68");
    EXPECT_EQ(box("Edit_Data4")->text(), "44");
    EXPECT_TRUE(fake.calls("Zarvo_SendGroup").empty());
}

TEST_F(SingleTxTest, UpDownStepsWithinZeroTo255) {
    QTest::mouseClick(arrow(3, "up"), Qt::LeftButton); // 255 upward: nothing
    EXPECT_TRUE(fake.calls("Zarvo_SendGroup").empty());
    QTest::mouseClick(arrow(3, "down"), Qt::LeftButton);
    EXPECT_EQ(box("Edit3")->text(), "254");
    EXPECT_EQ(box("Edit_Data3")->text(), "FE");
    QTest::mouseClick(arrow(0, "down"), Qt::LeftButton); // 0 downward: nothing
    QTest::mouseClick(arrow(0, "up"), Qt::LeftButton);
    ASSERT_EQ(sent().size(), 2u);
    EXPECT_EQ(sent()[1][0], 1);
    EXPECT_EQ(sent()[1][3], 254);
    EXPECT_EQ(box("Edit_Data0")->text(), "01");
}

TEST_F(SingleTxTest, SaveAsksThenWritesTheBytesToTheCurrentFile) {
    QToolButton* save = dialog.findChild<QToolButton*>("TntSpeedButton_SaveRange");
    box("Edit_Data5")->setText("7E");
    QTest::keyClick(box("Edit_Data5"), Qt::Key_Return);

    boxes.confirmAnswers = {false};
    CurrentConfigFile = dir.filePath("test.ini");
    save->click();
    EXPECT_FALSE(QFile::exists(CurrentConfigFile));
    EXPECT_EQ(boxes.texts("confirm"), QStringList({Phrase(PhraseId::AskSaveChanges)}));

    save->click();
    ASSERT_TRUE(QFile::exists(CurrentConfigFile));
    EXPECT_EQ(boxes.texts("inform"), QStringList({Phrase(PhraseId::SaveOk)}));
    EXPECT_EQ(boxes.shown.back().caption, "Kestrel System");
    Global_CustomerCMD = type_CustomerCMD{};
    ASSERT_EQ(ReadTestConfig(CurrentConfigFile).status, 0);
    EXPECT_EQ(Global_CustomerCMD.TxCANData[1][5], 0x7E);
    EXPECT_EQ(Global_CustomerCMD.TxCANData[1][3], 255);
}

TEST_F(SingleTxTest, SaveNeitherShortensAPartlyReadFileNorReportsAFailedWriteAsSaved) {
    QByteArray big;
    for (int i = 0; i <= kMaxTestItems; ++i)
        big += "[" + QByteArray::number(i) + "]\nTxCANID=100\nTxCANLen=3\n";
    const QString file = dir.filePath("big.ini");
    const QString folder = dir.filePath("folder.ini");
    QFile write(file);
    ASSERT_TRUE(write.open(QIODevice::WriteOnly));
    write.write(big);
    write.close();
    ASSERT_TRUE(QDir().mkpath(folder));
    const struct {
        QString path;
        QString question; // a part of the question asked
        QString error;    // a part of the error shown; empty: none
    } cases[] = {
        {file, "1 items beyond the first 100", {}},
        {folder, Phrase(PhraseId::AskSaveChanges), folder + ": Is a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        ASSERT_EQ(ReadTestConfig(file).status, 0);
        dialog.LoadItemData(Global_CustomerCMD.TxCANData[1], 1);
        CurrentConfigFile = c.path;
        boxes.shown.clear();
        boxes.confirmAnswers = {!c.error.isEmpty()};
        dialog.findChild<QToolButton*>("TntSpeedButton_SaveRange")->click();
        ASSERT_EQ(boxes.texts("confirm").size(), 1);
        EXPECT_TRUE(boxes.texts("confirm")[0].contains(c.question))
            << qPrintable(boxes.texts("confirm")[0]);
        EXPECT_TRUE(boxes.texts("inform").isEmpty());
        EXPECT_EQ(boxes.texts("error").size(), c.error.isEmpty() ? 0 : 1);
        if (!c.error.isEmpty()) {
            EXPECT_TRUE(boxes.texts("error")[0].contains(c.error))
                << qPrintable(boxes.texts("error")[0]);
        }
        ASSERT_TRUE(write.open(QIODevice::ReadOnly));
        EXPECT_EQ(write.readAll(), big);
        write.close();
    }
}

TEST_F(SingleTxTest, SaveAppliesTextTypedButNotEntered) {
    CurrentConfigFile = dir.filePath("test.ini");
    const struct {
        const char* box;
        const char* typed;
        int position;
        int value;
    } cases[] = {{"Edit_Data6", "c3", 6, 0xC3}, {"Edit7", "200", 7, 200}};
    for (const auto& c : cases) {
        box(c.box)->clear();
        QTest::keyClicks(box(c.box), c.typed);
        dialog.findChild<QToolButton*>("TntSpeedButton_SaveRange")->click();
        ASSERT_FALSE(sent().empty()) << c.box;
        EXPECT_EQ(sent().back()[static_cast<size_t>(c.position)], c.value) << c.box;
        ASSERT_EQ(ReadTestConfig(CurrentConfigFile).status, 0);
        EXPECT_EQ(Global_CustomerCMD.TxCANData[1][c.position], c.value) << c.box;
    }
}

TEST_F(SingleTxTest, SaveWithoutAConfigurationFileDoesNothing) {
    for (const char* name : {"", "a.in"}) {
        CurrentConfigFile = QString::fromLatin1(name);
        dialog.findChild<QToolButton*>("TntSpeedButton_SaveRange")->click();
    }
    EXPECT_TRUE(boxes.shown.isEmpty());
}

TEST_F(SingleTxTest, ShowBelowNamesTheItemAndPlacesTheDialogUnderTheMainWindow) {
    QWidget main;
    main.setGeometry(100, 50, 400, 200);
    main.show();
    WorkAreaHeight = 4000;
    dialog.ShowBelow(main, 1);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.findChild<QLabel*>("TntLabel_TestName")->text(), "Lamp");
    EXPECT_EQ(dialog.findChild<QLabel*>("TntLabel_TestParameter")->text(), "PWM");
    EXPECT_EQ(dialog.findChild<QToolButton*>("TntSpeedButton_SaveRange")->text(),
              Phrase(PhraseId::Save));
    EXPECT_EQ(dialog.frameGeometry().top(),
              main.frameGeometry().top() + main.frameGeometry().height());
    dialog.hide(); // hiding with a focused box sends nothing
    EXPECT_TRUE(fake.calls("Zarvo_SendGroup").empty());
}

TEST(SingleTxDialogTopTest, StaysWithinTheWorkArea) {
    EXPECT_EQ(SingleTxDialogTop(100, 500, 150, 1000), 600);
    EXPECT_EQ(SingleTxDialogTop(100, 750, 150, 1000), 850); // bottom exactly at the edge
    EXPECT_EQ(SingleTxDialogTop(100, 800, 150, 1000), 850); // moved up
    EXPECT_EQ(SingleTxDialogTop(300, 900, 150, 1000), 850);
}

} // namespace
