// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The inside of RunBoard (BoardRun.h): the session with one board, its steps
// (BoardSteps.cpp) and how their points are judged, retried and reported.

#include "plan/BoardRun.h"
#include "rftest/FrontEndContext.h"
#include "rftest/LinkWatch.h"
#include "rftest/Measurement.h"
#include "rftest/Messages.h"
#include "rftest/RfSteps.h"
#include "rftest/calibration/BenchLink.h"
#include "serial/SessionLog.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kel::plan {

class BoardSession {
public:
    BoardSession(const Plan& plan, SerialPort& port, const BoardIdentity& board,
                 RunControl& control, BoardListener& listener, const BoardRunSettings& settings);
    ~BoardSession();
    BoardSession(const BoardSession&) = delete;
    BoardSession& operator=(const BoardSession&) = delete;

    BoardOutcome Run();

private:
    using Failure = rftest::Failure;
    using Measurements = std::vector<rftest::Measurement>;

    // The board's session log, when the settings name a folder.
    void OpenLog();
    bool Connect();
    void NameBoard();
    // False when the board errored (or the run was cancelled) in it.
    bool RunStep(std::size_t index);
    Failure Do(const Step& step);
    // Waits for the step's shared resource unless it needs none or the turn
    // is held from the step before; false when the run was cancelled first.
    bool TakeTurnFor(std::size_t index);
    void CleanUp();
    // After a cancel: drops the reply of a command the cancel cut short.
    void DiscardLateReply();
    // The failure as the summary tells it, with the line's reason or the
    // board's silence; the run's end when it was cancelled.
    void Errored(const std::string& failure);

    // The steps (BoardSteps.cpp).
    Failure FreqOffset(const Step& step);
    Failure SddPower(const Step& step);
    Failure Power(const Step& step);
    Failure Rx(const Step& step);
    Failure RxSweep(const Step& step);
    Failure Timed(const Step& step, rftest::MeasurementKind kind, rftest::RunningTest test);
    Failure Supply(const Step& step);
    Failure SddExport(const Step& step);
    // "02-4b-45-4c-00-04_20261208T134506Z.sdd": the DUT label, else the MAC,
    // else the port, and the time.
    std::string SddFileName() const;
    Failure Mac(const Step& step);
    Failure Send(const Step& step);
    // InstrumentMeasures.cpp: tone-freq and tx-power. An instrument's error
    // ends the step (stepError_), not the board's run.
    Failure ToneFreq(const Step& step);
    Failure TxPower(const Step& step);
    // Runs measure holding the instrument's turn; false (stepError_ said
    // why) when the instrument failed or the run was cancelled meanwhile.
    bool WithInstrument(const std::function<void(instrument::Instrument&)>& measure);
    // After a test run around an instrument's reading: its failure, or the
    // cancel that cut the reading short; the test unmarked when it stopped.
    Failure StoppedAfter(Failure failure, bool measured);
    // The instrument's route to this board, if the plan gives one.
    std::optional<int> Route() const;
    // BoardCalibration.cpp: calibrate-freq, calibrate-power, sensitivity,
    // holding the instrument only while the board's signal is measured.
    Failure Calibrate(const Step& step);
    Failure CalibrateFreq(const Step& step, const rftest::BenchLink& link);
    Failure CalibratePower(const Step& step, const rftest::BenchLink& link);
    Failure Sensitivity(const Step& step, const rftest::BenchLink& link);
    rftest::BenchLink Link();
    Failure Prompt(const Step& step);

    Failure ApplySettings(const rftest::TestSettings& settings);
    // Taken now, at the settings in force.
    rftest::Measurement Measured(rftest::MeasurementKind kind) const;
    rftest::Measurement Valued(rftest::MeasurementKind kind, const std::string& text) const;
    // Measures (each call one attempt, its points given to Reported) until
    // the attempt passes or the step's retries are used up.
    Failure Retried(const std::function<Failure()>& measure);
    // One attempt's points, judged; true when the step measures them again.
    bool Reported(const Step& step, Measurements points);
    bool Pause(std::chrono::milliseconds duration) { return control_.Pause(duration); }

    const Plan& plan_;
    SerialPort& port_;
    const BoardIdentity& board_;
    RunControl& control_;
    BoardListener& listener_;
    BoardRunSettings settings_;

    SessionLog log_;
    rftest::LinkWatch watch_;
    std::unique_ptr<ReadWatchdog> watchdog_;
    rftest::FrontEndContext ctx_;

    std::string powerText_;
    rftest::RunningTest started_ = rftest::RunningTest::None;
    bool connected_ = false;
    // The settings in force, as this run set them or the board reported.
    std::optional<int> channel_;
    std::optional<int> rateRow_;
    std::optional<int> powerLevel_;

    // The step running and its attempt.
    std::size_t step_ = 0;
    int attempt_ = 1;
    bool again_ = false; // the attempt failed and may be retried
    Clock::time_point attemptStarted_;
    rftest::Verdict stepVerdict_ = rftest::Verdict::None;
    // The turn on a shared resource, held across consecutive steps on it.
    std::optional<RunControl::Turn> turn_;

    // A failure worded as it happened (a file that cannot be made, a MAC the
    // board does not hold), which the Failure returned points into.
    std::string failureText_;
    // The instrument's error in the step running; the first one any step had.
    std::string stepError_;
    std::string instrumentError_;
    BoardOutcome outcome_;
};

} // namespace kel::plan
