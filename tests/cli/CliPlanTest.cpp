// SPDX-License-Identifier: GPL-3.0-or-later
// kel-rftest plan check and plan run as a line uses them: errors with their
// positions, the summary, JUnit file and recorded runs of a run with a weak
// board, the exit code of each way a run can end, and a station testing
// board after board as they are plugged in and out.

#include "CliRun.h"
#include "board/BoardTray.h"
#include "board/TrayArguments.h"
#include "results/Queries.h"
#include "results/Store.h"
#include "tests/support/PlanTexts.h"
#include "tests/support/TempFolder.h"

#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <pugixml.hpp>
#include <thread>
#include <unistd.h>

namespace kel::test {
namespace {

using namespace std::chrono_literals;

TEST(CliPlan, CheckTellsEveryErrorWithItsPositionAndExits2) {
    TempFolder folder;
    const std::string bad = Written(folder.path / "bad.toml", "name = \"bad\"\nmodel = \"QB202\"\n"
                                                              "[[step]]\ndo = \"rx\"\nseconds = 0\n"
                                                              "[[step]]\ndo = \"fly\"\n");
    const CliResult refused = RunCli({"plan", "check", bad, "--json"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err, bad +
                               ":5:11: step 1 (rx): seconds must be a number of seconds greater "
                               "than 0 (at most 1000000)\n" +
                               bad +
                               ":7:6: step 2: do = \"fly\" is not a step: freq-offset, "
                               "sdd-power, power, rx, rx-sweep, tx, tone, supply, "
                               "sdd-export, mac, send, tone-freq, tx-power, calibrate-freq, "
                               "calibrate-power, sensitivity or prompt\n");
    EXPECT_NE(refused.out.find("\"errors\":[\"" + bad + ":5:11:"), std::string::npos)
        << refused.out;

    const CliResult good = RunCli({"plan", "check", KEL_SOURCE "/examples/line-test.toml"});
    EXPECT_EQ(good.exitCode, 0) << good.err;
    EXPECT_NE(good.out.find("a valid plan: \"QB202 line test\" version 3 for QB202, 3 steps"),
              std::string::npos)
        << good.out;
    const CliResult json =
        RunCli({"plan", "check", KEL_SOURCE "/examples/line-test.toml", "--json"});
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_TRUE(json.out.starts_with("{\"command\":\"plan check\",\"ok\":true,")) << json.out;
    EXPECT_NE(json.out.find("\"steps\":3}"), std::string::npos) << json.out;
}

TEST(CliPlan, AWeakBoardFailsWithAReadableReasonInTheSummaryJUnitAndStore) {
    TempFolder folder;
    const std::string plan = Written(folder.path / "line.toml",
                                     QB202Plan("line", kOffsetThenSweep, "version = \"7\"\n") +
                                         R"(channels = "6"
rates = "54"
seconds = 1
sent = 100
max_per = 20
retries = 1
[[step]]
do = "tx"
seconds = 0.1
shared = "analyser"
)");
    const std::string junit = (folder.path / "out.xml").string();
    const std::string store = (folder.path / "line.sqlite").string();
    const CliResult result = RunCli({"plan", "run", plan, "--virtual", "3", "--virtual-fault",
                                     "2:weak-rx", "--dut", "SN1", "--station", "bench-7",
                                     "--operator", "ana", "--results", store, "--junit", junit});
    EXPECT_EQ(result.exitCode, 4) << result.err;
    // Without a terminal, a plain line per finished step.
    EXPECT_NE(result.err.find(" SN1 02:4b:45:4c:00:01: 1/3 freq-offset: pass, "), std::string::npos)
        << result.err;
    const std::size_t weak = result.out.find("\nFAIL  ");
    const std::string failLine =
        result.out.substr(weak + 1, result.out.find('\n', weak + 1) - weak);
    EXPECT_NE(failLine.find(" 02:4b:45:4c:00:03  "), std::string::npos) << result.out;
    EXPECT_NE(failLine.find("  ch 6 54 Mbps PER "), std::string::npos) << result.out;
    EXPECT_TRUE(result.out.ends_with("line 7: 3 boards, 2 passed, 1 failed\n")) << result.out;

    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(junit.c_str()));
    const pugi::xml_node suites = document.child("testsuites");
    EXPECT_STREQ(suites.attribute("name").value(), "line");
    EXPECT_EQ(suites.attribute("tests").as_int(), 9);
    EXPECT_EQ(suites.attribute("failures").as_int(), 1);
    std::vector<std::string> names;
    for (const pugi::xml_node suite : suites.children("testsuite")) {
        names.push_back(suite.attribute("name").value());
        const pugi::xml_node properties = suite.child("properties");
        EXPECT_STREQ(
            properties.find_child_by_attribute("name", "station").attribute("value").value(),
            "bench-7");
        EXPECT_STREQ(
            properties.find_child_by_attribute("name", "plan_version").attribute("value").value(),
            "7");
        EXPECT_FALSE(properties.find_child_by_attribute("name", "tool_version").empty());
        EXPECT_EQ(
            std::distance(suite.children("testcase").begin(), suite.children("testcase").end()), 3);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"SN1", "02:4b:45:4c:00:02", "02:4b:45:4c:00:03"}));
    const pugi::xml_node failedCase =
        suites.find_child_by_attribute("testsuite", "name", "02:4b:45:4c:00:03")
            .find_child_by_attribute("testcase", "name", "rx-sweep ch 6 54 Mbps");
    EXPECT_STREQ(failedCase.child("properties")
                     .find_child_by_attribute("name", "attempts")
                     .attribute("value")
                     .value(),
                 "2");
    const pugi::xml_node failure = failedCase.child("failure");
    const std::string message = failure.attribute("message").value();
    EXPECT_TRUE(message.starts_with("ch 6 54 Mbps PER ") && message.ends_with(" % > 20 %"))
        << message;
    EXPECT_NE(result.out.find(message), std::string::npos); // as the summary says it

