#pragma once
// The CAN bus status lamp: a filled circle in one colour.

#include <QColor>
#include <QWidget>

class StatusLamp : public QWidget {
    Q_OBJECT
public:
    explicit StatusLamp(QWidget* parent);
    void setColour(const QColor& colour);
    QColor colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_{0, 0, 255};
};
