#pragma once
// The CAN bus status lamp: a filled circle in one colour.

#include "PortStatusView.h"

#include <QColor>
#include <QWidget>

class StatusLamp : public QWidget {
    Q_OBJECT
public:
    explicit StatusLamp(QWidget* parent);
    // Blue (0, 0, 255) while no run watches the port, green (0, 255, 0) for a
    // healthy port, red (255, 0, 0) for a port reporting an error.
    void setColour(LampColour colour);
    QColor colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_{0, 0, 255};
};
