// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/charts/PerChart.h"

#include "windows/ColumnTitles.h"
#include "windows/charts/ChartLegend.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QImage>
#include <QLegend>
#include <QLineSeries>
#include <QPainter>
#include <QResizeEvent>
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
// With the ten colours, a shape for each group of four rates: twenty rates
// drawn all differ, and the shapes still tell most apart in grey print.
// Each shape with the legend's drawing of it.
struct Shape {
    QScatterSeries::MarkerShape plotted;
    LegendEntry::Mark legend;
};
constexpr std::array<Shape, 5> kShapes{{
    {QScatterSeries::MarkerShapeCircle, LegendEntry::Mark::Circle},
    {QScatterSeries::MarkerShapeRectangle, LegendEntry::Mark::Square},
    {QScatterSeries::MarkerShapeTriangle, LegendEntry::Mark::Triangle},
    {QScatterSeries::MarkerShapeStar, LegendEntry::Mark::Star},
    {QScatterSeries::MarkerShapePentagon, LegendEntry::Mark::Pentagon},
}};

LegendEntry::Mark MarkOf(QScatterSeries::MarkerShape plotted) {
    for (const Shape& shape : kShapes) {
        if (shape.plotted == plotted)
            return shape.legend;
    }
    return LegendEntry::Mark::None;
}

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
    // The chart's own legend keeps to one row or column and cuts names
    // short; ours wraps under the plot.
    chart_->legend()->hide();
    chart_->setMargins(QMargins(4, 4, 4, 4));

    // Half a channel either side, so the first and last points are whole.
    channelAxis_ = new QValueAxis(chart_);
    channelAxis_->setTitleText(tr("Channel"));
    channelAxis_->setRange(0.5, 14.5);
    channelAxis_->setTickType(QValueAxis::TicksDynamic);
    channelAxis_->setTickAnchor(1);
    channelAxis_->setTickInterval(1);
    channelAxis_->setLabelFormat(QStringLiteral("%d"));
    chart_->addAxis(channelAxis_, Qt::AlignBottom);

    perAxis_ = new QValueAxis(chart_);
    perAxis_->setTitleText(tr("PER"));
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
    view_->viewport()->setFocusPolicy(Qt::NoFocus); // else an unmarked stop of Tab
    view_->setAccessibleName(tr("PER over channel"));
    legend_ = new ChartLegend(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(view_, 1);
    layout->addWidget(legend_);
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
        for (QAbstractSeries* series :
             {static_cast<QAbstractSeries*>(line), static_cast<QAbstractSeries*>(dots_.at(key))}) {
            chart_->removeSeries(series);
            delete series;
        }
    }
    lines_.clear();
    dots_.clear();
    rateColours_.clear();
    allPoints_.clear();
    runLabels_.clear();
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
    FitPerAxis();
    ShowLegend();
}

void PerChart::SetRunLabel(int run, const QString& label) {
    runLabels_[run] = label;
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
    const QColor hue = QColor::fromRgb(kLineColours[colour % kLineColours.size()]);
    // Runs laid over each other differ by their strokes and marker shapes.
    static constexpr std::array<Qt::PenStyle, 5> kStrokes{Qt::SolidLine, Qt::DashLine, Qt::DotLine,
                                                          Qt::DashDotLine, Qt::DashDotDotLine};
    QPen pen(hue, 2, kStrokes[static_cast<std::size_t>(run) % kStrokes.size()]);
    line->setPen(pen);
    chart_->addSeries(line);
    Attach(line);
    // The points in the rate's shape; the legend names the rate by them.
    auto* dots = new QScatterSeries(chart_);
    dots->setName(name);
    const std::size_t shape = runLabels_.empty() ? colour / 4 : static_cast<std::size_t>(run);
    dots->setMarkerShape(kShapes[shape % kShapes.size()].plotted);
    dots->setMarkerSize(9);
    dots->setColor(hue);
    dots->setBorderColor(hue.darker(140));
    chart_->addSeries(dots);
    Attach(dots);
    lines_.emplace(key, line);
    dots_.emplace(key, dots);
    ShowLegend();
    return line;
}

void PerChart::AddPoint(int channel, double rateMbps, std::optional<double> perPercent, int run) {
    if (!perPercent)
        return;
    const QPointF point(channel, *perPercent);
    LineOf(rateMbps, run)->append(point);
    dots_.at(std::make_pair(run, Tenths(rateMbps)))->append(point);
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
    // A little below 0, so points at 0 % stand clear of the axis.
    perAxis_->setRange(-top / 25, top);
    // Written as the grid and the tables write a PER, its unit on each tick.
    perAxis_->setLabelFormat(QStringLiteral("%.%1f %%").arg(kPerDecimals));
}

void PerChart::ShowLegend() {
    // Rates in order within each run, then the limit and its marks.
    std::vector<LegendEntry> entries;
    for (const auto& [key, line] : lines_) {
        const QScatterSeries* dots = dots_.at(key);
        entries.push_back({dots->name(), dots->color(), MarkOf(dots->markerShape()),
                           line->pen().style(), line->pen().widthF()});
    }
    if (limit_) {
        entries.push_back({limitLine_->name(), kLimitColour, LegendEntry::Mark::None,
                           limitLine_->pen().style(), limitLine_->pen().widthF()});
        // The ring drawn round a point above the limit, as on the plot.
        entries.push_back({marked_->name(), kLimitColour, LegendEntry::Mark::Ring});
    }
    legend_->SetEntries(std::move(entries));
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

bool PerChart::SavePng(const QString& path, QString& why, const QString& title, QSize size) const {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    RenderAt(image, size, title);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Write(path, bytes, why);
}

bool PerChart::SaveSvg(const QString& path, QString& why, const QString& title) const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(kExportSize);
    svg.setViewBox(QRect(QPoint(0, 0), kExportSize));
    svg.setTitle(title.isEmpty() ? tr("PER over channel") : title);
    RenderAt(svg, kExportSize, title);
    return Write(path, bytes, why);
}

void PerChart::RenderAt(QPaintDevice& device, QSize size, const QString& title) const {
    // The picture has a size of its own, not the window's, and its title;
    // the legend's rows under the plot as on screen.
    const QSize shown = view_->size();
    const int legendHeight =
        ChartLegend::HeightFor(size.width(), legend_->font(), legend_->Entries());
    const QSize plot(size.width(), size.height() - legendHeight);
    chart_->setTitle(title);
    ResizeView(plot);
    QPainter painter(&device);
    painter.setRenderHint(QPainter::Antialiasing);
    view_->render(&painter, QRectF(QPoint(), plot), QRect(QPoint(), plot));
    ChartLegend::Paint(painter, QRect(0, plot.height(), size.width(), legendHeight),
                       legend_->font(), legend_->Entries());
    painter.end();
    chart_->setTitle(QString());
    ResizeView(shown);
}

void PerChart::ResizeView(QSize size) const {
    // Hidden, a view is told its size only when shown; the chart follows it now.
    const QSize before = view_->size();
    view_->resize(size);
    QResizeEvent resized(size, before);
    QCoreApplication::sendEvent(view_, &resized);
}
