// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The plan runner behind the station window: a slot per fixture, each on
// its own thread (plan::PlanRun::StartStation), board after board. Each
// slot's worker records its boards' runs in the results store and tells the
// window where it stands; every word for the window is queued to the GUI
// thread with the window as context, so nothing arrives after it is gone.
// The window answers the slots' questions (a serial, a confirm) through
// Scan and Confirm, from the GUI thread. With a server in the store setting,
// the runs go up while the session lasts; a server that is down holds up no
// board: the rows wait in the local file and go when it answers (or later,
// from the next session, the console or `results sync`).

#include "plan/BoardRun.h"
#include "plan/Plan.h"
#include "results/StoreSetting.h"
#include "windows/station/TileState.h"

#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QObject;

namespace kel::plan {
class PlanRun;
}
namespace kel::results {
class BackgroundPush;
}

struct StationNames {
    std::string station;
    std::string operatorName;
};

class StationSession {
public:
    // Heard on the GUI thread: a slot's new state; a board's test ended.
    struct Hearing {
        std::function<void(std::size_t slot, TileState state)> show;
        std::function<void(std::size_t slot, std::string serial, kel::plan::BoardVerdict)> ended;
        // Something beside the tests (the results store cannot be written).
        std::function<void(QString text)> note;
    };

    StationSession(const kel::plan::Plan& plan, std::vector<kel::plan::BoardIdentity> fixtures,
                   StationNames names, kel::results::StoreSetting store, QObject& context,
                   Hearing hearing, kel::plan::BoardRunSettings settings = {});
    // Stops the session and waits for its slots.
    ~StationSession();
    StationSession(const StationSession&) = delete;
    StationSession& operator=(const StationSession&) = delete;

    void Start();
    // A code the scanner typed, for the slot; a confirm of its prompt.
    void Scan(std::size_t slot, const std::string& code);
    void Confirm(std::size_t slot);
    // Ends the session: every running test stopped, every port released.
    void Stop();
    // True once every slot has ended (its port closed).
    bool Ended() const;

private:
    class SlotLink;

    const kel::plan::Plan& plan_;
    std::unique_ptr<kel::results::BackgroundPush> push_; // outlives the links' recorders
    std::vector<std::unique_ptr<SlotLink>> links_;
    std::unique_ptr<kel::plan::PlanRun> run_; // last: it ends before the links
};
