// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/charts/PerGrid.h"

#include "rftest/RxCsv.h"

#include <QHeaderView>
#include <algorithm>
#include <cmath>

namespace {

using kel::rftest::Verdict;

constexpr int kVerdictRole = Qt::UserRole;

// The colour, and a pattern that tells the verdict without it (in grey
// print, to a reader who does not see red from green): solid passes, dots
// are marginal, hatching fails.
QBrush BrushOf(Verdict verdict) {
    switch (verdict) {
    case Verdict::Pass:
        return QBrush(QColor(0xc8, 0xe6, 0xc9));
    case Verdict::Marginal:
        return QBrush(QColor(0xf0, 0xb0, 0x00), Qt::Dense5Pattern);
    case Verdict::Fail:
        return QBrush(QColor(0xd3, 0x2f, 0x2f), Qt::BDiagPattern);
    case Verdict::None:
        break;
    }
    return QBrush();
}

template <typename Value> int IndexOf(const std::vector<Value>& values, Value value) {
    const auto found = std::find(values.begin(), values.end(), value);
    return found == values.end() ? -1 : static_cast<int>(found - values.begin());
}

} // namespace

PerGrid::PerGrid(QWidget* parent) : QTableWidget(parent) {
    setObjectName(QStringLiteral("perGrid"));
    setAccessibleName(tr("PER by channel and rate"));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Arrows walk the cells; Tab leaves the grid rather than visiting each.
    setTabKeyNavigation(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    horizontalHeader()->setMinimumSectionSize(44);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
}

void PerGrid::Reset(const std::vector<int>& channels, const std::vector<double>& ratesMbps,
                    std::optional<double> limit) {
    channels_ = channels;
    rates_ = ratesMbps;
    limit_ = limit;
    clear();
    setRowCount(static_cast<int>(rates_.size()));
    setColumnCount(static_cast<int>(channels_.size()));
    QStringList channelNames, rateNames;
    // The headings name their axis: "Ch 6" across, "54.0 Mbit/s" down.
    for (const int channel : channels_)
        channelNames << tr("Ch %1").arg(channel);
    for (const double rate : rates_)
        rateNames << tr("%1 Mbit/s").arg(rate, 0, 'f', 1);
    setHorizontalHeaderLabels(channelNames);
    for (int column = 0; column < columnCount(); ++column)
        horizontalHeaderItem(column)->setToolTip(
            tr("Channel %1").arg(channels_[static_cast<std::size_t>(column)]));
    setVerticalHeaderLabels(rateNames);
    // As tall as its rows, up to eight of them; the chart takes the rest.
    constexpr int kRowsShown = 8;
    const int rowHeight = fontMetrics().height() + 6;
    verticalHeader()->setDefaultSectionSize(rowHeight);
    setFixedHeight(horizontalHeader()->sizeHint().height() + 2 * frameWidth() + 2 +
                   rowHeight * std::clamp(rowCount(), 1, kRowsShown));
    for (int row = 0; row < rowCount(); ++row) {
        for (int column = 0; column < columnCount(); ++column) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            item->setData(kVerdictRole, static_cast<int>(Verdict::None));
            item->setData(Qt::AccessibleTextRole,
                          tr("Channel %1, %2: not measured")
                              .arg(channels_[static_cast<std::size_t>(column)])
                              .arg(rateNames[row]));
            setItem(row, column, item);
        }
    }
}

QTableWidgetItem* PerGrid::Cell(int channel, double rateMbps) const {
    const int row = IndexOf(rates_, rateMbps);
    const int column = IndexOf(channels_, channel);
    return row < 0 || column < 0 ? nullptr : item(row, column);
}

void PerGrid::Show(int channel, double rateMbps, std::optional<double> perPercent) {
    QTableWidgetItem* cell = Cell(channel, rateMbps);
    if (!cell)
        return;
    kel::rftest::Measurement point;
    point.sent = 0; // the PER's text, whatever was sent
    point.perPercent = perPercent;
    const QString per = QString::fromStdString(kel::rftest::PerText(point));
    Verdict verdict = Verdict::None;
    if (limit_)
        verdict = kel::rftest::Judge(perPercent, {std::nullopt, *limit_, *limit_ * kMarginalShare});
    cell->setText(per);
    cell->setData(kVerdictRole, static_cast<int>(verdict));
    cell->setBackground(BrushOf(verdict));
    cell->setForeground(QColor(Qt::black));
    QString spoken = tr("Channel %1, %2 Mbit/s: PER %3")
                         .arg(channel)
                         .arg(rateMbps, 0, 'f', 1)
                         .arg(perPercent ? per + QStringLiteral(" %") : per);
    if (verdict != Verdict::None)
        spoken += QStringLiteral(", ") + QString::fromUtf8(kel::rftest::VerdictName(verdict));
    cell->setData(Qt::AccessibleTextRole, spoken);
    cell->setToolTip(spoken);
    scrollToItem(cell);
}

QString PerGrid::CellText(int channel, double rateMbps) const {
    const QTableWidgetItem* cell = Cell(channel, rateMbps);
    return cell ? cell->text() : QString();
}

Verdict PerGrid::CellVerdict(int channel, double rateMbps) const {
    const QTableWidgetItem* cell = Cell(channel, rateMbps);
    return cell ? static_cast<Verdict>(cell->data(kVerdictRole).toInt()) : Verdict::None;
}
