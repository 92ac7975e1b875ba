// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A station's operator at the terminal (--loop): each slot asks in turn for
// its board's serial (--scan, or a plan that requires one) and waits for
// Enter at a prompt step; a line typed (a scanner's code and Enter) answers
// the slot that asked first, or waits for the next question (the operator
// scans a board before plugging it in). The lines are read on a thread of its own from
// a descriptor polled, so the session's end never waits on the terminal.

#include "plan/OperatorDesk.h"

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kel::cli {

class TerminalDesk {
public:
    // say shows a question or a refusal; names are the slots' names, in order.
    TerminalDesk(int input, bool scan, std::vector<std::string> names,
                 std::function<void(const std::string&)> say);
    ~TerminalDesk();
    TerminalDesk(const TerminalDesk&) = delete;
    TerminalDesk& operator=(const TerminalDesk&) = delete;

    std::vector<plan::OperatorDesk*> Desks();

private:
    class Slot;
    // Waits for this slot's answer, in the order the slots asked.
    std::optional<std::string> Ask(plan::OperatorAnswer& answer, const std::string& question,
                                   const plan::DeskWait& wait);
    void Read(std::stop_token stop);
    void Answer(const std::string& line);

    const int input_;
    const bool scan_;
    const std::function<void(const std::string&)> say_;
    std::vector<std::unique_ptr<Slot>> slots_;
    std::mutex mutex_;
    std::deque<plan::OperatorAnswer*> asking_;
    std::deque<std::string> typedAhead_;
    std::jthread reader_; // last: it ends before what it uses
};

} // namespace kel::cli
