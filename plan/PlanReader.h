// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A plan file read and checked before any board is touched: TOML, every key
// one its table takes, every value of the right type and within the range the
// console takes, every step one the chip model has. Each error says where
// (file:line:column) and what was expected; all of them are found at once.

#include "plan/Plan.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kel::plan {

struct PlanError {
    std::string file;
    int line = 0; // from 1; 0 when the error is the file's as a whole
    int column = 0;
    std::string message;

    // "line-test.toml:12:9: step 2 (rx-sweep): max_per must be a number from 0 to 100"
    std::string Text() const;
};

struct PlanReading {
    std::optional<Plan> plan; // set when there is no error
    std::vector<PlanError> errors;
};

// The plan in text; fileName names it in errors and in the plan.
PlanReading ReadPlan(std::string_view text, const std::string& fileName);
// The plan in the file at path.
PlanReading ReadPlanFile(const std::string& path);

// Plan files are small; anything larger is refused unread.
inline constexpr std::size_t kMaxPlanBytes = 1 << 20;

} // namespace kel::plan
