#include "AddNewItem.h"

#include "Phrases.h"
#include "UserDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

TForm_AddNewItem* Form_AddNewItem = nullptr;

namespace {

constexpr QSize kClientSize{620, 494};
constexpr int kDataWidth = 34;
constexpr int kTimingWidth = 52;
const QStringList kNoYes{QStringLiteral("No"), QStringLiteral("Yes")};
const QStringList kLengths{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"),
                           QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"),
                           QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8")};
const QString kInitialData[kCanDataBytes] = {
    QStringLiteral("11"), QStringLiteral("22"), QStringLiteral("33"), QStringLiteral("44"),
    QStringLiteral("55"), QStringLiteral("66"), QStringLiteral("77"), QStringLiteral("88")};

template <typename W> W* named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

QLineEdit* makeEdit(QWidget* parent, const QString& name, const QString& text, int maxLength = 0) {
    auto* edit = named(new QLineEdit(text, parent), name);
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    return edit;
}

QComboBox* makeList(QWidget* parent, const QString& name, const QStringList& entries, int entry) {
    auto* list = named(new QComboBox(parent), name);
    list->addItems(entries);
    list->setCurrentIndex(entry);
    return list;
}

QLabel* makeHeading(QWidget* parent, const QString& name, const char* colour) {
    auto* heading = named(new QLabel(parent), name);
    heading->setFixedHeight(24);
    heading->setAlignment(Qt::AlignCenter);
    heading->setStyleSheet(QStringLiteral("QLabel { background-color: %1; font-weight: bold; }")
                               .arg(QLatin1String(colour)));
    return heading;
}

// The fixed captions over a row of frame fields, in grid row `row`.
void addFrameCaptions(QGridLayout* grid, int row) {
    QStringList captions{QStringLiteral("29-bit ID"), QStringLiteral("ID (Hex)"),
                         QStringLiteral("RTR"), QStringLiteral("Len")};
    for (int k = 1; k <= kCanDataBytes; ++k)
        captions << QStringLiteral("D%1").arg(k);
    for (int column = 0; column < captions.size(); ++column)
        grid->addWidget(new QLabel(captions[column]), row, column, Qt::AlignCenter);
}

// A compare switch: the field is enabled while its box is checked, gets its
// default when the box becomes checked and is blanked when it is cleared.
void bindSwitch(QCheckBox* box, QComboBox* list) {
    QObject::connect(box, &QCheckBox::toggled, list, [list](bool checked) {
        list->setEnabled(checked);
        list->setCurrentIndex(checked ? 0 : -1);
    });
}

void bindSwitch(QCheckBox* box, QLineEdit* edit, const QString& fallback) {
    QObject::connect(box, &QCheckBox::toggled, edit, [edit, fallback](bool checked) {
        edit->setEnabled(checked);
        edit->setText(checked ? fallback : QString());
    });
}

std::optional<int> entryIf(const QCheckBox* box, const QComboBox* list) {
    return box->isChecked() ? std::optional<int>(list->currentIndex()) : std::nullopt;
}

std::optional<QString> textIf(const QCheckBox* box, const QLineEdit* edit) {
    return box->isChecked() ? std::optional<QString>(edit->text()) : std::nullopt;
}

QString hexDigits(int32_t value, int minDigits) {
    return QString::number(static_cast<uint32_t>(value), 16)
        .toUpper()
        .rightJustified(minDigits, QLatin1Char('0'));
}

// Checks the box of a compared entry and chooses entry `entry`, or clears the box.
void showCompared(QCheckBox* box, QComboBox* list, int32_t value, int entry) {
    box->setChecked(value != kCompareWildcard);
    if (value != kCompareWildcard)
        list->setCurrentIndex(entry);
}

int yesNoEntry(int value) {
    return value == 1 ? 1 : 0;
}

// The hexadecimal digits of an identifier for 29-bit switch entry `entry`.
int IdDigits(int entry) {
    return entry == 1 ? 8 : 3;
}

// A file may hold a length beyond 8, which the list does not offer: shown as
// 8 rather than as no entry, which OK would store as 255 (or as not compared).
int lengthEntry(int value) {
    return std::clamp(value, 0, kCanDataBytes);
}

void showCompared(QCheckBox* box, QLineEdit* edit, int32_t value, int minDigits) {
    box->setChecked(value != kCompareWildcard);
    if (value != kCompareWildcard)
        edit->setText(hexDigits(value, minDigits));
}

} // namespace

TForm_AddNewItem::TForm_AddNewItem(UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs) {
    setObjectName(QStringLiteral("Form_AddNewItem"));
    setWindowTitle(QStringLiteral("Add New Item"));
    setFixedSize(kClientSize);
    createControls();
    // The captions are in place before the first layout.
    FormShow();
}

void TForm_AddNewItem::createControls() {
    auto* layout = new QVBoxLayout(this);
    TntEdit_Title = named(new QLineEdit(this), QStringLiteral("TntEdit_Title"));
    TntEdit_Title->setReadOnly(true);
    // A caption, not a field: Tab never stops on it.
    TntEdit_Title->setFocusPolicy(Qt::NoFocus);
    TntEdit_Title->setFixedHeight(36);
    QFont titleFont = TntEdit_Title->font();
    titleFont.setPixelSize(20);
    titleFont.setBold(true);
    TntEdit_Title->setFont(titleFont);
    layout->addWidget(TntEdit_Title);
    TntPanel_Tx = makeHeading(this, QStringLiteral("TntPanel_Tx"), "rgb(0, 255, 255)");
    layout->addWidget(TntPanel_Tx);
    layout->addWidget(createTransmitPanel());
    TntPanel_CompareRx =
        makeHeading(this, QStringLiteral("TntPanel_CompareRx"), "rgb(166, 202, 240)");
    layout->addWidget(TntPanel_CompareRx);
    layout->addWidget(createComparePanel());
    layout->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    TntSpeedButton_Add = named(new QPushButton(this), QStringLiteral("TntSpeedButton_Add"));
    TntSpeedButton_Add->setToolTip(QStringLiteral("OK"));
    TntSpeedButton_Add->setDefault(true);
    Button_Cancel = named(new QPushButton(this), QStringLiteral("Button_Cancel"));
    Button_Cancel->setToolTip(QStringLiteral("Cancel"));
    // Enter is OK wherever the focus is; Cancel takes Space or Esc.
    Button_Cancel->setAutoDefault(false);
    for (QPushButton* button : {TntSpeedButton_Add, Button_Cancel}) {
        button->setMinimumSize(110, 32);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    connect(TntSpeedButton_Add, &QPushButton::clicked, this,
            &TForm_AddNewItem::TntSpeedButton_AddClick);
    connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrderAsShown();
}

// Tab follows the screen: the descriptions, the frame row, the timing row,
// then the compare row with each field followed by its switch, and the buttons.
void TForm_AddNewItem::setTabOrderAsShown() {
    QList<QWidget*> order{TntEdit_CANDescription1, TntEdit_CANDescription2,
                          ComboBox_CANMode,        Edit_ID,
                          ComboBox_CANRTR,         ComboBox_CANLen};
    order.append({Edit_Data, Edit_Data + kCanDataBytes});
    order.append({Edit_LoopInterval, Edit_LoopTotalTime, Edit_LoopTerminal, ComboBox_Comp_Mode,
                  CheckBox_Mode, Edit_Comp_ID, CheckBox_ID, ComboBox_Comp_RTR, CheckBox_RTR,
                  ComboBox_Comp_Len, CheckBox_Len});
    for (int k = 0; k < kCanDataBytes; ++k)
        order.append({Edit_Comp_Data[k], CheckBox_Data[k]});
    order.append({TntSpeedButton_Add, Button_Cancel});
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

QWidget* TForm_AddNewItem::createTransmitPanel() {
    auto* panel = named(new QFrame(this), QStringLiteral("Panel_SelectConfigInfo"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* grid = new QGridLayout(panel);
    TntLabel_ItemDescription = named(new QLabel(panel), QStringLiteral("TntLabel_ItemDescription"));
    TntLabel_ItemParameter = named(new QLabel(panel), QStringLiteral("TntLabel_ItemParameter"));
    TntEdit_CANDescription1 = makeEdit(panel, QStringLiteral("TntEdit_CANDescription1"),
                                       QStringLiteral("Vehicle Speed or Temperature."));
    TntEdit_CANDescription2 = makeEdit(panel, QStringLiteral("TntEdit_CANDescription2"),
                                       QStringLiteral("80km/h or 30 degrees."));
    grid->addWidget(TntLabel_ItemDescription, 0, 0, 1, 2);
    grid->addWidget(TntEdit_CANDescription1, 0, 2, 1, 10);
    grid->addWidget(TntLabel_ItemParameter, 1, 0, 1, 2);
    grid->addWidget(TntEdit_CANDescription2, 1, 2, 1, 10);

    addFrameCaptions(grid, 2);
    ComboBox_CANMode = makeList(panel, QStringLiteral("ComboBox_CANMode"), kNoYes, 0);
    Edit_ID = makeEdit(panel, QStringLiteral("Edit_ID"), QStringLiteral("123"), idLimit_);
    ComboBox_CANRTR = makeList(panel, QStringLiteral("ComboBox_CANRTR"), kNoYes, 0);
    ComboBox_CANLen = makeList(panel, QStringLiteral("ComboBox_CANLen"), kLengths, 8);
    const QList<QWidget*> frame{ComboBox_CANMode, Edit_ID, ComboBox_CANRTR, ComboBox_CANLen};
    for (int column = 0; column < frame.size(); ++column)
        grid->addWidget(frame[column], 3, column);
    for (int k = 0; k < kCanDataBytes; ++k) {
        Edit_Data[k] = makeEdit(panel, QStringLiteral("Edit_Data%1").arg(k), kInitialData[k], 2);
        Edit_Data[k]->setFixedWidth(kDataWidth);
        grid->addWidget(Edit_Data[k], 3, 4 + k);
    }
    connect(ComboBox_CANMode, &QComboBox::activated, this,
            &TForm_AddNewItem::ComboBox_CANModeChange);

    auto* row = new QWidget(panel);
    auto* timing = new QHBoxLayout(row);
    timing->setContentsMargins(0, 0, 0, 0);
    timing->setSpacing(4);
    TntLabel_TimeInterval = named(new QLabel(row), QStringLiteral("TntLabel_TimeInterval"));
    TntLabel_TotalTime = named(new QLabel(row), QStringLiteral("TntLabel_TotalTime"));
    TntLabel2 = named(new QLabel(row), QStringLiteral("TntLabel2"));
    Label_Second = named(new QLabel(row), QStringLiteral("Label_Second"));
    Edit_LoopInterval = makeEdit(row, QStringLiteral("Edit_LoopInterval"), QStringLiteral("1000"));
    Edit_LoopTotalTime = makeEdit(row, QStringLiteral("Edit_LoopTotalTime"), QStringLiteral("10"));
    Edit_LoopTerminal = makeEdit(row, QStringLiteral("Edit_LoopTerminal"), QStringLiteral("1000"));
    const QList<QWidget*> timingRow{TntLabel_TimeInterval,
                                    Edit_LoopInterval,
                                    new QLabel(QStringLiteral("ms"), row),
                                    TntLabel_TotalTime,
                                    Edit_LoopTotalTime,
                                    Label_Second,
                                    TntLabel2,
                                    Edit_LoopTerminal,
                                    new QLabel(QStringLiteral("ms"), row)};
    for (QWidget* widget : timingRow)
        timing->addWidget(widget);
    for (QLineEdit* edit : {Edit_LoopInterval, Edit_LoopTotalTime, Edit_LoopTerminal})
        edit->setFixedWidth(kTimingWidth);
    timing->addStretch(1);
    grid->addWidget(row, 4, 0, 1, 12);
    return panel;
}

QWidget* TForm_AddNewItem::createComparePanel() {
    auto* panel = named(new QFrame(this), QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* grid = new QGridLayout(panel);
    addFrameCaptions(grid, 0);
    ComboBox_Comp_Mode = makeList(panel, QStringLiteral("ComboBox_Comp_Mode"), kNoYes, -1);
    Edit_Comp_ID = makeEdit(panel, QStringLiteral("Edit_Comp_ID"), {});
    ComboBox_Comp_RTR = makeList(panel, QStringLiteral("ComboBox_Comp_RTR"), kNoYes, -1);
    ComboBox_Comp_Len = makeList(panel, QStringLiteral("ComboBox_Comp_Len"), kLengths, -1);
    CheckBox_Mode = named(new QCheckBox(panel), QStringLiteral("CheckBox_Mode"));
    CheckBox_ID = named(new QCheckBox(panel), QStringLiteral("CheckBox_ID"));
    CheckBox_RTR = named(new QCheckBox(panel), QStringLiteral("CheckBox_RTR"));
    CheckBox_Len = named(new QCheckBox(panel), QStringLiteral("CheckBox_Len"));
    bindSwitch(CheckBox_Mode, ComboBox_Comp_Mode);
    bindSwitch(CheckBox_ID, Edit_Comp_ID, QStringLiteral("ABCD"));
    bindSwitch(CheckBox_RTR, ComboBox_Comp_RTR);
    bindSwitch(CheckBox_Len, ComboBox_Comp_Len);
    QWidget* fields[] = {ComboBox_Comp_Mode, Edit_Comp_ID, ComboBox_Comp_RTR, ComboBox_Comp_Len};
    QCheckBox* boxes[] = {CheckBox_Mode, CheckBox_ID, CheckBox_RTR, CheckBox_Len};
    for (int column = 0; column < 4; ++column) {
        grid->addWidget(fields[column], 1, column);
        grid->addWidget(boxes[column], 2, column, Qt::AlignCenter);
    }
    for (int k = 0; k < kCanDataBytes; ++k) {
        Edit_Comp_Data[k] = makeEdit(panel, QStringLiteral("Edit_Comp_Data%1").arg(k), {});
        Edit_Comp_Data[k]->setFixedWidth(kDataWidth);
        CheckBox_Data[k] = named(new QCheckBox(panel), QStringLiteral("CheckBox_Data%1").arg(k));
        bindSwitch(CheckBox_Data[k], Edit_Comp_Data[k], QStringLiteral("FF"));
        grid->addWidget(Edit_Comp_Data[k], 1, 4 + k);
        grid->addWidget(CheckBox_Data[k], 2, 4 + k, Qt::AlignCenter);
    }
    // Every switch starts cleared: its field disabled and blank.
    for (QCheckBox* box : panel->findChildren<QCheckBox*>())
        emit box->toggled(false);
    return panel;
}

void TForm_AddNewItem::prepare(const QString& title, const QColor& background,
                               const QString& okCaption) {
    TntEdit_Title->setText(title);
    TntEdit_Title->setStyleSheet(
        QStringLiteral("QLineEdit { color: rgb(0, 128, 0); background-color: %1; }")
            .arg(background.name()));
    TntSpeedButton_Add->setText(okCaption);
}

void TForm_AddNewItem::setIdText(const QString& text) {
    // A text set here may be longer than what the user may type.
    Edit_ID->setMaxLength(std::max(idLimit_, static_cast<int>(text.size())));
    Edit_ID->setText(text);
}

void TForm_AddNewItem::fill(const TestItemValues& item) {
    TntEdit_CANDescription1->setText(item.Description1);
    TntEdit_CANDescription2->setText(item.Description2);
    ComboBox_CANMode->setCurrentIndex(yesNoEntry(item.TxCANMode));
    // The box takes as many digits as the item's own mode, whatever the last
    // dialog's 29-bit switch was.
    idLimit_ = IdDigits(ComboBox_CANMode->currentIndex());
    setIdText(hexDigits(static_cast<int32_t>(item.TxCANID), 1));
    ComboBox_CANRTR->setCurrentIndex(yesNoEntry(item.TxCANRTR));
    ComboBox_CANLen->setCurrentIndex(lengthEntry(item.TxCANLen));
    for (int k = 0; k < kCanDataBytes; ++k)
        Edit_Data[k]->setText(hexDigits(item.TxCANData[k], 2));
    Edit_LoopInterval->setText(QString::number(item.TxLoopInterval));
    Edit_LoopTotalTime->setText(QString::number(item.TxLoopTimes));
    Edit_LoopTerminal->setText(QString::number(item.TxLoopTerminal));
    showCompared(CheckBox_Mode, ComboBox_Comp_Mode, item.Comp_CANMode,
                 yesNoEntry(item.Comp_CANMode));
    showCompared(CheckBox_ID, Edit_Comp_ID, item.Comp_CANID, 1);
    showCompared(CheckBox_RTR, ComboBox_Comp_RTR, item.Comp_CANRTR, yesNoEntry(item.Comp_CANRTR));
    showCompared(CheckBox_Len, ComboBox_Comp_Len, item.Comp_CANLen, lengthEntry(item.Comp_CANLen));
    for (int k = 0; k < kCanDataBytes; ++k)
        showCompared(CheckBox_Data[k], Edit_Comp_Data[k], item.Comp_CANData[k], 2);
}

ItemInput TForm_AddNewItem::input() const {
    ItemInput in;
    in.description1 = TntEdit_CANDescription1->text();
    in.description2 = TntEdit_CANDescription2->text();
    in.mode = ComboBox_CANMode->currentIndex();
    in.rtr = ComboBox_CANRTR->currentIndex();
    in.length = ComboBox_CANLen->currentIndex();
    in.id = Edit_ID->text();
    for (int k = 0; k < kCanDataBytes; ++k)
        in.data[k] = Edit_Data[k]->text();
    in.interval = Edit_LoopInterval->text();
    in.totalTimes = Edit_LoopTotalTime->text();
    in.nextTime = Edit_LoopTerminal->text();
    in.compMode = entryIf(CheckBox_Mode, ComboBox_Comp_Mode);
    in.compId = textIf(CheckBox_ID, Edit_Comp_ID);
    in.compRtr = entryIf(CheckBox_RTR, ComboBox_Comp_RTR);
    in.compLength = entryIf(CheckBox_Len, ComboBox_Comp_Len);
    for (int k = 0; k < kCanDataBytes; ++k)
        in.compData[k] = textIf(CheckBox_Data[k], Edit_Comp_Data[k]);
    return in;
}

void TForm_AddNewItem::setVisible(bool visible) {
    // The phrases of the current language go in before the showing lays the
    // dialog out: set later, a longer phrase would keep the width of the
    // previous language's and be cut off.
    if (visible && !isVisible())
        FormShow();
    QDialog::setVisible(visible);
}

void TForm_AddNewItem::showEvent(QShowEvent* event) {
    // Every opening starts at the first field, whatever had the focus when the
    // dialog last closed (Cancel included, which Enter would otherwise press).
    TntEdit_CANDescription1->setFocus();
    QDialog::showEvent(event);
}

void TForm_AddNewItem::FormShow() {
    TntPanel_Tx->setText(Phrase(PhraseId::TransmitMessage));
    TntPanel_CompareRx->setText(Phrase(PhraseId::ResponseMessage));
    TntLabel_ItemDescription->setText(Phrase(PhraseId::ItemDescription));
    TntLabel_ItemParameter->setText(Phrase(PhraseId::ItemParameter));
    TntLabel_TimeInterval->setText(Phrase(PhraseId::ItemInterval));
    TntLabel_TotalTime->setText(Phrase(PhraseId::ItemTotalTimes));
    TntLabel2->setText(Phrase(PhraseId::NextTime));
    Label_Second->setText(Phrase(PhraseId::TimesUnit));
    Button_Cancel->setText(Phrase(PhraseId::Cancel));
}

void TForm_AddNewItem::ComboBox_CANModeChange(int entry) {
    idLimit_ = IdDigits(entry);
    if (Edit_ID->text().size() > idLimit_)
        Edit_ID->setText(Edit_ID->text().left(idLimit_));
    Edit_ID->setMaxLength(idLimit_);
}

void TForm_AddNewItem::TntSpeedButton_AddClick() {
    auto checked = CheckItemInput(input());
    if (const QString* refused = std::get_if<QString>(&checked)) {
        dialogs_.inform(*refused);
        return;
    }
    values_ = std::get<TestItemValues>(checked);
    accept();
}
