// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What kel-rftest keeps of a plan run as the boards' workers tell it: a row
// per board for the live table and the summary, and the test cases JUnit
// reports. Every member is safe from any thread; the hooks run on the
// board's thread with the tally locked, so what they write never interleaves.

#include "plan/BoardRun.h"
#include "plan/Plan.h"

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kel::cli {

// A test case as JUnit tells it: a point's last attempt, or a step that
// errored or never ran.
struct PlanCase {
    enum class Kind { Passed, Failed, Errored, Skipped };
    // The step of a handshake that failed: before any step of the plan.
    static constexpr std::size_t kHandshake = static_cast<std::size_t>(-1);
    std::size_t step = 0;
    std::string name;
    Kind kind = Kind::Passed;
    // The failing point's summary, the error, why it was skipped; for an SDD
    // export, the file.
    std::string message;
    double seconds = 0;
    // A measured point's last attempt, and how many attempts it took.
    std::optional<rftest::Measurement> measurement;
    int attempts = 1;
};

struct BoardRow {
    // Where a station's slot (--loop) stands between its boards.
    enum class Slot { Testing, WaitingForBoard, Unopened, RemoveBoard };

    plan::BoardIdentity identity;
    Slot slot = Slot::Testing;
    std::string unopened; // why the board in the slot could not be opened
    std::string mac;
    bool started = false;       // a step has begun
    std::size_t step = 0;       // the step running or last run
    std::size_t pointsDone = 0; // of that step
    std::string waitingFor;     // the shared resource whose turn it awaits
    std::size_t failed = 0;
    std::size_t marginal = 0;
    bool finished = false;
    plan::BoardOutcome outcome; // once finished
    std::vector<PlanCase> cases;

    // The board as people name it: its label, else its MAC, else its port.
    std::string Name() const;
    // Both where there are both: "SN1001 02:4b:45:4c:00:01".
    std::string Label() const;
};

// Boards by verdict, in BoardVerdict's order.
using VerdictCounts = std::array<std::size_t, 4>;

class PlanTally {
public:
    PlanTally(const plan::Plan& plan, const std::vector<plan::BoardIdentity>& boards);
    ~PlanTally();
    PlanTally(const PlanTally&) = delete;
    PlanTally& operator=(const PlanTally&) = delete;

    // One per board, in the boards' order.
    std::vector<plan::BoardListener*> Listeners();

    std::vector<BoardRow> Rows() const;
    // True when something changed since the last call.
    bool TakeChanged();
    // Every board finished so far, a station's over its session: a board
    // tested again counts once, by its last verdict.
    VerdictCounts Counts() const;

    // Heard on the board's thread, the tally locked.
    std::function<void(const BoardRow&, const plan::PointResult&)> onPoint;
    std::function<void(const BoardRow&, const plan::StepResult&)> onStep;
    std::function<void(const BoardRow&)> onFinished;
    std::function<void(const BoardRow&, const std::string&)> onNote;
    // A station's slot changed where it stands.
    std::function<void(const BoardRow&)> onSlot;

private:
    class Listener;

    const plan::Plan& plan_;
    mutable std::mutex mutex_;
    std::vector<BoardRow> rows_;
    bool changed_ = true;
    // Each board's last verdict, by its label, else its MAC; a board with
    // neither (it never answered) is one of its own.
    std::map<std::string, plan::BoardVerdict> verdicts_;
    std::size_t unnamed_ = 0;
    std::vector<std::unique_ptr<Listener>> listeners_;
};

} // namespace kel::cli
