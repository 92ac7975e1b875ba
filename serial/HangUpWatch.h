// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Notices that an open line hung up (the adapter pulled out, the
// pseudo-terminal's other end closed) while nobody reads or writes it: a
// thread asleep in poll on the descriptor with no events asked, so the
// board's bytes stay where they are for the next reader and only a hang-up
// (or the stop) wakes it. An idle line costs nothing.

#include <functional>
#include <thread>

namespace kel {

class HangUpWatch {
public:
    // Runs on the watch's thread, at most once.
    using OnHangUp = std::function<void()>;

    // Starts watching fd, which must stay open until the watch is gone.
    // Throws std::system_error when no thread or eventfd can be had.
    HangUpWatch(int fd, OnHangUp onHangUp);
    // Stops the thread; onHangUp does not run after this returns.
    ~HangUpWatch();
    HangUpWatch(const HangUpWatch&) = delete;
    HangUpWatch& operator=(const HangUpWatch&) = delete;

private:
    void Watch(int fd, const OnHangUp& onHangUp) const;

    int stop_ = -1; // an eventfd: written to stop the thread
    std::jthread thread_;
};

} // namespace kel