    // Each board its own run, every attempt of every point with its verdict.
    results::Store stored(store, results::Store::Open::Existing);
    std::map<std::string, results::RunSummary> runs;
    for (const results::RunSummary& run : results::ListRuns(stored, {}))
        runs[run.run.boardMac] = run;
    ASSERT_EQ(runs.size(), 3u);
    for (const auto& [mac, summary] : runs) {
        const results::RunRecord& run = summary.run;
        EXPECT_EQ(run.tool, "kel-rftest");
        EXPECT_EQ(run.plan, "line");
        EXPECT_EQ(run.planVersion, "7");
        EXPECT_EQ(run.station, "bench-7");
        EXPECT_EQ(run.operatorName, "ana");
        EXPECT_EQ(run.chipModel, "QB202");
        EXPECT_EQ(run.baud, 115200);
        EXPECT_FALSE(run.port.empty());
        EXPECT_EQ(run.verdict, mac == "02:4b:45:4c:00:03" ? "fail" : "pass") << mac;
        EXPECT_EQ(run.dut, mac == "02:4b:45:4c:00:01" ? "SN1" : "") << mac;
    }
    std::vector<std::string> verdicts;
    for (const results::StoredMeasurement& point :
         results::RunMeasurements(stored, runs.at("02:4b:45:4c:00:03").run.id)) {
        verdicts.push_back(std::string(rftest::KindName(point.measurement.kind)) + " " +
                           std::string(rftest::VerdictName(point.measurement.verdict)));
        if (point.measurement.kind == rftest::MeasurementKind::Rx) {
            EXPECT_EQ(point.measurement.limitHigh, 20.0);
        }
    }
    EXPECT_EQ(verdicts,
              (std::vector<std::string>{"freq_offset pass", "rx fail", "rx fail", "tx "}));
    EXPECT_EQ(runs.at("02:4b:45:4c:00:02").points, 3);
}

TEST(CliPlan, ExitCodesSayHowTheRunEnded) {
    TempFolder folder;
    const std::string plan =
        Written(folder.path / "offset.toml", "name = \"offset\"\n"
                                             "model = \"QB202\"\n"
                                             "[[step]]\ndo = \"freq-offset\"\n");
    EXPECT_EQ(RunCli({"plan", "run", plan, "--virtual", "2"}).exitCode, 0);

    // A silent board errors after its give-up (sooner with a short slice); its step is an error.
    const std::string junit = (folder.path / "silent.xml").string();
    cli::RunSettings fast;
    fast.watchdogSlice = 5ms;
    const CliResult silent = RunCli(
        {"plan", "run", plan, "--virtual", "2", "--virtual-fault", "1:silent", "--junit", junit},
        fast);
    EXPECT_EQ(silent.exitCode, 1) << silent.err;
    EXPECT_NE(silent.out.find("ERROR  "), std::string::npos) << silent.out;
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(junit.c_str()));
    EXPECT_EQ(document.child("testsuites").attribute("errors").as_int(), 1);
    EXPECT_EQ(document.child("testsuites").attribute("skipped").as_int(), 1);

    const CliResult noPort = RunCli({"plan", "run", plan, "-p", "ttyKEL404", "--virtual", "1"});
    EXPECT_EQ(noPort.exitCode, 2); // ports or virtual boards, not both
    const CliResult absent = RunCli({"plan", "run", plan, "-p", "ttyKEL404"});
    EXPECT_EQ(absent.exitCode, 3);
    EXPECT_EQ(absent.err, "kel-rftest: Failed to open uart! Cannot open /dev/ttyKEL404: no such "
                          "device.\nkel-rftest: nothing was sent to any board\n");
    EXPECT_EQ(RunCli({"plan", "run", plan, "--virtual", "1", "--dut", "a", "--dut", "b"}).exitCode,
              2);
}

