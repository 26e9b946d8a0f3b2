// The test item dialog: the checks of OK in their order with their messages,
// the 29-bit switch and the compare switches.

#include "AddNewItem.h"
#include "ItemInput.h"
#include "Phrases.h"
#include "ScriptedDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace {

const QString kRetry = QStringLiteral(" \r\nPlease input again!!");

ItemInput validInput() {
    ItemInput in;
    in.description1 = QStringLiteral("Speed");
    in.id = QStringLiteral("123");
    in.data = {QStringLiteral("11"), QStringLiteral("22"), QStringLiteral("33"),
               QStringLiteral("44"), QStringLiteral("55"), QStringLiteral("66"),
               QStringLiteral("77"), QStringLiteral("88")};
    in.interval = QStringLiteral("1000");
    in.totalTimes = QStringLiteral("10");
    in.nextTime = QStringLiteral("1000");
    in.length = 8;
    return in;
}

QString refusal(const ItemInput& in) {
    const auto result = CheckItemInput(in);
    const QString* message = std::get_if<QString>(&result);
    return message ? *message : QString();
}

TEST(ItemInputTest, TheFirstFailingCheckGivesItsMessage) {
    SetLanguage(0);
    struct Case {
        const char* name;
        std::function<void(ItemInput&)> change;
        QString message;
    };
    const QString txId = QStringLiteral("The transmission CAN message which the  ID is an illegal "
                                        "Hex. data.") +
                         kRetry;
    const QString compareId =
        QStringLiteral("The comparison of the CAN message which is the  ID is an illegal Hex. "
                       "data.") +
        kRetry;
    const QString needId = QStringLiteral("Need Return ID of the Message.");
    const Case cases[] = {
        {"description with =", [](ItemInput& in) { in.description2 = QStringLiteral("a=b"); },
         QStringLiteral("The description and the parameter cannot contain \"]\", \"=\" or a line "
                        "break.") +
             kRetry},
        {"prefixed id", [](ItemInput& in) { in.id = QStringLiteral("0x12"); }, txId},
        {"spaced id before bad data",
         [](ItemInput& in) {
             in.id = QStringLiteral(" 12");
             in.data[0] = QStringLiteral("G");
         },
         txId},
        {"empty D8 whatever the length",
         [](ItemInput& in) {
             in.length = 2;
             in.data[7].clear();
         },
         QStringLiteral("The transmission CAN message which the  D8 is an illegal Hex. data.") +
             kRetry},
        {"interval", [](ItemInput& in) { in.interval.clear(); },
         QStringLiteral("The value of the [Item Interval Time] is an illegal Dec. data.") + kRetry},
        {"times before terminal",
         [](ItemInput& in) {
             in.totalTimes = QStringLiteral("1 ");
             in.nextTime = QStringLiteral("x");
         },
         QStringLiteral("The value of the [Total Time] is an illegal Dec. data.") + kRetry},
        {"terminal", [](ItemInput& in) { in.nextTime = QStringLiteral("99999999999"); },
         QStringLiteral("The value of the [Terminal Time] is an illegal Dec. data.") + kRetry},
        {"mode without id", [](ItemInput& in) { in.compMode = 0; }, needId},
        {"a bad compared id comes before the length",
         [](ItemInput& in) {
             in.compId = QStringLiteral("XYZ");
             in.compLength = 3;
         },
         compareId},
        {"length without id", [](ItemInput& in) { in.compLength = 0; }, needId},
        {"data without id", [](ItemInput& in) { in.compData[4] = QStringLiteral("FF"); }, needId},
        {"bad compared D3",
         [](ItemInput& in) {
             in.compId = QStringLiteral("581");
             in.compData[2] = QStringLiteral("");
         },
         QStringLiteral("The comparison of the CAN message which is the  D3 is an illegal Hex. "
                        "data.") +
             kRetry},
        // Compared as its low 8 bits, 100 would be a byte the user never typed.
        {"compared D2 above FF",
         [](ItemInput& in) {
             in.compId = QStringLiteral("581");
             in.compData[0] = QStringLiteral("FF");
             in.compData[1] = QStringLiteral("100");
         },
         QStringLiteral("The comparison of the CAN message which is the  D2 is an illegal Hex. "
                        "data.") +
             kRetry},
    };
    for (const Case& c : cases) {
        ItemInput in = validInput();
        c.change(in);
        EXPECT_EQ(refusal(in), c.message) << c.name;
    }
}

