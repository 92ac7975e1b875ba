// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A program of ours run as a child process, as a user runs it: its standard
// output and error come back through pipes, its exit status is waited for
// with a bound.

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kel::test {

struct ChildProcess {
    pid_t pid = -1;
    int out = -1; // its standard output
    int err = -1; // its standard error
};

// pid -1 when it could not be started.
ChildProcess Spawn(const std::string& program, std::vector<std::string> args);

// Reads up to the first line feed, or what came within the time.
std::string ReadLine(int fd, std::chrono::milliseconds limit = std::chrono::seconds(10));

// Everything up to the end of the stream, or what came within the time.
std::string ReadToEnd(int fd, std::chrono::milliseconds limit = std::chrono::seconds(10));

// The exit status, or -1 when it did not end within the time (it is killed
// then). Closes the pipes: read what is needed first.
int WaitExit(ChildProcess& p, std::chrono::milliseconds limit = std::chrono::seconds(10));

} // namespace kel::test
