// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a line engineer asks the store: the runs, newest first, with filters;
// one run's measurements; every measurement with its run, for a spreadsheet
// or a script; and the yield (boards tested, first-pass and final pass rate,
// the points that fail most). Every value is bound, never spliced in.

#include "results/Columns.h"
#include "results/Records.h"
#include "results/RunCounts.h"
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
    std::string until;    // a SinceBound: runs started before it; empty: to the last
    std::string boardMac; // any case
    std::string dut;
    std::string plan;
    std::string station;
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
// Every run the filter selects, counted (its limit ignored).
RunCounts CountRuns(Store& store, const RunFilter& filter);

// The run with this id, or the one run whose id begins with it (any case).
// Throws StoreError when there is none or more than one.
RunRecord FindRun(Store& store, std::string_view idOrPrefix);
// Of the runs found for the prefix (at most two, by id), the one it names;
// throws StoreError naming where when there is none or more than one.
RunRecord OnlyRun(const std::vector<RunRecord>& found, std::string_view idOrPrefix,
                  const std::string& where);

// In the order they were taken.
std::vector<StoredMeasurement> RunMeasurements(Store& store, const std::string& runId);

// The measurement's columns, then its run's (its verdict as run_verdict).
std::vector<std::string> ExportColumns();
// One measurement with its run, in ExportColumns() order: a row of a
// selection exported as ExportRows exports every row.
Row ExportRow(const StoredMeasurement& stored, const RunRecord& run);
// Each measurement of the runs the filter selects, at or after its since
// (a run without measurements, an errored board, once, at its start), oldest
// first, joined with its run: one call per row, in ExportColumns() order.
void ExportRows(Store& store, const RunFilter& filter, const std::function<void(const Row&)>& each);

// A setting at which points failed.
struct PointYield {
    std::string kind;
    std::optional<int> channel;
    std::optional<double> rateMbps;
    std::int64_t measured = 0; // judged points at the setting
    std::int64_t failed = 0;
    std::optional<double> worstPer; // of the failed points
};

// The settings whose points failed in the runs the filter selects, the most
// failures first, then the highest PER; at most count.
std::vector<PointYield> FailedPoints(Store& store, const RunFilter& filter, std::size_t count);

// Shared by the store's and the server's answers: an export row's run id
// (selected last) put in its run_id when the run had no measurement; a
// PointYield from (kind, channel, rate, measured, failed, worst PER); a
// number column's value.
Row RunIdFilled(Row row);
PointYield PointYieldOf(const Row& row);
std::optional<double> NumberOf(const Value& value);

} // namespace kel::results
