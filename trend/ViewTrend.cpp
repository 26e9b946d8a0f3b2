#include "ViewTrend.h"

#include <QLabel>
#include <QVBoxLayout>

TForm_ViewTrend* Form_ViewTrend = nullptr;

TForm_ViewTrend::TForm_ViewTrend(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_ViewTrend"));
    setWindowTitle(QStringLiteral("Trend and data view"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Trend and data view: not available yet."), this));
}
