#include "TestItems.h"

#include "ConfigFile.h"
#include "ConfigFileName.h"
#include "Globals.h"
#include "GridView.h"
#include "KeyShortcuts.h"
#include "Phrases.h"
#include "TestItemEdit.h"
#include "TextGridModel.h"
#include "UserDialogs.h"
#include "WaitMessage.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <array>

TForm_TestItems* Form_TestItems = nullptr;

namespace {

constexpr QSize kClientSize{986, 581};
constexpr QRect kGridArea{14, 46, 957, 398};
constexpr int kTitleHeight = 40;
constexpr int kStatusLineHeight = 25;
constexpr QSize kButtonSize{96, 70};
constexpr int kButtonTop = 452;
constexpr std::array<int, kTestItemColumns> kColumnWidths{
    200, 200, 90, 80, 80, 70, 70, 70, 70, 70, 70, 70, 70, 70, 150,
    160, 160, 90, 80, 80, 75, 75, 75, 75, 75, 75, 75, 75, 75};

const QString kApplicationTitle = QStringLiteral("Kestrel");
const QString kSaveTitle = QStringLiteral("请输入配置文件名称(*.ini)");
const QString kIniFilter = QStringLiteral("CAN INI File(*.ini)");
const QString kLightGreen = QStringLiteral("background-color: rgb(192, 220, 192);");

} // namespace

TForm_TestItems::TForm_TestItems(UserDialogs& dialogs, std::function<void()> mainRefresh,
                                 QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), mainRefresh_(std::move(mainRefresh)) {
    setObjectName(QStringLiteral("Form_TestItems"));
    setWindowTitle(QStringLiteral("Set the Configuration File"));
    // A title bar without system menu and close button: Return closes the window.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(kClientSize);
    createControls();
}

