// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/ChildProcess.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace kel::test {

namespace {
// Reads what comes until stop says so, the stream ends or the time is up.
template <typename Stop> std::string ReadUntil(int fd, std::chrono::milliseconds limit, Stop stop) {
    std::string text;
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!stop(text)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
            break;
        char c;
        if (read(fd, &c, 1) != 1)
            break;
        text += c;
    }
    return text;
}
} // namespace

ChildProcess Spawn(const std::string& program, std::vector<std::string> args) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    ChildProcess p;
    if (posix_spawn(&p.pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        p.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    p.out = out[0];
    p.err = err[0];
    return p;
}

std::string ReadLine(int fd, std::chrono::milliseconds limit) {
    return ReadUntil(fd, limit,
                     [](const std::string& text) { return !text.empty() && text.back() == '\n'; });
}

std::string ReadToEnd(int fd, std::chrono::milliseconds limit) {
    return ReadUntil(fd, limit, [](const std::string&) { return false; });
}

int WaitExit(ChildProcess& p, std::chrono::milliseconds limit) {
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

} // namespace kel::test
