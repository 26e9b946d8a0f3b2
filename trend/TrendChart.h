#pragma once
// Chart_Trend: the trend page's line chart. Black, no margins, two curves
// without point marks (Series1 yellow, Series2 lime green) of 256 points at
// x = 0 … 255, the newest value at x = 0; a legend in the plot's top right
// corner shows each curve's newest value in its colour.
//
// Its tools: Pause keeps the picture while the histories go on filling, and
// Resume shows the present; dragging with the left button zooms the time axis
// into the dragged span, the wheel zooms it at the mouse; while paused,
// dragging with the right button or Left / Right pans; Reset view shows the
// whole history. A readout in the plot's top left corner shows both curves at
// the mouse, and a click places cursor A (Shift+click cursor B) with the
// difference B - A below. UI thread only.

#include "TrendChartTools.h"
#include "Tthread_dataconvert_rxcan.h"

#include <QChartView>
#include <QGraphicsLineItem>
#include <QGraphicsSimpleTextItem>
#include <QLineSeries>
#include <QValueAxis>
#include <array>
#include <optional>

class QRubberBand;

class TrendChart : public QChartView {
    Q_OBJECT
public:
    explicit TrendChart(QWidget* parent = nullptr);

    // Curve 1 or 2.
    QLineSeries* series(int curve) const { return curve == 1 ? Series1 : Series2; }
    // The curve's newest history, of which the first `length` entries are
    // values; drawn at once unless the chart is paused. No points (and no
    // legend value) for a length of 0.
    void showHistory(int curve, const TrendHistory& history, int length);
    void clearCurve(int curve);

    const TrendTimeView& timeView() const { return view_; }
    QValueAxis* timeAxis() const { return axisX_; }
    QValueAxis* valueAxis() const { return axisY_; }
    // The readout lines as shown: at the mouse, and the cursors' difference.
    QString readoutText() const;
    QString cursorText() const;
    // The readout at the chart position `at` (widget coordinates); cursor A or B there.
    void showReadoutAt(const QPoint& at);
    void placeCursor(int cursor, const QPoint& at);

public slots:
    void setPaused(bool paused);
    void resetView();

signals:
    void pausedChanged(bool paused);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void draw(int curve);
    // Fits the value axis to the points of both curves.
    void fitValueAxis();
    void placeLegend(const QRectF& plotArea);
    // Shows the time view's span on the time axis.
    void applyTimeView();
    void placeCursorLines();
    double timeAt(const QPoint& at) const;
    bool shown(int curve) const { return series(curve)->count() > 0; }

    QLineSeries* Series1;
    QLineSeries* Series2;
    QValueAxis* axisX_;
    QValueAxis* axisY_;
    std::array<QGraphicsSimpleTextItem*, 2> legend_{};
    QList<QPointF> points_; // reused by every refresh

    TrendTimeView view_;
    TrendHistories latest_{};      // as handed over, drawn or not
    TrendHistories drawn_{};       // what the curves show
    std::array<bool, 2> handed_{}; // a history came since the curve was cleared
    QGraphicsSimpleTextItem* readout_ = nullptr;
    QGraphicsSimpleTextItem* cursorReadout_ = nullptr;
    std::array<std::optional<double>, 2> cursors_{};
    std::array<QGraphicsLineItem*, 2> cursorLines_{};
    QRubberBand* band_ = nullptr;
    QPoint pressedAt_;
    Qt::MouseButton pressed_ = Qt::NoButton;
};
