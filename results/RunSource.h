// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a reader of results takes the runs and their measurements from: the
// station's store, or the PostgreSQL server the stations push to. The same
// questions, the same answers, whichever it is.

#include "results/Queries.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kel::results {

class RunSource {
public:
    virtual ~RunSource() = default;

    // Newest first (RunFilter as ListRuns takes it).
    virtual std::vector<RunSummary> Runs(const RunFilter& filter) = 0;
    // Every run the filter selects, counted (CountRuns, its limit ignored).
    virtual RunCounts Counts(const RunFilter& filter) = 0;
    // In the order they were taken.
    virtual std::vector<StoredMeasurement> Measurements(const std::string& runId) = 0;
    // FindRun (Queries.h) as this source answers it.
    virtual RunRecord Find(std::string_view idOrPrefix) = 0;
    // ExportRows and FailedPoints (Queries.h) as this source answers them.
    virtual void Export(const RunFilter& filter, const std::function<void(const Row&)>& each) = 0;
    virtual std::vector<PointYield> FailedPoints(const RunFilter& filter, std::size_t count) = 0;
};

// The store file, which must exist; throws StoreError.
std::unique_ptr<RunSource> StoreRuns(const std::filesystem::path& file);
// The server at uri (its password never in a message); throws ServerError.
std::unique_ptr<RunSource> ServerRuns(const std::string& uri);

} // namespace kel::results
