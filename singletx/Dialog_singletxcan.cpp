#include "Dialog_singletxcan.h"

#include "ConfigFile.h"
#include "Convert.h"
#include "Globals.h"
#include "Phrases.h"
#include "SystemLog.h"
#include "UserDialogs.h"
#include "WaitMessage.h"
#include "ZarvoRecord.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

TForm_SingleTxCAN* Form_SingleTxCAN = nullptr;

namespace {

constexpr int kMaxByte = 255;

const QString kHexKeys = QStringLiteral("0123456789ABCDEFabcdef");
const QString kDecimalKeys = QStringLiteral("0123456789");

QString HexByte(int value) {
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

// The position 0..7 a box's name ends with.
int PositionOf(const QObject* box) {
    return box->objectName().back().digitValue();
}

QToolButton* ArrowButton(Qt::ArrowType arrow, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setFixedSize(16, 11);
    button->setAutoRepeat(true);
    return button;
}

} // namespace

UpDownButtons::UpDownButtons(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    QToolButton* up = ArrowButton(Qt::UpArrow, this);
    QToolButton* down = ArrowButton(Qt::DownArrow, this);
    up->setObjectName(QStringLiteral("up"));
    down->setObjectName(QStringLiteral("down"));
    layout->addWidget(up);
    layout->addWidget(down);
    connect(up, &QToolButton::clicked, this, [this] { emit changing(position_ + 1); });
    connect(down, &QToolButton::clicked, this, [this] { emit changing(position_ - 1); });
}

int SingleTxDialogTop(int mainTop, int mainHeight, int dialogHeight, int workAreaHeight) {
    const int top = mainTop + mainHeight;
    if (workAreaHeight > 0 && top + dialogHeight > workAreaHeight)
        return workAreaHeight - dialogHeight;
    return top;
}

TForm_SingleTxCAN::TForm_SingleTxCAN(UserDialogs& dialogs, const ZarvoBinding& driver,
                                     QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint), dialogs_(dialogs), driver_(driver) {
    setObjectName(QStringLiteral("TForm_SingleTxCAN"));
    setWindowTitle(QStringLiteral("Single Test CAN Message"));
    createControls();
}

void TForm_SingleTxCAN::createControls() {
    auto* grid = new QGridLayout(this);
    TntLabel_TestName = new QLabel(this);
    TntLabel_TestName->setObjectName(QStringLiteral("TntLabel_TestName"));
    TntLabel_TestParameter = new QLabel(this);
    TntLabel_TestParameter->setObjectName(QStringLiteral("TntLabel_TestParameter"));
    grid->addWidget(TntLabel_TestName, 0, 0, 1, 9);
    grid->addWidget(TntLabel_TestParameter, 1, 0, 1, 9);

    auto addLabel = [this, grid](const QString& name, const QString& text, int row, int column) {
        auto* label = new QLabel(text, this);
        label->setObjectName(name);
        grid->addWidget(label, row, column, Qt::AlignCenter);
    };
    addLabel(QStringLiteral("Label1"), QStringLiteral("HEX"), 3, 0);
    addLabel(QStringLiteral("Label2"), QStringLiteral("DEC"), 4, 0);
    const QString hint = QStringLiteral("Press \"Enter\" Key to make change enable.");
    for (int d = 0; d < kCanDataBytes; ++d) {
        addLabel(QStringLiteral("Label%1").arg(6 + d), QStringLiteral("D%1").arg(d + 1), 2, d + 1);
        Edit_Data[d] = new QLineEdit(this);
        Edit_Data[d]->setObjectName(QStringLiteral("Edit_Data%1").arg(d));
        Edit_Data[d]->setMaxLength(2);
        Edit[d] = new QLineEdit(this);
        Edit[d]->setObjectName(QStringLiteral("Edit%1").arg(d));
        Edit[d]->setMaxLength(3);
        for (QLineEdit* box : {Edit_Data[d], Edit[d]}) {
            box->setToolTip(hint);
            box->setFixedWidth(34);
            box->setAlignment(Qt::AlignCenter);
            box->installEventFilter(this);
        }
        UpDown_Data[d] = new UpDownButtons(this);
        UpDown_Data[d]->setObjectName(QStringLiteral("UpDown_Data%1").arg(d));
        connect(UpDown_Data[d], &UpDownButtons::changing, this,
                [this, d](int newPosition) { UpDownChanging(d, newPosition); });
        auto* decimal = new QHBoxLayout;
        decimal->setSpacing(0);
        decimal->addWidget(Edit[d]);
        decimal->addWidget(UpDown_Data[d]);
        grid->addWidget(Edit_Data[d], 3, d + 1);
        grid->addLayout(decimal, 4, d + 1);
    }
    TntSpeedButton_SaveRange = new QToolButton(this);
    TntSpeedButton_SaveRange->setObjectName(QStringLiteral("TntSpeedButton_SaveRange"));
    TntSpeedButton_SaveRange->setToolTip(QStringLiteral("Save INI file"));
    connect(TntSpeedButton_SaveRange, &QToolButton::clicked, this,
            &TForm_SingleTxCAN::TntSpeedButton_SaveRangeClick);
    grid->addWidget(TntSpeedButton_SaveRange, 5, 7, 1, 2);
}

void TForm_SingleTxCAN::LoadItemData(const uint8_t (&bytes)[8], uint16_t index) {
    index_ = index;
    for (int d = 0; d < kCanDataBytes; ++d) {
        data_[d] = bytes[d];
        UpDown_Data[d]->setPosition(bytes[d]);
        Edit[d]->setText(QString::number(bytes[d]));
        Edit_Data[d]->setText(HexByte(bytes[d]));
    }
}

void TForm_SingleTxCAN::ShowBelow(const QWidget& mainWindow, int item) {
    LoadItemData(Global_CustomerCMD.TxCANData[item], static_cast<uint16_t>(item));
    TntLabel_TestName->setText(Global_CustomerCMD.Description1[item]);
    TntLabel_TestParameter->setText(Global_CustomerCMD.Description2[item]);
    show();
    const QRect main = mainWindow.frameGeometry();
    move(main.left(),
         SingleTxDialogTop(main.top(), main.height(), frameGeometry().height(), WorkAreaHeight));
}

void TForm_SingleTxCAN::showEvent(QShowEvent* event) {
    TntSpeedButton_SaveRange->setText(Phrase(PhraseId::Save));
    QDialog::showEvent(event);
}

bool TForm_SingleTxCAN::eventFilter(QObject* watched, QEvent* event) {
    const bool hexBox = watched->objectName().startsWith(QLatin1String("Edit_Data"));
    const int position = PositionOf(watched);
    auto entered = [&] { hexBox ? HexEntered(position) : DecimalEntered(position); };
    if (event->type() == QEvent::FocusOut) {
        // Leaving the box for another control of the dialog; switching windows
        // or hiding the dialog (Stop) keeps the box and sends nothing.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (isVisible() && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            entered();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        entered();
        return true;
    }
    // Editing and moving keys stay with the box; typed characters are filtered.
    const QString text = key->text();
    if (text.isEmpty() || !text[0].isPrint())
        return false;
    if (!(hexBox ? kHexKeys : kDecimalKeys).contains(text))
        return true;
    if (hexBox && text != text.toUpper()) {
        static_cast<QLineEdit*>(watched)->insert(text.toUpper());
        return true;
    }
    return false;
}

void TForm_SingleTxCAN::HexEntered(int position) {
    int value = 0;
    try {
        value = StrToInt(QLatin1String("0x") + Edit_Data[position]->text());
    } catch (const ConvertError&) {
        return;
    }
    SetByte(position, value & kMaxByte);
    Send();
}

void TForm_SingleTxCAN::DecimalEntered(int position) {
    int value = -1;
    try {
        value = StrToInt(Edit[position]->text());
    } catch (const ConvertError&) {
        return;
    }
    // A byte holds 0..255: another value would send only its low eight bits
    // while the boxes showed the whole number, so it is refused.
    if (value < 0 || value > kMaxByte) {
        Edit[position]->setText(QString::number(data_[position]));
        return;
    }
    SetByte(position, value);
    Send();
}

void TForm_SingleTxCAN::UpDownChanging(int position, int newPosition) {
    if (newPosition < 0 || newPosition > kMaxByte)
        return;
    SetByte(position, newPosition);
    Send();
}

// Save takes no focus, so a box typed into is not left before Save writes: its
// text is applied here as leaving it would.
void TForm_SingleTxCAN::ApplyPendingText() {
    for (int d = 0; d < kCanDataBytes; ++d) {
        if (Edit_Data[d]->text() != HexByte(data_[d]))
            HexEntered(d);
        else if (Edit[d]->text() != QString::number(data_[d]))
            DecimalEntered(d);
    }
}

void TForm_SingleTxCAN::SetByte(int position, int value) {
    data_[position] = static_cast<uint8_t>(value);
    UpDown_Data[position]->setPosition(value);
    Edit[position]->setText(QString::number(value));
    Edit_Data[position]->setText(HexByte(value));
}

void TForm_SingleTxCAN::Send() {
    type_CustomerCMD& t = Global_CustomerCMD;
    const int item = SingleTestRow - 1;
    if (item < 0 || item >= t.CMD_Count)
        return;
    msg_ = BuildZarvoMsg(item, data_);
    // The callbacks of the single-item run stay registered for group 0.
    driver_.Zarvo_SendGroup(ZarvoPort, 0, 1, &msg_, &t.TxLoopInterval[item], &t.TxLoopTimes[item],
                            &t.TxLoopTerminal[item]);
}

void TForm_SingleTxCAN::TntSpeedButton_SaveRangeClick() {
    ApplyPendingText();
    if (CurrentConfigFile.size() <= 4 || index_ >= Global_CustomerCMD.CMD_Count)
        return;
    // A file read only in part is overwritten only when the user says so.
    const QString partly = OverwritePartlyReadQuestion(CurrentConfigFile);
    if (!dialogs_.confirm(partly.isEmpty() ? Phrase(PhraseId::AskSaveChanges) : partly))
        return;
    const uint8_t* b = data_;
    SystemLogf("data0=%d,data1=%d,data2=%d,data3=%d,data4=%d,data5=%d,data6=%d,data7=%d", b[0],
               b[1], b[2], b[3], b[4], b[5], b[6], b[7]);
    std::copy(std::begin(data_), std::end(data_), Global_CustomerCMD.TxCANData[index_]);
    try {
        RunWithWaitMessage([] { WriteTestConfig(CurrentConfigFile); });
    } catch (const ConfigWriteError& e) {
        dialogs_.error(QString::fromUtf8(e.what()));
        return;
    }
    dialogs_.inform(QStringLiteral("Kestrel System"), Phrase(PhraseId::SaveOk));
}
