// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/BackgroundPush.h"
#include "results/Recorder.h"
#include "results/RunSource.h"
#include "results/Schema.h"
#include "results/ServerLink.h"
#include "results/Store.h"
#include "results/Uuid.h"
#include "tests/results/ResultsTestSupport.h"
#include "tests/support/TempFolder.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <pqxx/pqxx>
#include <thread>

using namespace kel::results;
using kel::test::RxPoint;
using kel::test::TempFolder;
using kel::test::Warnings;

namespace {

// The tests' server (tests/results/postgres-server.sh), a database of each
// test's own on it.
class ServerPush : public ::testing::Test {
protected:
    void SetUp() override {
        std::ifstream uriFile(std::string(KEL_TEST_POSTGRES) + "/uri");
        if (!std::getline(uriFile, adminUri_))
            GTEST_SKIP() << "no PostgreSQL server was started for the tests (see the "
                            "results_server_start test's output)";
        database_ = "kel_" + NewUuid().substr(0, 8);
        pqxx::connection admin(adminUri_);
        pqxx::nontransaction(admin).exec("CREATE DATABASE " + database_);
        uri_ = adminUri_;
        uri_.replace(uri_.find("/postgres?"), 10, "/" + database_ + "?");
    }

    // Runs the server script: pause or resume.
    static void Server(const std::string& command) {
        const std::string line = std::string(KEL_POSTGRES_SCRIPT) + " " + command + " " +
                                 KEL_TEST_POSTGRES + " >/dev/null";
        ASSERT_EQ(std::system(line.c_str()), 0) << line;
    }

    std::int64_t Count(const std::string& query) {
        pqxx::connection connection(uri_);
        return pqxx::nontransaction(connection).exec(query)[0][0].as<std::int64_t>();
    }

    std::string uri_;

private:
    std::string adminUri_;
    std::string database_;
};

// Waits (generously) until nothing waits in the store's outbox.
bool Drained(Store& store) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (store.WaitingCount() > 0) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

} // namespace

TEST_F(ServerPush, EveryRowReachesTheServerExactlyOnceAcrossAServerRestart) {
    TempFolder temp;
    StoreSetting setting;
    setting.kind = StoreSetting::Kind::Server;
    setting.file = temp.path / "results.sqlite";
    setting.server = uri_;
    Warnings warnings;
    BackgroundPush push(setting.file, uri_, warnings.Sink(),
                        {std::chrono::milliseconds(20), std::chrono::milliseconds(200)});
    Recorder recorder(setting, warnings.Sink(), &push);
    Store local(setting.file);

    RunRecord run;
    run.tool = kToolRfTest;
    run.dut = "SN-77";
    run.slot = "Fixture A";
    recorder.BeginRun(run);
    for (int point = 0; point < 20; ++point)
        recorder.Record(RxPoint(1 + point % 13, 54.0, 990, 1));
    ASSERT_TRUE(Drained(local)) << ::testing::PrintToString(warnings.Messages());

    Server("pause");
    for (int point = 20; point < 40; ++point)
        recorder.Record(RxPoint(1 + point % 13, 54.0, 990, 1));
    recorder.EndRun(kRunPass);
    EXPECT_GT(local.WaitingCount(), 0);
    Server("resume");
    ASSERT_TRUE(Drained(local)) << ::testing::PrintToString(warnings.Messages());

    EXPECT_EQ(Count("SELECT count(*) FROM measurements"), 40);
    EXPECT_EQ(Count("SELECT count(DISTINCT seq) FROM measurements WHERE seq BETWEEN 1 AND 40"), 40);
    EXPECT_EQ(Count("SELECT count(*) FROM runs WHERE verdict = 'pass' AND ended_at IS NOT NULL "
                    "AND dut = 'SN-77'"),
              1);
    ASSERT_EQ(warnings.Messages().size(), 1u);
    EXPECT_NE(warnings.Messages()[0].find("go when it answers"), std::string::npos);

    // Every row sent once more, as after a failure between the server's
    // commit and the outbox's: nothing changes there.
    local.Database().exec("INSERT INTO outbox (table_name, row_id) SELECT 'runs', id FROM runs");
    local.Database().exec(
        "INSERT INTO outbox (table_name, row_id) SELECT 'measurements', id FROM measurements");
    ServerLink link(uri_);
    EXPECT_EQ(link.PushWaiting(local), 41u);
    EXPECT_EQ(Count("SELECT count(*) FROM measurements"), 40);
    EXPECT_EQ(Count("SELECT count(*) FROM runs"), 1);
    EXPECT_EQ(Count("SELECT max(version) FROM schema_version"), CurrentSchemaVersion());

    // A reader gets the same runs and measurements from the server as from
    // the station's file.
    RunFilter filter;
    filter.dut = "SN-77";
    filter.since = "2000-01-01";
    const std::vector<RunSummary> fromFile = StoreRuns(setting.file)->Runs(filter);
    const std::unique_ptr<RunSource> server = ServerRuns(uri_);
    const std::vector<RunSummary> fromServer = server->Runs(filter);
    ASSERT_EQ(fromServer.size(), 1u);
    EXPECT_EQ(fromServer[0].points, 40);
    EXPECT_EQ(RunRow(fromServer[0].run), RunRow(fromFile[0].run));
    const std::vector<StoredMeasurement> points = server->Measurements(fromServer[0].run.id);
    const std::vector<StoredMeasurement> stored =
        StoreRuns(setting.file)->Measurements(fromServer[0].run.id);
    ASSERT_EQ(points.size(), 40u);
    for (std::size_t i = 0; i < points.size(); ++i)
        EXPECT_EQ(MeasurementRow(points[i]), MeasurementRow(stored[i])) << i;
}

TEST_F(ServerPush, AFailureNamesTheServerWithoutItsPassword) {
    try {
        ServerLink link("postgresql://line:hunter2@/kel?host=/nonexistent-kel-socket");
        FAIL() << "connected to a server that is not there";
    } catch (const ServerError& e) {
        const std::string message = e.what();
        EXPECT_EQ(message.find("hunter2"), std::string::npos) << message;
        EXPECT_NE(message.find("line:***@"), std::string::npos) << message;
        EXPECT_NE(message.find("nonexistent-kel-socket"), std::string::npos) << message;
    }
}

TEST_F(ServerPush, TheServerCountsEveryRunOfAFilterAsTheStationsFileDoes) {
    TempFolder temp;
    Store local(temp.path / "results.sqlite");
    local.SetOutbox(true);
    // More runs than a page: 70 boards, each failed (or, one in five,
    // errored) once and then passed; a session that read no board.
    for (int run = 0; run < 141; ++run) {
        RunRecord record;
        record.id = NewUuid();
        record.startedAt = "2026-03-0" + std::to_string(1 + run / 70) + "T10:00:00.000Z";
        record.dut = run < 140 ? "SN-" + std::to_string(100 + run % 70) : "";
        record.verdict = run == 140 ? "" : run >= 70 ? kRunPass : run % 5 ? kRunFail : kRunError;
        local.AddRun(record);
    }
    ServerLink link(uri_);
    EXPECT_EQ(link.PushWaiting(local), 141u);

    const std::unique_ptr<RunSource> server = ServerRuns(uri_);
    RunFilter some;
    some.boardPart = "n-1";
    some.since = "2026-03-01";
    for (const RunFilter& filter : {RunFilter{}, some})
        EXPECT_EQ(server->Counts(filter), StoreRuns(temp.path / "results.sqlite")->Counts(filter));
    EXPECT_EQ(server->Counts(some), (RunCounts{140, 70, 70, 56, 70, 0}));
}
