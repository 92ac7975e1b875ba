// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The way to a PostgreSQL server: one connection, the server's schema
// brought up to date on connecting, and the store's waiting rows pushed to it
// batch by batch, each exactly once: a row the server already holds (the
// same UUID) is left as it is, so a batch sent again after a failure changes
// nothing. A run's row is the exception: its end and verdict come later, so a
// run not yet ended on the server takes the newer row.
//
// No message says a password: the URI is shown without it.

#include "results/Queries.h"
#include "results/Store.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace kel::results {

// A failure of the server or the way to it.
class ServerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ServerLink {
public:
    // Outbox entries per transaction on the server: large batches cost the
    // server far less per row; a stop waits for one batch at most.
    static constexpr std::size_t kBatchRows = 5000;

    // Connects (giving up after a few seconds, see ServerLink.cpp) and
    // migrates the server's schema; throws ServerError.
    explicit ServerLink(const std::string& uri);
    ~ServerLink();
    ServerLink(const ServerLink&) = delete;
    ServerLink& operator=(const ServerLink&) = delete;

    // Pushes what waits in store until nothing does or stop() says so
    // (asked between batches); the rows pushed. Throws ServerError or
    // StoreError; what was pushed before stays pushed.
    std::size_t PushWaiting(Store& store, const std::function<bool()>& stop = {});

    // What a reader asks the server, as the store's queries answer it
    // (Queries.h): the runs newest first, a run's measurements in order.
    // Throws ServerError.
    std::vector<RunSummary> ListRuns(const RunFilter& filter);
    RunCounts CountRuns(const RunFilter& filter);
    std::vector<StoredMeasurement> RunMeasurements(const std::string& runId);
    // At most two runs whose id begins with the prefix (any case), by id.
    std::vector<RunRecord> RunsBeginningWith(std::string_view prefix);
    void ExportRows(const RunFilter& filter, const std::function<void(const Row&)>& each);
    std::vector<PointYield> FailedPoints(const RunFilter& filter, std::size_t count);

    // The URI as it may be shown.
    const std::string& Shown() const { return shown_; }

private:
    void Migrate();
    // Rows of one JSON array each, the first column of the result.
    std::vector<Row> JsonRows(const std::string& sql, const std::vector<std::string>& params);
    std::size_t PushBatch(const Store::Waiting& waiting);

    struct Connection; // the library's connection, kept out of this header
    std::string shown_;
    std::unique_ptr<Connection> connection_;
};

} // namespace kel::results
