// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestPty.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <unistd.h>

namespace kel::test {

TestPty::TestPty() {
    char name[256] = {};
    if (openpty(&master, &slaveKeeper, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(slaveKeeper, F_SETFD, FD_CLOEXEC);
    slavePath = name;
}

TestPty::~TestPty() {
    for (int fd : {master, slaveKeeper}) {
        if (fd >= 0)
            close(fd);
    }
}

void WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return;
        pollfd p{fd, POLLOUT, 0};
        poll(&p, 1, 10);
    }
}

} // namespace kel::test
