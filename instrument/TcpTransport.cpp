// SPDX-License-Identifier: GPL-3.0-or-later
#include "instrument/TcpTransport.h"

#include "instrument/InstrumentError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kel::instrument {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
}

// Waits for events on fd until the deadline: the revents, 0 on time-out.
short WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = poll(&entry, 1, MillisecondsLeft(deadline));
        if (ready > 0)
            return entry.revents;
        if (ready == 0)
            return 0;
        if (errno != EINTR)
            return POLLERR;
    }
}

Fault FaultOfConnect(int error) {
    return error == ECONNREFUSED ? Fault::Refused : Fault::Unreachable;
}

// One address tried within the deadline: the connected socket, or -1 with errno's
// cause in error (ETIMEDOUT when the deadline passed).
int ConnectTo(const addrinfo& address, Clock::time_point deadline, int& error) {
    const int fd = socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                          address.ai_protocol);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    if (connect(fd, address.ai_addr, address.ai_addrlen) == 0)
        return fd;
    error = errno;
    if (error == EINPROGRESS) {
        if (WaitFor(fd, POLLOUT, deadline) == 0) {
            error = ETIMEDOUT;
        } else {
            socklen_t length = sizeof error;
            getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
        }
        if (error == 0)
            return fd;
    }
    close(fd);
    return -1;
}

} // namespace

void TcpTransport::Fail(Fault fault, const std::string& what) {
    Close();
    throw InstrumentError(fault, "instrument " + Describe() + ": " + what);
}

void TcpTransport::Open(std::chrono::milliseconds timeout) {
    Close();
    const auto deadline = Clock::now() + timeout;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(url_.port);
    const int lookup = getaddrinfo(url_.host.c_str(), port.c_str(), &hints, &found);
    if (lookup != 0)
        Fail(Fault::Unreachable,
             std::string("cannot find host ") + url_.host + ": " + gai_strerror(lookup));
    int error = 0;
    for (const addrinfo* address = found; address && fd_ < 0; address = address->ai_next)
        fd_ = ConnectTo(*address, deadline, error);
    freeaddrinfo(found);
    if (fd_ < 0) {
        const std::string why = error == ETIMEDOUT ? "no answer to connect within " +
                                                         std::to_string(timeout.count()) + " ms"
                                                   : std::string(std::strerror(error));
        Fail(FaultOfConnect(error), "cannot connect: " + why);
    }
    const int on = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

void TcpTransport::Close() {
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
    pending_.clear();
}

void TcpTransport::Write(std::string_view bytes) {
    if (fd_ < 0)
        Fail(Fault::Dropped, "the connection is closed");
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (!bytes.empty()) {
        const ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
            WaitFor(fd_, POLLOUT, deadline) != 0)
            continue;
        Fail(Fault::Dropped,
             std::string("connection dropped while sending: ") + std::strerror(errno));
    }
}

std::string TcpTransport::ReadLine(std::string_view terminator, std::chrono::milliseconds timeout) {
    if (fd_ < 0)
        Fail(Fault::Dropped, "the connection is closed");
    const auto deadline = Clock::now() + timeout;
    std::size_t searchFrom = 0;
    for (;;) {
        const std::size_t end = pending_.find(terminator, searchFrom);
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + terminator.size());
            return line;
        }
        searchFrom =
            pending_.size() >= terminator.size() ? pending_.size() - terminator.size() + 1 : 0;
        const short revents = WaitFor(fd_, POLLIN, deadline);
        if (revents == 0)
            Fail(Fault::TimedOut,
                 "no reply within " + std::to_string(timeout.count()) + " ms" +
                     (pending_.empty() ? std::string() : " (a partial reply came)"));
        char buffer[4096];
        const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
        if (got > 0) {
            pending_.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        Fail(Fault::Dropped, pending_.empty() ? "connection dropped before the reply"
                                              : "connection dropped in the middle of a reply");
    }
}

} // namespace kel::instrument
