// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The instrument of a plan run: the plan's [instrument] table connected
// once for every board (url "virtual": the bench of the run's virtual
// boards, served on loopback), and each board's route on its switch.

#include "board/BoardTray.h"
#include "board/InstrumentServer.h"
#include "instrument/Instrument.h"
#include "plan/BoardRun.h"
#include "plan/Plan.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kel::cli {

class PlanBench {
public:
    // Nothing to do for a plan without [instrument]. False with the reason
    // in why: "virtual" without virtual boards (usage) or an instrument out
    // of reach (no port).
    bool Connect(const plan::Plan& plan, board::BoardTray* tray, std::string& why, bool& usage);
    // The board settings and identities it lends the instrument and routes to.
    void Lend(const plan::Plan& plan, plan::BoardRunSettings& settings,
              std::vector<plan::BoardIdentity>& boards) const;
    const std::string Identity() const { return instrument_ ? instrument_->Identity() : ""; }

private:
    std::unique_ptr<board::InstrumentServer> server_;
    std::unique_ptr<instrument::Instrument> instrument_;
};

} // namespace kel::cli
