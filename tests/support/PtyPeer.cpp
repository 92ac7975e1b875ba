// SPDX-License-Identifier: GPL-3.0-or-later
#include "PtyPeer.h"

#include <poll.h>
#include <unistd.h>

namespace kel::test {

PtyPeer::PtyPeer() {
    pump_ = std::jthread([this](std::stop_token stop) { Pump(stop); });
}

void PtyPeer::ScriptReplies(std::initializer_list<std::string_view> replies) {
    std::lock_guard lock(mutex_);
    for (auto r : replies)
        replies_.emplace_back(r);
}

void PtyPeer::Send(std::string_view bytes) {
    std::lock_guard lock(mutex_);
    WriteAll(pty_.master, bytes);
}

std::string PtyPeer::Received() {
    std::lock_guard lock(mutex_);
    return received_;
}

std::string PtyPeer::WaitReceived(std::size_t n, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return received_.size() >= n; });
    return received_;
}

void PtyPeer::HangUp() {
    std::lock_guard lock(mutex_);
    if (pty_.master >= 0) {
        close(pty_.master);
        pty_.master = -1;
    }
}

void PtyPeer::Pump(std::stop_token stop) {
    char buf[512];
    while (!stop.stop_requested()) {
        int fd;
        {
            std::lock_guard lock(mutex_);
            fd = pty_.master;
        }
        if (fd < 0)
            return;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 5) <= 0 || !(p.revents & POLLIN))
            continue;
        std::lock_guard lock(mutex_);
        if (pty_.master < 0)
            return;
        ssize_t n = read(pty_.master, buf, sizeof buf);
        if (n <= 0)
            continue;
        for (ssize_t i = 0; i < n; ++i) {
            const char c = buf[i];
            received_ += c;
            if (c == '\0' && pendingLine_.empty())
                continue; // the NUL that ends a command written with its terminator
            pendingLine_ += c;
            if (c != '\n')
                continue;
            pendingLine_.clear();
            if (replies_.empty())
                continue;
            std::string reply = std::move(replies_.front());
            replies_.pop_front();
            WriteAll(pty_.master, reply);
        }
        changed_.notify_all();
    }
}

} // namespace kel::test
