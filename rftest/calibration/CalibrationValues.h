// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Calibration's values as kel-rftest's options and a plan's keys give them,
// each refused with a message naming the option or key (ValueChecks.h).

#include <array>
#include <string_view>

namespace kel::rftest {

// A decimal number from low to high.
double DecimalIn(const char* name, std::string_view text, double low, double high);
// The power targets of the three rate classes: "18,16,14", or one for all.
std::array<double, 3> ClassTargets(const char* name, std::string_view text);

} // namespace kel::rftest
