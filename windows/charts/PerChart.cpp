// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/charts/PerChart.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QImage>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QSaveFile>
#include <QScatterSeries>
#include <QSvgGenerator>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Colours told apart also in print; a rate keeps its colour in both runs.
constexpr std::array<QRgb, 10> kLineColours{0x1f77b4, 0xff7f0e, 0x2ca02c, 0x9467bd, 0x8c564b,
                                            0xe377c2, 0x7f7f7f, 0xbcbd22, 0x17becf, 0xd62728};
const QColor kLimitColour(0xc0, 0x00, 0x00);

int Tenths(double mbps) {
    return static_cast<int>(std::lround(mbps * 10));
}

QString RateName(double mbps) {
    return QStringLiteral("%1 Mbit/s").arg(mbps, 0, 'f', 1);
}

bool Write(const QString& path, const QByteArray& bytes, QString& why) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    why = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
    return false;
}

} // namespace

PerChart::PerChart(QWidget* parent) : QWidget(parent) {
    chart_ = new QChart;
    chart_->legend()->setAlignment(Qt::AlignBottom);
    chart_->setMargins(QMargins(4, 4, 4, 4));

    channelAxis_ = new QValueAxis(chart_);
    channelAxis_->setTitleText(tr("Channel"));
    channelAxis_->setRange(1, 14);
    channelAxis_->setTickCount(14);
    channelAxis_->setLabelFormat(QStringLiteral("%d"));
    chart_->addAxis(channelAxis_, Qt::AlignBottom);

    perAxis_ = new QValueAxis(chart_);
    perAxis_->setTitleText(tr("PER (%)"));
    chart_->addAxis(perAxis_, Qt::AlignLeft);

    limitLine_ = new QLineSeries(chart_);
    QPen limitPen(kLimitColour, 1.5, Qt::DashLine);
    limitLine_->setPen(limitPen);
    chart_->addSeries(limitLine_);
    Attach(limitLine_);

    marked_ = new QScatterSeries(chart_);
    marked_->setName(tr("Above the limit"));
    marked_->setMarkerShape(QScatterSeries::MarkerShapeCircle);
    marked_->setMarkerSize(14);
    marked_->setBrush(Qt::NoBrush);
    marked_->setPen(QPen(kLimitColour, 2.5));
    chart_->addSeries(marked_);
    Attach(marked_);

    view_ = new QChartView(chart_, this);
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setObjectName(QStringLiteral("chartView"));
    // A picture to the keyboard and to screen readers: the grid beside it
    // holds its values.
    view_->setFocusPolicy(Qt::NoFocus);
    view_->setAccessibleName(tr("PER over channel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    setMinimumSize(420, 280);
    Clear();
}

PerChart::~PerChart() = default;

void PerChart::Attach(QAbstractSeries* series) {
    series->attachAxis(channelAxis_);
    series->attachAxis(perAxis_);
}

void PerChart::Clear() {
    for (auto& [key, line] : lines_) {
        chart_->removeSeries(line);
        delete line;
    }
    lines_.clear();
    rateColours_.clear();
    allPoints_.clear();
    runLabels_.clear();
    chart_->legend()->setAlignment(Qt::AlignBottom);
    marked_->clear();
    highestPer_ = 0;
    SetLimit(std::nullopt);
}

void PerChart::SetLimit(std::optional<double> percent) {
    limit_ = percent;
    limitLine_->clear();
    if (limit_) {
        limitLine_->setName(tr("Limit %1 %").arg(*limit_));
        limitLine_->append(1, *limit_);
        limitLine_->append(14, *limit_);
    }
    // The legend shows the limit and its marks only when there is one.
    for (QAbstractSeries* series :
         {static_cast<QAbstractSeries*>(limitLine_), static_cast<QAbstractSeries*>(marked_)}) {
        for (QLegendMarker* marker : chart_->legend()->markers(series))
            marker->setVisible(limit_.has_value());
    }
    FitPerAxis();
}

void PerChart::SetRunLabel(int run, const QString& label) {
    runLabels_[run] = label;
    // Two runs' lines make a legend too long for a row under the chart.
    chart_->legend()->setAlignment(Qt::AlignRight);
}

QLineSeries* PerChart::LineOf(double rateMbps, int run) {
    const auto key = std::make_pair(run, Tenths(rateMbps));
    if (const auto found = lines_.find(key); found != lines_.end())
        return found->second;

    // A rate keeps the colour it was first drawn in, whatever the run.
    const auto colour = rateColours_.try_emplace(key.second, rateColours_.size()).first->second;
    auto* line = new QLineSeries(chart_);
    QString name = RateName(rateMbps);
    if (const auto label = runLabels_.find(run); label != runLabels_.end())
        name += QStringLiteral(" \u2014 ") + label->second;
    line->setName(name);
    line->setPointsVisible(true);
    QPen pen(QColor::fromRgb(kLineColours[colour % kLineColours.size()]), 2,
             run == 0 ? Qt::SolidLine : Qt::DashLine);
    line->setPen(pen);
    chart_->addSeries(line);
    Attach(line);
    lines_.emplace(key, line);
    return line;
}

void PerChart::AddPoint(int channel, double rateMbps, std::optional<double> perPercent, int run) {
    if (!perPercent)
        return;
    const QPointF point(channel, *perPercent);
    LineOf(rateMbps, run)->append(point);
    allPoints_.append(point);
    if (limit_ && *perPercent > *limit_)
        marked_->append(point);
    highestPer_ = std::max(highestPer_, *perPercent);
    FitPerAxis();
}

void PerChart::FitPerAxis() {
    // Headroom above the highest point and the limit, ticks at round steps.
    const double highest = std::max({highestPer_, limit_.value_or(0), 4.0}) * 1.15;
    double step = 100;
    for (const double round : {0.5, 1.0, 2.0, 5.0, 10.0, 20.0}) {
        if (highest / round <= 8) {
            step = round;
            break;
        }
    }
    const double top = std::min(100.0, std::ceil(highest / step) * step);
    perAxis_->setTickType(QValueAxis::TicksDynamic);
    perAxis_->setTickAnchor(0);
    perAxis_->setTickInterval(step);
    perAxis_->setRange(0, top);
    perAxis_->setLabelFormat(step < 1 ? QStringLiteral("%.1f") : QStringLiteral("%.0f"));
}

QList<QPointF> PerChart::Points(double rateMbps, int run) const {
    const auto found = lines_.find(std::make_pair(run, Tenths(rateMbps)));
    return found == lines_.end() ? QList<QPointF>() : found->second->points();
}

int PerChart::PointCount() const {
    return static_cast<int>(allPoints_.size());
}

int PerChart::MarkedCount() const {
    return static_cast<int>(marked_->count());
}

bool PerChart::SavePng(const QString& path, QString& why) const {
    QImage image(view_->size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    view_->render(&painter);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Write(path, bytes, why);
}

bool PerChart::SaveSvg(const QString& path, QString& why) const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(view_->size());
    svg.setViewBox(QRect(QPoint(0, 0), view_->size()));
    svg.setTitle(tr("PER over channel"));
    QPainter painter(&svg);
    view_->render(&painter);
    painter.end();
    return Write(path, bytes, why);
}
