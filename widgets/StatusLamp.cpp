#include "StatusLamp.h"

#include <QPainter>

StatusLamp::StatusLamp(QWidget* parent) : QWidget(parent) {}

void StatusLamp::setColour(const QColor& colour) {
    colour_ = colour;
    update();
}

void StatusLamp::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(colour_);
    const int side = std::min(width(), height()) - 2;
    painter.drawEllipse(QRect((width() - side) / 2, (height() - side) / 2, side, side));
}
