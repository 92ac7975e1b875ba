// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the console keeps in the results store (results/): a run from Connect
// to the end of the connection, and a measurement for each result it shows:
// an RX stop with its counters and PER, each frequency offset and SDD power
// table read, set or saved, each power set, each TX and tone start and stop,
// each supply switch and SDD export. Recording sends nothing to the board.
// It knows the dialog only by what it shows (ResultsRecorder::Shown), read
// as each result is recorded.
//
// Where: KEL_RESULTS, else results/store in the console's options file
// (OptionsFile), else the default file; results/station and
// results/operator name the runs. A store that cannot be written is told once (TakeProblem); a
// server that cannot be reached is told once in the log pane while rows wait.
//
// The writes happen on a thread of their own (RecordingThread), so none
// lies between a board's reply and the console's next command; what the
// store or the server has to say waits until the handler has ended (Flush).

#include "console/RecordingThread.h"
#include "results/BackgroundPush.h"
#include "results/Recorder.h"
#include "rftest/Measurement.h"
#include "rftest/RfSteps.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class QObject;

class ResultsRecorder {
public:
    // What the dialog shows and runs on when a result is recorded.
    struct Shown {
        std::string chipModel;
        std::string port;
        int baud = 0;
        std::string sessionLog;
        int channelRow = -1; // rows of the Channel and Rate lists, -1 for none
        int rateRow = -1;
        std::string powerText;
        std::string sendPktNum;               // as it goes out to the board
        std::array<std::string, 3> sddPowers; // in the order of kel::rftest::SddPowerClass
    };

    // tell appends a line to the log pane; it is called in window's thread,
    // never while busy (a handler runs) says true.
    ResultsRecorder(QObject& window, std::function<void(const QString&)> tell,
                    std::function<Shown()> shown, std::function<bool()> busy);
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
    // The SDD power table as the dialog shows it, a measurement per class.
    void RecordSddPowers();
    // The three addresses read; the source names the board.
    void RecordMacs(const std::array<std::string, 3>& macs);

    // A sweep is a run of its own beside the connection's: the connection's
    // port, chip model and board, the DUT label given, the instrument's
    // *IDN? when a calibration measured with one, each point as it comes,
    // and its verdict (kRunPass or kRunFail when a limit judged it,
    // kRunInterrupted, kRunError, or none).
    void BeginSweep(const std::string& dut, const std::string& instrument = {});
    void RecordSweepPoint(const kel::rftest::Measurement& point);
    void EndSweep(const std::string& verdict);
    // The sweep being recorded, or the last one.
    const kel::results::RunRecord& SweepRun() const;

    // Where results go (the results window reads the same).
    const kel::results::StoreSetting& Setting() const { return recorder_->Setting(); }

    // Waits until everything asked is in the store, then tells the lines
    // that waited for the handler to end.
    void Flush();
    // A problem with the store not yet told; empty when none.
    std::string TakeProblem();
    // The run being recorded, or the last one (as begun, the MAC once read).
    const kel::results::RunRecord& Run() const { return run_; }

private:
    static kel::rftest::Measurement AtSettings(const Shown& shown,
                                               kel::rftest::MeasurementKind kind);

    void Tell(const QString& line);
    void Post(std::function<void()> write) { thread_->Post(std::move(write)); }
    void Warn(const std::string& message);

    std::function<Shown()> shown_;
    std::function<void(const QString&)> tell_;
    std::function<bool()> busy_;
    std::string station_;
    std::string operator_;
    std::mutex problemMutex_;
    std::string problem_;
    QStringList toldLater_; // lines that came while a handler ran
    // The runs as the window knows them; the recorders' own copies live on
    // the recording thread.
    kel::results::RunRecord run_;
    kel::results::RunRecord sweepRun_;
    std::unique_ptr<kel::results::BackgroundPush> push_;
    std::unique_ptr<kel::results::Recorder> recorder_;
    std::unique_ptr<kel::results::Recorder> sweep_; // the last sweep's
    std::unique_ptr<kel::RecordingThread> thread_;
};
