// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A value over a value, one named line each (a calibration's error against
// its step, a receiver's PER over the generator's level), with dashed
// horizontal guides (a tolerance, a limit). The axes fit the points and the
// guides as they come. Like PerChart, the chart library stays in this file
// pair.

#include <QList>
#include <QPointF>
#include <QString>
#include <QWidget>
#include <map>
#include <vector>

class QChart;
class QChartView;
class QLineSeries;
class QValueAxis;

class TraceChart : public QWidget {
    Q_OBJECT
public:
    explicit TraceChart(QWidget* parent = nullptr);
    ~TraceChart() override;

    // The axes' titles with their units; whole numbers along x when steps.
    void SetAxes(const QString& x, const QString& y, bool wholeX);
    // No lines, no guides.
    void Clear();
    // Dashed lines across at these values, named once in the legend.
    void SetGuides(const QString& name, const std::vector<double>& values);
    void AddPoint(const QString& line, double x, double y);

    QList<QPointF> Points(const QString& line) const;
    int PointCount() const;

private:
    void FitAxes();

    QChart* chart_ = nullptr; // owned by the view
    QChartView* view_ = nullptr;
    QValueAxis* xAxis_ = nullptr;
    QValueAxis* yAxis_ = nullptr;
    std::map<QString, QLineSeries*> lines_;
    std::vector<QLineSeries*> guides_;
    std::vector<double> guideValues_;
    QList<QPointF> all_;
    bool wholeX_ = false;
};
