// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The options of the calibration subcommands, read as typed and checked
// into the Invocation: calibrate-freq (--tolerance-ppm, --max-steps,
// --save), calibrate-power (--target-dbm, --tolerance-db, --max-steps,
// --save) and sensitivity (--rates, --frames, --per-percent, --step-db,
// --high-dbm, --low-dbm, --max-dbm).

#include "cli/Invocation.h"
#include "cli/OptionDeclarations.h"

#include <CLI/CLI.hpp>
#include <string>

namespace kel::cli {

struct CalibrationOptions {
    std::string tolerancePpm, maxSteps, targetDbm, toleranceDb, powerSteps;
    std::string rates = "54", frames, perPercent, stepDb, highDbm, lowDbm, maxDbm;
    bool save = false;

    // calibrate-freq, calibrate-power and sensitivity with their options.
    void AddSubcommands(const AddSubcommand& add);
    // Throws rftest::ValueError for anything wrong, before anything opens.
    void Resolve(Invocation& run) const;
};

} // namespace kel::cli
