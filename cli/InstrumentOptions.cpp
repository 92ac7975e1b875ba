// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/InstrumentOptions.h"

#include "rftest/ValueChecks.h"

#include <cmath>
#include <vector>

namespace kel::cli {

namespace {

using instrument::Action;
using rftest::ValueError;

double Decimal(const char* option, const std::string& text, double low, double high) {
    const auto value = rftest::ReadDecimal(text);
    if (!value || *value < low || *value > high)
        throw ValueError{std::string(option) + " must be a number from " +
                         std::to_string(static_cast<int>(low)) + " to " +
                         std::to_string(static_cast<int>(high))};
    return *value;
}

// What the subcommand asks of the instrument; nothing: it needs none.
std::vector<Action> NeededActions(Subcommand subcommand) {
    switch (subcommand) {
    case Subcommand::ToneFreq:
    case Subcommand::CalibrateFreq:
        return {Action::MeasureFrequency};
    case Subcommand::TxPower:
    case Subcommand::CalibratePower:
        return {Action::MeasurePower};
    case Subcommand::Sensitivity:
        return {Action::GeneratorFrequency, Action::GeneratorLevel, Action::OutputOn,
                Action::OutputOff, Action::Burst};
    default:
        return {};
    }
}

} // namespace

void InstrumentOptions::AddGlobal(CLI::App& app) {
    urlOption = Valued(app, "--instrument", url,
                       "Measure with the instrument at URL: tcp://HOST[:PORT] (raw "
                       "SCPI, port 5025\nby default); unreachable: exit 3 before the "
                       "board is touched",
                       "URL");
    Valued(app, "--profile", profile,
           "The instrument's profile: a name (scpi, virtual-bench, or one in\n"
           "~/.config/kelGuiTool/instruments) or a TOML file (default scpi)",
           "NAME|FILE");
    routeOption =
        Valued(app, "--route", route, "Close the RF switch to slot N before measuring", "N");
}

void InstrumentOptions::AddSubcommands(const AddSubcommand& add) {
    CLI::App& toneFreq =
        add(Subcommand::ToneFreq, "Tone on, measure its frequency with the instrument, tone "
                                  "off:\nfreq_hz, error_hz and error_ppm from the channel centre "
                                  "(channel 7\nunless --channel)");
    maxPpmOption =
        Valued(toneFreq, "--max-ppm", maxPpm,
               "Judge the frequency error: PASS within +-P ppm, else FAIL (exit 4)", "P");

    CLI::App& txPower =
        add(Subcommand::TxPower, "TX at the settings in force, measure its power with the "
                                 "instrument, TX\noff: power_dbm (channel 7 unless --channel)");
    minDbmOption =
        Valued(txPower, "--min-dbm", minDbm, "Judge the power: FAIL below D dBm (exit 4)", "D");
    maxDbmOption = Valued(txPower, "--max-dbm", maxDbm, "FAIL above D dBm (exit 4)", "D");
}

void InstrumentOptions::Resolve(Invocation& run) const {
    const bool toneFreq = run.subcommand == Subcommand::ToneFreq;
    const bool txPower = run.subcommand == Subcommand::TxPower;
    const std::vector<Action> needed = NeededActions(run.subcommand);
    if (urlOption->count() == 0) {
        if (!needed.empty())
            throw ValueError{std::string(SubcommandName(run.subcommand)) +
                             " measures with an instrument: give --instrument URL"};
        if (routeOption->count() > 0)
            throw ValueError{"--route needs --instrument URL"};
        return;
    }
    run.instrument = ResolveInstrument(url, profile, route, needed, SubcommandName(run.subcommand));
    if (toneFreq && maxPpmOption->count() > 0)
        run.maxPpm = Decimal("--max-ppm", maxPpm, 0, 1000);
    if (txPower && minDbmOption->count() > 0)
        run.minDbm = Decimal("--min-dbm", minDbm, -150, 60);
    if (txPower && maxDbmOption->count() > 0)
        run.maxDbm = Decimal("--max-dbm", maxDbm, -150, 60);
    if (run.minDbm && run.maxDbm && *run.minDbm > *run.maxDbm)
        throw ValueError{"--min-dbm is above --max-dbm"};
}

} // namespace kel::cli
