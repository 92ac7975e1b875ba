// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the console keeps in the results store (results/): a run from Connect
// to the end of the connection, and a measurement for each result it shows:
// an RX stop with its counters and PER, each frequency offset and SDD power
// table read, set or saved, each power set, each TX and tone start and stop,
// each supply switch and SDD export. Recording sends nothing to the board.
//
// Where: KEL_RESULTS, else results/store in the console's options file
// (OptionsFile), else the default file; results/station and
// results/operator name the runs. A store that cannot be written is told once (TakeProblem); a server
// that cannot be reached is told once in the log pane while rows wait.

#include "results/BackgroundPush.h"
#include "results/Recorder.h"
#include "rftest/Measurement.h"
#include "rftest/RfSteps.h"

#include <array>
#include <memory>
#include <string>

class CkelGuiToolDlg;

class ResultsRecorder {
public:
    explicit ResultsRecorder(CkelGuiToolDlg& dlg);
    ~ResultsRecorder();
    ResultsRecorder(const ResultsRecorder&) = delete;
    ResultsRecorder& operator=(const ResultsRecorder&) = delete;

    // The connection is up: its port, baud rate, chip model, session log.
    void BeginRun();
    // It ended: by Disconnect or closing, or because the line failed.
    void EndRun(bool lineFailed);

    // A result at the channel, rate and power the dialog shows now: reading
    // as a number where it is one, note in text ("running", a file's path).
    void Record(kel::rftest::MeasurementKind kind, const std::string& reading,
                const std::string& note = {});
    // What an instrument measured, at the settings the dialog shows now.
    void RecordMeasured(kel::rftest::Measurement measured);
    // RX stopped: the counters, the Send Pkt Num as sent, the PER.
    void RecordRx(const kel::rftest::RxCounters& counters);
    // The SDD power table as the dialog holds it, a measurement per class.
    void RecordSddPowers();
    // The three addresses read; the source names the board.
    void RecordMacs(const std::array<std::string, 3>& macs);

    // A sweep is a run of its own beside the connection's: the connection's
    // port, chip model and board, the DUT label given, each point as it
    // comes, and its verdict (kRunPass or kRunFail when a limit judged it,
    // kRunInterrupted, kRunError, or none).
    void BeginSweep(const std::string& dut);
    void RecordSweepPoint(const kel::rftest::Measurement& point);
    void EndSweep(const std::string& verdict);
    // The sweep being recorded, or the last one.
    const kel::results::RunRecord& SweepRun() const;

    // Where results go (the results window reads the same).
    const kel::results::StoreSetting& Setting() const { return recorder_->Setting(); }

    // A problem with the store not yet told; empty when none.
    std::string TakeProblem();
    // The run being recorded, or the last one.
    const kel::results::RunRecord& Run() const { return recorder_->Run(); }

private:
    kel::rftest::Measurement AtCurrentSettings(kel::rftest::MeasurementKind kind) const;

    CkelGuiToolDlg& dlg_;
    std::string station_;
    std::string operator_;
    std::string problem_;
    std::unique_ptr<kel::results::BackgroundPush> push_;
    std::unique_ptr<kel::results::Recorder> recorder_;
    std::unique_ptr<kel::results::Recorder> sweep_; // the last sweep's
};
