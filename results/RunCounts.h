// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How many runs a filter selects, all of them, not a page: the runs, the
// boards, the runs passed and failed, and the first-pass yield, counted by
// the database (the store's and the server's alike) with Yield.h's boards:
// a board is its DUT label, else its MAC, else the run when it ended with a
// verdict; a board is judged once a run of it ended pass, fail or error, and
// passed first when the first such run passed.

#include "results/Columns.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kel::results {

struct RunCounts {
    std::int64_t runs = 0;
    std::int64_t boards = 0;
    std::int64_t passed = 0;
    std::int64_t failed = 0;
    std::int64_t judged = 0;    // boards with a run of pass, fail or error
    std::int64_t firstPass = 0; // of those, the boards whose first such run passed

    bool operator==(const RunCounts&) const = default;
};

// The query over the runs r that match conditions (SQL both databases
// read), its counts as one row in RunCounts' order; idText is the run id as
// text ("r.id" on the store, "r.id::text" on the server); wrap names a
// function taking the six values (json_build_array), or none.
std::string RunCountsQuery(std::string_view conditions, std::string_view idText,
                           std::string_view wrap = {});
RunCounts RunCountsOf(const Row& row);

} // namespace kel::results
