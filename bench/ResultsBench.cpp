// SPDX-License-Identifier: GPL-3.0-or-later
// Figures of the results store: recording one measurement in SQLite, the
// runs list and one board's history on a store of 1,000,000 measurements,
// and pushing 100,000 waiting rows to a PostgreSQL server on this machine.
//
//   kel-results-bench [--server URI] [--store FILE]
//
// Without --server it starts a server of its own with the tests' script
// (tests/results/postgres-server.sh) in the build tree, and stops it after.
// --store keeps the million-measurement store in FILE for the next run
// (filling it takes minutes).

#include "bench/BenchClock.h"
#include "results/Queries.h"
#include "results/Recorder.h"
#include "results/RunSource.h"
#include "results/ServerLink.h"
#include "results/Store.h"
#include "results/Uuid.h"
#include "tests/support/TempFolder.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace kel::bench;
using namespace kel::results;

kel::rftest::Measurement Point(int i) {
    kel::rftest::Measurement m;
    m.kind = kel::rftest::MeasurementKind::Rx;
    m.channel = 1 + i % 13;
    m.rateMbps = 54.0;
    m.sent = 1000;
    m.total = 990 - i % 50;
    m.abortErrors = 0;
    m.crcErrors = i % 7;
    m.perPercent = static_cast<double>(10 + i % 50 + i % 7) / 10.0;
    m.JudgeBy(m.perPercent, kel::rftest::Limit{std::nullopt, 8.0, std::nullopt});
    return m;
}

void RecordingOne(const std::filesystem::path& folder) {
    StoreSetting setting;
    setting.file = folder / "record.sqlite";
    Recorder recorder(setting,
                      [](const std::string& m) { std::printf("warning: %s\n", m.c_str()); });
    RunRecord run;
    run.tool = kToolRfTest;
    recorder.BeginRun(run);
    std::vector<double> ms;
    for (int i = 0; i < 2000; ++i) {
        const auto start = Clock::now();
        recorder.Record(Point(i));
        ms.push_back(SecondsSince(start) * 1e3);
    }
    recorder.EndRun(kRunPass);
    std::printf("recording one measurement (its own transaction, WAL), median of 2000: %.3f ms "
                "(max %.2f ms; target <= 1 ms)\n",
                Median(ms), Max(ms));
}

// 10,000 runs of 100 points on 500 boards over 200 days.
std::string FillMillion(Store& store) {
    constexpr int kRuns = 10000;
    constexpr int kPoints = 100;
    const auto start = Clock::now();
    std::string someBoard;
    for (int r = 0; r < kRuns;) {
        Store::Batch batch(store);
        for (int end = r + 500; r < end; ++r) {
            RunRecord run;
            run.id = NewUuid();
            char day[64]; // room for any int fields
            std::snprintf(day, sizeof day, "2026-%02d-%02dT%02d:%02d:00.000Z", 1 + r / 1500,
                          1 + r / 50 % 28, r / 5 % 24, r % 60);
            run.startedAt = day;
            run.tool = kToolRfTest;
            run.station = "station-" + std::to_string(r % 8);
            char mac[32];
            std::snprintf(mac, sizeof mac, "02:00:00:00:%02x:%02x", r % 500 / 256, r % 500 % 256);
            run.boardMac = mac;
            run.verdict = r % 9 == 0 ? kRunFail : kRunPass;
            if (r == 4321)
                someBoard = mac;
            store.AddRun(run);
            for (int p = 0; p < kPoints; ++p) {
                kel::rftest::Measurement m = Point(r * kPoints + p);
                m.at = run.startedAt;
                store.AddMeasurement({NewUuid(), run.id, p + 1, m});
            }
        }
        batch.Commit();
    }
    std::printf("filling a store with 1,000,000 measurements (10,000 runs): %.1f s\n",
                SecondsSince(start));
    return someBoard;
}