// The runs recorded for a port that have ended, oldest first; waits (up to a
// minute) until there are at least n.
std::vector<results::RunRecord> EndedRuns(const std::string& store, const std::string& port,
                                          std::size_t n) {
    std::vector<results::RunRecord> ended;
    for (auto deadline = std::chrono::steady_clock::now() + 60s;
         ended.size() < n && std::chrono::steady_clock::now() < deadline;) {
        std::this_thread::sleep_for(20ms);
        ended.clear();
        try {
            results::Store stored(store, results::Store::Open::Existing);
            for (const results::RunSummary& run : results::ListRuns(stored, {}))
                if (run.run.port == port && !run.run.endedAt.empty())
                    ended.insert(ended.begin(), run.run);
        } catch (const std::exception&) {
            // Not made yet.
        }
    }
    return ended;
}

TEST(CliPlan, AStationTestsBoardAfterBoardOnEachPortUntilCtrlC) {
    TempFolder folder;
    const std::string plan =
        Written(folder.path / "line.toml",
                QB202Plan("line", std::string(kReadOffsetThenSweep) + kSweepChannel6));
    std::vector<std::string_view> words{"--count", "6",        "--fault", "1:weak-rx",
                                        "--fault", "4:silent", "--fault", "5:weak-rx"};
    std::string why;
    board::BoardTray tray(board::ParseTrayArguments(words, why)->boards);
    ASSERT_TRUE(tray.Error().empty()) << tray.Error();
    const std::string store = (folder.path / "station.sqlite").string();
    const std::string slots[2] = {(folder.path / "slot1").string(),
                                  (folder.path / "slot2").string()};

    cli::Interruption interruption;
    std::ostringstream out, err;
    int code = -1;
    cli::RunSettings fast;
    fast.watchdogSlice = 5ms; // the silent board is given up sooner
    std::jthread station([&] {
        code = cli::RunRfTest(
            {"plan", "run", plan, "-p", slots[0], "-p", slots[1], "--loop", "--results", store},
            out, err, interruption, fast);
    });
    // Plugs the board into the slot; once its n-th run there has ended, pulls it out.
    const auto plug = [&](int slot, std::size_t board) {
        std::filesystem::create_symlink(tray.SlavePath(board), slots[slot]);
    };
    const auto pullAfter = [&](int slot, std::size_t runs) {
        EXPECT_EQ(EndedRuns(store, slots[slot], runs).size(), runs) << "slot " << slot;
        std::filesystem::remove(slots[slot]);
    };
    plug(1, 3);
    pullAfter(1, 1);
    // The silent board stays in slot 2 while slot 1 goes through its three boards.
    plug(1, 4);
    for (std::size_t board = 0; board < 3; ++board) {
        plug(0, board);
        pullAfter(0, board + 1);
    }
    pullAfter(1, 2);
    plug(1, 5);
    pullAfter(1, 3);
    interruption.Request();
    station.join();
    EXPECT_EQ(code, 130) << err.str();

    const auto verdicts = [&](int slot) {
        std::vector<std::string> said;
        for (const results::RunRecord& run : EndedRuns(store, slots[slot], 3))
            said.push_back((run.boardMac.empty() ? "" : run.boardMac.substr(15)) + " " +
                           run.verdict + " " + run.plan);
        return said;
    };
    EXPECT_EQ(verdicts(0),
              (std::vector<std::string>{"01 pass line", "02 fail line", "03 pass line"}));
    EXPECT_EQ(verdicts(1),
              (std::vector<std::string>{"04 pass line", " error line", "06 fail line"}));
    EXPECT_TRUE(out.str().ends_with("line: 6 boards, 3 passed, 2 failed, 1 errored\n"))
        << out.str();
}

