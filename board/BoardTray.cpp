// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/BoardTray.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace kel::board {

namespace {

// What ppoll takes for the time left until a deadline; null for none.
const timespec* TimeLeft(std::optional<std::chrono::steady_clock::time_point> until,
                         timespec& storage) {
    if (!until)
        return nullptr;
    const auto left = std::max(std::chrono::steady_clock::duration::zero(),
                               *until - std::chrono::steady_clock::now());
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    storage = {static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    return &storage;
}

} // namespace

BoardTray::BoardTray(const std::vector<BoardConfig>& configs) {
    // Every board exists (its state readable) even when the tray cannot start.
    for (const BoardConfig& config : configs)
        lines_.push_back(std::make_unique<BoardLine>(config));
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0) {
        error_ = std::string("eventfd: ") + std::strerror(errno);
        return;
    }
    for (const std::unique_ptr<BoardLine>& line : lines_) {
        if (!line->Open(error_)) {
            // All or nothing: a script counting on N boards gets N or a reason.
            for (const std::unique_ptr<BoardLine>& opened : lines_)
                opened->Close();
            return;
        }
    }
    thread_ = std::jthread([this](std::stop_token stop) { Serve(stop); });
}

BoardTray::~BoardTray() {
    Stop();
}

const std::string& BoardTray::SlavePath(std::size_t board) const {
    static const std::string none;
    return error_.empty() && board < lines_.size() ? lines_[board]->SlavePath() : none;
}

bool BoardTray::Serving() const {
    return std::any_of(lines_.begin(), lines_.end(),
                       [](const std::unique_ptr<BoardLine>& line) { return line->Serving(); });
}

void BoardTray::Stop() {
    thread_.request_stop();
    if (wake_ >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(wake_, &one, sizeof one);
    }
    if (thread_.joinable())
        thread_.join();
    // The boards' states stay readable.
    for (const std::unique_ptr<BoardLine>& line : lines_)
        line->Close();
    if (wake_ >= 0)
        close(wake_);
    wake_ = -1;
}

void BoardTray::Serve(std::stop_token stop) {
    std::vector<pollfd> fds;
    std::vector<std::size_t> slotOf(lines_.size()); // poll slot of each board, 0 for none
    while (!stop.stop_requested() && Serving()) {
        const auto now = std::chrono::steady_clock::now();
        fds.assign(1, {wake_, POLLIN, 0});
        std::optional<std::chrono::steady_clock::time_point> until;
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            const BoardLine::Wait wait = lines_[i]->NextWait(now);
            slotOf[i] = 0;
            if (wait.events != 0) {
                slotOf[i] = fds.size();
                fds.push_back({wait.fd, wait.events, 0});
            }
            if (wait.until && (!until || *wait.until < *until))
                until = wait.until;
        }
        timespec storage{};
        if (ppoll(fds.data(), fds.size(), TimeLeft(until, storage), nullptr) < 0 && errno != EINTR)
            break;
        if (fds[0].revents != 0)
            break; // Stop()
        for (std::size_t i = 0; i < lines_.size(); ++i)
            lines_[i]->Service(slotOf[i] != 0 ? fds[slotOf[i]].revents : 0);
    }
}

} // namespace kel::board
