// The editor's item commands: Add, Edit, Delete, Move up and Move down. Each
// changes the table through the shared operations and shows it again.

#include "AddNewItem.h"
#include "Globals.h"
#include "GridView.h"
#include "Phrases.h"
#include "TestItemEdit.h"
#include "TestItems.h"
#include "UserDialogs.h"

namespace {

constexpr QColor kAddTitleColour{192, 220, 192};
constexpr QColor kEditTitleColour{238, 238, 0};

type_CustomerCMD& Items = Global_CustomerCMD;

} // namespace

void TForm_TestItems::TntSpeedButton_AddClick() {
    if (!Form_AddNewItem)
        return;
    // The table has room for kMaxTestItems items: refused before anything is typed.
    if (Items.CMD_Count >= kMaxTestItems) {
        dialogs_.inform(Phrase(PhraseId::ConfigFull));
        return;
    }
    Form_AddNewItem->prepare(Phrase(PhraseId::NewItemTitle), kAddTitleColour,
                             Phrase(PhraseId::AddOk));
    if (Form_AddNewItem->exec() != QDialog::Accepted)
        return;
    AppendItem(Items, Form_AddNewItem->values());
    showTable();
    // The new item is the last row: selected and scrolled into view.
    selectRow(Items.CMD_Count);
    TntStringGrid_RangeSeting->scrollTo(TntStringGrid_RangeSeting->currentIndex());
    dialogs_.inform(Phrase(PhraseId::ItemAdded));
    markChanged();
}

void TForm_TestItems::TntSpeedButton_UpdateClick() {
    if (Items.CMD_Count == 0 || !Form_AddNewItem)
        return;
    const int row = selectedItemRow();
    if (row == 0) {
        dialogs_.inform(Phrase(PhraseId::SelectItemToEdit));
        return;
    }
    Form_AddNewItem->prepare(Phrase(PhraseId::EditItemTitle), kEditTitleColour,
                             Phrase(PhraseId::UpdateOk));
    Form_AddNewItem->fill(ItemValues(Items, row - 1));
    if (Form_AddNewItem->exec() != QDialog::Accepted)
        return;
    ReplaceItem(Items, row - 1, Form_AddNewItem->values());
    showTable();
    dialogs_.inform(Phrase(PhraseId::Updated));
    markChanged();
}

void TForm_TestItems::TntSpeedButton_RemoveClick() {
    if (Items.CMD_Count == 0)
        return;
    const int row = selectedItemRow();
    if (row == 0) {
        dialogs_.inform(Phrase(PhraseId::SelectItemToDelete));
        return;
    }
    if (!dialogs_.confirm(Phrase(PhraseId::AskDeleteItem)))
        return;
    DeleteItem(Items, row - 1);
    showTable();
    // The row keeps its selection when an item moved up into it.
    selectRow(row <= Items.CMD_Count ? row : 0);
    dialogs_.inform(Phrase(PhraseId::Deleted));
    markChanged();
}

void TForm_TestItems::TntSpeedButton_MoveUpClick() {
    if (Items.CMD_Count == 0 || TntStringGrid_RangeSeting->selectedGridRow() == 1)
        return;
    moveSelected(-1);
}

void TForm_TestItems::TntSpeedButton_MoveDownClick() {
    if (Items.CMD_Count == 0 || TntStringGrid_RangeSeting->selectedGridRow() == Items.CMD_Count)
        return;
    moveSelected(1);
}

void TForm_TestItems::moveSelected(int step) {
    const int row = selectedItemRow();
    if (row == 0) {
        dialogs_.inform(Phrase(PhraseId::SelectItemToMove));
        return;
    }
    SwapItems(Items, row - 1, row - 1 + step);
    showTable();
    selectRow(row + step);
    markChanged();
}
