#include "TrendChart.h"

#include <QChart>
#include <QGraphicsLayout>
#include <algorithm>

namespace {

QLineSeries* Curve(const char* name, const QColor& colour, QChart* chart) {
    auto* series = new QLineSeries(chart);
    series->setObjectName(QLatin1String(name));
    series->setPen(QPen(colour, 1));
    series->setPointsVisible(false);
    chart->addSeries(series);
    return series;
}

QValueAxis* Axis(Qt::Alignment alignment, QChart* chart) {
    auto* axis = new QValueAxis(chart);
    axis->setLabelsColor(Qt::white);
    axis->setGridLineColor(QColor(64, 64, 64));
    axis->setLinePenColor(Qt::gray);
    axis->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(axis, alignment);
    return axis;
}

} // namespace

TrendChart::TrendChart(QWidget* parent) : QChartView(parent) {
    setObjectName(QStringLiteral("Chart_Trend"));
    auto* chart = new QChart;
    chart->setBackgroundBrush(Qt::black);
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins());
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->legend()->setLabelColor(Qt::white);
    chart->legend()->setAlignment(Qt::AlignRight);
    Series1 = Curve("Series1", QColor(255, 255, 0), chart);
    Series2 = Curve("Series2", QColor(0, 255, 0), chart);
    axisX_ = Axis(Qt::AlignBottom, chart);
    axisY_ = Axis(Qt::AlignLeft, chart);
    axisX_->setRange(0, kTrendHistoryLength - 1);
    axisY_->setRange(0, 1);
    for (QLineSeries* series : {Series1, Series2}) {
        series->attachAxis(axisX_);
        series->attachAxis(axisY_);
    }
    setChart(chart);
    setBackgroundBrush(Qt::black);
    points_.resize(kTrendHistoryLength);
}

void TrendChart::showHistory(int curve, const TrendHistory& history) {
    for (int x = 0; x < kTrendHistoryLength; ++x)
        points_[x] = QPointF(x, history[static_cast<size_t>(x)]);
    QLineSeries* s = series(curve);
    s->replace(points_);
    s->setName(QString::number(history[0]));
    fitValueAxis();
}

void TrendChart::clearCurve(int curve) {
    series(curve)->clear();
    series(curve)->setName(QString());
}

void TrendChart::fitValueAxis() {
    double low = 0;
    double high = 1;
    for (const QLineSeries* s : {Series1, Series2})
        for (const QPointF& p : s->points()) {
            low = std::min(low, p.y());
            high = std::max(high, p.y());
        }
    const double margin = (high - low) * 0.05;
    if (axisY_->min() != low - margin || axisY_->max() != high + margin)
        axisY_->setRange(low - margin, high + margin);
}