void TForm_TestItems::createControls() {
    TntEdit_Title = new QLineEdit(this);
    TntEdit_Title->setObjectName(QStringLiteral("TntEdit_Title"));
    TntEdit_Title->setReadOnly(true);
    // A caption: the keyboard starts in the grid.
    TntEdit_Title->setFocusPolicy(Qt::NoFocus);
    TntEdit_Title->setAlignment(Qt::AlignCenter);
    TntEdit_Title->setGeometry(0, 0, kClientSize.width(), kTitleHeight);
    TntEdit_Title->setStyleSheet(QStringLiteral("QLineEdit { color: rgb(0, 0, 255); ") +
                                 kLightGreen + QStringLiteral(" font-weight: bold; }"));
    QFont titleFont = TntEdit_Title->font();
    titleFont.setPixelSize(18);
    TntEdit_Title->setFont(titleFont);

    gridModel_ = new TextGridModel(kTestItemColumns, this);
    TntStringGrid_RangeSeting = new GridView(this);
    TntStringGrid_RangeSeting->setObjectName(QStringLiteral("TntStringGrid_RangeSeting"));
    TntStringGrid_RangeSeting->setModel(gridModel_);
    TntStringGrid_RangeSeting->setItemDelegate(new GridCellDelegate(1, this));
    TntStringGrid_RangeSeting->setGeometry(kGridArea);
    TntStringGrid_RangeSeting->setFrozenColumns(1);
    connect(TntStringGrid_RangeSeting, &GridView::gridRowClicked, this,
            &TForm_TestItems::selectRow);
    connect(TntStringGrid_RangeSeting, &GridView::gridDoubleClicked, this,
            [this] { runCommand(&TForm_TestItems::TntSpeedButton_UpdateClick); });

    using Keys = QList<QKeySequence>;
    TntSpeedButton_Add = addButton(QStringLiteral("TntSpeedButton_Add"), QStringLiteral("add"),
                                   QStringLiteral("Add New Item"), {Qt::Key_Insert},
                                   &TForm_TestItems::TntSpeedButton_AddClick);
    TntSpeedButton_Update = addButton(QStringLiteral("TntSpeedButton_Update"),
                                      QStringLiteral("edit"), QStringLiteral("Edit current item"),
                                      Keys{Qt::Key_Return, Qt::Key_Enter, Qt::Key_F2},
                                      &TForm_TestItems::TntSpeedButton_UpdateClick);
    TntSpeedButton_Remove =
        addButton(QStringLiteral("TntSpeedButton_Remove"), QStringLiteral("delete"),
                  QStringLiteral("Delete current item"), {Qt::Key_Delete},
                  &TForm_TestItems::TntSpeedButton_RemoveClick);
    TntSpeedButton_MoveUp =
        addButton(QStringLiteral("TntSpeedButton_MoveUp"), QStringLiteral("move-up"),
                  QStringLiteral("Move the item up"), {Qt::CTRL | Qt::Key_Up},
                  &TForm_TestItems::TntSpeedButton_MoveUpClick);
    TntSpeedButton_MoveDown =
        addButton(QStringLiteral("TntSpeedButton_MoveDown"), QStringLiteral("move-down"),
                  QStringLiteral("Move the item down"), {Qt::CTRL | Qt::Key_Down},
                  &TForm_TestItems::TntSpeedButton_MoveDownClick);
    TntSpeedButton_SaveAs =
        addButton(QStringLiteral("TntSpeedButton_SaveAs"), QStringLiteral("save-as"),
                  QStringLiteral("Save INI file as new file name"),
                  {Qt::CTRL | Qt::SHIFT | Qt::Key_S}, &TForm_TestItems::TntSpeedButton_SaveAsClick);
    TntSpeedButton_SaveRange =
        addButton(QStringLiteral("TntSpeedButton_SaveRange"), QStringLiteral("save"),
                  QStringLiteral("Save INI file"), {Qt::CTRL | Qt::Key_S},
                  &TForm_TestItems::TntSpeedButton_SaveRangeClick);
    // Esc asks about unsaved changes as the button does.
    TntSpeedButton_PrevPage =
        addButton(QStringLiteral("TntSpeedButton_PrevPage"), QStringLiteral("return"),
                  QStringLiteral("Back to main frame"), {Qt::Key_Escape},
                  &TForm_TestItems::TntSpeedButton_PrevPageClick);
    // Five buttons from the left, three at the right.
    const std::array<QToolButton*, 8> buttons{TntSpeedButton_Add,       TntSpeedButton_Update,
                                              TntSpeedButton_Remove,    TntSpeedButton_MoveUp,
                                              TntSpeedButton_MoveDown,  TntSpeedButton_SaveAs,
                                              TntSpeedButton_SaveRange, TntSpeedButton_PrevPage};
    for (int i = 0; i < 8; ++i) {
        const int left = i < 5 ? kGridArea.left() + i * kButtonSize.width()
                               : kGridArea.right() + 1 - (8 - i) * kButtonSize.width();
        buttons[static_cast<std::size_t>(i)]->setGeometry(QRect({left, kButtonTop}, kButtonSize));
    }

    TntLabel_UnSaveAlarm = new QLabel(this);
    TntLabel_UnSaveAlarm->setObjectName(QStringLiteral("TntLabel_UnSaveAlarm"));
    TntLabel_UnSaveAlarm->setStyleSheet(QStringLiteral("QLabel { color: rgb(255, 0, 0); }"));
    TntLabel_UnSaveAlarm->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    TntLabel_UnSaveAlarm->setGeometry(kGridArea.right() - 400,
                                      kButtonTop + kButtonSize.height() + 8, 401, 20);
    TntLabel_UnSaveAlarm->hide();

    TntLabel_CurrentConfigurationFile = new QLabel(this);
    TntLabel_CurrentConfigurationFile->setObjectName(
        QStringLiteral("TntLabel_CurrentConfigurationFile"));
    TntLabel_CurrentConfigurationFile->setGeometry(0, kClientSize.height() - kStatusLineHeight,
                                                   kClientSize.width(), kStatusLineHeight);
    TntLabel_CurrentConfigurationFile->setStyleSheet(
        QStringLiteral("QLabel { color: rgb(0, 0, 255); padding-left: 6px; ") + kLightGreen +
        QStringLiteral(" }"));
}

QToolButton* TForm_TestItems::addButton(const QString& name, const QString& picture,
                                        const QString& hint, const QList<QKeySequence>& keys,
                                        void (TForm_TestItems::*command)()) {
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setIcon(QIcon(QStringLiteral(":/images/%1.svg").arg(picture)));
    button->setIconSize({32, 32});
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setToolTip(hint);
    connect(button, &QToolButton::clicked, this, [this, command] { runCommand(command); });
    AddButtonKeys(button, keys);
    return button;
}

int TForm_TestItems::exec() {
    const int result = QDialog::exec();
    if (pendingError_)
        std::rethrow_exception(std::exchange(pendingError_, nullptr));
    return result;
}

void TForm_TestItems::reject() {}

void TForm_TestItems::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void TForm_TestItems::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TForm_TestItems::FormShow() {
    TntEdit_Title->setText(Phrase(PhraseId::EditorTitle));
    showStatusLine();
    if (CurrentConfigFile.size() > 1)
        TntEdit_Title->setText(QFileInfo(CurrentConfigFile).fileName());
    TntStringGrid_RangeSeting->setColumnWidths(kColumnWidths);
    gridModel_->setHeaders(TestItemHeaders());
    const std::array<std::pair<QToolButton*, PhraseId>, 8> captions{
        {{TntSpeedButton_Add, PhraseId::AddItem},
         {TntSpeedButton_Update, PhraseId::EditItem},
         {TntSpeedButton_Remove, PhraseId::DeleteItem},
         {TntSpeedButton_MoveUp, PhraseId::MoveUp},
         {TntSpeedButton_MoveDown, PhraseId::MoveDown},
         {TntSpeedButton_SaveAs, PhraseId::SaveAs},
         {TntSpeedButton_SaveRange, PhraseId::Save},
         {TntSpeedButton_PrevPage, PhraseId::Return}}};
    for (const auto& [button, phrase] : captions)
        button->setText(Phrase(phrase));
    TntLabel_UnSaveAlarm->setText(Phrase(PhraseId::UnsavedChanges));
    showTable();
}

