// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/charts/TraceChart.h"

#include <QChart>
#include <QChartView>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

// PerChart's colours, so a rate looks alike in both.
constexpr std::array<QRgb, 10> kTraceColours{0x1f77b4, 0xff7f0e, 0x2ca02c, 0x9467bd, 0x8c564b,
                                             0xe377c2, 0x7f7f7f, 0xbcbd22, 0x17becf, 0xd62728};
const QColor kGuideColour(0xc0, 0x00, 0x00);

// A span with a little room either side, so no point sits on the frame.
std::pair<double, double> PaddedSpan(double low, double high) {
    const double room = std::max((high - low) * 0.08, 0.5);
    return {low - room, high + room};
}

} // namespace

TraceChart::TraceChart(QWidget* parent) : QWidget(parent) {
    chart_ = new QChart;
    chart_->legend()->setAlignment(Qt::AlignBottom);
    chart_->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    chart_->setMargins(QMargins(4, 4, 4, 4));
    xAxis_ = new QValueAxis(chart_);
    yAxis_ = new QValueAxis(chart_);
    chart_->addAxis(xAxis_, Qt::AlignBottom);
    chart_->addAxis(yAxis_, Qt::AlignLeft);

    view_ = new QChartView(chart_, this);
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setObjectName(QStringLiteral("chartView"));
    // A picture: the list of points beside it holds its values.
    view_->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    setMinimumSize(320, 170);
    FitAxes();
}

TraceChart::~TraceChart() = default;

void TraceChart::SetAxes(const QString& x, const QString& y, bool wholeX) {
    xAxis_->setTitleText(x);
    yAxis_->setTitleText(y);
    wholeX_ = wholeX;
    FitAxes();
}

void TraceChart::Clear() {
    for (auto& [name, line] : lines_) {
        chart_->removeSeries(line);
        delete line;
    }
    lines_.clear();
    all_.clear();
    SetGuides(QString(), {});
}

void TraceChart::SetGuides(const QString& name, const std::vector<double>& values) {
    for (QLineSeries* guide : guides_) {
        chart_->removeSeries(guide);
        delete guide;
    }
    guides_.clear();
    guideValues_ = values;
    for (std::size_t i = 0; i < values.size(); ++i) {
        auto* guide = new QLineSeries(chart_);
        guide->setName(name);
        guide->setPen(QPen(kGuideColour, 1.5, Qt::DashLine));
        chart_->addSeries(guide);
        guide->attachAxis(xAxis_);
        guide->attachAxis(yAxis_);
        // One entry in the legend for them all.
        if (i > 0) {
            for (QLegendMarker* marker : chart_->legend()->markers(guide))
                marker->setVisible(false);
        }
        guides_.push_back(guide);
    }
    FitAxes();
}

void TraceChart::AddPoint(const QString& line, double x, double y) {
    auto found = lines_.find(line);
    if (found == lines_.end()) {
        auto* series = new QLineSeries(chart_);
        series->setName(line);
        series->setPointsVisible(true);
        const QColor hue = QColor::fromRgb(kTraceColours[lines_.size() % kTraceColours.size()]);
        series->setPen(QPen(hue, 2));
        chart_->addSeries(series);
        series->attachAxis(xAxis_);
        series->attachAxis(yAxis_);
        found = lines_.emplace(line, series).first;
    }
    // In the order of x: a search that jumps about still draws one curve.
    QLineSeries& series = *found->second;
    int at = static_cast<int>(series.count());
    while (at > 0 && series.at(at - 1).x() > x)
        --at;
    series.insert(at, QPointF(x, y));
    all_.append(QPointF(x, y));
    FitAxes();
}

void TraceChart::FitAxes() {
    double left = 0, right = 1, bottom = 0, top = 1;
    if (!all_.isEmpty()) {
        const auto [xLow, xHigh] =
            std::minmax_element(all_.begin(), all_.end(),
                                [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
        const auto [yLow, yHigh] =
            std::minmax_element(all_.begin(), all_.end(),
                                [](const QPointF& a, const QPointF& b) { return a.y() < b.y(); });
        left = xLow->x();
        right = xHigh->x();
        bottom = yLow->y();
        top = yHigh->y();
    }
    for (const double guide : guideValues_) {
        bottom = std::min(bottom, guide);
        top = std::max(top, guide);
    }
    if (wholeX_) {
        xAxis_->setRange(std::floor(left) - 0.5, std::ceil(right) + 0.5);
        xAxis_->setTickType(QValueAxis::TicksDynamic);
        xAxis_->setTickAnchor(0);
        xAxis_->setTickInterval(std::max(1.0, std::ceil((right - left) / 10)));
        xAxis_->setLabelFormat(QStringLiteral("%d"));
    } else {
        const auto [low, high] = PaddedSpan(left, right);
        xAxis_->setTickType(QValueAxis::TicksFixed);
        xAxis_->setRange(low, high);
        xAxis_->applyNiceNumbers();
        xAxis_->setLabelFormat(QStringLiteral("%g"));
    }
    // Ticks at round values, so the labels read at a glance.
    const auto [low, high] = PaddedSpan(bottom, top);
    yAxis_->setRange(low, high);
    yAxis_->applyNiceNumbers();
    yAxis_->setLabelFormat(QStringLiteral("%g"));
    // The guides reach across whatever the points span.
    for (std::size_t i = 0; i < guides_.size(); ++i)
        guides_[i]->replace(
            {QPointF(xAxis_->min(), guideValues_[i]), QPointF(xAxis_->max(), guideValues_[i])});
}

QList<QPointF> TraceChart::Points(const QString& line) const {
    const auto found = lines_.find(line);
    return found == lines_.end() ? QList<QPointF>() : found->second->points();
}

int TraceChart::PointCount() const {
    return static_cast<int>(all_.size());
}
