// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The yield of a line: how many boards were tested, how many passed the
// first time and in the end, how many failed or errored, and the settings
// whose points failed most. A board is its DUT label when one was given, else
// its MAC (a MAC that boards share unprogrammed never merges labelled
// boards), else the run itself: a board that never answered is a board too.
// Runs with a verdict of pass, fail or error count.

#include "results/RunSource.h"

#include <cstdint>
#include <vector>

namespace kel::results {

struct YieldSummary {
    std::int64_t boards = 0;
    std::int64_t firstPass = 0;    // its first run passed
    std::int64_t finalPass = 0;    // its last run passed
    std::int64_t failed = 0;       // its last run failed a limit
    std::int64_t errored = 0;      // its last run errored (no answer, a refusal)
    std::vector<PointYield> worst; // most failures first, then the highest PER
};

// The boards of these runs, in any order.
YieldSummary BoardYield(std::vector<RunRecord> runs);

// The runs the filter selects (its limit ignored), from the store or server.
YieldSummary Yield(RunSource& source, RunFilter filter, std::size_t worstCount = 5);

} // namespace kel::results
