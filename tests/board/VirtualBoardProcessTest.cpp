// SPDX-License-Identifier: GPL-3.0-or-later
// kel-virtual-board as a user runs it: the first lines of its output are the
// ports to open, one per board; SIGTERM ends it cleanly.

#include "protocol/CommandContext.h"
#include "protocol/CommandExchange.h"
#include "protocol/RfTestCommands.h"
#include "resources/Version.h"
#include "serial/ReadWatchdog.h"
#include "serial/SerialPort.h"
#include "tests/support/ChildProcess.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace kel::test {
namespace {

ChildProcess Spawn(std::vector<std::string> args) {
    return kel::test::Spawn(KEL_VIRTUAL_BOARD, std::move(args));
}

TEST(VirtualBoardProcess, PrintsItsPortServesAConsoleAndEndsOnSigterm) {
    for (int stopSignal : {SIGTERM, SIGINT}) {
        ChildProcess board = Spawn({});
        ASSERT_GT(board.pid, 0);
        std::string path = ReadLine(board.out);
        ASSERT_FALSE(path.empty());
        ASSERT_EQ(path.back(), '\n');
        path.pop_back();
        {
            SerialPort port;
            ReadWatchdog watchdog(port);
            StringLogContext ctx(port, 0);
            ASSERT_EQ(port.Open(path, 115200), 0) << path;
            std::string power;
            EXPECT_EQ(ProbeDriver(ctx), kResultOk);
            EXPECT_EQ(ConnectDevice(ctx), kResultOk);
            EXPECT_EQ(EnablePhy(ctx, power), kResultOk);
            EXPECT_EQ(tone(ctx), kResultOk);
        }
        kill(board.pid, stopSignal);
        EXPECT_EQ(WaitExit(board), 0);
    }
}

TEST(VirtualBoardProcess, AnswersHelpAndRefusesBadArguments) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string firstLine;
        bool onStdout;
    };
    const Case cases[] = {
        // Help opens with the version line, as the manual page maker wants it.
        {{"--help"}, 0, res::VersionLine("kel-virtual-board") + "\n", true},
        {{"--fault", "loud"}, 2, "kel-virtual-board: unknown fault mode \"loud\"\n", false},
        {{"--fault=slow=x"}, 2, "kel-virtual-board: slow=MS wants", false},
        {{"--fault"}, 2, "kel-virtual-board: unexpected argument \"--fault\"\n", false},
        {{"/dev/ttyUSB0"}, 2, "kel-virtual-board: unexpected argument", false},
        {{"--fault=3:weak-rx"},
         2,
         "kel-virtual-board: --fault 3:weak-rx: there is no board 3",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        ChildProcess p = Spawn(c.args);
        ASSERT_GT(p.pid, 0);
        const std::string line = ReadLine(c.onStdout ? p.out : p.err);
        EXPECT_EQ(line.substr(0, c.firstLine.size()), c.firstLine);
        EXPECT_EQ(WaitExit(p), c.status);
    }
}

std::vector<std::string> ReadPaths(ChildProcess& tray, int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        std::string path = ReadLine(tray.out);
        if (path.empty())
            break;
        path.pop_back();
        paths.push_back(path);
    }
    return paths;
}

int ThreadsOf(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("Threads:"))
            return std::stoi(line.substr(8));
    }
    return -1;
}

TEST(VirtualBoardProcess, ServesATrayOfBoardsEachItsOwnFromOneThread) {
    ChildProcess one = Spawn({});
    ChildProcess tray = Spawn({"--count", "4", "--fault", "3:silent"});
    ASSERT_GT(one.pid, 0);
    ASSERT_GT(tray.pid, 0);
    ASSERT_EQ(ReadPaths(one, 1).size(), 1u);
    const std::vector<std::string> paths = ReadPaths(tray, 4);
    ASSERT_EQ(paths.size(), 4u);
    EXPECT_EQ(ThreadsOf(tray.pid), ThreadsOf(one.pid))
        << "four boards cost no more threads than one";

    // Four clients at once, as a rig testing a tray does.
    struct Client {
        int handshake = -100;
        std::string mac;
    };
    std::vector<Client> clients(paths.size());
    {
        std::vector<std::jthread> threads;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            threads.emplace_back([&, i] {
                SerialPort port;
                ReadWatchdog watchdog(port, std::chrono::milliseconds(5));
                StringLogContext ctx(port, 2);
                if (port.Open(paths[i], 115200) != 0)
                    return;
                std::string power, dest, bssid;
                clients[i].handshake = ProbeDriver(ctx);
                if (clients[i].handshake == kResultOk)
                    clients[i].handshake = ConnectDevice(ctx);
                if (clients[i].handshake == kResultOk)
                    clients[i].handshake = EnablePhy(ctx, power);
                if (clients[i].handshake == kResultOk)
                    get_mac(ctx, clients[i].mac, dest, bssid);
            });
        }
    }
    EXPECT_EQ(clients[0].mac, "02:4b:45:4c:00:01");
    EXPECT_EQ(clients[1].mac, "02:4b:45:4c:00:02");
    EXPECT_EQ(clients[2].mac, "02:4b:45:4c:00:03");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(clients[i].handshake, kResultOk) << i;
    EXPECT_EQ(clients[3].handshake, kResultFailed) << "only the fourth board is silent";

    for (ChildProcess* p : {&one, &tray}) {
        kill(p->pid, SIGTERM);
        EXPECT_EQ(WaitExit(*p), 0);
    }
}

TEST(VirtualBoardProcess, EndsByItselfAfterAHangUpFault) {
    ChildProcess board = Spawn({"--fault", "hang-up=0"});
    ASSERT_GT(board.pid, 0);
    std::string path = ReadLine(board.out);
    ASSERT_FALSE(path.empty());
    path.pop_back();
    {
        SerialPort port;
        ReadWatchdog watchdog(port, std::chrono::milliseconds(5));
        StringLogContext ctx(port, 2);
        ASSERT_EQ(port.Open(path, 115200), 0);
        EXPECT_EQ(ProbeDriver(ctx), kResultFailed);
    }
    EXPECT_EQ(ReadLine(board.err), "kel-virtual-board: hung up the line (fault mode)\n");
    EXPECT_EQ(WaitExit(board), 0);
}

} // namespace
} // namespace kel::test
