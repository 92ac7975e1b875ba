// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What one board's run of a plan tells as it goes and what it comes to: each
// point measured (every attempt), each step's end, and the board's verdict
// with the points that failed.

#include "rftest/Measurement.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kel::plan {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

struct PointResult {
    std::size_t step = 0; // its place in the plan, from 0
    int attempt = 1;      // from 1; a retry is attempt 2 on
    bool last = true;     // the attempt that decides the point
    rftest::Measurement measurement;
    // A judged point as the summary says it ("ch 11 54 Mbps PER 9.1 % > 8 %");
    // empty when nothing was judged.
    std::string summary;
    Seconds took{};
};

struct StepResult {
    std::size_t step = 0;
    // Fail when a point's last attempt failed, Marginal when one passed
    // marked so, Pass when all passed, None when nothing was judged.
    rftest::Verdict verdict = rftest::Verdict::None;
    // Why the board refused, gave up or the line failed; empty when it did not.
    std::string error;
    // The step's own time, after its turn on a shared resource came.
    Clock::time_point started;
    Clock::time_point ended;
    Seconds waited{}; // for the turn
};

enum class BoardVerdict { Pass, Fail, Error, Interrupted };

// Why a board's run was cut short (Interrupted) without a cancel: the board
// was taken out of its fixture while its prompt waited for the operator.
inline constexpr char kBoardTakenOut[] = "the board was taken out before the prompt was confirmed";

// "pass", "fail", "error", "interrupted": as the results store, JSON and
// JUnit name them.
std::string_view BoardVerdictName(BoardVerdict verdict);

struct BoardOutcome {
    BoardVerdict verdict = BoardVerdict::Pass;
    std::optional<std::string> mac;     // the board's source address, once read
    std::vector<std::string> failures;  // the failing points' summaries
    std::vector<std::string> marginals; // points that passed marked marginal
    std::string error;                  // with Error and Interrupted: why
    std::size_t stepsDone = 0;          // steps that ran to their end
    Seconds took{};
};

// What a board's run tells, on that board's thread, as it happens.
class BoardListener {
public:
    virtual ~BoardListener() = default;
    // The board's run begins (before the handshake).
    virtual void Started() {}
    // The board's session log file, once it is open (after Started).
    virtual void Logged(const std::string& /*path*/) {}
    virtual void Named(const std::string& /*mac*/) {}
    // Before a step that takes turns on a shared resource, while it waits.
    virtual void Waiting(std::size_t /*step*/, const std::string& /*resource*/) {}
    // Once the step runs (its turn came).
    virtual void StepStarted(std::size_t /*step*/) {}
    virtual void Measured(const PointResult& /*point*/) {}
    virtual void StepEnded(const StepResult& /*step*/) {}
    // Something beside the test to say (the results store could not be written).
    virtual void Note(const std::string& /*text*/) {}
    virtual void Finished(const BoardOutcome& /*outcome*/) {}

    // A station's board was given its serial (before Started).
    virtual void Labelled(const std::string& /*dut*/) {}
    // A station's slot (PlanRun::StartStation), between its boards' runs:
    // waiting for a board to be plugged in; a board that could not be
    // opened (why); the board's test over, waiting for its removal.
    virtual void WaitingForBoard() {}
    virtual void Unopened(const std::string& /*why*/) {}
    virtual void WaitingForRemoval() {}
};

} // namespace kel::plan
