// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// PER over channel: one line per rate, and per run where two runs are laid
// over each other; the PER limit as a horizontal line, the points above it
// marked; axes labelled with their units. New points appear as they are
// added. The chart library is used in this file pair alone (the header names
// none of its types), so moving to another touches only here.

#include <QList>
#include <QPointF>
#include <QString>
#include <QWidget>
#include <map>
#include <optional>
#include <utility>

class QAbstractSeries;
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
    // What the legend adds to the lines of a run (its date, say) when two are
    // shown; run 0 draws solid lines, run 1 dashed ones.
    void SetRunLabel(int run, const QString& label);
    // A measured point on its rate's line of the run; a point without a PER
    // (nothing counted sensibly) is left out.
    void AddPoint(int channel, double rateMbps, std::optional<double> perPercent, int run = 0);

    // The points drawn on a rate's line of a run, in the order added.
    QList<QPointF> Points(double rateMbps, int run = 0) const;
    int PointCount() const;
    // Points above the limit.
    int MarkedCount() const;

    // The chart as it shows now; false with why when the file cannot be written.
    bool SavePng(const QString& path, QString& why) const;
    bool SaveSvg(const QString& path, QString& why) const;

private:
    QLineSeries* LineOf(double rateMbps, int run);
    void Attach(QAbstractSeries* series);
    void FitPerAxis();

    QChart* chart_ = nullptr; // owned by the view
    QChartView* view_ = nullptr;
    QValueAxis* channelAxis_ = nullptr;
    QValueAxis* perAxis_ = nullptr;
    QLineSeries* limitLine_ = nullptr;
    QScatterSeries* marked_ = nullptr;
    std::optional<double> limit_;
    double highestPer_ = 0;
    std::map<int, QString> runLabels_;
    // Lines by run and rate (tenths of Mbit/s, so a key compares exactly).
    std::map<std::pair<int, int>, QLineSeries*> lines_;
    std::map<int, std::size_t> rateColours_; // by tenths of Mbit/s
    QList<QPointF> allPoints_;
};
