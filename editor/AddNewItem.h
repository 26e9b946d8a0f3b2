#pragma once
// Test item (placeholder until the window is built).

#include <QDialog>

class TForm_AddNewItem : public QDialog {
    Q_OBJECT
public:
    explicit TForm_AddNewItem(QWidget* parent = nullptr);
};

// The single instance, while the program's windows exist.
extern TForm_AddNewItem* Form_AddNewItem;
