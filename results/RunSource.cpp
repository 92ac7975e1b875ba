// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/RunSource.h"

#include "results/ServerLink.h"
#include "results/Store.h"

namespace kel::results {

namespace {

class StoreSource : public RunSource {
public:
    explicit StoreSource(const std::filesystem::path& file) : store_(file, Store::Open::Existing) {}

    std::vector<RunSummary> Runs(const RunFilter& filter) override {
        return ListRuns(store_, filter);
    }
    std::vector<StoredMeasurement> Measurements(const std::string& runId) override {
        return RunMeasurements(store_, runId);
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
    std::vector<StoredMeasurement> Measurements(const std::string& runId) override {
        return server_.RunMeasurements(runId);
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