TEST(ItemInputTest, AcceptedValues) {
    ItemInput in = validInput();
    in.id = QStringLiteral("fff");
    in.interval = QStringLiteral("  0x10");
    in.totalTimes = QStringLiteral("-5");
    in.compId = QStringLiteral("FFFFFFFF");
    in.compData[2] = QStringLiteral("FF");
    in.compData[3] = QStringLiteral("0");
    in.compRtr = 1;
    const auto result = CheckItemInput(in);
    ASSERT_TRUE(std::holds_alternative<TestItemValues>(result)) << qPrintable(refusal(in));
    const TestItemValues& v = std::get<TestItemValues>(result);
    EXPECT_EQ(v.TxCANID, 0xFFFu);
    EXPECT_EQ(v.TxLoopInterval, 16);
    EXPECT_EQ(v.TxLoopTimes, -5);
    EXPECT_EQ(v.Comp_CANID, -1);
    EXPECT_EQ(v.Comp_CANData[2], 255);
    EXPECT_EQ(v.Comp_CANData[3], 0);
    EXPECT_EQ(v.Comp_CANData[0], -1);
    EXPECT_EQ(v.Comp_CANRTR, 1);
    EXPECT_EQ(v.Comp_CANMode, -1);
    EXPECT_EQ(v.TxCANData[7], 0x88);
}

class ItemDialogTest : public ::testing::Test {
protected:
    ItemDialogTest() { SetLanguage(0); }
    template <typename T> T* child(const char* name) {
        T* found = dialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    ScriptedDialogs dialogs;
    TForm_AddNewItem dialog{dialogs};
};

TEST_F(ItemDialogTest, TheTwentyNineBitSwitchSetsTheIdentifierLength) {
    auto* mode = child<QComboBox>("ComboBox_CANMode");
    auto* id = child<QLineEdit>("Edit_ID");
    EXPECT_EQ(id->maxLength(), 3);
    mode->setCurrentIndex(1);
    emit mode->activated(1);
    id->setText(QStringLiteral("1ABCDEF0"));
    EXPECT_EQ(id->text(), QStringLiteral("1ABCDEF0"));
    mode->setCurrentIndex(0);
    emit mode->activated(0);
    EXPECT_EQ(id->text(), QStringLiteral("1AB"));
    // A 29-bit identifier shown for Edit is never cut.
    TestItemValues wide;
    wide.TxCANID = 0x18FF0001;
    wide.TxCANMode = 1;
    dialog.fill(wide);
    EXPECT_EQ(id->text(), QStringLiteral("18FF0001"));
}

// Whatever the 29-bit switch was left at, the identifier box takes as many
// digits as the mode of the item the dialog is filled with.
TEST_F(ItemDialogTest, FillingSetsTheIdentifierLengthOfTheItemsMode) {
    struct Case {
        int lastSwitch;
        uint8_t mode;
        int digits;
    };
    auto* mode = child<QComboBox>("ComboBox_CANMode");
    auto* id = child<QLineEdit>("Edit_ID");
    for (const Case& c : {Case{0, 1, 8}, Case{1, 0, 3}, Case{1, 1, 8}, Case{0, 0, 3}}) {
        mode->setCurrentIndex(c.lastSwitch);
        emit mode->activated(c.lastSwitch);
        TestItemValues item;
        item.TxCANID = 0x12;
        item.TxCANMode = c.mode;
        dialog.fill(item);
        EXPECT_EQ(id->maxLength(), c.digits) << c.lastSwitch << " " << int{c.mode};
        id->setText(QStringLiteral("18FF0001"));
        EXPECT_EQ(id->text(), QStringLiteral("18FF0001").left(c.digits));
    }
}

TEST_F(ItemDialogTest, EditShowsTheItemAndOkGivesItBackUnchanged) {
    TestItemValues item;
    item.Description1 = QStringLiteral("Brake");
    item.TxCANID = 0x1234; // longer than an 11-bit identifier, possible from a file
    item.TxCANRTR = 1;
    item.TxCANLen = 3;
    item.TxCANData = {1, 2, 3, 0xAB, 0, 0, 0, 0xFF};
    item.TxLoopInterval = -5;
    item.Comp_CANID = 0x18FF0001;
    item.Comp_CANMode = 1;
    item.Comp_CANLen = 0;
    item.Comp_CANData[6] = 0x7F;
    dialog.fill(item);
    auto accepted = CheckItemInput(dialog.input());
    ASSERT_TRUE(std::holds_alternative<TestItemValues>(accepted));
    EXPECT_EQ(std::get<TestItemValues>(accepted), item);
    // A length beyond the list is shown as 8, not stored as 255.
    item.TxCANLen = 12;
    item.Comp_CANLen = 9;
    dialog.fill(item);
    accepted = CheckItemInput(dialog.input());
    EXPECT_EQ(std::get<TestItemValues>(accepted).TxCANLen, 8);
    EXPECT_EQ(std::get<TestItemValues>(accepted).Comp_CANLen, 8);
}

TEST_F(ItemDialogTest, CompareSwitchesPutTheirDefaultsAndBlankWhenCleared) {
    auto* idBox = child<QCheckBox>("CheckBox_ID");
    auto* id = child<QLineEdit>("Edit_Comp_ID");
    auto* lenBox = child<QCheckBox>("CheckBox_Len");
    auto* len = child<QComboBox>("ComboBox_Comp_Len");
    EXPECT_FALSE(id->isEnabled());
    EXPECT_EQ(len->currentIndex(), -1);
    idBox->setChecked(true);
    EXPECT_EQ(id->text(), QStringLiteral("ABCD"));
    id->setText(QStringLiteral("581"));
    idBox->setChecked(false);
    EXPECT_TRUE(id->text().isEmpty());
    idBox->setChecked(true);
    EXPECT_EQ(id->text(), QStringLiteral("ABCD"));
    lenBox->setChecked(true);
    EXPECT_TRUE(len->isEnabled());
    EXPECT_EQ(len->currentText(), QStringLiteral("0"));
    child<QCheckBox>("CheckBox_Data5")->setChecked(true);
    EXPECT_EQ(child<QLineEdit>("Edit_Comp_Data5")->text(), QStringLiteral("FF"));
}

TEST_F(ItemDialogTest, OkRefusesWithAnInformationBoxAndStaysOpen) {
    child<QCheckBox>("CheckBox_Len")->setChecked(true);
    dialog.show();
    child<QPushButton>("TntSpeedButton_Add")->click();
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(dialogs.texts(QStringLiteral("inform")),
              QStringList{QStringLiteral("Need Return ID of the Message.")});
    EXPECT_EQ(dialogs.shown.front().caption, QStringLiteral("Kestrel System"));
    child<QCheckBox>("CheckBox_ID")->setChecked(true);
    child<QPushButton>("TntSpeedButton_Add")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.values().Comp_CANID, 0xABCD);
    EXPECT_EQ(dialog.values().Comp_CANLen, 0);
    EXPECT_EQ(dialog.values().Description1, QStringLiteral("Vehicle Speed or Temperature."));
}

