// SPDX-License-Identifier: GPL-3.0-or-later
// kel-rftest's runs in the results store: a sweep recorded point by point as
// it reports them, read back by the results subcommands; and, given a server,
// the same rows on the server when the run ends.

#include "CliRun.h"
#include "resources/Version.h"
#include "results/Queries.h"
#include "results/Store.h"
#include "results/StoreSetting.h"
#include "tests/support/TempFolder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <pqxx/pqxx>
#include <sstream>

namespace kel::test {
namespace {

using json = nlohmann::json;

// A 2 x 2 sweep on the virtual board, judged so that it passes: the board
// counts far fewer frames than sent, whatever the machine's load.
CliResult Sweep(const std::string& results) {
    return RunCli({"--virtual", "-m",        "QB202",  "--results", results,    "--dut",
                   "SN-0042",   "--station", "line-3", "--json",    "sweep-rx", "--channels",
                   "1,6",       "--rates",   "1,54",   "--seconds", "0.05",     "--sent",
                   "1000",      "--max-per", "100"});
}

} // namespace

TEST(CliResults, SweepIsRecordedAsReportedAndReadBack) {
    TempFolder temp;
    const std::string file = (temp.path / "line.sqlite").string();
    const CliResult sweep = Sweep(file);
    ASSERT_EQ(sweep.exitCode, 0) << sweep.err;
    const std::vector<json> points = JsonLines(sweep.out);
    ASSERT_EQ(points.size(), 4u);

    const CliResult runs = RunCli({"--results", file, "--json", "results", "runs"});
    ASSERT_EQ(runs.exitCode, 0) << runs.err;
    const std::vector<json> listed = JsonLines(runs.out);
    ASSERT_EQ(listed.size(), 1u);
    const json& run = listed[0];
    EXPECT_EQ(run["tool"], "kel-rftest");
    EXPECT_EQ(run["version"], std::string(res::BuildVersion()));
    EXPECT_EQ(run["station"], "line-3");
    EXPECT_EQ(run["dut"], "SN-0042");
    EXPECT_EQ(run["chip_model"], "QB202");
    EXPECT_EQ(run["board_mac"], points[0]["board_mac"]);
    EXPECT_EQ(run["verdict"], "pass");
    EXPECT_EQ(run["points"], 4);
    EXPECT_FALSE(run["ended_at"].is_null());

    // Each point as it was reported, in order.
    const std::string id = run["id"];
    const CliResult shown =
        RunCli({"--results", file, "--json", "results", "show", id.substr(0, 8)});
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    const std::vector<json> stored = JsonLines(shown.out);
    ASSERT_EQ(stored.size(), 4u);
    for (std::size_t i = 0; i < stored.size(); ++i) {
        for (const char* field :
             {"channel", "rate_mbps", "power_level", "sent", "total", "abort_errors", "crc_errors",
              "per_percent", "limit_high", "verdict"})
            EXPECT_EQ(stored[i][field], points[i][field]) << field << " of point " << i;
        EXPECT_EQ(stored[i]["seq"], i + 1);
    }

    const CliResult csv = RunCli({"--results", file, "results", "export", "--since", "2000-01-01"});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    std::istringstream lines(csv.out);
    std::string header;
    std::getline(lines, header);
    EXPECT_EQ(header.rfind("id,run_id,seq,at,kind,channel,rate_mbps,", 0), 0u) << header;
    EXPECT_NE(header.find(",dut,"), std::string::npos);
    int rows = 0;
    for (std::string row; std::getline(lines, row); ++rows)
        EXPECT_NE(row.find(",SN-0042,"), std::string::npos) << row;
    EXPECT_EQ(rows, 4);

    const CliResult yield = RunCli({"--results", file, "--json", "results", "yield"});
    ASSERT_EQ(yield.exitCode, 0) << yield.err;
    const json summary = json::parse(yield.out);
    EXPECT_EQ(summary["boards"], 1);
    EXPECT_EQ(summary["first_pass"], 1);
    EXPECT_EQ(summary["final_pass"], 1);

    const CliResult badDate = RunCli({"--results", file, "results", "runs", "--since", "May 5"});
    EXPECT_EQ(badDate.exitCode, 2);
}

// The server the results tests start (tests/results/postgres-server.sh).
TEST(CliResultsOnServer, RowsReachTheServerGivenWithResults) {
    std::ifstream uriFile(std::string(KEL_TEST_POSTGRES) + "/uri");
    std::string uri;
    if (!std::getline(uriFile, uri))
        GTEST_SKIP() << "no PostgreSQL server was started for the tests";
    const CliResult sweep = Sweep(uri);
    ASSERT_EQ(sweep.exitCode, 0) << sweep.err;
    // The local store (the outbox) names the run.
    results::Store local(results::DefaultStoreFile(), results::Store::Open::Existing);
    results::RunFilter filter;
    filter.dut = "SN-0042";
    filter.limit = 1;
    const std::vector<results::RunSummary> runs = results::ListRuns(local, filter);
    ASSERT_EQ(runs.size(), 1u);
    const std::string id = runs[0].run.id;

    pqxx::connection server(uri);
    pqxx::nontransaction query(server);
    EXPECT_EQ(query.exec_params("SELECT count(*) FROM measurements WHERE run_id = $1", id)[0][0]
                  .as<int>(),
              4);
    EXPECT_EQ(
        query.exec_params("SELECT verdict FROM runs WHERE id = $1", id)[0][0].as<std::string>(),
        "pass");

    const CliResult sync = RunCli({"--results", uri, "results", "sync"});
    EXPECT_EQ(sync.exitCode, 0) << sync.err;
    EXPECT_EQ(sync.out.rfind("0 rows pushed to postgresql://postgres@/postgres", 0), 0u)
        << sync.out;

    // A line manager reads the server as a station reads its file.
    const auto fromServer = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--results", uri, "results"});
        args.insert(args.end(), {"--from", "server"});
        const CliResult read = RunCli(args);
        EXPECT_EQ(read.exitCode, 0) << read.err;
        return read.out;
    };
    EXPECT_NE(fromServer({"runs"}).find(id.substr(0, 8)), std::string::npos);
    const std::string shown = fromServer({"show", id.substr(0, 8)});
    EXPECT_EQ(shown.rfind("run " + id, 0), 0u) << shown;
    EXPECT_NE(shown.find("  station line-3"), std::string::npos) << shown;
    EXPECT_NE(fromServer({"export"}).find(id), std::string::npos);
    const json yield = json::parse(fromServer({"--json", "yield", "--station", "line-3"}));
    EXPECT_GE(yield["boards"].get<int>(), 1) << yield;
    EXPECT_EQ(yield["errored"].get<int>(), 0) << yield;
}

} // namespace kel::test
