#pragma once
// CAN hardware configuration (placeholder until the window is built).

#include <QDialog>

class TForm_ZarvoConfig : public QDialog {
    Q_OBJECT
public:
    explicit TForm_ZarvoConfig(QWidget* parent = nullptr);
};

// The single instance, while the program's windows exist.
extern TForm_ZarvoConfig* Form_ZarvoConfig;
