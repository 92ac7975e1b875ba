// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a window beyond the dialog may ask of the console's connection: the
// board it talks to, a step run as the dialog runs a control's handler (its
// waits tick, Escape cancels them, the dialog's test controls are locked
// meanwhile), the user's answers, and the results store it records to. The
// dialog implements it; a window holds this and never the dialog, so the
// windows stand below the console and any front end with a board can host them.

#include "instrument/InstrumentUrl.h"
#include "instrument/Profile.h"
#include "protocol/CommandContext.h"
#include "results/Records.h"
#include "results/StoreSetting.h"
#include "rftest/Measurement.h"

#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QWidget;

class ConsoleSession {
public:
    virtual ~ConsoleSession() = default;

    // --- The board ----------------------------------------------------------
    virtual bool Connected() const = 0;
    // A number for the connection that is up (each connection its own), 0
    // when none is.
    virtual std::uint64_t ConnectionNumber() const = 0;
    // TX, the tone or the RX test runs on the board.
    virtual bool TestRunning() const = 0;
    // The port, the chip model and the log pane, as the shared steps take them.
    virtual kel::CommandContext& Board() = 0;
    // The power level as sent, which a rate change updates (rftest::SetRate).
    virtual std::string& PowerText() = 0;

    // Runs step as a handler: no cancel pending at its start; after it, a line
    // that hung up meanwhile ends the connection.
    virtual void RunStep(const std::function<void()>& step) = 0;
    // The running step's waits give up (Escape, a Stop button).
    virtual void CancelStep() = 0;
    // A wait between exchanges, ticking as the port's waits do; false when cancelled.
    virtual bool WaitTicking(std::chrono::milliseconds duration) = 0;
    // While window runs a step: the dialog's test controls locked and the
    // window's input let through the waits; nullptr unlocks them as they were.
    virtual void LockTestControls(QWidget* window) = 0;
    // The board was left at this channel and rate row (and the power shown):
    // the dialog's lists follow, and a reconnection restores them.
    // No rate row: the rate command never went out, the rate stays.
    virtual void LeftAt(int channel, std::optional<int> rateRow) = 0;

    // --- The user -----------------------------------------------------------
    virtual void MessageBox(const QString& text) = 0;
    // Shows a step's failure message, if any; true when the step succeeded.
    virtual bool Succeeded(const char* failure) = 0;
    // A file to export to: no question before a new file is created.
    virtual std::optional<QString> SaveExportName(const QString& proposedName,
                                                  const QString& filter,
                                                  const QString& dir = QString()) = 0;
    virtual void OpenResultsWindow() = 0;
    // A question only Yes answers yes (No, Cancel and closing the box say no).
    virtual bool Confirm(const QString& question) = 0;

    // --- The instrument -----------------------------------------------------
    struct Instrument {
        kel::instrument::InstrumentUrl url;
        kel::instrument::Profile profile;
        std::optional<int> route; // the board's slot on its switch
    };
    // Where calibration measures the board connected: the console's
    // instrument setting, else (for the built-in virtual board) the virtual
    // bench; nothing, with why, when there is none. Connecting is the caller's.
    virtual std::optional<Instrument> CalibrationInstrument(std::string& why) = 0;

    // --- The results store --------------------------------------------------
    // Where results go (the results window reads the same).
    virtual const kel::results::StoreSetting& ResultsSetting() const = 0;
    // A sweep (or a calibration) is a run of its own beside the
    // connection's: its DUT label, the instrument's *IDN? when it measured
    // with one, each point as it comes, its verdict. The run begun (its board's MAC).
    virtual const kel::results::RunRecord& BeginSweepRun(const std::string& dut,
                                                         const std::string& instrument = {}) = 0;
    virtual void RecordSweepPoint(const kel::rftest::Measurement& point) = 0;
    virtual void EndSweepRun(const std::string& verdict) = 0;

protected:
    ConsoleSession() = default;
    ConsoleSession(const ConsoleSession&) = default;
    ConsoleSession& operator=(const ConsoleSession&) = default;
};
