// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/ResultsWindow.h"

#include "results/ExportCsv.h"
#include "results/ServerLink.h"
#include "results/Store.h"
#include "results/StoreSetting.h"
#include "windows/ColumnTitles.h"
#include "windows/ConsoleSession.h"
#include "windows/LevelPoints.h"
#include "windows/RunsModel.h"
#include "windows/WindowKeys.h"
#include "windows/WindowParts.h"
#include "windows/WindowRole.h"
#include "windows/charts/PerChart.h"
#include "windows/charts/TraceChart.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <array>
#include <filesystem>

namespace {

namespace results = kel::results;
namespace rftest = kel::rftest;

// The measurement's columns the table shows: all but its id and its run's.
constexpr std::size_t kFirstShownColumn = 2; // seq
constexpr std::string_view kAt = rftest::field::kAt;

// The store the console records to; the default file when it records nowhere.
std::filesystem::path LocalStore(const results::StoreSetting& setting) {
    return setting.kind == results::StoreSetting::Kind::None || setting.file.empty()
               ? results::DefaultStoreFile()
               : setting.file;
}

// Busy while a source answers: a server may take a moment.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// The text columns that may grow long, and the characters each shows at most.
constexpr std::array<std::pair<int, int>, 3> kNarrowedColumns{{
    {RunsModel::kPlanColumn, 18},
    {RunsModel::kBoardColumn, 24},
    {RunsModel::kStationColumn, 16},
}};

// Runs laid over each other at most: strokes and shapes stay apart.
constexpr std::size_t kMostOverlaid = 5;

// What names a run in the legend: its board and when it started.
QString RunLabel(const results::RunSummary& run) {
    return QStringLiteral("%1, %2").arg(BoardText(run.run),
                                        LocalTimeText(run.run.startedAt).left(16));
}

} // namespace

