#include "TrendChart.h"

#include "TrendSignals.h"

#include <QChart>
#include <QGraphicsLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRubberBand>
#include <QWheelEvent>
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
    chart->addAxis(axis, alignment);
    return axis;
}

constexpr int kWantedTicks = 6;

// Sets the axis's range with labels at round steps from 0, printed with the
// decimals the step needs. The step and the range change in the order that
// never asks the axis for more labels than either of them alone: a fine step
// over a wide range would lay out thousands of labels.
void SetAxisRange(QValueAxis* axis, double low, double high) {
    const AxisTicks ticks = TicksFor(low, high, kWantedTicks);
    const bool coarser = ticks.step > axis->tickInterval();
    if (coarser)
        axis->setTickInterval(ticks.step);
    axis->setRange(low, high);
    if (!coarser)
        axis->setTickInterval(ticks.step);
    axis->setLabelFormat(QString::fromStdString(ticks.format));
    if (axis->tickType() != QValueAxis::TicksDynamic) {
        axis->setTickAnchor(0);
        axis->setTickType(QValueAxis::TicksDynamic);
    }
}

QGraphicsSimpleTextItem* Text(const QColor& colour, QChart* chart) {
    auto* item = new QGraphicsSimpleTextItem(chart);
    item->setBrush(colour);
    item->setZValue(10);
    return item;
}

constexpr int kLegendWidth = 80;
constexpr int kDragPixels = 4;       // a shorter drag is a click
constexpr double kWheelZoom = 0.8;   // one wheel step in
constexpr double kKeyPanShare = 0.1; // of the visible span
constexpr int kWheelStep = 120;      // eighths of a degree per wheel step
const char* const kCursorNames[2] = {"A", "B"};

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
    SetAxisRange(axisY_, 0, 1);
    for (QLineSeries* series : {Series1, Series2}) {
        series->attachAxis(axisX_);
        series->attachAxis(axisY_);
    }
    for (int c = 0; c < 2; ++c) {
        legend_[c] = Text(series(c + 1)->pen().color(), chart);
        cursorLines_[c] = new QGraphicsLineItem(chart);
        cursorLines_[c]->setPen(QPen(Qt::white, 1, Qt::DashLine));
        cursorLines_[c]->hide();
    }
    readout_ = Text(Qt::white, chart);
    cursorReadout_ = Text(Qt::white, chart);
    connect(chart, &QChart::plotAreaChanged, this, &TrendChart::placeLegend);
    setBackgroundBrush(Qt::black);
    points_.reserve(kTrendHistoryLength);
    band_ = new QRubberBand(QRubberBand::Rectangle, viewport());
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    applyTimeView();
}

void TrendChart::showHistory(int curve, const TrendHistory& history, int length) {
    (curve == 1 ? latest_.history1 : latest_.history2) = history;
    (curve == 1 ? latest_.length1 : latest_.length2) = length;
    handed_[curve - 1] = true;
    if (!view_.paused())
        draw(curve);
}

void TrendChart::draw(int curve) {
    const TrendHistory& history = curve == 1 ? latest_.history1 : latest_.history2;
    const int length = curve == 1 ? latest_.length1 : latest_.length2;
    (curve == 1 ? drawn_.history1 : drawn_.history2) = history;
    (curve == 1 ? drawn_.length1 : drawn_.length2) = length;
    points_.resize(length);
    for (int x = 0; x < length; ++x)
        points_[x] = QPointF(x, history[static_cast<size_t>(x)]);
    series(curve)->replace(points_);
    legend_[curve - 1]->setText(length > 0 ? TrendShortValueText(history[0]) : QString());
    fitValueAxis();
    if (cursors_[0] || cursors_[1])
        cursorReadout_->setText(cursorText());
}

void TrendChart::clearCurve(int curve) {
    series(curve)->clear();
    handed_[curve - 1] = false;
    legend_[curve - 1]->setText(QString());
}

void TrendChart::setPaused(bool paused) {
    if (paused == view_.paused())
        return;
    if (paused) {
        view_.pause();
    } else {
        view_.resume();
        for (int curve = 1; curve <= 2; ++curve)
            if (handed_[curve - 1])
                draw(curve);
        applyTimeView();
    }
    emit pausedChanged(paused);
}

void TrendChart::resetView() {
    view_.reset();
    applyTimeView();
}

void TrendChart::applyTimeView() {
    SetAxisRange(axisX_, view_.span().low, view_.span().high);
    placeCursorLines();
}

