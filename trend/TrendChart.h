#pragma once
// Chart_Trend: the trend page's line chart. Black, no margins, two curves
// without point marks (Series1 yellow, Series2 lime green) of 256 points at
// x = 0 … 255, the newest value at x = 0; a legend in the plot's top right
// corner shows each curve's newest value in its colour. UI thread only.

#include "Tthread_dataconvert_rxcan.h"

#include <QChartView>
#include <QGraphicsSimpleTextItem>
#include <QLineSeries>
#include <QValueAxis>
#include <array>

class TrendChart : public QChartView {
    Q_OBJECT
public:
    explicit TrendChart(QWidget* parent = nullptr);

    // Curve 1 or 2.
    QLineSeries* series(int curve) const { return curve == 1 ? Series1 : Series2; }
    // Replaces the curve's points with the first `length` values of
    // `history` in one step; none (and no legend value) for 0.
    void showHistory(int curve, const TrendHistory& history, int length);
    void clearCurve(int curve);

private:
    // Fits the value axis to the points of both curves.
    void fitValueAxis();
    void placeLegend(const QRectF& plotArea);

    QLineSeries* Series1;
    QLineSeries* Series2;
    QValueAxis* axisX_;
    QValueAxis* axisY_;
    std::array<QGraphicsSimpleTextItem*, 2> legend_{};
    QList<QPointF> points_; // reused by every refresh
};
