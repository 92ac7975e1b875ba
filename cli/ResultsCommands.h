// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// `kel-rftest results ...`: what the results store holds, read back for a
// line engineer (runs, show, export, yield), and sync, which pushes the rows
// waiting for the server. None of them touches a port or adds a result.

#include <iosfwd>
#include <string>
#include <vector>

namespace kel::cli {

// True when the arguments ask for a results subcommand: "results" first, or
// after --json and --results PATH only.
bool IsResultsCommand(const std::vector<std::string>& args);

// args without the program's name; the exit code.
int RunResultsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace kel::cli