template <typename Query> double MedianMs(Query&& query) {
    std::vector<double> ms;
    for (int i = 0; i < 9; ++i) {
        const auto start = Clock::now();
        query();
        ms.push_back(SecondsSince(start) * 1e3);
    }
    return Median(ms);
}

void QueriesOnAMillion(const std::filesystem::path& file) {
    Store store(file);
    std::string board = "02:00:00:00:01:41"; // run 4321's, as FillMillion says
    if (store.Database().execAndGet("SELECT count(*) FROM measurements").getInt64() < 1000000)
        board = FillMillion(store);
    // Each query on a connection opened for it, as a new kel-rftest would.
    std::size_t found = 0;
    const double runsMs = MedianMs([&] {
        Store reader(store.File(), Store::Open::Existing);
        RunFilter filter;
        filter.limit = 100;
        found = ListRuns(reader, filter).size();
    });
    std::printf("results runs --limit 100 (%zu runs, points counted), median of 9: %.2f ms "
                "(target <= 50 ms)\n",
                found, runsMs);
    // The results window opening on the store: its source opened, its first
    // page (200 runs, as the window reads them) read.
    const double pageMs = MedianMs([&] {
        RunFilter filter;
        filter.limit = 200;
        found = StoreRuns(store.File())->Runs(filter).size();
    });
    std::printf("results window's first page (%zu runs, store opened), median of 9: %.2f ms "
                "(target < 500 ms)\n",
                found, pageMs);
    std::size_t points = 0;
    const double boardMs = MedianMs([&] {
        Store reader(store.File(), Store::Open::Existing);
        RunFilter filter;
        filter.boardMac = board;
        const std::vector<RunSummary> runs = ListRuns(reader, filter);
        found = runs.size();
        points = 0;
        for (const RunSummary& summary : runs)
            points += RunMeasurements(reader, summary.run.id).size();
    });
    std::printf("one board's history (%zu runs and their %zu measurements), median of 9: %.2f ms "
                "(target <= 50 ms)\n",
                found, points, boardMs);
}

void Push(const std::filesystem::path& folder, const std::string& uri) {
    constexpr int kRows = 100000;
    Store store(folder / "outbox.sqlite");
    store.SetOutbox(true);
    {
        Store::Batch batch(store);
        RunRecord run;
        run.id = NewUuid();
        run.startedAt = kel::rftest::UtcNow();
        store.AddRun(run);
        for (int i = 1; i < kRows; ++i) {
            kel::rftest::Measurement m = Point(i);
            m.at = run.startedAt;
            store.AddMeasurement({NewUuid(), run.id, i, m});
        }
        batch.Commit();
    }
    try {
        const auto start = Clock::now();
        ServerLink link(uri);
        const std::size_t pushed = link.PushWaiting(store);
        std::printf("pushing %zu waiting rows to the server (connect included): %.2f s "
                    "(target <= 10 s)\n",
                    pushed, SecondsSince(start));
    } catch (const std::exception& e) {
        std::printf("push: %s\n", e.what());
    }
}

// The tests' server script, run on a folder of the build tree.
bool Server(const char* command, const std::string& folder) {
    const std::string line =
        std::string(KEL_POSTGRES_SCRIPT) + " " + command + " " + folder + " >/dev/null";
    return std::system(line.c_str()) == 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string uri;
    kel::test::TempFolder folder("kel-results-bench");
    std::filesystem::path million = folder.path / "million.sqlite";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--server")
            uri = argv[i + 1];
        else if (std::string(argv[i]) == "--store")
            million = argv[i + 1];
    }
    RecordingOne(folder.path);
    QueriesOnAMillion(million);

    const std::string serverFolder = KEL_BENCH_POSTGRES;
    const bool own = uri.empty();
    if (own) {
        if (!Server("start", serverFolder)) {
            std::printf(
                "push: skipped, no PostgreSQL server could be started (give --server URI)\n");
            return 0;
        }
        std::ifstream(serverFolder + "/uri") >> uri;
    }
    Push(folder.path, uri);
    if (own)
        Server("stop", serverFolder);
    return 0;
}
