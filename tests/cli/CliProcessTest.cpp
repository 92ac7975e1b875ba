// SPDX-License-Identifier: GPL-3.0-or-later
// kel-rftest as a script runs it: exit codes, the two output streams, and
// Ctrl+C, a reader that goes away or SIGKILL ending a run (or a plan run on
// many boards): what it started stopped where it could be, and the port free
// for the next run at once.

#include "board/VirtualBoardHost.h"
#include "resources/Version.h"
#include "serial/SerialPort.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/PtyPeer.h"
#include "tests/support/TempFolder.h"

#include <csignal>
#include <fstream>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kel::test {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

ChildProcess RfTest(std::vector<std::string> args) {
    return Spawn(KEL_RFTEST, std::move(args));
}

TEST(CliProcess, HelpSaysWhatKeepsRunningAndEndsWell) {
    ChildProcess p = RfTest({"--help"});
    const std::string help = ReadToEnd(p.out);
    EXPECT_EQ(WaitExit(p), 0);
    // Both open with the build's version line; --version also names the licence.
    ChildProcess v = RfTest({"--version"});
    const std::string version = ReadToEnd(v.out);
    EXPECT_EQ(WaitExit(v), 0);
    EXPECT_TRUE(help.starts_with(res::VersionLine("kel-rftest") + "\n")) << help;
    EXPECT_TRUE(version.starts_with(res::VersionLine("kel-rftest") + "\n")) << version;
    EXPECT_NE(version.find("\nLicence GPL-3.0-or-later"), std::string::npos) << version;
    EXPECT_NE(help.find("Usage: kel-rftest [OPTIONS] SUBCOMMAND"), std::string::npos) << help;
    EXPECT_NE(help.find("keeps running after the program"), std::string::npos);
    EXPECT_NE(help.find("130  interrupted"), std::string::npos);
}

TEST(CliProcess, APortThatCannotBeOpenedExits3WithTheReason) {
    ChildProcess p = RfTest({"-p", "ttyKEL404", "-m", "QB202", "info"});
    const std::string err = ReadToEnd(p.err);
    EXPECT_EQ(WaitExit(p), 3);
    EXPECT_EQ(err,
              "kel-rftest: Failed to open uart! Cannot open /dev/ttyKEL404: no such device.\n");
}

// A board plugged in while the run waits: its by-id link appears, the run
// goes on with it.
TEST(CliProcess, WaitPortGoesOnWhenTheLinkAppears) {
    PtyPeer board;
    board.ScriptReplies(
        {"kel driver is ready!\n", "Sending CMD OK!\n", "power level:20\nSending CMD OK!\n"});
    TempFolder dev;
    const std::filesystem::path link = dev.path / "serial/by-id/usb-board-if00-port0";
    ChildProcess p = RfTest({"-p", link.string(), "-m", "QB201", "--wait-port", "30", "info"});
    EXPECT_NE(ReadLine(p.err).find("waiting for " + link.string()), std::string::npos);
    std::filesystem::create_directories(link.parent_path());
    std::filesystem::create_symlink(board.SlavePath(), link);
    EXPECT_EQ(ReadToEnd(p.out), "chip model: QB201\npower level: 20\n");
    EXPECT_EQ(WaitExit(p), 0);
}

