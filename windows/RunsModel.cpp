// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/RunsModel.h"

#include "windows/ColumnTitles.h"

#include <QColor>
#include <QDateTime>
#include <algorithm>

namespace {

enum Column { kStarted, kStation, kBoard, kTool, kVerdict, kPoints, kPlan, kColumns };

static_assert(kStation == RunsModel::kStationColumn && kBoard == RunsModel::kBoardColumn &&
              kVerdict == RunsModel::kVerdictColumn && kPlan == RunsModel::kPlanColumn);

} // namespace

QString LocalTimeText(const std::string& utc) {
    const QString text = QString::fromStdString(utc);
    const QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                          : text;
}

std::optional<std::string> UtcSince(const QString& localText) {
    const std::optional<std::string> bound = kel::results::SinceBound(localText.toStdString());
    if (!bound)
        return std::nullopt;
    const QDateTime local =
        QDateTime::fromString(QString::fromStdString(*bound), Qt::ISODateWithMs);
    if (!local.isValid())
        return std::nullopt;
    return local.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toStdString();
}

QString BoardText(const kel::results::RunRecord& run) {
    const QString mac = QString::fromStdString(run.boardMac);
    const QString dut = QString::fromStdString(run.dut);
    if (mac.isEmpty() || dut.isEmpty())
        return mac.isEmpty() ? dut : mac;
    return QStringLiteral("%1 (%2)").arg(mac, dut);
}

QString RunsSummaryText(const kel::results::RunCounts& counts) {
    QString text = QStringLiteral("Runs %1, boards %2, passed %3, failed %4")
                       .arg(counts.runs)
                       .arg(counts.boards)
                       .arg(counts.passed)
                       .arg(counts.failed);
    if (counts.judged == 0)
        return text;
    return text + QStringLiteral("; first-pass yield %1 % (%2 of %3 boards judged)")
                      .arg(100.0 * static_cast<double>(counts.firstPass) /
                               static_cast<double>(counts.judged),
                           0, 'f', 1)
                      .arg(counts.firstPass)
                      .arg(counts.judged);
}

void RunsModel::SetRuns(std::vector<kel::results::RunSummary> runs) {
    beginResetModel();
    runs_ = std::move(runs);
    endResetModel();
}

int RunsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(runs_.size());
}

int RunsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant RunsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::TextAlignmentRole)
        return index.column() == kPoints ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    const kel::results::RunSummary& summary = runs_[static_cast<std::size_t>(index.row())];
    const kel::results::RunRecord& run = summary.run;
    // The verdict coloured as well as written; a long station, board or plan
    // name elided in the view has its whole text in the tooltip.
    if (role == Qt::BackgroundRole && index.column() == kVerdict) {
        const QColor colour = VerdictColour(run.verdict);
        return colour.isValid() ? QVariant(colour) : QVariant();
    }
    const bool narrowed =
        index.column() == kStation || index.column() == kBoard || index.column() == kPlan;
    if (role != Qt::DisplayRole && !(role == Qt::ToolTipRole && narrowed))
        return {};
    switch (index.column()) {
    case kStarted:
        return LocalTimeText(run.startedAt);
    case kStation:
        // A station's slot beside its name: which fixture tested the board.
        return run.slot.empty() ? QString::fromStdString(run.station)
                                : QStringLiteral("%1 (%2)").arg(QString::fromStdString(run.station),
                                                                QString::fromStdString(run.slot));
    case kBoard:
        return BoardText(run);
    case kTool:
        return QString::fromStdString(run.tool);
    case kVerdict:
        return QString::fromStdString(run.verdict);
    case kPoints:
        return QVariant::fromValue(summary.points);
    case kPlan:
        return QString::fromStdString(run.plan);
    default:
        return {};
    }
}

QVariant RunsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const kNames[kColumns] = {
        "Started", "Station", "Board (MAC, DUT)", "Tool", "Verdict", "Points", "Plan"};
    return section >= 0 && section < kColumns ? tr(kNames[section]) : QVariant();
}
