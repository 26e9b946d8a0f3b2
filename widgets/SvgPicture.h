#pragma once
// A picture control: draws an SVG stretched over the whole control, and
// reports clicks. Its natural size is the picture's own size.

#include <QSvgRenderer>
#include <QWidget>

class SvgPicture : public QWidget {
    Q_OBJECT
public:
    SvgPicture(const QString& file, QWidget* parent);
    QSize sizeHint() const override;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QSvgRenderer renderer_;
};
