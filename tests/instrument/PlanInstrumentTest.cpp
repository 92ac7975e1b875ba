// SPDX-License-Identifier: GPL-3.0-or-later
// Plans that measure with an instrument: the checker covers the [instrument]
// table and the steps that need it, and a run on virtual boards takes turns
// on the virtual bench, an instrument error failing only its step.

#include "plan/PlanReader.h"
#include "results/Queries.h"
#include "results/Store.h"
#include "tests/cli/CliRun.h"
#include "tests/support/TempFolder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <map>

namespace kel::test {
namespace {

std::vector<std::string> ErrorTexts(const plan::PlanReading& reading) {
    std::vector<std::string> texts;
    for (const plan::PlanError& error : reading.errors)
        texts.push_back(error.Text());
    return texts;
}

TEST(PlanInstrument, CheckerCoversTheTableAndTheStepsThatNeedIt) {
    const plan::PlanReading missing =
        plan::ReadPlan("name = \"p\"\nmodel = \"QB202\"\n[[step]]\ndo = \"tone-freq\"\n", "p.toml");
    EXPECT_EQ(
        ErrorTexts(missing),
        std::vector<std::string>{"p.toml:3:1: step 1 (tone-freq): measures with an "
                                 "instrument: the plan needs an [instrument] table with its url"});

    const plan::PlanReading wrong = plan::ReadPlan("name = \"p\"\nmodel = \"QB202\"\n"
                                                   "[instrument]\n"
                                                   "url = \"tcp://lab:99999\"\n"
                                                   "routes = [1, 0]\n"
                                                   "switch = 2\n"
                                                   "[[step]]\ndo = \"tx-power\"\n"
                                                   "min_dbm = 20\nmax_dbm = 10\n",
                                                   "p.toml");
    const std::vector<std::string> texts = ErrorTexts(wrong);
    ASSERT_EQ(texts.size(), 4u) << testing::PrintToString(texts);
    EXPECT_TRUE(texts[0].starts_with("p.toml:4:7: instrument: url: ")) << texts[0];
    EXPECT_TRUE(texts[1].starts_with("p.toml:5:10: instrument: routes: ")) << texts[1];
    EXPECT_TRUE(texts[2].starts_with("p.toml:6:1: instrument: unknown key \"switch\"")) << texts[2];
    EXPECT_EQ(texts[3], "p.toml:9:11: step 1 (tx-power): min_dbm must not be above max_dbm");
}

TEST(PlanInstrument, BoardsTakeTurnsOnTheVirtualBenchAndAnInstrumentErrorFailsOnlyItsStep) {
    TempFolder folder;
    const std::string plan = (folder.path / "bench.toml").string();
    std::ofstream(plan) << "name = \"bench\"\nmodel = \"QB202\"\n"
                           "[instrument]\nurl = \"virtual\"\nprofile = \"virtual-bench\"\n"
                           "routes = [1, 9, 3]\n"
                           "[[step]]\ndo = \"tone-freq\"\nmax_ppm = 60\n"
                           "[[step]]\ndo = \"tx-power\"\nrate = 54\nmin_dbm = 5\n";
    const std::string store = (folder.path / "results.sqlite").string();
    const CliResult run =
        RunCli({"plan", "run", plan, "--virtual", "3", "--json", "--results", store});
    EXPECT_EQ(run.exitCode, 1) << run.err;          // the second board erred
    std::map<std::string, std::vector<double>> ppm; // by port
    for (const nlohmann::json& line : JsonLines(run.out)) {
        if (line.contains("error_ppm"))
            ppm[line["port"]].push_back(line["error_ppm"].get<double>());
        if (line.contains("power_dbm")) {
            EXPECT_EQ(line["verdict"], "pass") << line;
        }
    }
    ASSERT_EQ(ppm.size(), 2u) << run.out;
    EXPECT_GT(std::abs(ppm.begin()->second.at(0) - ppm.rbegin()->second.at(0)), 0.5);
    EXPECT_NE(run.err.find("-222,\"Data out of range;no route 9\""), std::string::npos) << run.err;

    results::Store stored{std::filesystem::path(store)};
    const auto runs = results::ListRuns(stored, {});
    ASSERT_EQ(runs.size(), 3u);
    std::size_t withPower = 0;
    for (const results::RunSummary& summary : runs) {
        EXPECT_TRUE(summary.run.instrument.starts_with("kelGuiTool,Virtual Bench"))
            << summary.run.id;
        for (const results::StoredMeasurement& m : results::RunMeasurements(stored, summary.run.id))
            withPower += m.measurement.powerDbm ? 1 : 0;
    }
    EXPECT_EQ(withPower, 2u); // the board on route 9 measured nothing
}

} // namespace
} // namespace kel::test
