// SPDX-License-Identifier: GPL-3.0-or-later
// Plans run on many boards at once against virtual boards and scripted
// peers: the bytes each board gets, verdicts from limits, retries, shared
// turns, a silent board among healthy ones, and a cancel.

#include "board/BoardTray.h"
#include "board/VirtualBoardHost.h"
#include "plan/PlanReader.h"
#include "plan/PlanRun.h"
#include "serial/SerialPort.h"
#include "tests/cli/CliRun.h"
#include "tests/support/PlanTexts.h"
#include "tests/support/PtyPeer.h"
#include "tests/support/PtyRelay.h"
#include "tests/support/TempFolder.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <tuple>

namespace kel::plan {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

const std::string kHandshake = "kel\n\0kel connect\n\0kel enable_phy\n\0"s;
const std::string kGetMac = "kel get_mac\n\0"s;
const std::string kDisconnect = "kel disconnect\n\0"s;

Plan PlanOf(const std::string& toml) {
    const PlanReading reading = ReadPlan(toml, "test.toml");
    for (const PlanError& error : reading.errors)
        ADD_FAILURE() << error.Text();
    return reading.plan.value_or(Plan{});
}

// What one board's run told, in order.
struct Heard : BoardListener {
    void Measured(const PointResult& point) override {
        std::lock_guard lock(mutex);
        points.push_back(point);
    }
    void StepEnded(const StepResult& step) override {
        std::lock_guard lock(mutex);
        steps.push_back(step);
    }
    std::mutex mutex;
    std::vector<PointResult> points;
    std::vector<StepResult> steps;
};

struct Ran {
    std::vector<BoardOutcome> outcomes;
    std::vector<std::unique_ptr<Heard>> heard;
};

Ran RunOn(const Plan& plan, const std::vector<std::string>& ports,
          BoardRunSettings settings = {}) {
    std::vector<BoardIdentity> boards;
    for (const std::string& port : ports)
        boards.push_back({port, ""});
    PlanRun run(plan, boards, settings);
    std::vector<std::string> problems;
    EXPECT_TRUE(run.Open(problems)) << ::testing::PrintToString(problems);
    Ran ran;
    std::vector<BoardListener*> listeners;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        ran.heard.push_back(std::make_unique<Heard>());
        listeners.push_back(ran.heard.back().get());
    }
    run.Start(listeners);
    EXPECT_TRUE(run.WaitFor(60s));
    ran.outcomes = run.Outcomes();
    return ran;
}

std::vector<std::string> TrayPaths(const board::BoardTray& tray) {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < tray.Size(); ++i)
        paths.push_back(tray.SlavePath(i));
    return paths;
}

// What kel-rftest sends for the arguments between its handshake (and its
// read of the board's MAC) and its disconnect.
std::string SubcommandBytes(std::vector<std::string> args) {
    board::VirtualBoardHost board;
    test::PtyRelay relay(board.SlavePath());
    args.insert(args.begin(), {"-p", relay.SlavePath(), "-m", "QB202"});
    const test::CliResult result = test::RunCli(args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::string sent = relay.SentEndingWith(kDisconnect);
    EXPECT_TRUE(sent.starts_with(kHandshake) && sent.ends_with(kDisconnect)) << sent;
    sent = sent.substr(kHandshake.size(), sent.size() - kHandshake.size() - kDisconnect.size());
    if (args[4] != "mac" && sent.starts_with(kGetMac))
        sent.erase(0, kGetMac.size());
    return sent;
}

TEST(PlanRun, EachBoardGetsTheBytesOfTheEquivalentSubcommands) {
    test::TempFolder folder;
    const Plan plan = PlanOf(R"(name = "wire"
model = "QB202"
[[step]]
do = "freq-offset"
[[step]]
do = "freq-offset"
save = 50
[[step]]
do = "sdd-power"
[[step]]
do = "rx"
channel = 6
rate = 54
seconds = 0.05
sent = 5
[[step]]
do = "rx-sweep"
channels = "1,11"
rates = "1,5.5"
seconds = 0.05
sent = 5
[[step]]
do = "tx"
channel = 7
rate = 65
power = 16
count = 5
length = 100
full_duty = true
seconds = 0.05
[[step]]
do = "tone"
seconds = 0.05
[[step]]
do = "supply"
mode = "ldo"
[[step]]
do = "mac"
source = "02:00:00:00:00:01"
dest = "02:00:00:00:00:02"
bssid = "02:00:00:00:00:03"
[[step]]
do = "send"
text = "kel get_mac"
[[step]]
do = "sdd-export"
)");
    const std::string expected =
        kHandshake + kGetMac + SubcommandBytes({"freq-offset", "get"}) +
        SubcommandBytes({"freq-offset", "save", "50"}) + SubcommandBytes({"sdd-power", "get"}) +
        SubcommandBytes({"--channel", "6", "--rate", "54", "rx", "--seconds", "0.05", "--sent", "5"}) +
        SubcommandBytes({"sweep-rx", "--channels", "1,11", "--rates", "1,5.5", "--seconds", "0.05",
                         "--sent", "5"}) +
        SubcommandBytes({"--channel", "7", "--rate", "65", "--power", "16", "tx", "--count", "5",
                         "--length", "100", "--full-duty", "--seconds", "0.05"}) +
        SubcommandBytes({"tone", "--seconds", "0.05"}) + SubcommandBytes({"supply", "ldo"}) +
        SubcommandBytes({"mac", "set", "--source", "02:00:00:00:00:01", "--dest",
                         "02:00:00:00:00:02", "--bssid", "02:00:00:00:00:03"}) +
        SubcommandBytes({"send", "kel get_mac"}) +
        SubcommandBytes({"sdd-export", (folder.path / "one.sdd").string()}) + kDisconnect;

    board::BoardTray tray(board::TrayConfigs(2));
    test::PtyRelay first(tray.SlavePath(0)), second(tray.SlavePath(1));
    BoardRunSettings settings;
    settings.sddFolder = folder.path;
    const Ran ran = RunOn(plan, {first.SlavePath(), second.SlavePath()}, settings);
    for (const BoardOutcome& outcome : ran.outcomes)
        EXPECT_EQ(outcome.verdict, BoardVerdict::Pass) << outcome.error;
    EXPECT_EQ(first.SentEndingWith(kDisconnect), expected);
    EXPECT_EQ(second.SentEndingWith(kDisconnect), expected);
    // Each board's SDD file beside the others, named after the board.
    EXPECT_EQ(ran.outcomes[1].mac, "02:00:00:00:00:01"); // as the plan set it
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path))
        files += entry.path().filename().string().starts_with("02-00-00-00-00-01_") ? 1 : 0;
    EXPECT_EQ(files, 2u);
}


