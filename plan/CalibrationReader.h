// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The keys of a plan's calibration steps
// (calibrate-freq, calibrate-power, sensitivity), checked as kel-rftest
// checks the same options.

#include "plan/Plan.h"
#include "plan/TomlKeys.h"

namespace kel::plan {

void ReadCalibrationKeys(KeyReader& keys, Step& step);
// Every calibration step needs the plan's [instrument] (InstrumentTable.h),
// and its profile the actions the step sends; errors at the step.
void CheckCalibrationSteps(const Plan& plan, ErrorList& errors);

// What a calibration step asks of the instrument.
std::vector<instrument::Action> NeededActions(StepKind kind);

} // namespace kel::plan
