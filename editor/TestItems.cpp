#include "TestItems.h"

#include <QLabel>
#include <QVBoxLayout>

TForm_TestItems* Form_TestItems = nullptr;

TForm_TestItems::TForm_TestItems(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_TestItems"));
    setWindowTitle(QStringLiteral("Test configuration editor"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Test configuration editor: not available yet."), this));
}
