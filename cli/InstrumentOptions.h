// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The options of a run that measures with an instrument: --instrument,
// --profile and --route for every subcommand, and the subcommands tone-freq
// (--max-ppm) and tx-power (--min-dbm, --max-dbm), read as typed and
// checked into the Invocation.

#include "cli/Invocation.h"
#include "cli/OptionDeclarations.h"

#include <CLI/CLI.hpp>
#include <string>

namespace kel::cli {

struct InstrumentOptions {
    std::string url, profile = "scpi", route;
    std::string maxPpm, minDbm, maxDbm;
    CLI::Option* urlOption = nullptr;
    CLI::Option* routeOption = nullptr;
    CLI::Option* maxPpmOption = nullptr;
    CLI::Option* minDbmOption = nullptr;
    CLI::Option* maxDbmOption = nullptr;

    void AddGlobal(CLI::App& app);
    // tone-freq and tx-power with their options.
    void AddSubcommands(const AddSubcommand& add);
    // Throws rftest::ValueError for anything wrong, before anything opens.
    void Resolve(Invocation& run) const;
};

} // namespace kel::cli
