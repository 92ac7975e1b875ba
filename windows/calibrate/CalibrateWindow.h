// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Calibrate window: the crystal's trim code and the TX power of each SDD
// rate class found with the instrument in a few measurements, and the
// receiver's sensitivity at the rates chosen. Each runs the search
// kel-rftest's calibrate-freq, calibrate-power and sensitivity run
// (rftest/calibration/, the same bytes on the wire) on a thread of its own
// as a step of the console's session (CalibrationJob); each trial is drawn
// as it comes (error against step, PER over level), listed, and recorded
// in the results store as a run of its own. A proven result is stored in
// the board's SDD data only by "Save to SDD", after the user confirms.
// Stop, Escape or closing the window stops at once, and the tone, TX or RX
// the run switched on is stopped on the board.
//
// Controls tests drive, by objectName: channel, tolerancePpm, crystalSteps,
// calibrateCrystal, target11b, target11gn, target11nMcs7, toleranceDb,
// powerSteps, calibratePower, rates, frames, perLimit, stepDb,
// measureSensitivity, dut, stop, saveToSdd, openResults; trace and
// sensitivity are the charts, trials the list beside them, result and
// status the lines under the buttons.

#include "rftest/ModelFeatures.h"
#include "rftest/calibration/Calibration.h"

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CalibrationJob;
class ConsoleSession;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class TraceChart;
struct JobEnd;

class CalibrateWindow : public QWidget {
    Q_OBJECT
public:
    CalibrateWindow(ConsoleSession& session, QWidget* parent);
    ~CalibrateWindow() override;

    void CalibrateCrystal();
    void CalibratePower();
    void MeasureSensitivity();
    // Stores the proven result shown, once the user says yes.
    void SaveToSdd();
    void Stop();
    bool Running() const { return running_; }

    QSpinBox* channelBox = nullptr;
    QDoubleSpinBox* tolerancePpmBox = nullptr;
    QSpinBox* crystalStepsBox = nullptr;
    QPushButton* crystalButton = nullptr;
    std::array<QDoubleSpinBox*, 3> targetBoxes{};
    QDoubleSpinBox* toleranceDbBox = nullptr;
    QSpinBox* powerStepsBox = nullptr;
    QPushButton* powerButton = nullptr;
    QLineEdit* ratesEdit = nullptr;
    QSpinBox* framesBox = nullptr;
    QDoubleSpinBox* perLimitBox = nullptr;
    QDoubleSpinBox* stepDbBox = nullptr;
    QPushButton* sensitivityButton = nullptr;
    QLineEdit* dutEdit = nullptr;
    QPushButton* stopButton = nullptr;
    QPushButton* saveButton = nullptr;
    QPushButton* resultsButton = nullptr;
    QLabel* resultLabel = nullptr;
    QLabel* statusLabel = nullptr;
    TraceChart* traceChart = nullptr;
    TraceChart* sensitivityChart = nullptr;
    QListWidget* trialsList = nullptr;

protected:
    // While a run goes on, closing stops it and the window closes after.
    void closeEvent(QCloseEvent* event) override;
    // Enter presses the focused button; Escape stops a run, else closes.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // What "Save to SDD" would store: the last proven result, if any.
    struct Proven {
        std::optional<kel::rftest::CrystalResult> crystal;
        kel::rftest::CrystalOptions crystalOptions;
        std::optional<kel::rftest::PowerResult> power;
        kel::rftest::PowerOptions powerOptions;
        std::uint64_t connection = 0; // the console's connection it was measured on
    };
    using Work =
        std::function<kel::rftest::Failure(kel::CommandContext&, const kel::rftest::BenchLink&)>;

    QWidget* BuildCrystal();
    QWidget* BuildPower();
    QWidget* BuildSensitivity();
    QWidget* BuildRunRow();
    QWidget* BuildLines();
    void ShowRunning(bool running);
    // Ready to run: connected, no test running, the chip model able.
    bool MayRun(const kel::rftest::ModelFeature& feature);

    // Measures with the instrument, recording the run; the verdict from
    // what the work left in verdict_ unless it failed or was stopped.
    std::optional<JobEnd> Measure(kel::rftest::RunningTest test, const Work& work);
    // Posted by the worker: the run's record begins, a trial is shown.
    void Began(const std::string& identity);
    void Took(TraceChart& chart, const kel::rftest::Measurement& m, const QString& line, double x,
              double y, const QString& text);
    // The results of a run that ended well: recorded, judged, shown.
    void Calibrated(const std::vector<kel::rftest::Measurement>& results, const QString& text);
    void Ended(const JobEnd& end, const QString& done);
    void Tell(const QString& text);
    void ShowResult(const QString& text);

    ConsoleSession& session_;
    std::unique_ptr<CalibrationJob> job_;
    bool running_ = false;
    bool closeAfterRun_ = false;
    bool runBegun_ = false;
    std::string verdict_; // the run's, as the work judged it
    int channel_ = 0;     // the run's
    Proven proven_;
};
