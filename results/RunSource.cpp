// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/RunSource.h"

#include "results/ServerLink.h"
#include "results/Store.h"

namespace kel::results {

namespace {

class StoreSource : public RunSource {
public:
    explicit StoreSource(const std::filesystem::path& file) : store_(file, Store::Open::ReadOnly) {}

    std::vector<RunSummary> Runs(const RunFilter& filter) override {
        return ListRuns(store_, filter);
    }
    RunCounts Counts(const RunFilter& filter) override { return CountRuns(store_, filter); }
    std::vector<StoredMeasurement> Measurements(const std::string& runId) override {
        return RunMeasurements(store_, runId);
    }
    RunRecord Find(std::string_view idOrPrefix) override { return FindRun(store_, idOrPrefix); }
    void Export(const RunFilter& filter, const std::function<void(const Row&)>& each) override {
        ExportRows(store_, filter, each);
    }
    std::vector<PointYield> FailedPoints(const RunFilter& filter, std::size_t count) override {
        return results::FailedPoints(store_, filter, count);
    }

private:
    Store store_;
};

class ServerSource : public RunSource {
public:
    explicit ServerSource(const std::string& uri) : server_(uri) {}

    std::vector<RunSummary> Runs(const RunFilter& filter) override {
        return server_.ListRuns(filter);
    }
    RunCounts Counts(const RunFilter& filter) override { return server_.CountRuns(filter); }
    std::vector<StoredMeasurement> Measurements(const std::string& runId) override {
        return server_.RunMeasurements(runId);
    }
    RunRecord Find(std::string_view idOrPrefix) override {
        return OnlyRun(server_.RunsBeginningWith(idOrPrefix), idOrPrefix, server_.Shown());
    }
    void Export(const RunFilter& filter, const std::function<void(const Row&)>& each) override {
        server_.ExportRows(filter, each);
    }
    std::vector<PointYield> FailedPoints(const RunFilter& filter, std::size_t count) override {
        return server_.FailedPoints(filter, count);
    }

private:
    ServerLink server_;
};

} // namespace

std::unique_ptr<RunSource> StoreRuns(const std::filesystem::path& file) {
    return std::make_unique<StoreSource>(file);
}

std::unique_ptr<RunSource> ServerRuns(const std::string& uri) {
    return std::make_unique<ServerSource>(uri);
}

} // namespace kel::results
