// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The instrument a kel-rftest run names (--instrument, --profile, --route):
// checked before anything opens (a wrong URL or profile is bad usage, exit
// 2), connected before the board is touched (an instrument out of reach is
// exit 3, like a port that will not open), and traced with -v as "I>" and
// "I<" lines beside the serial ones.

#include "instrument/Instrument.h"
#include "instrument/InstrumentUrl.h"
#include "instrument/Profile.h"

#include <iosfwd>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kel::cli {

struct InstrumentChoice {
    instrument::InstrumentUrl url;
    instrument::Profile profile;
    std::optional<int> route; // --route: the switch's slot for this board
};

// Throws rftest::ValueError for a URL or profile that is wrong, or a profile
// that lacks an action user needs; route as typed, empty when not given.
InstrumentChoice ResolveInstrument(const std::string& url, const std::string& profile,
                                   const std::string& route,
                                   std::span<const instrument::Action> needed,
                                   std::string_view user);

// Loads the profile (a name or a file); throws rftest::ValueError with every
// error of it, one "file:line:column: ..." a line.
instrument::Profile LoadProfileOrThrow(const std::string& nameOrFile);

// Connected and identified; trace (when given) hears every SCPI line.
// Throws instrument::InstrumentError.
std::unique_ptr<instrument::Instrument> ConnectInstrument(const InstrumentChoice& choice,
                                                          std::ostream* trace);

} // namespace kel::cli
