// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One [[step]] of a plan file read into a Step: the keys its kind takes, each
// value checked as the console and kel-rftest check what is typed (rftest/),
// and the kind one the chip model has.

#include "plan/Plan.h"
#include "plan/TomlKeys.h"

#include <optional>

namespace kel::plan {

// Nothing when the step has no kind to read it by; its errors are in keys'.
std::optional<Step> ReadStep(KeyReader& keys, int chipModelRow);

// A whole number within [low, high], as rftest's WholeOption takes it.
std::optional<std::int64_t> WholeIn(KeyReader& keys, std::string_view key, std::int64_t low,
                                    std::int64_t high, bool required = false);

} // namespace kel::plan
