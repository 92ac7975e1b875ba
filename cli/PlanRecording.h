// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a plan run keeps in the results store: each board's test its own run
// (the plan's name and version, the port, the board's MAC and label), every
// attempt of every point a measurement with its limits and verdict, and the
// board's verdict. Each board records on its own thread through its own
// Recorder, the store's WAL taking the writers in turn; a store problem is
// told once, as a note of the board that met it.

#include "cli/RecordingPush.h"
#include "plan/BoardRun.h"
#include "plan/Plan.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace kel::cli {

struct PlanRunNames {
    std::string station;
    std::string operatorName;
    std::string instrument; // its *IDN?, when the plan measures with one
};

class PlanRecording {
public:
    // note says the server's problem at the end.
    PlanRecording(const plan::Plan& plan, const results::StoreSetting& store, PlanRunNames names,
                  RecordingPush::Note note);
    ~PlanRecording();
    PlanRecording(const PlanRecording&) = delete;
    PlanRecording& operator=(const PlanRecording&) = delete;

    // A listener for the board that records each of its runs, then passes
    // everything on to next (which hears the store's problem as a note). It
    // lives as long as the recording; one board's thread at a time uses it.
    plan::BoardListener& Board(plan::BoardIdentity board, plan::BoardListener& next);
    // One per board, in order, each passing on to next[i].
    std::vector<plan::BoardListener*> Boards(const std::vector<plan::BoardIdentity>& boards,
                                             const std::vector<plan::BoardListener*>& next);

private:
    class BoardRecording;

    const plan::Plan& plan_;
    const PlanRunNames names_;
    std::atomic<bool> warned_{false};
    RecordingPush push_;
    std::vector<std::unique_ptr<BoardRecording>> boards_; // end before the push
};

} // namespace kel::cli
