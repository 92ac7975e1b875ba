// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a point reads in the summary, the live table and JUnit: its name
// ("rx-sweep ch 11 54 Mbps") and, once judged, what it came to against its
// limit ("ch 11 54 Mbps PER 9.1 % > 8 %").

#include "plan/Plan.h"
#include "rftest/Measurement.h"

#include <string>

namespace kel::plan {

// The step's name and what sets the point apart from the step's others.
std::string PointName(const Step& step, const rftest::Measurement& m);

// The value against the bound it broke, or (passing) against its limits;
// empty when nothing was judged.
std::string PointSummary(const Step& step, const rftest::Measurement& m);

} // namespace kel::plan
