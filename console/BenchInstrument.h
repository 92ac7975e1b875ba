// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console's instrument: when one is set (KEL_INSTRUMENT, else
// instrument/url in the options file, with instrument/profile and
// instrument/route), Tone Start and TX Start have it measure the tone's
// frequency error and the TX power. Connected on first use and kept; an
// instrument that fails is dropped and tried afresh the next time.

#include "instrument/Instrument.h"
#include "rftest/InstrumentSteps.h"
#include "rftest/Measurement.h"
#include "windows/ConsoleSession.h"

#include <memory>
#include <optional>
#include <string>

namespace kel::board {
class BoardTray;
class InstrumentServer;
} // namespace kel::board

// Overrides the options file's instrument/url.
inline constexpr char kInstrumentVariable[] = "KEL_INSTRUMENT";

class BenchInstrument {
public:
    BenchInstrument();
    ~BenchInstrument();

    bool Configured() const { return !url_.empty(); }

    // The log pane's line, and the measurement when there is one.
    struct Reading {
        std::string line;
        std::optional<kel::rftest::Measurement> measurement;
    };
    Reading MeasureTone(int channel);
    Reading MeasurePower(int channel);

    // builtIn: the built-in virtual board's tray while it is the board
    // connected, else nullptr.
    std::optional<ConsoleSession::Instrument> ForCalibration(kel::board::BoardTray* builtIn,
                                                             std::string& why);

private:
    // Connected, or the reason it is not.
    kel::instrument::Instrument* Connected(std::string& error);
    template <typename Measure> Reading Measured(Measure measure);

    std::string url_;
    std::string profile_;
    std::optional<int> route_;
    std::unique_ptr<kel::instrument::Instrument> instrument_;
    // The virtual bench and the tray it measures, started on first use.
    std::unique_ptr<kel::board::InstrumentServer> virtualBench_;
    kel::board::BoardTray* benchTray_ = nullptr;
};
