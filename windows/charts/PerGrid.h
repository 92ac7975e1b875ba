// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sweep's points as a grid, the chart's accessible equivalent: a row per
// rate, a column per channel, the PER in each cell, coloured pass, marginal
// or fail against the limit. Each cell's accessible text names its channel,
// rate, PER and verdict, so a screen reader says what the colour shows.

#include "rftest/Measurement.h"

#include <QTableWidget>
#include <optional>
#include <vector>

class PerGrid : public QTableWidget {
    Q_OBJECT
public:
    // A PER that passes but lies above this share of the limit is marginal.
    static constexpr double kMarginalShare = 0.8;

    explicit PerGrid(QWidget* parent = nullptr);

    // Empty cells for the channels and rates of a sweep, judged by limit.
    void Reset(const std::vector<int>& channels, const std::vector<double>& ratesMbps,
               std::optional<double> limit);
    // A point's cell: its PER ("N/A" when the counters give none).
    void Show(int channel, double rateMbps, std::optional<double> perPercent);

    // The cell of a channel and rate: what it shows, and its colour's verdict
    // (None while empty or without a limit).
    QString CellText(int channel, double rateMbps) const;
    kel::rftest::Verdict CellVerdict(int channel, double rateMbps) const;

private:
    QTableWidgetItem* Cell(int channel, double rateMbps) const;

    std::vector<int> channels_;
    std::vector<double> rates_;
    std::optional<double> limit_;
};
