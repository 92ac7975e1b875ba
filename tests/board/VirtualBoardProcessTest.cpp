// kel-virtual-board as a user runs it: the first line of its output is the
// port to open; SIGTERM ends it cleanly.

#include "protocol/CommandContext.h"
#include "protocol/CommandExchange.h"
#include "protocol/RfTestCommands.h"
#include "serial/ReadWatchdog.h"
#include "serial/SerialPort.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace kel::test {
namespace {

struct Process {
    pid_t pid = -1;
    int out = -1; // its standard output
    int err = -1; // its standard error
};

Process Spawn(std::vector<std::string> args) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    args.insert(args.begin(), KEL_VIRTUAL_BOARD);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    Process p;
    if (posix_spawn(&p.pid, KEL_VIRTUAL_BOARD, &actions, nullptr, argv.data(), environ) != 0)
        p.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    p.out = out[0];
    p.err = err[0];
    return p;
}

// Reads up to the first line feed, or what came within the time.
std::string ReadLine(int fd, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    std::string line;
    const auto until = std::chrono::steady_clock::now() + limit;
    while (line.empty() || line.back() != '\n') {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
            break;
        char c;
        if (read(fd, &c, 1) != 1)
            break;
        line += c;
    }
    return line;
}

// The exit status, or -1 when it did not end within the time (it is killed then).
int WaitExit(Process& p, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto until = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(p.pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > until) {
            kill(p.pid, SIGKILL);
            waitpid(p.pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    close(p.out);
    close(p.err);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(VirtualBoardProcess, PrintsItsPortServesAConsoleAndEndsOnSigterm) {
    for (int stopSignal : {SIGTERM, SIGINT}) {
        Process board = Spawn({});
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
        Process p = Spawn(c.args);
        ASSERT_GT(p.pid, 0);
        const std::string line = ReadLine(c.onStdout ? p.out : p.err);
        EXPECT_EQ(line.substr(0, std::string(c.firstLine).size()), c.firstLine);
        EXPECT_EQ(WaitExit(p), c.status);
    }
}

TEST(VirtualBoardProcess, EndsByItselfAfterAHangUpFault) {
    Process board = Spawn({"--fault", "hang-up=0"});
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