ResultsWindow::ResultsWindow(ConsoleSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session) {
    NameWindow(*this, "resultsWindow", tr("Results"));
    AnnounceAsWindow(*this);

    runsModel_ = new RunsModel(this);
    runsView = new QTableView(this);
    runsView->setObjectName(QStringLiteral("runs"));
    runsView->setAccessibleName(tr("Runs"));
    runsView->setModel(runsModel_);
    runsView->setSelectionBehavior(QAbstractItemView::SelectRows);
    runsView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    runsView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Arrows walk the rows (Shift or Ctrl+Space for a second run); Tab leaves.
    runsView->setTabKeyNavigation(false);
    runsView->verticalHeader()->hide();
    QHeaderView& header = *runsView->horizontalHeader();
    header.setSectionResizeMode(QHeaderView::ResizeToContents);
    // What a run came to and by which plan stand next to its start, in
    // sight on a small screen; a long station, MAC and DUT label or plan
    // name gives way in the middle (FitRunColumns).
    header.moveSection(header.visualIndex(RunsModel::kVerdictColumn), 1);
    header.moveSection(header.visualIndex(RunsModel::kPlanColumn), 2);
    runsView->setTextElideMode(Qt::ElideMiddle);
    for (const auto& [column, chars] : kNarrowedColumns)
        header.setSectionResizeMode(column, QHeaderView::Interactive);
    FitRunColumns();
    connect(runsView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ResultsWindow::ShowSelection);

    moreButton = NamedButton(tr("&More runs"), "more", this);
    statusLabel = StatusLine(QString(), this);
    statusLabel->setWordWrap(true);
    auto* runsSide = new QWidget(this);
    auto* runsLayout = new QVBoxLayout(runsSide);
    runsLayout->setContentsMargins(0, 0, 0, 0);
    summaryLabel = new QLabel(this);
    summaryLabel->setObjectName(QStringLiteral("summary"));
    summaryLabel->setWordWrap(true);
    summaryLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    runsLayout->addWidget(summaryLabel);
    runsLayout->addWidget(runsView, 1);
    auto* runsFoot = new QHBoxLayout;
    runsFoot->addWidget(statusLabel, 1);
    runsFoot->addWidget(moreButton);
    runsLayout->addLayout(runsFoot);

    measurementsTable = new QTableWidget(this);
    measurementsTable->setObjectName(QStringLiteral("measurements"));
    measurementsTable->setAccessibleName(tr("Measurements"));
    measurementsTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    measurementsTable->setTabKeyNavigation(false);
    measurementsTable->verticalHeader()->hide();
    chart = new PerChart(this);
    chart->setObjectName(QStringLiteral("chart"));
    auto* runSide = new QSplitter(Qt::Vertical, this);
    runSide->addWidget(measurementsTable);
    runSide->addWidget(chart);
    levelChart = new TraceChart(this);
    levelChart->setObjectName(QStringLiteral("levelChart"));
    levelChart->setAccessibleName(tr("PER over level"));
    levelChart->hide();
    runSide->addWidget(levelChart);

    sides_ = new QSplitter(Qt::Horizontal, this);
    sides_->addWidget(runsSide);
    sides_->addWidget(runSide);
    sides_->setStretchFactor(0, 2);
    sides_->setStretchFactor(1, 3);

    csvButton = NamedButton(tr("Export &CSV…"), "exportCsv", this);
    auto* foot = new QHBoxLayout;
    foot->addStretch(1);
    foot->addWidget(csvButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildFilters());
    layout->addWidget(sides_, 1);
    layout->addLayout(foot);

    connect(moreButton, &QPushButton::clicked, this, [this] { ReadRuns(pages_ + 1); });
    connect(csvButton, &QPushButton::clicked, this, &ResultsWindow::ExportCsv);
    FillSources();
    // Tab goes as the eye does: the filters, the runs, their measurements, the export.
    ChainTabOrder({sourceBox, boardEdit, sinceEdit, showButton, runsView, moreButton,
                   measurementsTable, csvButton});
    csvButton->setEnabled(false);
    moreButton->setEnabled(false);
    FitToScreen(*this, QSize(1200, 760));
}

ResultsWindow::~ResultsWindow() = default;

QWidget* ResultsWindow::BuildFilters() {
    auto* filters = new QWidget(this);
    auto* form = new QHBoxLayout(filters);
    form->setContentsMargins(0, 0, 0, 0);
    sourceBox = new QComboBox(filters);
    sourceBox->setObjectName(QStringLiteral("source"));
    boardEdit = NamedEdit("board", tr("part of a MAC or DUT label; empty for all"), filters);
    sinceEdit = NamedEdit("since", tr("YYYY-MM-DD; empty for all"), filters);
    showButton = NamedButton(tr("S&how"), "show", filters);
    // A long store path does not push the other filters off a small
    // screen; the fields keep room for what they ask.
    sourceBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    sourceBox->setMinimumContentsLength(18);
    for (QLineEdit* edit : {boardEdit, sinceEdit})
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(edit->placeholderText()) +
                              edit->fontMetrics().averageCharWidth() * 3);
    // Each label is its field's buddy: the field's name.
    const auto labelled = [&](const QString& caption, QWidget* field, int stretch) {
        auto* label = new QLabel(caption, filters);
        label->setBuddy(field);
        form->addWidget(label);
        form->addWidget(field, stretch);
    };
    labelled(tr("&Read from"), sourceBox, 2);
    labelled(tr("&Board"), boardEdit, 2);
    labelled(tr("&Since"), sinceEdit, 1);
    form->addWidget(showButton);
    connect(showButton, &QPushButton::clicked, this, &ResultsWindow::ShowRuns);
    // Enter in a filter applies it.
    for (QLineEdit* edit : {boardEdit, sinceEdit})
        connect(edit, &QLineEdit::returnPressed, this, &ResultsWindow::ShowRuns);
    connect(sourceBox, &QComboBox::activated, this, [this] { ShowRuns(); });
    return filters;
}

