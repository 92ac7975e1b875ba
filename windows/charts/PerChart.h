// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// PER over channel: one line per rate, and per run where two runs are laid
// over each other; the PER limit as a horizontal line, the points above it
// marked; axes labelled with their units, numbers written as the grid and
// the tables write them; the legend in rows under the plot. New points appear as they are
// added. The chart library is used in this file pair alone (the header names
// none of its types), so moving to another touches only here.

#include <QList>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QWidget>
#include <map>
#include <optional>
#include <utility>

class ChartLegend;
class QAbstractSeries;
class QPaintDevice;
class QChart;
class QChartView;
class QLineSeries;
class QScatterSeries;
class QValueAxis;

class PerChart : public QWidget {
    Q_OBJECT
public:
    explicit PerChart(QWidget* parent = nullptr);
    ~PerChart() override;

    // No lines, no limit, no run labels.
    void Clear();
    // The limit line; none hides it.
    void SetLimit(std::optional<double> percent);
    // What the legend adds to the lines of a run (its board and date, say)
    // when several are shown; each run has its own stroke (run 0 solid) and
    // its own marker shape.
    void SetRunLabel(int run, const QString& label);
    // A measured point on its rate's line of the run; a point without a PER
    // (nothing counted sensibly) is left out.
    void AddPoint(int channel, double rateMbps, std::optional<double> perPercent, int run = 0);

    // The points drawn on a rate's line of a run, in the order added.
    QList<QPointF> Points(double rateMbps, int run = 0) const;
    int PointCount() const;
    // Points above the limit.
    int MarkedCount() const;

    // What an exported picture measures unless asked otherwise.
    static constexpr QSize kExportSize{1600, 900};
    // The chart as it shows now, at size, with a title over it (whose
    // sweep, when); false with why when the file cannot be written.
    bool SavePng(const QString& path, QString& why, const QString& title = {},
                 QSize size = kExportSize) const;
    bool SaveSvg(const QString& path, QString& why, const QString& title = {}) const;

private:
    QLineSeries* LineOf(double rateMbps, int run);
    void Attach(QAbstractSeries* series);
    void FitPerAxis();
    void ShowLegend();
    void RenderAt(QPaintDevice& device, QSize size, const QString& title) const;
    void ResizeView(QSize size) const;

    QChart* chart_ = nullptr; // owned by the view
    QChartView* view_ = nullptr;
    ChartLegend* legend_ = nullptr;
    QValueAxis* channelAxis_ = nullptr;
    QValueAxis* perAxis_ = nullptr;
    QLineSeries* limitLine_ = nullptr;
    QScatterSeries* marked_ = nullptr;
    std::optional<double> limit_;
    double highestPer_ = 0;
    std::map<int, QString> runLabels_;
    // Lines by run and rate (tenths of Mbit/s, so a key compares exactly).
    std::map<std::pair<int, int>, QLineSeries*> lines_;
    std::map<std::pair<int, int>, QScatterSeries*> dots_; // their points, in the rate's shape
    std::map<int, std::size_t> rateColours_;              // by tenths of Mbit/s
    QList<QPointF> allPoints_;
};
