// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A chart's key in rows under the plot: as many entries a row as the width
// holds (in columns of one width, so the names line up), further rows below,
// no name cut short unless one alone is wider than the chart. The same
// drawing goes on screen and into an exported picture.

#include <QColor>
#include <QString>
#include <QWidget>
#include <vector>

class QPainter;

struct LegendEntry {
    // How the plot draws what the entry names.
    enum class Mark { Circle, Square, Triangle, Star, Pentagon, Ring, None };

    QString name;
    QColor colour;
    Mark mark = Mark::None;
    // The line through the mark; Qt::NoPen for marks alone.
    Qt::PenStyle stroke = Qt::NoPen;
    qreal strokeWidth = 2;

    bool operator==(const LegendEntry&) const = default;
};

class ChartLegend : public QWidget {
    Q_OBJECT
public:
    explicit ChartLegend(QWidget* parent = nullptr);

    void SetEntries(std::vector<LegendEntry> entries);
    const std::vector<LegendEntry>& Entries() const { return entries_; }

    // Entries a row and rows at a width, in this widget's font.
    int Columns(int width) const;
    int Rows(int width) const;

    // The entries drawn from the top of area, in font; the height used.
    static int Paint(QPainter& painter, const QRect& area, const QFont& font,
                     const std::vector<LegendEntry>& entries);
    static int HeightFor(int width, const QFont& font, const std::vector<LegendEntry>& entries);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<LegendEntry> entries_;
};
