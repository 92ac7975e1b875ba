// SPDX-License-Identifier: GPL-3.0-or-later
// calibrate-freq, calibrate-power and sensitivity against the virtual bench
// on loopback and virtual boards on pseudo-terminals: what they report, what
// they leave stored on the board, and that a fault stores nothing.

#include "CliRun.h"
#include "board/BoardTray.h"
#include "board/InstrumentServer.h"
#include "tests/support/TempFolder.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace kel::test {
namespace {

struct Bench {
    explicit Bench(int boards = 2) : tray(board::TrayConfigs(boards)) {}
    board::BoardTray tray;
    board::InstrumentServer server{tray, 0, "kelGuiTool,Test Bench,1,1"};

    CliResult Run(std::size_t board, std::vector<std::string> tail, int route = 0) {
        std::vector<std::string> args{"-p",
                                      tray.SlavePath(board),
                                      "-m",
                                      "QB202",
                                      "--results",
                                      "none",
                                      "--json",
                                      "--instrument",
                                      server.Url(),
                                      "--route",
                                      std::to_string(route ? route : int(board) + 1)};
        args.insert(args.end(), tail.begin(), tail.end());
        return RunCli(args);
    }
};

TEST(CliCalibration, CrystalIsTrimmedProvenAndStoredAndReadsWithinAPpm) {
    Bench bench;
    const CliResult result = bench.Run(1, {"calibrate-freq", "--save"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto lines = JsonLines(result.out);
    const auto& last = lines.back();
    EXPECT_EQ(last["verdict"], "pass");
    EXPECT_EQ(last["saved"], true);
    EXPECT_EQ(last["measurements"], int(lines.size()) - 1) << "one object per trial";
    EXPECT_LE(std::abs(last["error_ppm"].get<double>()), 1.0);
    const board::BoardState state = bench.tray.State(1);
    EXPECT_EQ(state.sddFreqOffset, last["freq_offset"]);
    EXPECT_FALSE(state.toneRunning);

    const CliResult check = bench.Run(1, {"tone-freq", "--max-ppm", "1"});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
}

TEST(CliCalibration, ATargetOutOfReachFailsWithTheClosestAndStoresNothing) {
    Bench bench;
    const auto before = bench.tray.State(0).sddFreqOffset;
    const CliResult result =
        bench.Run(0, {"calibrate-freq", "--save", "--tolerance-ppm", "0.01", "--max-steps", "2"});
    EXPECT_EQ(result.exitCode, 4) << result.err;
    const auto last = JsonLines(result.out).back();
    EXPECT_EQ(last["verdict"], "fail");
    EXPECT_EQ(last["saved"], false);
    EXPECT_EQ(bench.tray.State(0).sddFreqOffset, before);
    EXPECT_EQ(bench.tray.State(0).liveFreqOffset, last["freq_offset"]) << "left at the closest";

    const CliResult power = bench.Run(0, {"calibrate-power", "--save", "--target-dbm", "16,40,14"});
    EXPECT_EQ(power.exitCode, 4) << power.err;
    EXPECT_EQ(bench.tray.State(0).sddPower, (std::array<int, 3>{64, 56, 48}));
    EXPECT_FALSE(bench.tray.State(0).txRunning);
}

TEST(CliCalibration, PowerLevelsOfEveryClassAreStoredWithinTheirTolerance) {
    Bench bench;
    const CliResult result = bench.Run(0, {"calibrate-power", "--save", "--target-dbm", "17"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::array<int, 3> levels{};
    std::size_t classes = 0;
    for (const auto& line : JsonLines(result.out)) {
        if (!line.contains("saved"))
            continue;
        EXPECT_LE(std::abs(line["power_dbm"].get<double>() - 17.0), 0.5);
        EXPECT_LE(line["measurements"].get<int>(), 2);
        levels.at(classes++) = line["power_level"];
    }
    EXPECT_EQ(classes, 3u);
    EXPECT_EQ(bench.tray.State(0).sddPower, levels);
    EXPECT_FALSE(bench.tray.State(0).txRunning);
}

TEST(CliCalibration, SensitivityIsFoundInFewPointsAndJudged) {
    Bench bench;
    const CliResult result = bench.Run(1, {"sensitivity", "--rates", "54", "--max-dbm", "-90"});
    EXPECT_EQ(result.exitCode, 4) << result.err;
    const auto lines = JsonLines(result.out);
    const auto& last = lines.back();
    EXPECT_LE(last["points"].get<int>(), 8);
    EXPECT_EQ(last["points"], int(lines.size()) - 1);
    EXPECT_EQ(last["verdict"], "fail");
    const double level = last["level_dbm"];
    EXPECT_GT(level, -90.0);
    EXPECT_LT(level, -60.0);
    EXPECT_FALSE(bench.tray.State(1).rxRunning);
}

TEST(CliCalibration, NoValueFromTheInstrumentFailsNamingItAndTheRoute) {
    Bench bench;
    const auto before = bench.tray.State(0).sddFreqOffset;
    // Board 1 on the line, the switch on board 2: the counter sees no tone.
    const CliResult result = bench.Run(0, {"calibrate-freq", "--save"}, 2);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(bench.server.Url()), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("route 2"), std::string::npos) << result.err;
    EXPECT_FALSE(bench.tray.State(0).toneRunning);
    EXPECT_EQ(bench.tray.State(0).sddFreqOffset, before);
}

// The line's plan on 4 boards sharing the bench's one instrument: each
// board's crystal and power stored, and its tone then reads within 1 ppm.
TEST(CliCalibration, APlanCalibratesFourBoardsOnOneInstrument) {
    Bench bench(4);
    TempFolder folder;
    std::ifstream example(std::string(KEL_SOURCE) + "/examples/calibration-line.toml");
    std::string text((std::istreambuf_iterator<char>(example)), std::istreambuf_iterator<char>());
    text.replace(text.find("\"virtual\""), 9, "\"" + bench.server.Url() + "\"");
    const std::string plan = (folder.path / "line.toml").string();
    std::ofstream(plan) << text;
    std::vector<std::string> args{"plan", "run", plan, "--results", "none"};
    for (std::size_t i = 0; i < 4; ++i) {
        args.push_back("-p");
        args.push_back(bench.tray.SlavePath(i));
    }
    const CliResult run = RunCli(args);
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    for (std::size_t i = 0; i < 4; ++i) {
        const board::BoardState state = bench.tray.State(i);
        EXPECT_EQ(state.sddFreqOffset, state.liveFreqOffset) << i;
        EXPECT_NE(run.err.find(bench.tray.SlavePath(i) + ": crystal: code " +
                               std::to_string(state.sddFreqOffset)),
                  std::string::npos)
            << run.err;
        const CliResult tone = bench.Run(i, {"tone-freq", "--max-ppm", "1"});
        EXPECT_EQ(tone.exitCode, 0) << tone.out << tone.err;
    }
}

// A board that falls silent mid-calibration: an error, nothing stored, and
// the other boards of the run unharmed.
TEST(CliCalibration, ABoardSilentMidCalibrationErrsAndStoresNothing) {
    Bench bench(2);
    const auto before = bench.tray.State(0).sddFreqOffset;
    std::thread silence([&] {
        for (int i = 0; i < 400 && !bench.tray.State(0).toneRunning; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        bench.tray.GoSilent(0);
    });
    const CliResult result = bench.Run(0, {"--timeout", "1", "calibrate-freq", "--save"});
    silence.join();
    EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
    EXPECT_EQ(bench.tray.State(0).sddFreqOffset, before);
    EXPECT_EQ(bench.Run(1, {"calibrate-freq"}).exitCode, 0);
}

} // namespace
} // namespace kel::test
