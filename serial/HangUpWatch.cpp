// SPDX-License-Identifier: GPL-3.0-or-later
#include "HangUpWatch.h"

#include "DebugLog.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace kel {

HangUpWatch::HangUpWatch(int fd, OnHangUp onHangUp)
    : stop_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (stop_ < 0)
        throw std::system_error(errno, std::generic_category(), "eventfd");
    try {
        thread_ = std::jthread([this, fd, onHangUp = std::move(onHangUp)] { Watch(fd, onHangUp); });
    } catch (...) {
        close(stop_);
        throw;
    }
}

HangUpWatch::~HangUpWatch() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(stop_, &one, sizeof one);
    if (thread_.joinable())
        thread_.join();
    close(stop_);
}

void HangUpWatch::Watch(int fd, const OnHangUp& onHangUp) const {
    // events 0: POLLHUP, POLLERR and POLLNVAL are reported whatever is asked,
    // and a byte that comes in wakes nobody.
    pollfd fds[2] = {{fd, 0, 0}, {stop_, POLLIN, 0}};
    for (;;) {
        const int ready = poll(fds, 2, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0) {
            DebugNote(DebugArea::Serial, WithErrno("hang-up watch ended: poll", errno));
            return;
        }
        if (fds[1].revents != 0)
            return;
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            onHangUp();
            return;
        }
    }
}

} // namespace kel
