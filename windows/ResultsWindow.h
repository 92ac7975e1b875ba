// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The results window: the runs of the results store, newest first, filtered
// by board (a MAC or a DUT label) and by date; a run's measurements in a
// table and its RX points on the sweep's chart (a sensitivity's PER over
// the generator's level on a chart of its own); two runs of one board laid
// over each other (today's against last week's); the selection's
// measurements exported as CSV, in the columns of kel-rftest's `results
// export`. It reads the station's store, or, when the console records to a
// PostgreSQL server, the server (the "Read from" choice).
//
// Controls tests drive, by objectName: source, board, since, show, more,
// runs, measurements, exportCsv; the chart is chart, the line under the runs
// status.

#include "results/RunSource.h"

#include <QWidget>
#include <memory>
#include <vector>

class ConsoleSession;
class PerChart;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class QTableView;
class QTableWidget;
class RunsModel;
class TraceChart;

class ResultsWindow : public QWidget {
    Q_OBJECT
public:
    // Runs read at a time; "More runs" reads the next as many.
    static constexpr int kPage = 200;

    ResultsWindow(ConsoleSession& session, QWidget* parent);
    ~ResultsWindow() override;

    // Reads the runs again, from the first page, from the source chosen.
    void ShowRuns();
    // The runs listed, newest first.
    const std::vector<kel::results::RunSummary>& Runs() const;
    // Selects the runs of these rows, as a click and a Ctrl+click would.
    void SelectRuns(const std::vector<int>& rows);

    QComboBox* sourceBox = nullptr;
    QLineEdit* boardEdit = nullptr;
    QLineEdit* sinceEdit = nullptr;
    QPushButton* showButton = nullptr;
    QPushButton* moreButton = nullptr;
    QTableView* runsView = nullptr;
    QLabel* statusLabel = nullptr;
    QLabel* summaryLabel = nullptr; // the runs listed: boards, verdicts, first-pass yield
    QTableWidget* measurementsTable = nullptr;
    PerChart* chart = nullptr;
    // A sensitivity run's points, PER over level, in the chart's place.
    TraceChart* levelChart = nullptr;
    QPushButton* csvButton = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    // Enter presses the focused button; Escape closes the window.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* BuildFilters();
    void FillSources();
    bool OpenSource();
    void ReadRuns(int pages);
    void FitRunColumns();
    void FitRunsSide();
    // The runs selected, in the list's order (newest first).
    std::vector<const kel::results::RunSummary*> SelectedRuns() const;
    void ShowSelection();
    void ShowMeasurements(const std::vector<const kel::results::RunSummary*>& runs);
    void DrawPoints(const std::vector<const kel::results::RunSummary*>& runs);
    void ExportCsv();
    void Tell(const QString& text);

    ConsoleSession& session_;
    RunsModel* runsModel_ = nullptr;
    std::unique_ptr<kel::results::RunSource> source_;
    int openSource_ = -1; // the sourceBox row source_ reads
    int pages_ = 1;
    bool shownOnce_ = false;
    bool runsFitted_ = false; // the runs side fitted to its columns once
    QSplitter* sides_ = nullptr;
    // The measurements of the runs selected, by run, as read.
    std::vector<std::vector<kel::results::StoredMeasurement>> selected_;
    QString exportFolder_;
};
