// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The plan's [instrument] table and the keys of its calibration steps
// (calibrate-freq, calibrate-power, sensitivity), checked as kel-rftest
// checks the same options.

#include "plan/Plan.h"
#include "plan/TomlKeys.h"

namespace kel::plan {

void ReadCalibrationKeys(KeyReader& keys, Step& step);
// The [instrument] table, when the plan has one.
void ReadInstrumentTable(KeyReader& top, Plan& plan);
// Every calibration step needs the instrument, and its profile the actions
// the step sends; errors at the step.
void CheckCalibrationSteps(const toml::table& root, Plan& plan, ErrorList& errors);

// What a calibration step asks of the instrument.
std::vector<instrument::Action> NeededActions(StepKind kind);

} // namespace kel::plan
