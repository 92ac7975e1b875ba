// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One run of kel-rftest once its arguments are checked: the port opened (or
// the virtual board started), the handshake, the global settings, the
// subcommand (RunSubcommands.cpp), and the end of the connection, whatever
// ended the run (Run.cpp).

#include "board/VirtualBoardHost.h"
#include "cli/Interruption.h"
#include "cli/Invocation.h"
#include "cli/Report.h"
#include "cli/RfTestRun.h"
#include "cli/RunRecording.h"
#include "cli/RxReport.h"
#include "cli/WireTrace.h"
#include "rftest/FrontEndContext.h"
#include "rftest/LinkWatch.h"
#include "rftest/Measurement.h"
#include "rftest/Messages.h"
#include "rftest/RfSteps.h"
#include "rftest/RxMeasurement.h"
#include "rftest/SddTarget.h"
#include "rftest/ValueChecks.h"
#include "rftest/calibration/BenchLink.h"
#include "serial/ReadWatchdog.h"
#include "serial/SerialPort.h"

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kel::cli {

class Run {
public:
    // With --verbose the line is traced on err.
    Run(const Invocation& invocation, Report& report, Interruption& interruption,
        const RunSettings& settings, std::ostream& err);
    ~Run();
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    int Execute();

private:
    // Everything Execute does but record the run's end.
    int Steps();
    // The board's source address names the board, unless --no-mac or the
    // subcommand reads it anyway.
    void ReadBoardMac();
    using Test = rftest::RunningTest;
    using Measurements = std::vector<rftest::Measurement>;

    bool PrepareOutputs();
    bool OpenPort();
    // Opens the port, with --wait-port once it is there (RunWaitPort.cpp);
    // an interrupted wait is reported here.
    bool OpenOrWait(const std::string& path);
    void WatchLine();
    bool ApplySettings();
    bool FailedSetting(rftest::Failure failure);
    void NoteVirtualRx();
    int RunSubcommand();
    int End(int code);
    // Reports a failed step (as an interruption when it was one), with the
    // line's reason or the board's silence: kExitFailed.
    int Fail(rftest::Failure failure);
    // A wait the --timeout gave up on leaves the port cancelled: the run's
    // own clean-up needs it back.
    void RecoverFromGiveUp();
    int Done(const Measurements& measurements, const std::string& text, const Fields& extra = {}) {
        report_.Result(measurements, text, extra);
        return kExitOk;
    }
    // Taken now, at the settings in force.
    rftest::Measurement Measured(rftest::MeasurementKind kind, const std::string& text = {}) const;
    // A value the board gave or was given as text: a number where it is one.
    rftest::Measurement Valued(rftest::MeasurementKind kind, const std::string& text) const;
    // One per rate class, the class in text.
    Measurements SddPowerLevels(const std::array<std::string, 3>& powers) const;
    bool Pause(std::chrono::milliseconds duration) { return interruption_.Pause(duration); }

    int Info();
    int Tx();
    int Tone();
    // Starts a test; stops it after --seconds, or leaves it running without.
    int Timed(rftest::MeasurementKind kind, std::optional<double> value, Fields extra, Test test,
              const std::function<rftest::Failure()>& start,
              const std::function<rftest::Failure()>& stop, const std::string& runningText,
              const std::string& doneText);
    int Stopped(rftest::MeasurementKind kind, rftest::Failure failure, const std::string& text);
    int Rx();
    // Reports a measured point, judged under --max-per; false when it fails.
    bool ReportPoint(const rftest::RxPoint& point);
    int SweepRx();
    int SddExport();
    int Send();
    int Mac();
    int Calibration();
    // RunInstrument.cpp: the instrument connected before the port opens
    // (false: reported, exit 3), and the subcommands that measure with it.
    bool ConnectInstrument();
    int ToneFreq();
    int TxPower();
    // Runs step, which talks to the instrument: an instrument error is
    // reported as the step's failure, its exit code returned; nullopt when
    // step ran through.
    std::optional<int> WithInstrument(const std::function<void()>& step);
    // The channel tone-freq and tx-power measure at, set first when not given.
    bool SetMeasuringChannel();
    // At that channel, the tone (or TX) started, read (given the channel)
    // while it runs, and stopped: the exit code of a failure, else nullopt.
    std::optional<int> ReadWhileRunning(Test test, const std::function<void(int)>& read);
    // Reports a reading at the run's settings: exit 4 when it fails its limit.
    int JudgedReading(rftest::Measurement m, const std::string& text);
    // RunCalibration.cpp: calibrate-freq, calibrate-power and sensitivity.
    int CalibrateFreq();
    int CalibratePower();
    int Sensitivity();
    // The instrument held throughout; test marks what runs while it measures.
    rftest::BenchLink Link(Test test);
    // A calibration's result as reported: its line of text, its JSON extras.
    struct CalibrationOutcome {
        rftest::Measurement measurement;
        std::string text;
        Fields extra;
    };
    // Ends a calibration that went through: each outcome reported in turn,
    // exit 4 when one fails.
    int Calibrated(const std::vector<CalibrationOutcome>& outcomes);

    const Invocation& run_;
    Report& report_;
    Interruption& interruption_;
    RunSettings settings_;
    RunRecording recording_;

    // Declared in the order they start; they end the other way round.
    std::unique_ptr<instrument::Instrument> instrument_;
    std::unique_ptr<board::VirtualBoardHost> board_;
    SerialPort port_;
    std::optional<WireTrace> trace_;
    std::ostream* traceStream_ = nullptr; // -v: where the instrument's lines go too
    rftest::LinkWatch watch_;
    std::unique_ptr<ReadWatchdog> watchdog_;
    rftest::FrontEndContext ctx_;

    std::string powerText_;
    Test started_ = Test::None; // may be running on the board: stop it on the way out
    bool leaveRunning_ = false; // what was started is meant to outlast the run
    SweepCsv csv_;
    bool csvFailed_ = false; // a row could not be written
    rftest::SddTarget sddTarget_;
};

} // namespace kel::cli
