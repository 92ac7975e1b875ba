// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Interruption.h"

#include "serial/SerialPort.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace kel::cli {

namespace {

static_assert(std::atomic<Interruption*>::is_always_lock_free, "read in a signal handler");
std::atomic<Interruption*> gInterruption{nullptr};

extern "C" void OnStopSignal(int signal) {
    const int savedErrno = errno;
    Interruption* interruption = gInterruption.load();
    if (interruption != nullptr && (signal != SIGPIPE || !interruption->Requested()))
        interruption->Request();
    errno = savedErrno;
}

} // namespace

Interruption::Interruption() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead_ = fds[0];
        wakeWrite_ = fds[1];
    }
}

Interruption::~Interruption() {
    if (handlersInstalled_) {
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGPIPE, SIG_DFL);
        gInterruption.store(nullptr);
    }
    if (wakeRead_ >= 0)
        close(wakeRead_);
    if (wakeWrite_ >= 0)
        close(wakeWrite_);
}

void Interruption::InstallSignalHandlers() {
    gInterruption.store(this);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGPIPE, &action, nullptr);
    handlersInstalled_ = true;
}

void Interruption::Request() noexcept {
    requested_.store(true);
    if (SerialPort* port = port_.load())
        port->RequestCancel();
    if (wakeWrite_ >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t ignored = write(wakeWrite_, &byte, 1);
    }
}

bool Interruption::Pause(std::chrono::milliseconds duration) const {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point until = Clock::now() + duration;
    while (!Requested()) {
        constexpr std::chrono::milliseconds kLongestPoll{60'000};
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
        if (left.count() <= 0)
            return true;
        // The wake pipe is never drained: once interrupted, every pause ends at once.
        pollfd wake{wakeRead_, POLLIN, 0};
        poll(&wake, wakeRead_ >= 0 ? 1 : 0, static_cast<int>(std::min(left, kLongestPoll).count()));
    }
    return false;
}

} // namespace kel::cli
