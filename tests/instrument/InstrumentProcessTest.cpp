// SPDX-License-Identifier: GPL-3.0-or-later
// kel-rftest measuring with the virtual bench of kel-virtual-board, both run
// as a user runs them: each board's own crystal error, and the faults that
// must stop a run before it touches a board or fail only the step.

#include "board/BoardTray.h"
#include "tests/support/ChildProcess.h"

#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace kel::test {
namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome RfTest(std::vector<std::string> args) {
    ChildProcess child = Spawn(KEL_RFTEST, std::move(args));
    Outcome outcome;
    outcome.out = ReadToEnd(child.out);
    outcome.err = ReadToEnd(child.err);
    outcome.status = WaitExit(child);
    return outcome;
}

class Bench : public ::testing::Test {
protected:
    void SetUp() override {
        process_ = Spawn(KEL_VIRTUAL_BOARD, {"--count", "2", "--instrument", "0"});
        for (std::string* line : {&paths_[0], &paths_[1], &url_}) {
            *line = ReadLine(process_.out);
            ASSERT_TRUE(line->ends_with('\n')) << *line;
            line->pop_back();
        }
    }
    void TearDown() override {
        kill(process_.pid, SIGTERM);
        EXPECT_EQ(WaitExit(process_), 0);
    }

    ChildProcess process_;
    std::string paths_[2];
    std::string url_;
};

TEST_F(Bench, EachRoutedBoardShowsItsOwnCrystalError) {
    ASSERT_TRUE(url_.starts_with("tcp://127.0.0.1:")) << url_;
    double ppm[2] = {};
    for (int board = 0; board < 2; ++board) {
        const Outcome run =
            RfTest({"-p", paths_[board], "-m", "QB202", "--instrument", url_, "--route",
                    std::to_string(board + 1), "--results", "none", "--json", "tone-freq"});
        ASSERT_EQ(run.status, 0) << run.err;
        const auto object = nlohmann::json::parse(run.out);
        EXPECT_EQ(object["command"], "tone-freq");
        EXPECT_EQ(object["channel"], 7);
        EXPECT_TRUE(
            object["instrument"].get<std::string>().starts_with("kelGuiTool,Virtual Bench"));
        ppm[board] = object["error_ppm"].get<double>();
        const double hz = object["freq_hz"].get<double>();
        EXPECT_NEAR(object["error_hz"].get<double>(), hz - 2442e6, 1e-3);
        EXPECT_LT(std::abs(ppm[board]), 60.0);
    }
    EXPECT_GT(std::abs(ppm[0] - ppm[1]), 0.5);

    // Judged: a limit no crystal meets fails with exit 4, the verdict in the object.
    const Outcome judged =
        RfTest({"-p", paths_[0], "-m", "QB202", "--instrument", url_, "--route", "1", "--results",
                "none", "--json", "-v", "tone-freq", "--max-ppm", "0.001"});
    EXPECT_EQ(judged.status, 4) << judged.err;
    EXPECT_EQ(nlohmann::json::parse(judged.out)["verdict"], "fail");
    EXPECT_NE(judged.err.find("I> MEASure:FREQuency?"), std::string::npos) << judged.err;
    EXPECT_NE(judged.err.find("> kel tone"), std::string::npos) << judged.err;
}

TEST_F(Bench, AnInstrumentErrorFailsTheStepWithItsTextAndStopsTheTone) {
    const Outcome run = RfTest({"-p", paths_[0], "-m", "QB202", "--instrument", url_, "--route",
                                "9", "--results", "none", "-v", "tone-freq"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("-222,\"Data out of range;no route 9\""), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("> kel tone_stop"), std::string::npos) << run.err;
}

TEST(InstrumentRun, UnreachableOrWronglyNamedInstrumentsStopTheRunBeforeTheBoard) {
    board::BoardTray tray(board::TrayConfigs(1));
    const std::string port = tray.SlavePath(0);
    const Outcome unreachable = RfTest({"-p", port, "-m", "QB202", "--instrument",
                                        "tcp://127.0.0.1:1", "--results", "none", "tone-freq"});
    EXPECT_EQ(unreachable.status, 3);
    EXPECT_NE(unreachable.err.find("instrument tcp://127.0.0.1:1"), std::string::npos)
        << unreachable.err;
    EXPECT_FALSE(tray.State(0).connected);

    const std::string profile = ::testing::TempDir() + "/no-counter.toml";
    std::ofstream(profile) << "[power_meter]\nmeasure = \"MEAS:POW? {dbm}\"\n";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--instrument", "udp://10.0.0.1"},
          std::vector<std::string>{"--instrument", "tcp://127.0.0.1:1", "--profile", profile}}) {
        std::vector<std::string> line{"-p", port, "-m", "QB202"};
        line.insert(line.end(), args.begin(), args.end());
        line.push_back("tone-freq");
        const Outcome refused = RfTest(line);
        EXPECT_EQ(refused.status, 2) << refused.err;
        EXPECT_FALSE(tray.State(0).connected);
    }
    const Outcome checked = RfTest({"instrument", "check", profile});
    EXPECT_EQ(checked.status, 2);
    EXPECT_NE(checked.err.find(profile + ":2:22: power_meter.measure: {dbm}"), std::string::npos)
        << checked.err;
}

} // namespace
} // namespace kel::test
