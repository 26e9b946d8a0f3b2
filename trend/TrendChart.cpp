#include "TrendChart.h"

#include "TrendSignals.h"

#include <QChart>
#include <QGraphicsLayout>
#include <QGraphicsSimpleTextItem>
#include <algorithm>
#include <cmath>

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

constexpr int kLegendWidth = 80;

} // namespace

TrendChart::TrendChart(QWidget* parent) : QChartView(parent) {
    setObjectName(QStringLiteral("Chart_Trend"));
    // The view's own chart: replacing it with setChart() would leave the first
    // one to the caller to delete.
    QChart* chart = this->chart();
    chart->setBackgroundBrush(Qt::black);
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins());
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    // The chart's own legend lays the whole chart out again whenever a value
    // changes; two text items in the plot's corner only repaint themselves.
    chart->legend()->hide();
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
    for (int c = 0; c < 2; ++c) {
        legend_[c] = new QGraphicsSimpleTextItem(chart);
        legend_[c]->setBrush(series(c + 1)->pen().color());
    }
    connect(chart, &QChart::plotAreaChanged, this, &TrendChart::placeLegend);
    setBackgroundBrush(Qt::black);
    points_.resize(kTrendHistoryLength);
}

void TrendChart::showHistory(int curve, const TrendHistory& history) {
    for (int x = 0; x < kTrendHistoryLength; ++x)
        points_[x] = QPointF(x, history[static_cast<size_t>(x)]);
    QLineSeries* s = series(curve);
    s->replace(points_);
    legend_[curve - 1]->setText(TrendShortValueText(history[0]));
    fitValueAxis();
}

void TrendChart::clearCurve(int curve) {
    series(curve)->clear();
    legend_[curve - 1]->setText(QString());
}

void TrendChart::placeLegend(const QRectF& plotArea) {
    for (int c = 0; c < 2; ++c)
        legend_[c]->setPos(plotArea.right() - kLegendWidth, plotArea.top() + 4 + 16 * c);
}

void TrendChart::fitValueAxis() {
    double low = 0;
    double high = 1;
    for (const QLineSeries* s : {Series1, Series2})
        for (const QPointF& p : s->points()) {
            low = std::min(low, p.y());
            high = std::max(high, p.y());
        }
    // Steps of a tenth of the span's power of ten, so that the axis (and with it
    // the whole plot's layout) changes only when the curves leave it or shrink
    // to less than half of it.
    const double step = std::pow(10.0, std::floor(std::log10(high - low))) / 10;
    const double fittedLow = std::floor(low / step) * step - step;
    const double fittedHigh = std::ceil(high / step) * step + step;
    const bool outside = low < axisY_->min() || high > axisY_->max();
    const bool loose = (high - low) * 2 < axisY_->max() - axisY_->min();
    if (outside || loose)
        axisY_->setRange(fittedLow, fittedHigh);
}
