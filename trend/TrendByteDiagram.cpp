#include "TrendByteDiagram.h"

#include "TrendTables.h"

#include <QPainter>

namespace {

constexpr int kBoxCount = 8;
constexpr int kMargin = 3;
constexpr int kBoxWidth = (kByteDiagramWidth - 2 * kMargin) / kBoxCount;

QRect BoxRect(int box) {
    return {kMargin + box * kBoxWidth, kMargin, kBoxWidth, kByteDiagramHeight - 2 * kMargin};
}

} // namespace

QPixmap ByteDiagram(int type, int range) {
    QPixmap picture(kByteDiagramWidth, kByteDiagramHeight);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    QFont font = painter.font();
    font.setPixelSize(12);
    font.setBold(true);
    painter.setFont(font);
    for (int box = 0; box < kBoxCount; ++box) {
        const QRect rect = BoxRect(box).adjusted(2, 2, -2, -2);
        painter.fillRect(rect, QColor(255, 255, 0));
        painter.setPen(Qt::black);
        painter.drawRect(rect);
        painter.drawText(rect, Qt::AlignCenter, QStringLiteral("D%1").arg(box + 1));
    }
    if (DataRangeText(type, range).isEmpty())
        return picture;
    const QRect first = BoxRect(range);
    const QRect last = BoxRect(range + DataTypeBytes(type) - 1);
    painter.setPen(QPen(QColor(255, 0, 0), 2));
    painter.drawRect(first.united(last).adjusted(1, 1, -1, -1));
    return picture;
}
