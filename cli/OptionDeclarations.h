// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one way kel-rftest's commands declare an option that takes a value:
// the value's name shown in --help, and a required one saying so there; and
// how an option group is given its subcommands to declare whole.

#include "cli/Invocation.h"

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

namespace kel::cli {

// Makes the subcommand, named as SubcommandName spells it, with its help.
using AddSubcommand = std::function<CLI::App&(Subcommand subcommand, const char* help)>;

// An option that takes a value, shown in --help as value.
template <typename T>
CLI::Option* Valued(CLI::App& app, const std::string& names, T& into, const std::string& help,
                    const char* value) {
    return app.add_option(names, into, help)->option_text(value);
}

// Required, and said so in --help (an option's own text replaces the mark
// CLI11 would add).
inline CLI::Option* Required(CLI::Option* option) {
    option->required();
    if (!option->get_option_text().empty())
        option->option_text(option->get_option_text() + " REQUIRED");
    return option;
}

} // namespace kel::cli