TEST(PlanRun, LimitsPassMarkMarginalAndFailTheWeakBoard) {
    // Board 0 hears a strong signal, board 1 a weak one, board 2 is weak-rx.
    std::vector<board::BoardConfig> configs = board::TrayConfigs(3);
    configs[0].rxLevelDbm = -40;
    configs[1].rxLevelDbm = -70;
    configs[2].fault = {board::FaultKind::WeakRx};
    board::BoardTray tray(configs);
    const Plan plan = PlanOf(test::QB202Plan("limits", test::kOffsetThenSweep) + R"(channels = "6"
rates = "54"
seconds = 4
sent = 400
max_per = 25
marginal_per = 2
)");
    const Ran ran = RunOn(plan, TrayPaths(tray));
    ASSERT_EQ(ran.outcomes.size(), 3u);
    const BoardOutcome &strong = ran.outcomes[0], &marginal = ran.outcomes[1],
                       &weak = ran.outcomes[2];
    EXPECT_EQ(strong.verdict, BoardVerdict::Pass);
    EXPECT_TRUE(strong.marginals.empty());
    EXPECT_EQ(strong.mac, "02:4b:45:4c:00:01");

    EXPECT_EQ(marginal.verdict, BoardVerdict::Pass);
    ASSERT_EQ(marginal.marginals.size(), 1u);
    EXPECT_TRUE(marginal.marginals[0].starts_with("ch 6 54 Mbps PER ")) << marginal.marginals[0];
    EXPECT_TRUE(marginal.marginals[0].ends_with(" % > 2 % (marginal)")) << marginal.marginals[0];

    EXPECT_EQ(weak.verdict, BoardVerdict::Fail);
    ASSERT_EQ(weak.failures.size(), 1u);
    EXPECT_TRUE(weak.failures[0].starts_with("ch 6 54 Mbps PER ")) << weak.failures[0];
    EXPECT_TRUE(weak.failures[0].ends_with(" % > 25 %")) << weak.failures[0];
    EXPECT_EQ(weak.stepsDone, 2u); // a failed limit ends no run
    // The offset (each board its own, 48 +- 8) passed, judged.
    const PointResult& offset = ran.heard[2]->points.front();
    EXPECT_EQ(offset.measurement.verdict, rftest::Verdict::Pass);
    EXPECT_EQ(offset.measurement.limitLow, 20.0);
}

