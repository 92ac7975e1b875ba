// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/charts/ChartLegend.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr int kSwatch = 30;  // the stroke's length, the mark in its middle
constexpr int kGap = 6;      // swatch to name
constexpr int kPadding = 18; // after the name, before the next column
constexpr qreal kMarkSize = 9;
constexpr int kMargin = 12; // clear of the edges: left, right and under the last row

int RowHeight(const QFontMetrics& metrics) {
    return std::max(metrics.height(), 14) + 4;
}

int CellWidth(const QFontMetrics& metrics, const std::vector<LegendEntry>& entries) {
    int widest = 0;
    for (const LegendEntry& entry : entries)
        widest = std::max(widest, metrics.horizontalAdvance(entry.name));
    return kSwatch + kGap + widest + kPadding;
}

int ColumnsAt(int width, const QFontMetrics& metrics, const std::vector<LegendEntry>& entries) {
    if (entries.empty())
        return 1;
    const int fit = std::max(1, (width - 2 * kMargin) / CellWidth(metrics, entries));
    return std::min(fit, static_cast<int>(entries.size()));
}

// Corners alternating between two radii (a star), or one (a polygon), the first up.
QPolygonF Corners(QPointF centre, int corners, qreal outer, qreal inner) {
    QPolygonF polygon;
    const int points = inner > 0 ? corners * 2 : corners;
    for (int i = 0; i < points; ++i) {
        const qreal angle = -std::numbers::pi / 2 + 2 * std::numbers::pi * i / points;
        const qreal radius = inner > 0 && i % 2 ? inner : outer;
        polygon << centre + QPointF(radius * std::cos(angle), radius * std::sin(angle));
    }
    return polygon;
}

void PaintMark(QPainter& painter, QPointF centre, const LegendEntry& entry) {
    using Mark = LegendEntry::Mark;
    const qreal r = kMarkSize / 2;
    painter.setPen(QPen(entry.colour.darker(140), 1));
    painter.setBrush(entry.colour);
    switch (entry.mark) {
    case Mark::Circle:
        painter.drawEllipse(centre, r, r);
        break;
    case Mark::Square:
        painter.drawRect(QRectF(centre - QPointF(r, r), QSizeF(kMarkSize, kMarkSize)));
        break;
    case Mark::Triangle:
        painter.drawPolygon(Corners(centre, 3, r * 1.2, 0));
        break;
    case Mark::Star:
        painter.drawPolygon(Corners(centre, 5, r * 1.3, r * 0.55));
        break;
    case Mark::Pentagon:
        painter.drawPolygon(Corners(centre, 5, r * 1.1, 0));
        break;
    case Mark::Ring:
        painter.setPen(QPen(entry.colour, 2.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, r + 2, r + 2);
        break;
    case Mark::None:
        break;
    }
}

} // namespace

ChartLegend::ChartLegend(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("chartLegend"));
    setAccessibleName(tr("Legend"));
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void ChartLegend::SetEntries(std::vector<LegendEntry> entries) {
    if (entries == entries_)
        return;
    entries_ = std::move(entries);
    QStringList names;
    for (const LegendEntry& entry : entries_)
        names << entry.name;
    setAccessibleDescription(names.join(QStringLiteral("; ")));
    updateGeometry();
    update();
}

int ChartLegend::Columns(int width) const {
    return ColumnsAt(width, fontMetrics(), entries_);
}

int ChartLegend::Rows(int width) const {
    const int columns = Columns(width);
    return (static_cast<int>(entries_.size()) + columns - 1) / columns;
}

int ChartLegend::HeightFor(int width, const QFont& font, const std::vector<LegendEntry>& entries) {
    const QFontMetrics metrics(font);
    const int columns = ColumnsAt(width, metrics, entries);
    const int rows = (static_cast<int>(entries.size()) + columns - 1) / columns;
    return entries.empty() ? 0 : rows * RowHeight(metrics) + kMargin / 2;
}

int ChartLegend::Paint(QPainter& painter, const QRect& area, const QFont& font,
                       const std::vector<LegendEntry>& entries) {
    if (entries.empty())
        return 0;
    const QFontMetrics metrics(font);
    const int columns = ColumnsAt(area.width(), metrics, entries);
    const int inside = area.width() - 2 * kMargin;
    const int cell = std::min(CellWidth(metrics, entries), inside);
    const int rowHeight = RowHeight(metrics);
    // The rows centred under the plot.
    const int left = area.left() + kMargin + (inside - columns * cell) / 2;
    painter.save();
    painter.setFont(font);
    painter.setRenderHint(QPainter::Antialiasing);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const LegendEntry& entry = entries[i];
        const int column = static_cast<int>(i) % columns;
        const int row = static_cast<int>(i) / columns;
        const QRect box(left + column * cell, area.top() + row * rowHeight, cell, rowHeight);
        const qreal middle = box.top() + rowHeight / 2.0;
        if (entry.stroke != Qt::NoPen) {
            painter.setPen(QPen(entry.colour, entry.strokeWidth, entry.stroke));
            painter.drawLine(QPointF(box.left() + 1, middle),
                             QPointF(box.left() + kSwatch - 1, middle));
        }
        PaintMark(painter, QPointF(box.left() + kSwatch / 2.0, middle), entry);
        const QRect text(box.left() + kSwatch + kGap, box.top(), cell - kSwatch - kGap, rowHeight);
        painter.setPen(QPen(Qt::black));
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(entry.name, Qt::ElideMiddle, text.width()));
    }
    painter.restore();
    return HeightFor(area.width(), font, entries);
}

int ChartLegend::heightForWidth(int width) const {
    return HeightFor(width, font(), entries_);
}

QSize ChartLegend::sizeHint() const {
    const int width = CellWidth(fontMetrics(), entries_) * 3;
    return {width, heightForWidth(width)};
}

QSize ChartLegend::minimumSizeHint() const {
    return {kSwatch * 3, 0};
}

void ChartLegend::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Paint(painter, rect(), font(), entries_);
}