void TForm_TestItems::showStatusLine() {
    TntLabel_CurrentConfigurationFile->setText(
        Phrase(PhraseId::CurrentConfigLabel) + QLatin1String(" : ") +
        (CurrentConfigFile.size() > 1 ? CurrentConfigFile : Phrase(PhraseId::NoConfigFile)));
}

void TForm_TestItems::showTable() {
    QList<QStringList> rows;
    for (int i = 0; i < Global_CustomerCMD.CMD_Count; ++i)
        rows << ItemCellTexts(ItemValues(Global_CustomerCMD, i));
    if (rows.isEmpty())
        rows << QStringList(); // an empty table shows one empty row
    const int highlighted = TntStringGrid_RangeSeting->selectedGridRow();
    gridModel_->setRows(rows);
    TntStringGrid_RangeSeting->selectGridRow(highlighted);
}

int TForm_TestItems::selectedItemRow() const {
    const bool shown = selectedRow_ >= 1 && selectedRow_ <= Global_CustomerCMD.CMD_Count;
    return shown && TntStringGrid_RangeSeting->selectedGridRow() == selectedRow_ ? selectedRow_ : 0;
}

void TForm_TestItems::selectRow(int row) {
    selectedRow_ = row;
    if (row == 0)
        TntStringGrid_RangeSeting->clearSelection();
    else
        TntStringGrid_RangeSeting->selectGridRow(row);
}

void TForm_TestItems::markChanged() {
    TntLabel_UnSaveAlarm->show();
}

void TForm_TestItems::runCommand(void (TForm_TestItems::*command)()) {
    try {
        (this->*command)();
    } catch (const std::exception& e) {
        dialogs_.error(kApplicationTitle, QString::fromUtf8(e.what()));
    }
}

void TForm_TestItems::writeTable(const QString& path) {
    // A description the file cannot hold is refused before the old file is touched.
    RunWithWaitMessage([&path] { WriteTestConfig(path); });
}

bool TForm_TestItems::confirmSave(const QString& path, const QString& question) {
    // A file read only in part is overwritten only when the user says so,
    // knowing what of it would be lost.
    const QString partly = OverwritePartlyReadQuestion(path);
    return dialogs_.confirm(partly.isEmpty() ? question : partly);
}

void TForm_TestItems::TntSpeedButton_SaveRangeClick() {
    if (CurrentConfigFile.size() <= 4) {
        TntSpeedButton_SaveAsClick();
        return;
    }
    if (!confirmSave(CurrentConfigFile, Phrase(PhraseId::AskOverwriteConfig)))
        return;
    writeTable(CurrentConfigFile);
    dialogs_.inform(Phrase(PhraseId::SaveOk));
    TntLabel_UnSaveAlarm->hide();
}

void TForm_TestItems::TntSpeedButton_SaveAsClick() {
    const QString folder =
        CurrentConfigFile.isEmpty() ? QString() : QFileInfo(CurrentConfigFile).absolutePath();
    const QString chosen = dialogs_.saveFile(kSaveTitle, folder, kIniFilter);
    if (chosen.isEmpty())
        return;
    const QString path = WithIniExtension(chosen);
    const QString lineBreak = QStringLiteral("\r\n");
    if (QFileInfo::exists(path) && !confirmSave(path, Phrase(PhraseId::FileExists) + lineBreak +
                                                          Phrase(PhraseId::AskOverwriteConfig)))
        return;
    writeTable(path);
    CurrentConfigFile = path;
    TntLabel_UnSaveAlarm->hide();
    dialogs_.inform(Phrase(PhraseId::SaveOk));
    showStatusLine();
    dialogs_.inform(Phrase(PhraseId::ConfigChangedTo) + lineBreak + CurrentConfigFile);
}

void TForm_TestItems::TntSpeedButton_PrevPageClick() {
    if (!TntLabel_UnSaveAlarm->isHidden()) {
        if (!dialogs_.confirm(Phrase(PhraseId::SettingsNotSaved) + QStringLiteral("\r\n") +
                              Phrase(PhraseId::AskIgnoreChanges)))
            return;
        TntLabel_UnSaveAlarm->hide();
    }
    // A configuration the main window cannot load is reported by the command
    // that opened the editor, once the editor is closed.
    try {
        if (mainRefresh_)
            mainRefresh_();
    } catch (...) {
        pendingError_ = std::current_exception();
    }
    done(QDialog::Accepted);
}
