// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A plan run's instrument: connected before any board is opened (out of
// reach: exit 3, no board touched), or with url = "virtual" the virtual
// bench served on the run's --virtual boards; and each board's route.

#include "board/BoardTray.h"
#include "board/InstrumentServer.h"
#include "instrument/Instrument.h"
#include "plan/BoardRun.h"
#include "plan/Plan.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kel::cli {

class PlanInstrument {
public:
    // kExitOk, else the exit code with the reason in error. Puts each
    // board's route in routes; tray is the run's virtual boards, if any.
    int Start(const plan::Plan& plan, board::BoardTray* tray,
              const std::vector<plan::BoardIdentity>& boards, std::map<std::string, int>& routes,
              std::string& error);

    // Null without an instrument.
    instrument::Instrument* Get() const { return instrument_.get(); }
    // Its *IDN?, empty without one.
    std::string Identity() const { return instrument_ ? instrument_->Identity() : ""; }

private:
    std::unique_ptr<board::InstrumentServer> bench_;
    std::unique_ptr<instrument::Instrument> instrument_;
};

} // namespace kel::cli
