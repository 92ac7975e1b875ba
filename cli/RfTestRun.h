// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One run of kel-rftest from its arguments to its exit code: the port opened
// (or the virtual board started), the handshake, the global settings, the
// subcommand, and the end of the connection, whatever ended the run.

#include "cli/ExitCodes.h"
#include "serial/ReadWatchdog.h"

#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace kel::cli {

class Interruption;

struct RunSettings {
    // The read slice; tests shorten it so a give-up comes sooner.
    std::chrono::milliseconds watchdogSlice = ReadWatchdog::kSlice;
    // Someone watches standard error (a terminal): after two seconds of
    // silence from the board, say that the run waits for it.
    bool noteSilence = false;
    // Standard error is a terminal: a plan run draws its live table there.
    bool liveTable = false;
    // The terminal's size, asked at each redraw, so that the table fits it
    // (and is drawn again when it changes); 0 where unknown.
    std::function<std::pair<std::size_t, std::size_t>()> terminalSize; // columns, lines
    // Where a station's operator types (--scan, prompt steps).
    int input = 0;
};

// args without the program's name.
int RunRfTest(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              Interruption& interruption, const RunSettings& settings = {});

} // namespace kel::cli
