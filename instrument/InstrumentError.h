// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What goes wrong with an instrument, as one exception type whose message
// always names the instrument (its URL): a step that fails on it shows the
// operator which box on the bench to look at.

#include <stdexcept>
#include <string>

namespace kel::instrument {

enum class Fault {
    BadUrl,       // the URL cannot name an instrument
    Refused,      // nothing listens at the port
    Unreachable,  // no route to the host, no such host, or no answer to connect
    TimedOut,     // no complete reply within the time-out
    Dropped,      // the instrument closed the connection (mid-reply or idle)
    NotANumber,   // a reply that should be a number is not one
    NoValue,      // the SCPI "no value" 9.91E37: nothing to measure
    Reported,     // the instrument's error queue held an error
    MissingAction // the profile has no text for what was asked
};

class InstrumentError : public std::runtime_error {
public:
    InstrumentError(Fault fault, const std::string& message)
        : std::runtime_error(message), fault_(fault) {}
    Fault fault() const { return fault_; }

private:
    Fault fault_;
};

} // namespace kel::instrument
