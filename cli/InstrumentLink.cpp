// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/InstrumentLink.h"

#include "instrument/ProfileLookup.h"
#include "rftest/ValueChecks.h"

#include <ostream>

namespace kel::cli {

using rftest::ValueError;

instrument::Profile LoadProfileOrThrow(const std::string& nameOrFile) {
    std::vector<instrument::ProfileError> errors;
    auto profile = instrument::LoadProfile(nameOrFile, errors);
    if (profile)
        return *profile;
    std::string message;
    for (const instrument::ProfileError& error : errors)
        message += (message.empty() ? "" : "\n") + error.Text();
    throw ValueError{message};
}

InstrumentChoice ResolveInstrument(const std::string& url, const std::string& profile,
                                   const std::string& route,
                                   std::span<const instrument::Action> needed,
                                   std::string_view user) {
    std::string why;
    const auto parsed = instrument::ParseInstrumentUrl(url, why);
    if (!parsed)
        throw ValueError{"--instrument: " + why};
    InstrumentChoice choice{*parsed, LoadProfileOrThrow(profile), std::nullopt};
    std::string missing;
    for (const instrument::ProfileError& error :
         instrument::MissingActions(choice.profile, needed, user))
        missing += (missing.empty() ? "" : "\n") + error.Text();
    if (!missing.empty())
        throw ValueError{missing};
    if (!route.empty()) {
        choice.route = static_cast<int>(rftest::WholeOption("--route", route, 1, 9999));
        const std::array<instrument::Action, 1> routing{instrument::Action::Route};
        if (!instrument::MissingActions(choice.profile, routing, "--route").empty())
            throw ValueError{"--route: profile " + choice.profile.name + " has no [switch] route"};
    }
    return choice;
}

std::unique_ptr<instrument::Instrument> ConnectInstrument(const InstrumentChoice& choice,
                                                          std::ostream* trace) {
    auto bench = std::make_unique<instrument::Instrument>(choice.url, choice.profile);
    if (trace) {
        bench->SetTrace([trace](bool sent, std::string_view line) {
            *trace << (sent ? "I> " : "I< ") << line << "\n" << std::flush;
        });
    }
    bench->Connect();
    return bench;
}

} // namespace kel::cli
