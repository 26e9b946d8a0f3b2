#pragma once
// Test configuration editor (placeholder until the window is built).

#include <QDialog>

class TForm_TestItems : public QDialog {
    Q_OBJECT
public:
    explicit TForm_TestItems(QWidget* parent = nullptr);
};

// The single instance, while the program's windows exist.
extern TForm_TestItems* Form_TestItems;