TEST(PlanRun, AFailingPointIsMeasuredAgainAndTheLastAttemptDecides) {
    test::PtyPeer board;
    const std::string ok = "Sending CMD OK!\n";
    board.ScriptReplies({"kel driver is ready!\n", ok, "power level:20\n" + ok,
                         "Source mac address: 02:00:00:00:00:09\n" + ok,
                         // Passes at the second attempt...
                         "pong no\n" + ok, "pong yes\n" + ok,
                         // ...fails at both.
                         "pong no\n" + ok, "pong no\n" + ok});
    const Plan plan = PlanOf(R"(name = "retries"
model = "QB202"
[[step]]
do = "send"
text = "kel ping"
expect = "yes"
retries = 2
[[step]]
do = "send"
text = "kel ping"
expect = "yes"
retries = 1
)");
    const Ran ran = RunOn(plan, {board.SlavePath()});
    const BoardOutcome& outcome = ran.outcomes[0];
    EXPECT_EQ(outcome.verdict, BoardVerdict::Fail) << outcome.error;
    EXPECT_EQ(outcome.failures, std::vector<std::string>{"reply to \"kel ping\" holds no \"yes\""});
    std::vector<std::tuple<std::size_t, int, bool, rftest::Verdict>> attempts;
    for (const PointResult& point : ran.heard[0]->points)
        attempts.emplace_back(point.step, point.attempt, point.last, point.measurement.verdict);
    using V = rftest::Verdict;
    EXPECT_EQ(attempts, (std::vector<std::tuple<std::size_t, int, bool, V>>{
                            {0, 1, false, V::Fail},
                            {0, 2, true, V::Pass},
                            {1, 1, false, V::Fail},
                            {1, 2, true, V::Fail},
                        }));
    EXPECT_EQ(ran.heard[0]->points[1].measurement.text, "pong yes\nSending CMD OK!");
}

TEST(PlanRun, ASharedStepRunsOnOneBoardAtATime) {
    board::BoardTray tray(board::TrayConfigs(4));
    const Plan plan = PlanOf(test::QB202Plan("shared", R"([[step]]
do = "tx"
seconds = 0.2
shared = "analyser"
[[step]]
do = "rx"
seconds = 0.5
)"));
    const Clock::time_point began = Clock::now();
    const Ran ran = RunOn(plan, TrayPaths(tray));
    const Seconds took = Clock::now() - began;
    std::vector<std::pair<Clock::time_point, Clock::time_point>> turns;
    for (const auto& heard : ran.heard) {
        ASSERT_EQ(heard->steps.size(), 2u);
        turns.emplace_back(heard->steps[0].started, heard->steps[0].ended);
    }
    std::sort(turns.begin(), turns.end());
    for (std::size_t i = 1; i < turns.size(); ++i)
        EXPECT_GE(turns[i].first, turns[i - 1].second) << "turn " << i << " overlaps";
    // The RX steps ran side by side: four turns of 0.2 s, one RX of 0.5 s.
    EXPECT_LT(took, 4 * 0.2s + 4 * 0.5s);
}

TEST(PlanRun, ASilentBoardErrorsAfterItsGiveUpWhileTheOthersFinish) {
    board::BoardTray tray(board::TrayConfigs(3));
    tray.GoSilent(1);
    const Plan plan = PlanOf(R"(name = "silent"
model = "QB202"
[[step]]
do = "freq-offset"
)");
    BoardRunSettings settings;
    settings.watchdogSlice = 5ms; // a give-up in about a second
    const Ran ran = RunOn(plan, TrayPaths(tray), settings);
    EXPECT_EQ(ran.outcomes[0].verdict, BoardVerdict::Pass);
    EXPECT_EQ(ran.outcomes[2].verdict, BoardVerdict::Pass);
    EXPECT_EQ(ran.outcomes[1].verdict, BoardVerdict::Error);
    EXPECT_TRUE(ran.outcomes[1].error.starts_with("Failed to send kel cmd! (no answer from the "
                                                  "board in "))
        << ran.outcomes[1].error;
    EXPECT_LT(ran.outcomes[0].took, ran.outcomes[1].took);
}

TEST(PlanRun, ACancelStopsEveryBoardsRunningTestAndReleasesItsPort) {
    board::BoardTray tray(board::TrayConfigs(3));
    const Plan plan = PlanOf(test::QB202Plan("long", R"([[step]]
do = "rx"
seconds = 600
)"));
    std::vector<BoardIdentity> boards;
    for (const std::string& path : TrayPaths(tray))
        boards.push_back({path, ""});
    PlanRun run(plan, boards);
    std::vector<std::string> problems;
    ASSERT_TRUE(run.Open(problems));
    Heard heard[3];
    run.Start({&heard[0], &heard[1], &heard[2]});
    for (std::size_t i = 0; i < 3; ++i) {
        for (int wait = 0; wait < 1000 && !tray.State(i).rxRunning; ++wait)
            std::this_thread::sleep_for(5ms);
        ASSERT_TRUE(tray.State(i).rxRunning) << i;
    }
    run.Cancel();
    ASSERT_TRUE(run.WaitFor(10s));
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(run.Outcomes()[i].verdict, BoardVerdict::Interrupted);
        EXPECT_FALSE(tray.State(i).rxRunning) << i;
        for (int wait = 0; wait < 200 && tray.State(i).connected; ++wait)
            std::this_thread::sleep_for(5ms); // the disconnect waits for no answer
        EXPECT_FALSE(tray.State(i).connected) << i;
        EXPECT_TRUE(SerialPort::Probe(tray.SlavePath(i))) << i;
    }
}

} // namespace
} // namespace kel::plan
