// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The RX sweep window: the channels, rates, time and packets per point, a PER
// limit and a DUT label; Start runs the sweep kel-rftest's sweep-rx runs
// (rftest::SweepRx, the same bytes on the wire) as a step of the console's
// board session, so its waits tick, Escape cancels them and the console's
// test controls are locked meanwhile. Each point is drawn as it is measured, on the chart and
// in the grid, and recorded in the results store as a run of its own. Stop,
// Escape or closing the window cancels at once and stops the RX on the board.
//
// Every control tests drive has an objectName: channel1..channel14,
// pickCommon, pickAll, rate<Mbit/s> (rate54.0), seconds, sent, limit, dut,
// start, stop, exportCsv, exportPng, exportSvg, openResults; the progress bar
// is progress, the line under it status, whose sweep it is origin.

#include "rftest/Measurement.h"
#include "rftest/RfTables.h"
#include "rftest/RxMeasurement.h"
#include "serial/SerialPort.h"
#include "windows/SweepInputs.h"

#include <QDateTime>
#include <QWidget>
#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

class ConsoleSession;
class PerChart;
class PerGrid;
class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;

class SweepWindow : public QWidget {
    Q_OBJECT
public:
    SweepWindow(ConsoleSession& session, QWidget* parent);
    ~SweepWindow() override;

    // Runs the sweep the inputs describe; returns when it has ended.
    void Start();
    // Cancels the running sweep's wait (and so the sweep).
    void Stop();
    bool Running() const { return running_; }

    // The points of the last sweep, in the order measured.
    const std::vector<kel::rftest::Measurement>& Points() const { return points_; }
    // The inputs as the controls show them.
    SweepInputs Inputs() const;
    // The console connected or lost its board: a sweep shown from an
    // earlier connection says so.
    void ConnectionChanged();

    std::array<QCheckBox*, kel::rftest::kLastChannel> channelBoxes{};
    std::array<QCheckBox*, kel::rftest::kRates.size()> rateBoxes{};
    QPushButton* pickCommonButton = nullptr;
    QPushButton* pickAllButton = nullptr;
    QDoubleSpinBox* secondsBox = nullptr;
    QSpinBox* sentBox = nullptr;
    QLineEdit* limitEdit = nullptr;
    QLineEdit* dutEdit = nullptr;
    QPushButton* startButton = nullptr;
    QPushButton* stopButton = nullptr;
    QProgressBar* progressBar = nullptr;
    QLabel* statusLabel = nullptr;
    QLabel* originLabel = nullptr; // whose sweep is shown: port, DUT, time
    PerChart* chart = nullptr;
    PerGrid* grid = nullptr;
    QPushButton* csvButton = nullptr;
    QPushButton* pngButton = nullptr;
    QPushButton* svgButton = nullptr;
    QPushButton* resultsButton = nullptr;

protected:
    // While a sweep runs, closing cancels it and the window closes after.
    void closeEvent(QCloseEvent* event) override;
    // Enter presses the focused button; Escape stops a sweep, else closes.
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Sweep {
        kel::rftest::SweepPlan plan;
        std::optional<double> limit;
        QString dut;
    };

    QWidget* BuildInputs();
    QWidget* BuildChannels();
    QWidget* BuildRates();
    QWidget* BuildSettings();
    QWidget* BuildExports();
    void ShowInputs(const SweepInputs& inputs);
    void PickChannels(const std::vector<int>& channels);
    void ShowRunning(bool running);
    std::optional<Sweep> ReadSweep();

    void Run(const Sweep& sweep);
    void Took(const kel::rftest::RxPoint& point, const Sweep& sweep);
    void ShowProgress(std::size_t done);
    void StopRxOnBoard();
    void FollowBoardSettings();
    void ShowOrigin();
    QString EndText(const char* failure, bool cancelled) const;
    // The run's verdict in the results store.
    std::string Verdict(const char* failure, bool cancelled) const;

    void ExportCsv();
    // The chart as a picture under its title, saved by save (PerChart's
    // SavePng or SaveSvg).
    using SaveChart = bool (*)(const PerChart&, const QString& path, QString& why,
                               const QString& title);
    void ExportPicture(const QString& extension, const QString& filter, SaveChart save);
    std::optional<QString> AskExportPath(const QString& extension, const QString& filter);

    ConsoleSession& session_;
    bool running_ = false;
    bool closeAfterRun_ = false;
    std::vector<kel::rftest::Measurement> points_;
    std::size_t pointCount_ = 0;
    std::chrono::steady_clock::time_point startedAt_{};
    std::chrono::milliseconds lastDoneAt_{}; // from the start to the last point done
    QTimer* progressTimer_ = nullptr;
    std::chrono::milliseconds perPointGuess_{};
    QString exportFolder_; // where the last export went; the home folder until then
    // The run's port and board as the sweep began, for its CSV rows.
    std::string port_;
    std::optional<std::string> boardMac_;
    std::uint64_t connection_ = 0; // the console's connection the sweep ran on
    QDateTime sweptAt_;
    QString dut_;
    QString station_;
    QString ending_; // "stopped" when the sweep did not run to its end
    // What an exported chart says over it: board, DUT, station, time, ending.
    QString ExportTitle() const;
    // What the board was last told, measured or not.
    std::optional<int> sentChannel_;
    std::optional<int> sentRateRow_;
    kel::LineFailure lineFailure_; // why the line failed under the sweep, if it did
};
