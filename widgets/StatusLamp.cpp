#include "StatusLamp.h"

#include <QPainter>

StatusLamp::StatusLamp(QWidget* parent) : QWidget(parent) {}

void StatusLamp::setColour(LampColour colour) {
    colour_ = colour == LampColour::Green ? QColor(0, 255, 0)
              : colour == LampColour::Red ? QColor(255, 0, 0)
                                          : QColor(0, 0, 255);
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
