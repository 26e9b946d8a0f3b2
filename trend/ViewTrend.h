#pragma once
// Trend and data view (placeholder until the window is built).

#include <QDialog>

class TForm_ViewTrend : public QDialog {
    Q_OBJECT
public:
    explicit TForm_ViewTrend(QWidget* parent = nullptr);
};

// The single instance, while the program's windows exist.
extern TForm_ViewTrend* Form_ViewTrend;
