// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/PlanBench.h"

#include "instrument/InstrumentError.h"
#include "instrument/InstrumentUrl.h"
#include "instrument/ProfileLookup.h"
#include "resources/Version.h"

namespace kel::cli {

bool PlanBench::Connect(const plan::Plan& plan, board::BoardTray* tray, std::string& why,
                        bool& usage) {
    if (!plan.instrument)
        return true;
    usage = true;
    std::string url = plan.instrument->url;
    if (url == "virtual") {
        if (tray == nullptr) {
            why = "[instrument] url = \"virtual\" is the bench of virtual boards: give --virtual N";
            return false;
        }
        server_ = std::make_unique<board::InstrumentServer>(*tray, 0,
                                                            "kelGuiTool,Virtual Bench,VB" +
                                                                std::to_string(tray->Size()) + "," +
                                                                std::string(res::BuildVersion()));
        if (!server_->Error().empty()) {
            usage = false;
            why = "the virtual bench could not start: " + server_->Error();
            return false;
        }
        url = server_->Url();
    }
    const auto parsed = instrument::ParseInstrumentUrl(url, why);
    std::vector<instrument::ProfileError> problems;
    auto profile = instrument::LoadProfile(plan.instrument->profile, problems);
    if (!parsed || !profile) {
        if (!problems.empty())
            why = problems.front().Text();
        return false;
    }
    usage = false;
    try {
        instrument_ = std::make_unique<instrument::Instrument>(*parsed, *profile);
        instrument_->Connect();
    } catch (const instrument::InstrumentError& error) {
        why = error.what();
        instrument_.reset();
        return false;
    }
    return true;
}

void PlanBench::Lend(const plan::Plan& plan, plan::BoardRunSettings& settings,
                     std::vector<plan::BoardIdentity>& boards) const {
    if (!plan.instrument || !instrument_)
        return;
    settings.instrument = instrument_.get();
    for (std::size_t i = 0; i < boards.size(); ++i)
        boards[i].route = plan.instrument->RouteOf(i);
}

} // namespace kel::cli