TEST(CliProcess, WaitPortEndsWith3WhenItsTimeIsUpAnd130OnCtrlC) {
    ChildProcess bounded = RfTest({"-p", "ttyKEL404", "-m", "QB202", "--wait-port", "0.1", "info"});
    EXPECT_NE(ReadToEnd(bounded.err).find("Cannot open /dev/ttyKEL404: no such device."),
              std::string::npos);
    EXPECT_EQ(WaitExit(bounded), 3);

    ChildProcess forever = RfTest({"-p", "ttyKEL404", "-m", "QB202", "--wait-port", "0", "info"});
    ReadLine(forever.err); // waiting
    // Ctrl+C again until it ends, as an operator would: under ThreadSanitizer a
    // signal sent within microseconds of that line is at times not acted on.
    const auto ended = [&] {
        siginfo_t info{};
        return waitid(P_PID, forever.pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
               info.si_pid == forever.pid;
    };
    for (int tries = 0; tries < 20 && !ended(); ++tries) {
        kill(forever.pid, SIGINT);
        std::this_thread::sleep_for(500ms);
    }
    EXPECT_EQ(WaitExit(forever), 130);
}

TEST(CliProcess, InterruptEndsASilentWaitAtOnceAndFreesThePort) {
    PtyPeer silent;
    ChildProcess p = RfTest({"-p", silent.SlavePath(), "-m", "QB202", "info"});
    ASSERT_EQ(silent.WaitReceived(5), "kel\n\0"s); // the probe waits for its answer
    const auto sent = std::chrono::steady_clock::now();
    kill(p.pid, SIGINT);
    EXPECT_EQ(WaitExit(p, 1s), 130);
    EXPECT_LT(std::chrono::steady_clock::now() - sent, 1s);
    EXPECT_TRUE(SerialPort::Probe(silent.SlavePath()));
}

TEST(CliProcess, InterruptDuringRxStopsItThenDisconnects) {
    PtyPeer board;
    board.ScriptReplies({"kel driver is ready!\n", "Sending CMD OK!\n", "Sending CMD OK!\n",
                         "Sending CMD OK!\n", "Total:5\nSending CMD OK!\n"});
    ChildProcess p =
        RfTest({"-p", board.SlavePath(), "-m", "QB202", "--no-mac", "rx", "--seconds", "60"});
    const std::string started = "kel\n\0kel connect\n\0kel enable_phy\n\0kel rx\n"s;
    ASSERT_EQ(board.WaitReceived(started.size()), started);
    kill(p.pid, SIGTERM);
    const std::string err = ReadToEnd(p.err, 5s);
    EXPECT_EQ(WaitExit(p), 130);
    EXPECT_EQ(board.WaitReceived(started.size() + 28),
              started + "kel rx_stop\nkel disconnect\n\0"s);
    EXPECT_NE(err.find("stopping the test this run started"), std::string::npos) << err;
}

TEST(CliProcess, ARunKilledOutrightLeavesThePortToTheNextRun) {
    PtyPeer silent;
    ChildProcess killed = RfTest({"-p", silent.SlavePath(), "-m", "QB202", "info"});
    ASSERT_EQ(silent.WaitReceived(5), "kel\n\0"s);
    kill(killed.pid, SIGKILL);
    EXPECT_EQ(WaitExit(killed), -1);
    // It opens the port and waits for the board (1), rather than finding the port held (3).
    ChildProcess next =
        RfTest({"-p", silent.SlavePath(), "-m", "QB202", "--timeout", "0.2", "--json", "info"});
    const std::string out = ReadToEnd(next.out);
    EXPECT_EQ(WaitExit(next), 1) << out;
    // The failed handshake is the subcommand's failure.
    EXPECT_EQ(out.rfind("{\"command\":\"info\",\"ok\":false,", 0), 0u) << out;
    EXPECT_NE(out.find("\"reason\":\"no answer from the board in 0."), std::string::npos) << out;
}

// kel-rftest ... | head -1: the first result read, then the reader gone.
TEST(CliProcess, AReaderThatGoesAwayEndsTheRunLikeAnInterrupt) {
    board::VirtualBoardHost board;
    ChildProcess p =
        RfTest({"-p", board.SlavePath(), "-m", "QB202", "--json", "sweep-rx", "--channels", "1-3",
                "--rates", "1", "--seconds", "0.3", "--sent", "30"});
    EXPECT_NE(ReadLine(p.out).find("\"command\":\"sweep-rx\""), std::string::npos);
    close(p.out);
    p.out = -1;
    const std::string err = ReadToEnd(p.err);
    EXPECT_EQ(WaitExit(p), 130) << err;
    for (int i = 0; i < 200 && board.State().connected; ++i)
        std::this_thread::sleep_for(5ms);
    EXPECT_FALSE(board.State().rxRunning);
    EXPECT_FALSE(board.State().connected);
    EXPECT_TRUE(SerialPort::Probe(board.SlavePath()));
}

// A plan run on three boards, interrupted while each receives: every
// board's RX stopped, every board disconnected, every port free.
TEST(CliProcess, InterruptStopsEveryBoardsRunningTestAndFreesEveryPort) {
    board::BoardTray tray(board::TrayConfigs(3));
    TempFolder folder;
    const std::filesystem::path plan = folder.path / "long.toml";
    std::ofstream(plan) << "name = \"long\"\nmodel = \"QB202\"\n[[step]]\ndo = \"rx\"\n"
                           "seconds = 600\n";
    ChildProcess p = RfTest({"plan", "run", plan.string(), "-p", tray.SlavePath(0), "-p",
                             tray.SlavePath(1), "-p", tray.SlavePath(2)});
    for (std::size_t i = 0; i < 3; ++i) {
        for (int wait = 0; wait < 1000 && !tray.State(i).rxRunning; ++wait)
            std::this_thread::sleep_for(5ms);
        ASSERT_TRUE(tray.State(i).rxRunning) << i;
    }
    kill(p.pid, SIGINT);
    const std::string out = ReadToEnd(p.out);
    EXPECT_EQ(WaitExit(p), 130);
    EXPECT_NE(out.find("3 boards, 3 interrupted"), std::string::npos) << out;
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_FALSE(tray.State(i).rxRunning) << i;
        for (int wait = 0; wait < 200 && tray.State(i).connected; ++wait)
            std::this_thread::sleep_for(5ms);
        EXPECT_FALSE(tray.State(i).connected) << i;
        EXPECT_TRUE(SerialPort::Probe(tray.SlavePath(i))) << i;
    }
}

} // namespace
} // namespace kel::test
