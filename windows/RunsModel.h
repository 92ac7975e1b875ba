// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The runs of the results store as a table: started (local time), station,
// board (its MAC, else its DUT label), tool, verdict and points, newest first
// as the query gives them.

#include "results/Queries.h"

#include <QAbstractTableModel>
#include <optional>
#include <string>
#include <vector>

class RunsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    // The columns a view may narrow (their tooltips are whole) and the ones
    // it keeps in sight.
    static constexpr int kStationColumn = 1;
    static constexpr int kBoardColumn = 2;
    static constexpr int kVerdictColumn = 4;
    static constexpr int kPlanColumn = 6;

    void SetRuns(std::vector<kel::results::RunSummary> runs);
    const std::vector<kel::results::RunSummary>& Runs() const { return runs_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<kel::results::RunSummary> runs_;
};

// "2026-12-08 14:45:06": a stored UTC time in local time; the text as it is
// when it is no time.
QString LocalTimeText(const std::string& utc);
// A date or a time as the window shows them, local ("2026-12-08",
// "2026-12-08 13:45"), as the UTC bound a stored time compares with; nullopt
// when the text is no such date.
std::optional<std::string> UtcSince(const QString& localText);
// The board a run names: its MAC, else its DUT label; both when it has both.
QString BoardText(const kel::results::RunRecord& run);
// The runs a filter selects in a line: how many, of how many boards,
// passed and failed, and the first-pass yield (RunCounts).
QString RunsSummaryText(const kel::results::RunCounts& counts);
