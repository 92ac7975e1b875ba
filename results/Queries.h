// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a line engineer asks the store: the runs, newest first, with filters;
// one run's measurements; every measurement with its run, for a spreadsheet
// or a script; and the yield (boards tested, first-pass and final pass rate,
// the points that fail most). Every value is bound, never spliced in.

#include "results/Columns.h"
#include "results/Records.h"
#include "results/Store.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kel::results {

// "2026-01-05", "2026-01-05T13:45", "2026-01-05 13:45:06.250Z": the bound a
// stored UTC time compares with ("2026-01-05T13:45"); nullopt when the text
// is none of these.
std::optional<std::string> SinceBound(std::string_view text);

struct RunFilter {
    std::string since;    // a SinceBound; empty: from the first run
    std::string boardMac; // any case
    std::string dut;
    // Any part of the board's MAC or of its DUT label, any case.
    std::string boardPart;
    std::optional<std::int64_t> limit;
};

struct RunSummary {
    RunRecord run;
    std::int64_t points = 0; // its measurements
};

// Newest first.
std::vector<RunSummary> ListRuns(Store& store, const RunFilter& filter);

// The run with this id, or the one run whose id begins with it (any case).
// Throws StoreError when there is none or more than one.
RunRecord FindRun(Store& store, std::string_view idOrPrefix);

// In the order they were taken.
std::vector<StoredMeasurement> RunMeasurements(Store& store, const std::string& runId);

// The measurement's columns, then its run's (its verdict as run_verdict).
std::vector<std::string> ExportColumns();
// One measurement with its run, in ExportColumns() order: a row of a
// selection exported as ExportRows exports every row.
Row ExportRow(const StoredMeasurement& stored, const RunRecord& run);
// Each measurement taken at or after since (a SinceBound), oldest first,
// joined with its run: one call per row, in ExportColumns() order.
void ExportRows(Store& store, const std::string& since,
                const std::function<void(const Row&)>& each);

// A setting at which measurements were judged or a PER measured.
struct PointYield {
    std::string kind;
    std::optional<int> channel;
    std::optional<double> rateMbps;
    std::int64_t measured = 0;
    std::int64_t failed = 0;
    std::optional<double> worstPer;
};

// A board is its MAC, or its DUT label when the MAC was not read; only runs
// that judged it (verdict pass or fail) count. First pass: its first such
// run passed; final: its last one did.
struct YieldSummary {
    std::int64_t boards = 0;
    std::int64_t firstPass = 0;
    std::int64_t finalPass = 0;
    std::vector<PointYield> worst; // most failures first, then the highest PER
};

YieldSummary Yield(Store& store, const std::string& since, std::size_t worstCount = 5);

} // namespace kel::results
