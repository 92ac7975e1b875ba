// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A plan on many boards at once: every port opened first (a port that cannot
// be opened stops the run before anything is sent to any board), then one
// worker thread per board running RunBoard, each with its own port and
// connection. A board that fails or hangs ends its own run only; Cancel()
// stops them all, each stopping its running test and releasing its port.
//
// A station keeps each port's worker alive instead (StartStation): it waits
// for a board to be plugged in, tests it, waits until it is removed, and
// waits for the next, until Cancel(). A board that cannot be opened or fails
// its handshake holds up its own slot only, until it is removed.

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
    // Instead of Open and Start: a slot per board identity, its port opened
    // whenever a board is there (StationSlot.cpp); listeners[i] hears slot i
    // and each board tested in it. With desks (one per slot), desks[i] gives
    // each board's serial before its test and answers its prompt steps.
    void StartStation(const std::vector<BoardListener*>& listeners,
                      const std::vector<OperatorDesk*>& desks = {});
    // True once every board has finished (every slot ended), waiting at most
    // this long for it.
    bool WaitFor(std::chrono::milliseconds wait);
    // From any thread but a signal handler; a second call skips the stops.
    void Cancel() { control_.Cancel(); }

    const std::vector<BoardIdentity>& Boards() const { return boards_; }
    // In the boards' order; complete once WaitFor said every board finished
    // (a slot's last board's).
    const std::vector<BoardOutcome>& Outcomes() const { return outcomes_; }

private:
    void Work(std::size_t board, BoardListener& listener);
    void Slot(std::size_t slot, BoardListener& listener);
    void Ended(std::size_t board, BoardOutcome outcome);
    // Why the port could not be opened, as one line.
    static std::string OpenProblem(const SerialPort& port, const std::string& path);
    // Why an open port cannot be used: another program has it open too
    // (without the lock that would have kept us out); empty when none has.
    static std::string HeldProblem(const std::string& path);

    const Plan& plan_;
    std::vector<BoardIdentity> boards_;
    BoardRunSettings settings_;
    std::vector<OperatorDesk*> desks_;
    RunControl control_;
    std::vector<std::unique_ptr<SerialPort>> ports_;
    std::vector<BoardOutcome> outcomes_;
    std::mutex mutex_;
    std::condition_variable finished_;
    std::size_t running_ = 0;
    std::vector<std::jthread> workers_; // last: they end before what they use
};

} // namespace kel::plan
