// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An instrument in its roles: what a test step asks for (route slot N,
// measure a frequency, measure power, set the generator, send a burst of
// frames), turned into the profile's SCPI text on one session. Every
// failure is an InstrumentError naming the instrument.
//
// Measurements wait the profile's settling time first: a step switches the
// board's signal on or routes it just before it measures.

#include "instrument/Profile.h"
#include "instrument/ScpiSession.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kel::instrument {

struct InstrumentUrl;

class Instrument {
public:
    // Over raw TCP to the URL.
    Instrument(const InstrumentUrl& url, Profile profile);
    Instrument(std::unique_ptr<Transport> transport, Profile profile);

    // Connects, clears and identifies (*CLS, *IDN?).
    void Connect() { session_.Connect(); }
    void Close() { session_.Close(); }
    const std::string& Identity() const { return session_.Identity(); }
    std::string Url() const { return session_.Name(); }
    const Profile& profile() const { return profile_; }
    void SetTrace(ScpiTrace trace) { session_.SetTrace(std::move(trace)); }
    ScpiSession& Session() { return session_; }

    // Connects the instrument to slot route (the switch's numbering).
    void Route(int route);
    // Hertz of the tone expected near expectedHz.
    double MeasureFrequency(double expectedHz);
    // dBm of the carrier at hz.
    double MeasurePower(double hz);
    void SetGenerator(double hz, double dbm);
    void Output(bool on);
    // Sends count frames and returns once the instrument says they are out.
    void Burst(std::int64_t count);
    // Text as typed (kel-rftest instrument send).
    std::string Send(std::string_view text) { return session_.Send(text); }

private:
    // Every line but a measurement's last; returns the last reply of a query.
    void Run(Action action, std::string_view value);
    double Measure(Action action, std::string_view value);
    void Require(Action action) const;

    Profile profile_;
    ScpiSession session_;
};

} // namespace kel::instrument
