// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The keys of a plan's calibration steps
// (calibrate-freq, calibrate-power, sensitivity), checked as kel-rftest
// checks the same options.

#include "plan/Plan.h"
#include "plan/TomlKeys.h"

namespace kel::plan {

void ReadCalibrationKeys(KeyReader& keys, Step& step);

} // namespace kel::plan
