// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A benchmark's plan, from its text; its first error on standard error.

#include "plan/PlanReader.h"

#include <cstdio>
#include <optional>
#include <string_view>

namespace kel::bench {

inline std::optional<plan::Plan> ReadBenchPlan(std::string_view toml) {
    plan::PlanReading reading = plan::ReadPlan(toml, "bench.toml");
    if (!reading.plan)
        std::fprintf(stderr, "%s\n", reading.errors[0].Text().c_str());
    return std::move(reading.plan);
}

} // namespace kel::bench
