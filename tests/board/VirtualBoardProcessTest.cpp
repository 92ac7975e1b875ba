// kel-virtual-board as a user runs it: the first line of its output is the
// port to open; SIGTERM ends it cleanly.

#include "protocol/CommandContext.h"
#include "protocol/CommandExchange.h"
#include "protocol/RfTestCommands.h"
#include "serial/ReadWatchdog.h"
#include "serial/SerialPort.h"
#include "tests/support/ChildProcess.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <string>
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
        const char* firstLine;
        bool onStdout;
    };
    const Case cases[] = {
        {{"--help"}, 0, "Usage: kel-virtual-board [--fault MODE]\n", true},
        {{"--fault", "loud"}, 2, "kel-virtual-board: unknown fault mode \"loud\"\n", false},
        {{"--fault=slow=x"}, 2, "kel-virtual-board: slow=MS wants", false},
        {{"--fault"}, 2, "kel-virtual-board: unexpected argument \"--fault\"\n", false},
        {{"/dev/ttyUSB0"}, 2, "kel-virtual-board: unexpected argument", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        ChildProcess p = Spawn(c.args);
        ASSERT_GT(p.pid, 0);
        const std::string line = ReadLine(c.onStdout ? p.out : p.err);
        EXPECT_EQ(line.substr(0, std::string(c.firstLine).size()), c.firstLine);
        EXPECT_EQ(WaitExit(p), c.status);
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
