// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A plan on many boards at once: every port opened first (a port that cannot
// be opened stops the run before anything is sent to any board), then one
// worker thread per board running RunBoard, each with its own port and
// connection. A board that fails or hangs ends its own run only; Cancel()
// stops them all, each stopping its running test and releasing its port.

#include "plan/BoardRun.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kel::plan {

class PlanRun {
public:
    PlanRun(const Plan& plan, std::vector<BoardIdentity> boards, BoardRunSettings settings = {});
    // Cancels what still runs and waits for it.
    ~PlanRun();
    PlanRun(const PlanRun&) = delete;
    PlanRun& operator=(const PlanRun&) = delete;

    // Opens every board's port at the plan's baud rate. False with a line
    // per port that could not be opened, every port closed again.
    bool Open(std::vector<std::string>& problems);
    // One worker per board; listeners[i] hears board i and outlives the run.
    void Start(const std::vector<BoardListener*>& listeners);
    // True once every board has finished, waiting at most this long for it.
    bool WaitFor(std::chrono::milliseconds wait);
    // From any thread but a signal handler; a second call skips the stops.
    void Cancel() { control_.Cancel(); }

    const std::vector<BoardIdentity>& Boards() const { return boards_; }
    // In the boards' order; complete once WaitFor said every board finished.
    const std::vector<BoardOutcome>& Outcomes() const { return outcomes_; }

private:
    void Work(std::size_t board, BoardListener& listener);

    const Plan& plan_;
    std::vector<BoardIdentity> boards_;
    BoardRunSettings settings_;
    RunControl control_;
    std::vector<std::unique_ptr<SerialPort>> ports_;
    std::vector<BoardOutcome> outcomes_;
    std::mutex mutex_;
    std::condition_variable finished_;
    std::size_t running_ = 0;
    std::vector<std::jthread> workers_; // last: they end before what they use
};

} // namespace kel::plan