void ResultsWindow::FillSources() {
    const results::StoreSetting& setting = session_.ResultsSetting();
    const QString file = QString::fromStdString(LocalStore(setting).string());
    sourceBox->addItem(tr("This station: %1").arg(file), file);
    if (setting.kind == results::StoreSetting::Kind::Server) {
        sourceBox->addItem(
            tr("The server: %1")
                .arg(QString::fromStdString(results::WithoutPassword(setting.server))),
            QString::fromStdString(setting.server));
    }
    for (int row = 0; row < sourceBox->count(); ++row)
        sourceBox->setItemData(row, sourceBox->itemText(row), Qt::ToolTipRole);
}

void ResultsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The newest runs at once when the window opens; later on Show.
    if (std::exchange(shownOnce_, true))
        return;
    ShowRuns();
    runsView->setFocus();
}

void ResultsWindow::Tell(const QString& text) {
    statusLabel->setText(text);
    statusLabel->setAccessibleName(text);
}

bool ResultsWindow::OpenSource() {
    const int row = sourceBox->currentIndex();
    if (source_ && openSource_ == row)
        return true;
    source_.reset();
    openSource_ = -1;
    const std::string where = sourceBox->currentData().toString().toStdString();
    try {
        BusyCursor busy;
        source_ = row == 0 ? results::StoreRuns(where) : results::ServerRuns(where);
    } catch (const results::StoreError& e) {
        const bool missing = !std::filesystem::exists(where);
        Tell(missing ? tr("No results recorded yet: %1 does not exist.")
                           .arg(QString::fromStdString(where))
                     : QString::fromStdString(e.what()));
        return false;
    } catch (const std::exception& e) {
        Tell(QString::fromStdString(e.what()));
        return false;
    }
    openSource_ = row;
    return true;
}

void ResultsWindow::ShowRuns() {
    ReadRuns(1);
}

void ResultsWindow::ReadRuns(int pages) {
    results::RunFilter filter;
    const QString board = boardEdit->text().trimmed();
    // Part of a MAC or a DUT label will do ("0042" finds SN-0042).
    filter.boardPart = board.toStdString();
    const QString since = sinceEdit->text().trimmed();
    if (!since.isEmpty()) {
        // Local, as the list shows the times.
        const std::optional<std::string> bound = UtcSince(since);
        if (!bound) {
            Tell(tr("Since: a date as 2026-12-08, or 2026-12-08 13:45; empty for every run."));
            return;
        }
        filter.since = *bound;
    }
    filter.limit = static_cast<std::int64_t>(kPage) * pages;

    runsModel_->SetRuns({});
    summaryLabel->clear();
    ShowSelection();
    moreButton->setEnabled(false);
    if (!OpenSource())
        return;
    results::RunCounts counts; // of every run the filter selects, not the page
    try {
        BusyCursor busy;
        runsModel_->SetRuns(source_->Runs(filter));
        counts = source_->Counts(filter);
    } catch (const std::exception& e) {
        source_.reset(); // opened afresh next time: a server may be back
        Tell(QString::fromStdString(e.what()));
        return;
    }
    pages_ = pages;
    if (pages == 1)
        FitRunColumns();
    if (!runsFitted_ && !Runs().empty()) {
        runsFitted_ = true;
        FitRunsSide();
    }
    summaryLabel->setText(RunsSummaryText(counts));
    const auto count = static_cast<std::int64_t>(Runs().size());
    const bool more = count == *filter.limit;
    moreButton->setEnabled(more);
    Tell(count == 0 ? tr("No runs match.")
                    : tr("%1, newest first%2. Select one for its measurements, more to lay "
                         "them over each other.")
                          .arg(count == 1 ? tr("1 run") : tr("%1 runs").arg(count))
                          .arg(more ? tr(" (more with More runs)") : QString()));
    // The newest run shown at once (the sweep just made, say); more runs
    // keep the place.
    if (count > 0 && pages == 1)
        runsView->setCurrentIndex(runsModel_->index(0, 0));
}