// The table drawn last on standard error (after its last erase).
std::string LastTable(const std::string& err) {
    const std::size_t erase = err.rfind("\x1b[J");
    return erase == std::string::npos ? err : err.substr(erase + 3);
}

TEST(CliPlan, AStationCountsARetestedBoardOnceAndShowsItsInterruptedSlot) {
    TempFolder folder;
    const std::string plan = Written(folder.path / "slow.toml", QB202Plan("slow", R"([[step]]
do = "freq-offset"
[[step]]
do = "rx"
seconds = 2
)"));
    board::BoardTray tray(board::TrayConfigs(1));
    const std::string store = (folder.path / "s.sqlite").string();
    const std::string slot = (folder.path / "slot").string();
    cli::Interruption interruption;
    std::ostringstream out, err;
    cli::RunSettings terminal;
    terminal.liveTable = true;
    terminal.terminalSize = [] { return std::pair<std::size_t, std::size_t>{120, 40}; };
    std::jthread station([&] {
        cli::RunRfTest({"plan", "run", plan, "-p", slot, "--loop", "--results", store}, out, err,
                       interruption, terminal);
    });
    std::filesystem::create_symlink(tray.SlavePath(0), slot);
    EXPECT_EQ(EndedRuns(store, slot, 1).size(), 1u);
    std::filesystem::remove(slot);
    std::this_thread::sleep_for(300ms);
    std::filesystem::create_symlink(tray.SlavePath(0), slot); // the same board again
    for (auto deadline = std::chrono::steady_clock::now() + 30s;
         std::chrono::steady_clock::now() < deadline;) {
        std::this_thread::sleep_for(50ms);
        results::Store stored(store, results::Store::Open::ReadOnly);
        if (results::ListRuns(stored, {}).size() == 2)
            break;
    }
    std::this_thread::sleep_for(500ms); // into its RX step
    interruption.Request();
    station.join();
    EXPECT_TRUE(out.str().ends_with("slow: 1 board, 1 interrupted\n")) << out.str();
    const std::string table = LastTable(err.str());
    EXPECT_NE(table.find(" interrupted"), std::string::npos) << table;
}

TEST(CliPlan, AStationAsksEachSerialChecksItsPatternAndWaitsForTheOperator) {
    TempFolder folder;
    const std::string plan = Written(folder.path / "line.toml", R"(name = "line"
model = "QB202"
[dut]
pattern = "^SN-[0-9]{6}$"
[[step]]
do = "prompt"
text = "Close the shield box"
confirm = true
[[step]]
do = "freq-offset"
)");
    board::BoardTray tray({board::BoardConfig{}});
    ASSERT_TRUE(tray.Error().empty()) << tray.Error();
    const std::string store = (folder.path / "station.sqlite").string();
    const std::string slot = (folder.path / "slot1").string();
    int typed[2];
    ASSERT_EQ(pipe(typed), 0);
    // A wrong code first, then the right one, then Enter at the prompt.
    const std::string lines = "SN-12\nSN-000042\n\n";
    ASSERT_EQ(write(typed[1], lines.data(), lines.size()), static_cast<ssize_t>(lines.size()));

    cli::Interruption interruption;
    std::ostringstream out, err;
    cli::RunSettings settings;
    settings.input = typed[0];
    std::jthread station([&] {
        cli::RunRfTest({"plan", "run", plan, "-p", "Fixture A=" + slot, "--loop", "--scan",
                        "--results", store},
                       out, err, interruption, settings);
    });
    std::filesystem::create_symlink(tray.SlavePath(0), slot);
    const std::vector<results::RunRecord> runs = EndedRuns(store, slot, 1);
    interruption.Request();
    station.join();
    close(typed[0]);
    close(typed[1]);
    ASSERT_EQ(runs.size(), 1u) << err.str();
    EXPECT_EQ(runs[0].dut, "SN-000042");
    EXPECT_EQ(runs[0].slot, "Fixture A");
    EXPECT_EQ(runs[0].verdict, "pass");
    EXPECT_NE(err.str().find("Fixture A: REFUSED SN-12: SN-12 does not match ^SN-[0-9]{6}$"),
              std::string::npos)
        << err.str();
    EXPECT_NE(err.str().find("Fixture A: Close the shield box, then Enter"), std::string::npos);
    EXPECT_NE(out.str().find("SN-000042"), std::string::npos) << out.str();
}

} // namespace
} // namespace kel::test
