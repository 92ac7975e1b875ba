// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/PlanInstrument.h"

#include "cli/ExitCodes.h"
#include "instrument/InstrumentError.h"

#include <optional>

namespace kel::cli {

int PlanInstrument::Start(const plan::Plan& plan, board::BoardTray* tray,
                          const std::vector<plan::BoardIdentity>& boards,
                          std::map<std::string, int>& routes, std::string& error) {
    if (!plan.instrument)
        return kExitOk;
    const plan::PlanInstrument& setup = *plan.instrument;
    for (std::size_t i = 0; i < boards.size(); ++i) {
        const std::optional<int> route = setup.RouteOf(i);
        if (!route) {
            error = "the plan's [instrument] routes name " + std::to_string(setup.routes.size()) +
                    " boards; this run has " + std::to_string(boards.size());
            return kExitUsage;
        }
        routes[boards[i].port] = *route;
    }
    instrument::InstrumentUrl url = setup.url;
    if (setup.virtualBench) {
        if (tray == nullptr) {
            error = "the plan's instrument is \"virtual\": it needs --virtual N boards";
            return kExitUsage;
        }
        bench_ = std::make_unique<board::InstrumentServer>(
            *tray, 0, "kelGuiTool,Virtual Bench,VB" + std::to_string(tray->Size()) + ",plan");
        if (!bench_->Error().empty()) {
            error = "the virtual bench could not start: " + bench_->Error();
            return kExitNoPort;
        }
        url = {"127.0.0.1", bench_->Port()};
    }
    try {
        instrument_ = std::make_unique<instrument::Instrument>(url, setup.profile);
        instrument_->Connect();
    } catch (const instrument::InstrumentError& failure) {
        error = failure.what();
        instrument_.reset();
        return kExitNoPort;
    }
    return kExitOk;
}

} // namespace kel::cli