void ResultsWindow::FitRunColumns() {
    // Wide enough for what the runs say, up to a bound; the tooltip has the rest.
    const QAbstractItemView& view = *runsView; // whose size hints are public
    QHeaderView& header = *runsView->horizontalHeader();
    const int charWidth = runsView->fontMetrics().averageCharWidth();
    for (const auto& [column, chars] : kNarrowedColumns)
        header.resizeSection(column,
                             std::max(header.sectionSizeHint(column),
                                      std::min(view.sizeHintForColumn(column), charWidth * chars)));
}

void ResultsWindow::FitRunsSide() {
    // Every column of the runs in sight, the measurements beside them taking the rest.
    int width = 2 * runsView->frameWidth() + runsView->verticalScrollBar()->sizeHint().width();
    const QAbstractItemView& view = *runsView; // whose size hints are public
    const QHeaderView& header = *runsView->horizontalHeader();
    for (int column = 0; column < runsModel_->columnCount(); ++column)
        width += header.sectionResizeMode(column) == QHeaderView::Interactive
                     ? header.sectionSize(column)
                     : std::max(view.sizeHintForColumn(column), header.sectionSizeHint(column));
    layout()->activate(); // the splitter at its size, also on the first show
    const int total = std::max(sides_->width(), 2 * width);
    sides_->setSizes({width, total - width});
}

const std::vector<results::RunSummary>& ResultsWindow::Runs() const {
    return runsModel_->Runs();
}

