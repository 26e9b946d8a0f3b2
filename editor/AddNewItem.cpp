#include "AddNewItem.h"

#include <QLabel>
#include <QVBoxLayout>

TForm_AddNewItem* Form_AddNewItem = nullptr;

TForm_AddNewItem::TForm_AddNewItem(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_AddNewItem"));
    setWindowTitle(QStringLiteral("Test item"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Test item: not available yet."), this));
}
