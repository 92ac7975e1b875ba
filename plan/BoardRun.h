// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One board's run of a plan, on a port already open at the plan's baud rate:
// the handshake, the board's MAC (which names it), every step in order with
// its retries and its turn on a shared resource, then the stop of a test
// left running and the disconnect. A board that refuses or gives up ends its
// own run only. PlanRun runs one per board at once; a station that tests one
// board after another calls it for each.

#include "plan/BoardOutcome.h"
#include "plan/Plan.h"
#include "plan/RunControl.h"
#include "serial/ReadWatchdog.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace kel {
class SerialPort;
}
namespace kel::instrument {
class Instrument;
}

namespace kel::plan {

class OperatorDesk;

// Who the board is besides its MAC: the port it is on, the user's label (a
// station's scanned serial), and the station slot's name ("Fixture A";
// empty: the port names the slot).
struct BoardIdentity {
    std::string port;
    std::string dut;
    std::string slot = {}; // an initializer: {port, dut} still names a board

    const std::string& SlotName() const { return slot.empty() ? port : slot; }
};

struct BoardRunSettings {
    // The read slice; tests shorten it so a silent board is given up sooner.
    std::chrono::milliseconds watchdogSlice = ReadWatchdog::kSlice;
    // Where sdd-export writes, a file named after the board.
    std::filesystem::path sddFolder = ".";
    // The plan's instrument, connected, shared by every board (its use takes
    // the kInstrumentResource turn); null without one.
    instrument::Instrument* instrument = nullptr;
    // The instrument's switch route to each board, by its port.
    std::map<std::string, int> routes;
    // Where each board's session log (every byte each way) is kept; none
    // when empty.
    std::filesystem::path sessionLogFolder;
    // Hears how long each hold of the instrument lasted (a benchmark's
    // utilisation); from the board's worker thread.
    std::function<void(std::chrono::steady_clock::duration)> instrumentHeld;
    // Who answers prompt steps; none: a prompt is told as a note and the
    // run goes on.
    OperatorDesk* desk = nullptr;
};

// Runs the plan on the board and gives its verdict; the listener hears each
// step and point as it comes, and the outcome last. The port stays open; a
// cancel of the control ends the run (Interrupted) after the stop of the
// running test and the disconnect.
BoardOutcome RunBoard(const Plan& plan, SerialPort& port, const BoardIdentity& board,
                      RunControl& control, BoardListener& listener,
                      const BoardRunSettings& settings = {});

} // namespace kel::plan