void ResultsWindow::SelectRuns(const std::vector<int>& rows) {
    QItemSelection selection;
    for (const int row : rows)
        selection.select(runsModel_->index(row, 0),
                         runsModel_->index(row, runsModel_->columnCount() - 1));
    runsView->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

std::vector<const results::RunSummary*> ResultsWindow::SelectedRuns() const {
    QModelIndexList rows = runsView->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<const results::RunSummary*> runs;
    for (const QModelIndex& row : rows)
        runs.push_back(&Runs()[static_cast<std::size_t>(row.row())]);
    return runs;
}

void ResultsWindow::ShowSelection() {
    const std::vector<const results::RunSummary*> runs = SelectedRuns();
    selected_.clear();
    try {
        BusyCursor busy;
        for (const results::RunSummary* run : runs)
            selected_.push_back(source_ ? source_->Measurements(run->run.id)
                                        : std::vector<results::StoredMeasurement>());
    } catch (const std::exception& e) {
        selected_.clear();
        Tell(QString::fromStdString(e.what()));
    }
    ShowMeasurements(runs);
    DrawPoints(runs);
    csvButton->setEnabled(!selected_.empty());
}

void ResultsWindow::ShowMeasurements(const std::vector<const results::RunSummary*>& runs) {
    measurementsTable->clear();
    measurementsTable->setRowCount(0);
    // With several runs, each row says whose it is.
    const bool several = selected_.size() > 1;
    const int first = several ? 1 : 0;
    measurementsTable->setColumnCount(
        first + static_cast<int>(results::kMeasurementColumns.size() - kFirstShownColumn));
    if (several)
        measurementsTable->setHorizontalHeaderItem(0, new QTableWidgetItem(tr("Run started")));
    for (std::size_t c = kFirstShownColumn; c < results::kMeasurementColumns.size(); ++c) {
        auto* heading = new QTableWidgetItem(ColumnTitle(results::kMeasurementColumns[c]));
        heading->setToolTip(QString::fromLatin1(results::kMeasurementColumns[c]));
        measurementsTable->setHorizontalHeaderItem(first + static_cast<int>(c - kFirstShownColumn),
                                                   heading);
    }
    int row = 0;
    for (std::size_t r = 0; r < selected_.size(); ++r) {
        measurementsTable->setRowCount(row + static_cast<int>(selected_[r].size()));
        for (const results::StoredMeasurement& stored : selected_[r]) {
            const results::Row values = results::MeasurementRow(stored);
            int column = 0;
            if (several)
                measurementsTable->setItem(
                    row, column++, new QTableWidgetItem(LocalTimeText(runs[r]->run.startedAt)));
            for (std::size_t c = kFirstShownColumn; c < values.size(); ++c) {
                // Times local, as the runs show theirs.
                const std::string text = results::ValueText(values[c]);
                const bool time = std::string_view(results::kMeasurementColumns[c]) == kAt;
                auto* item = new QTableWidgetItem(
                    time ? LocalTimeText(text)
                         : CellText(results::kMeasurementColumns[c], values[c]));
                // The verdict written and coloured, as the sweep's grid shows it.
                if (std::string_view(results::kMeasurementColumns[c]) == rftest::field::kVerdict)
                    if (const QColor colour = VerdictColour(text); colour.isValid())
                        item->setBackground(colour);
                measurementsTable->setItem(row, column++, item);
            }
            ++row;
        }
    }
    measurementsTable->resizeColumnsToContents();
}

void ResultsWindow::DrawPoints(const std::vector<const results::RunSummary*>& runs) {
    chart->Clear();
    // Any runs laid over each other (a golden board beside the one under
    // test), each named by its board and date.
    const std::size_t drawn = std::min(selected_.size(), kMostOverlaid);
    if (selected_.size() > kMostOverlaid)
        Tell(tr("The %1 newest runs selected are drawn.").arg(kMostOverlaid));
    std::vector<QString> labels;
    for (std::size_t r = 0; r < drawn; ++r)
        labels.push_back(RunLabel(*runs[r]));
    const bool levels = DrawLevelPoints(
        *levelChart, {selected_.begin(), selected_.begin() + static_cast<std::ptrdiff_t>(drawn)},
        labels);
    levelChart->setVisible(levels);
    for (std::size_t r = 0; r < drawn; ++r) {
        if (drawn > 1)
            chart->SetRunLabel(static_cast<int>(r), RunLabel(*runs[r]));
        for (const results::StoredMeasurement& stored : selected_[r]) {
            const rftest::Measurement& m = stored.measurement;
            if (m.kind != rftest::MeasurementKind::Rx || !m.channel || !m.rateMbps)
                continue;
            if (r == 0 && m.limitHigh)
                chart->SetLimit(m.limitHigh);
            chart->AddPoint(*m.channel, *m.rateMbps, m.perPercent, static_cast<int>(r));
        }
    }
    // The channel chart gives way to the level chart unless it has points too.
    chart->setVisible(!levels || chart->PointCount() > 0);
}

void ResultsWindow::ExportCsv() {
    const std::vector<const results::RunSummary*> runs = SelectedRuns();
    if (runs.empty() || runs.size() != selected_.size())
        return;
    const QString folder = exportFolder_.isEmpty() ? QDir::homePath() : exportFolder_;
    const QString name =
        QStringLiteral("results_%1.csv").arg(QString::fromStdString(runs.front()->run.id).left(8));
    const std::optional<QString> path =
        session_.SaveExportName(name, tr("CSV files (*.csv)"), folder);
    if (!path)
        return;
    exportFolder_ = QFileInfo(*path).absolutePath();
    std::string text = results::ExportCsvHeader();
    for (std::size_t r = 0; r < runs.size(); ++r) {
        for (const results::StoredMeasurement& stored : selected_[r])
            text += results::ExportCsvLine(results::ExportRow(stored, runs[r]->run));
    }
    QString why;
    if (!SaveText(*path, text, why))
        session_.MessageBox(why);
}

void ResultsWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    if (!EnterPressesFocusedButton(*this, *event))
        QWidget::keyPressEvent(event);
}
