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
    {
        std::lock_guard lock(mutex_);
        if (runs_.empty() || runs_.back().fromPort != fromPort)
            runs_.push_back({fromPort, {}});
        runs_.back().bytes.append(buf, static_cast<std::size_t>(n));
    }
    WriteAll(to, std::string_view(buf, static_cast<std::size_t>(n)));
    return true;
}

} // namespace kel::test
