#include "ZarvoConfig.h"

#include <QLabel>
#include <QVBoxLayout>

TForm_ZarvoConfig* Form_ZarvoConfig = nullptr;

TForm_ZarvoConfig::TForm_ZarvoConfig(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_ZarvoConfig"));
    setWindowTitle(QStringLiteral("CAN hardware configuration"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("CAN hardware configuration: not available yet."), this));
}
