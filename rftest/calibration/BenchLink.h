// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The instrument as a calibration of one board reaches it: the box, the
// board's slot on its switch, and how it is held. A plan lends the
// instrument to one board at a time and only while it routes and measures
// that board (the tone or TX is switched on and off outside the hold), so
// several boards share one: the others set their next code, switch their
// signal and settle meanwhile. A lone run holds it throughout.

#include "instrument/Instrument.h"
#include "rftest/Messages.h"
#include "rftest/RxMeasurement.h"

#include <functional>
#include <optional>

namespace kel::rftest {

// Given when a value written to the board's SDD data does not read back.
inline constexpr char kSddReadBackDiffers[] = "The SDD data does not read back what was stored!";

struct BenchLink {
    instrument::Instrument* instrument = nullptr;
    std::optional<int> route;
    // Runs measure while the instrument is held; false when it could not
    // be taken (the run was cancelled while waiting).
    std::function<bool(const std::function<void()>& measure)> hold;
    // True once the user asked to stop; checked between measurements (a
    // calibration stopped gives kInterrupted).
    std::function<bool()> stopRequested;

    bool Stopped() const { return stopRequested && stopRequested(); }
    // Runs measure holding the instrument; an instrument fault leaves with
    // the route named beside the instrument.
    bool Holding(const std::function<void()>& measure) const;
};

} // namespace kel::rftest
