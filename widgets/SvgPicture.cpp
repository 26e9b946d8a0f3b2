#include "SvgPicture.h"

#include <QMouseEvent>
#include <QPainter>

SvgPicture::SvgPicture(const QString& file, QWidget* parent) : QWidget(parent), renderer_(file) {
    resize(sizeHint());
}

QSize SvgPicture::sizeHint() const {
    return renderer_.defaultSize();
}

void SvgPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    renderer_.render(&painter, QRectF(rect()));
}

void SvgPicture::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}
