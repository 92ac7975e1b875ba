// SPDX-License-Identifier: GPL-3.0-or-later
#include "PtyRelay.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace kel::test {

PtyRelay::PtyRelay(const std::string& boardDevice) {
    // The relay is the board's client: it must put that line in raw mode,
    // as any client must.
    board_ = open(boardDevice.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (board_ < 0)
        throw std::runtime_error("cannot open " + boardDevice);
    termios raw{};
    tcgetattr(board_, &raw);
    cfmakeraw(&raw);
    cfsetspeed(&raw, B921600);
    tcsetattr(board_, TCSANOW, &raw);

    pump_ = std::jthread([this](std::stop_token stop) { Pump(stop); });
}

PtyRelay::~PtyRelay() {
    pump_.request_stop();
    if (pump_.joinable())
        pump_.join();
    close(board_);
}

std::vector<PtyRelay::Run> PtyRelay::Transcript() {
    std::lock_guard lock(mutex_);
    return runs_;
}

std::vector<std::chrono::nanoseconds> PtyRelay::ReplyToCommandGaps() {
    std::lock_guard lock(mutex_);
    std::vector<std::chrono::nanoseconds> gaps;
    for (std::size_t i = 1; i < runs_.size(); ++i) {
        if (runs_[i].fromPort && !runs_[i - 1].fromPort)
            gaps.push_back(runs_[i].firstAt - runs_[i - 1].lastAt);
    }
    return gaps;
}

std::string PtyRelay::SentEndingWith(std::string_view last, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    std::string sent;
    while (true) {
        sent.clear();
        for (const Run& run : Transcript()) {
            if (run.fromPort)
                sent += run.bytes;
        }
        if (sent.ends_with(last) || std::chrono::steady_clock::now() >= until)
            return sent;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void PtyRelay::Pump(std::stop_token stop) {
    while (!stop.stop_requested()) {
        pollfd p[2] = {{pty_.master, POLLIN, 0}, {board_, POLLIN, 0}};
        if (poll(p, 2, 10) <= 0)
            continue;
        if ((p[0].revents & POLLIN) && !Pass(pty_.master, board_, true))
            return;
        if ((p[1].revents & POLLIN) && !Pass(board_, pty_.master, false))
            return;
    }
}

bool PtyRelay::Pass(int from, int to, bool fromPort) {
    char buf[512];
    const ssize_t n = read(from, buf, sizeof buf);
    if (n <= 0)
        return n < 0 && (errno == EAGAIN || errno == EINTR);
    const auto readAt = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(mutex_);
        if (runs_.empty() || runs_.back().fromPort != fromPort)
            runs_.push_back({fromPort, {}, readAt, readAt});
        runs_.back().bytes.append(buf, static_cast<std::size_t>(n));
    }
    WriteAll(to, std::string_view(buf, static_cast<std::size_t>(n)));
    std::lock_guard lock(mutex_);
    runs_.back().lastAt = std::chrono::steady_clock::now();
    return true;
}

} // namespace kel::test