void TrendChart::placeLegend(const QRectF& plotArea) {
    for (int c = 0; c < 2; ++c)
        legend_[c]->setPos(plotArea.right() - kLegendWidth, plotArea.top() + 4 + 16 * c);
    readout_->setPos(plotArea.left() + 4, plotArea.top() + 4);
    cursorReadout_->setPos(plotArea.left() + 4, plotArea.top() + 20);
    placeCursorLines();
}

void TrendChart::placeCursorLines() {
    const QRectF plot = chart()->plotArea();
    for (int c = 0; c < 2; ++c) {
        const std::optional<double> at = cursors_[c];
        const bool visible = at && *at >= axisX_->min() && *at <= axisX_->max();
        cursorLines_[c]->setVisible(visible);
        if (!visible)
            continue;
        const double x = chart()->mapToPosition(QPointF(*at, axisY_->min()), Series1).x();
        cursorLines_[c]->setLine(x, plot.top(), x, plot.bottom());
    }
}

double TrendChart::timeAt(const QPoint& at) const {
    return chart()->mapToValue(chart()->mapFromScene(mapToScene(at)), Series1).x();
}

QString TrendChart::readoutText() const {
    return readout_->text();
}

QString TrendChart::cursorText() const {
    QStringList parts;
    std::array<TrendReadout, 2> readouts{};
    for (int c = 0; c < 2; ++c) {
        if (!cursors_[c])
            continue;
        readouts[c] = ReadoutAt(*cursors_[c], drawn_, shown(1), shown(2));
        parts << QLatin1String(kCursorNames[c]) + QLatin1Char(' ') +
                     QString::fromStdString(ReadoutText(readouts[c]));
    }
    if (cursors_[0] && cursors_[1])
        parts << QStringLiteral("B - A ") + QString::fromStdString(ReadoutText(
                                                ReadoutDifference(readouts[0], readouts[1])));
    return parts.join(QStringLiteral("    "));
}

void TrendChart::showReadoutAt(const QPoint& at) {
    const TrendReadout readout = ReadoutAt(timeAt(at), drawn_, shown(1), shown(2));
    readout_->setText(QString::fromStdString(ReadoutText(readout)));
}

void TrendChart::placeCursor(int cursor, const QPoint& at) {
    cursors_[cursor] = ReadoutAt(timeAt(at), drawn_, false, false).index;
    cursorReadout_->setText(cursorText());
    placeCursorLines();
}

void TrendChart::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button();
    pressedAt_ = event->position().toPoint();
    event->accept();
}

void TrendChart::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    showReadoutAt(at);
    if (pressed_ == Qt::LeftButton) {
        band_->setGeometry(QRect(pressedAt_, at).normalized());
        band_->show();
    } else if (pressed_ == Qt::RightButton && view_.paused()) {
        if (view_.pan(timeAt(pressedAt_) - timeAt(at)))
            applyTimeView();
        pressedAt_ = at;
    }
    event->accept();
}

void TrendChart::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (pressed_ == Qt::LeftButton) {
        band_->hide();
        if (std::abs(at.x() - pressedAt_.x()) >= kDragPixels) {
            view_.zoomTo(timeAt(pressedAt_), timeAt(at));
            applyTimeView();
        } else {
            placeCursor(event->modifiers() & Qt::ShiftModifier ? 1 : 0, at);
        }
    }
    pressed_ = Qt::NoButton;
    event->accept();
}

void TrendChart::wheelEvent(QWheelEvent* event) {
    const double steps = event->angleDelta().y() / static_cast<double>(kWheelStep);
    if (steps != 0) {
        view_.zoomAt(timeAt(event->position().toPoint()), std::pow(kWheelZoom, steps));
        applyTimeView();
    }
    event->accept();
}

// Keys while the chart has the focus: Space pauses and resumes, + and - zoom
// at the middle, Left and Right pan (paused), Home shows the whole history.
void TrendChart::keyPressEvent(QKeyEvent* event) {
    const AxisSpan span = view_.span();
    const double width = span.high - span.low;
    switch (event->key()) {
    case Qt::Key_Space:
        setPaused(!view_.paused());
        return;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        view_.zoomAt((span.low + span.high) / 2, kWheelZoom);
        break;
    case Qt::Key_Minus:
        view_.zoomAt((span.low + span.high) / 2, 1 / kWheelZoom);
        break;
    case Qt::Key_Left:
        view_.pan(-width * kKeyPanShare);
        break;
    case Qt::Key_Right:
        view_.pan(width * kKeyPanShare);
        break;
    case Qt::Key_Home:
        view_.reset();
        break;
    default:
        QChartView::keyPressEvent(event);
        return;
    }
    applyTimeView();
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
        SetAxisRange(axisY_, fittedLow, fittedHigh);
}
