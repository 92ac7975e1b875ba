// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What an instrument is told to do, as data: each action of the four roles
// (frequency counter, power meter, signal generator, RF switch) is one or
// more SCPI lines with placeholders filled in when it runs. Any vendor's
// box works by writing its profile, not code.

#include <array>
#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kel::instrument {

enum class Action {
    MeasureFrequency, // [counter] measure, {hz} the expected frequency
    MeasurePower,     // [power_meter] measure, {hz} the carrier frequency
    GeneratorFrequency,
    GeneratorLevel,
    OutputOn,
    OutputOff,
    Burst, // send {count} frames at the frequency and level set
    Route, // connect the instrument to slot {route}
};

enum class Placeholder { Hz, Dbm, Count, Route };

// How a profile writes one action: the table and key that hold its SCPI
// text, and the placeholder that text may use.
struct ActionForm {
    Action action;
    std::string_view table;
    std::string_view key;
    std::optional<Placeholder> placeholder; // the one it may use
    bool measures;                          // its last line must be a query
};

inline constexpr std::array<ActionForm, 8> kActions{{
    {Action::MeasureFrequency, "counter", "measure", Placeholder::Hz, true},
    {Action::MeasurePower, "power_meter", "measure", Placeholder::Hz, true},
    {Action::GeneratorFrequency, "generator", "frequency", Placeholder::Hz, false},
    {Action::GeneratorLevel, "generator", "level", Placeholder::Dbm, false},
    {Action::OutputOn, "generator", "output_on", std::nullopt, false},
    {Action::OutputOff, "generator", "output_off", std::nullopt, false},
    {Action::Burst, "generator", "burst", Placeholder::Count, false},
    {Action::Route, "switch", "route", Placeholder::Route, false},
}};

const ActionForm& FormOf(Action action);
// "{hz}", "{dbm}", "{count}", "{route}".
std::string_view PlaceholderText(Placeholder placeholder);
// "counter.measure": how messages name an action.
std::string ActionName(Action action);

struct Profile {
    std::string name;
    std::string path; // the file it was read from
    std::string description;
    std::string terminator = "\n";
    std::chrono::milliseconds timeout{5000};
    // How long a signal needs after it is switched on or routed before a
    // measurement may be trusted.
    std::chrono::milliseconds settle{0};
    std::map<Action, std::vector<std::string>> actions;

    bool Has(Action action) const { return actions.contains(action); }
};

// The action's lines with its placeholder replaced by value (already
// formatted by FormatHz and friends).
std::vector<std::string> Expand(const Profile& profile, Action action, std::string_view value);

// How values go into SCPI text: whole hertz, dBm to a hundredth.
std::string FormatHz(double hz);
std::string FormatDbm(double dbm);

} // namespace kel::instrument
