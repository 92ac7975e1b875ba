// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan/PlanRun.h"

#include "serial/PortHolders.h"
#include "serial/PortNaming.h"
#include "serial/SerialPort.h"

namespace kel::plan {

PlanRun::PlanRun(const Plan& plan, std::vector<BoardIdentity> boards, BoardRunSettings settings)
    : plan_(plan), boards_(std::move(boards)), settings_(std::move(settings)),
      outcomes_(boards_.size()) {}

PlanRun::~PlanRun() {
    if (!WaitFor(std::chrono::milliseconds(0)))
        Cancel();
    workers_.clear();
}

std::string PlanRun::OpenProblem(const SerialPort& port, const std::string& path) {
    std::string line = OpenFailureLine(port.lastError(), path);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}

std::string PlanRun::HeldProblem(const std::string& path) {
    const std::vector<PortHolder> holders = OtherHolders(path);
    if (holders.empty())
        return {};
    return "Cannot use " + path + ": " + HoldersText(holders) +
           (holders.size() == 1 ? " has" : " have") +
           " it open without a lock and would read the board's replies: close it first";
}

bool PlanRun::Open(std::vector<std::string>& problems) {
    ports_.clear();
    for (const BoardIdentity& board : boards_) {
        auto port = std::make_unique<SerialPort>();
        if (port->Open(board.port, plan_.baud) != 0)
            problems.push_back(OpenProblem(*port, board.port));
        else if (std::string held = HeldProblem(board.port); !held.empty())
            problems.push_back(held);
        ports_.push_back(std::move(port));
    }
    if (problems.empty())
        return true;
    ports_.clear();
    return false;
}

void PlanRun::Start(const std::vector<BoardListener*>& listeners) {
    running_ = ports_.size();
    for (std::size_t i = 0; i < ports_.size(); ++i)
        workers_.emplace_back([this, i, listener = listeners.at(i)] { Work(i, *listener); });
}

void PlanRun::StartStation(const std::vector<BoardListener*>& listeners,
                           const std::vector<OperatorDesk*>& desks) {
    desks_ = desks;
    ports_.clear();
    for (std::size_t i = 0; i < boards_.size(); ++i)
        ports_.push_back(std::make_unique<SerialPort>());
    running_ = ports_.size();
    for (std::size_t i = 0; i < ports_.size(); ++i)
        workers_.emplace_back([this, i, listener = listeners.at(i)] { Slot(i, *listener); });
}

void PlanRun::Work(std::size_t board, BoardListener& listener) {
    BoardOutcome outcome =
        RunBoard(plan_, *ports_[board], boards_[board], control_, listener, settings_);
    Ended(board, std::move(outcome));
}

void PlanRun::Ended(std::size_t board, BoardOutcome outcome) {
    ports_[board]->Close();
    std::lock_guard lock(mutex_);
    outcomes_[board] = std::move(outcome);
    --running_;
    finished_.notify_all();
}

bool PlanRun::WaitFor(std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    return finished_.wait_for(lock, wait, [this] { return running_ == 0; });
}

} // namespace kel::plan
