// SPDX-License-Identifier: GPL-3.0-or-later
#include "instrument/Instrument.h"

#include "instrument/InstrumentError.h"
#include "instrument/TcpTransport.h"

#include <thread>

namespace kel::instrument {

namespace {

SessionOptions OptionsOf(const Profile& profile) {
    return {profile.terminator, profile.timeout};
}

} // namespace

Instrument::Instrument(const InstrumentUrl& url, Profile profile)
    : Instrument(std::make_unique<TcpTransport>(url), std::move(profile)) {}

Instrument::Instrument(std::unique_ptr<Transport> transport, Profile profile)
    : profile_(std::move(profile)), session_(std::move(transport), OptionsOf(profile_)) {}

void Instrument::Require(Action action) const {
    if (!profile_.Has(action))
        throw InstrumentError(Fault::MissingAction, "instrument " + Url() + ": profile " +
                                                        profile_.name + " has no " +
                                                        ActionName(action));
}

void Instrument::Run(Action action, std::string_view value) {
    Require(action);
    for (const std::string& line : Expand(profile_, action, value))
        session_.Send(line);
}

double Instrument::Measure(Action action, std::string_view value) {
    Require(action);
    std::this_thread::sleep_for(profile_.settle);
    const std::vector<std::string> lines = Expand(profile_, action, value);
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
        session_.Send(lines[i]);
    return session_.QueryNumber(lines.back());
}

void Instrument::Route(int route) {
    Run(Action::Route, std::to_string(route));
}

double Instrument::MeasureFrequency(double expectedHz) {
    return Measure(Action::MeasureFrequency, FormatHz(expectedHz));
}

double Instrument::MeasurePower(double hz) {
    return Measure(Action::MeasurePower, FormatHz(hz));
}

void Instrument::SetGenerator(double hz, double dbm) {
    Run(Action::GeneratorFrequency, FormatHz(hz));
    Run(Action::GeneratorLevel, FormatDbm(dbm));
}

void Instrument::Output(bool on) {
    Run(on ? Action::OutputOn : Action::OutputOff, {});
}

void Instrument::Burst(std::int64_t count) {
    Run(Action::Burst, std::to_string(count));
}

} // namespace kel::instrument