TEST_F(ItemDialogTest, TabFollowsTheScreenFromTheFirstDescription) {
    // Every compare switch on: each field is followed by its switch.
    TestItemValues item;
    item.Comp_CANMode = 0;
    item.Comp_CANID = 0x100;
    item.Comp_CANRTR = 0;
    item.Comp_CANLen = 8;
    item.Comp_CANData = {0, 0, 0, 0, 0, 0, 0, 0};
    dialog.fill(item);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QStringList expected{"TntEdit_CANDescription1", "TntEdit_CANDescription2",
                         "ComboBox_CANMode",        "Edit_ID",
                         "ComboBox_CANRTR",         "ComboBox_CANLen"};
    for (int k = 0; k < kCanDataBytes; ++k)
        expected << QStringLiteral("Edit_Data%1").arg(k);
    expected << "Edit_LoopInterval"
             << "Edit_LoopTotalTime"
             << "Edit_LoopTerminal"
             << "ComboBox_Comp_Mode"
             << "CheckBox_Mode"
             << "Edit_Comp_ID"
             << "CheckBox_ID"
             << "ComboBox_Comp_RTR"
             << "CheckBox_RTR"
             << "ComboBox_Comp_Len"
             << "CheckBox_Len";
    for (int k = 0; k < kCanDataBytes; ++k)
        expected << QStringLiteral("Edit_Comp_Data%1").arg(k)
                 << QStringLiteral("CheckBox_Data%1").arg(k);
    expected << "TntSpeedButton_Add"
             << "Button_Cancel"
             << "TntEdit_CANDescription1";
    QStringList visited{QApplication::focusWidget()->objectName()};
    while (visited.size() < expected.size()) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(visited, expected);
    // Enter in any field is OK, also after the focus was on Cancel.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), child<QPushButton>("Button_Cancel"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
}

} // namespace
